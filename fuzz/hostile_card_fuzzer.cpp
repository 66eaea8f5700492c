// Every card entry point against a card that answers with arbitrary bytes: the
// port hands out the input's bytes for every read (status, data,
// identification, polls) and then a constant tail, so no loop of the protocol
// may rely on the card to end it. Each call must stay within a bound of port
// accesses proportional to its work; running past it is a finding.
//   byte 0  bits 0..2  entry: DetectCard, OpenCard, SendJob, the chosen chip's
//                      programmer without detection (what SendJob does after
//                      it), VerifyBank, ReadSramBank, WriteSramBank, ScanPack
//           bits 3..6  bank for VerifyBank and the save-RAM transfers
//   byte 1  bits 0..1  chip for the programmer (4M, 16M, 64M; 3 is 4M again)
//           bit 2      SPP (else EPP) for the entries that skip detection
//           bit 3      Deep Verify
//           bit 4      tail value 0x00 (else 0xFF, a floating bus)
//           bits 5..6  transfer mode for detection (3 is EPP again)
//           bit 7      a 64 KiB image (else 32 KiB)
//   the rest           the bytes the card returns, in order
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "link/card_link.h"
#include "link/link_clock.h"
#include "link/port_discovery.h"
#include "saves/pack_scan.h"

namespace {

using namespace zorvex;

// The port of the hostile card: writes go nowhere, reads take the next input
// byte. Counts every access against the bound of the call running.
class HostilePort final : public PortIo {
  public:
    void Out(uint16_t, uint8_t) override { Count(); }
    uint8_t In(uint16_t) override {
        Count();
        if (next_ < size_) return data_[next_++];
        return tail_;
    }
    void Answer(const uint8_t* data, size_t size, uint8_t tail) {
        data_ = data;
        size_ = size;
        next_ = 0;
        tail_ = tail;
    }
    void Limit(uint64_t accesses, const char* what) {
        accesses_ = 0;
        limit_ = accesses;
        what_ = what;
    }
    uint64_t accesses() const { return accesses_; }

  private:
    void Count() {
        if (++accesses_ > limit_) {
            std::fprintf(stderr, "%s ran past %llu port accesses\n", what_,
                         static_cast<unsigned long long>(limit_));
            std::abort();
        }
    }
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t next_ = 0;
    uint8_t tail_ = 0xFF;
    uint64_t accesses_ = 0;
    uint64_t limit_ = UINT64_MAX;
    const char* what_ = "";
};

// Bounds, in port accesses. The longest clean cycle sequences run over SPP;
// each unit below holds its work several times over.
constexpr uint64_t kDetect = 200'000;       // both probes and the three identifications
constexpr uint64_t kBank = 4'000'000;       // one bank written, every page retry used up
constexpr uint64_t kVerify = 150'000;       // one bank read back
constexpr uint64_t kLongPoll = 32'000'000;  // the one poll that may run to its own bound
constexpr uint64_t kSramBank = 120'000;     // enable, bank select, 8 KiB
constexpr uint64_t kPerAnswer = 256;        // what one answer of the card may prolong
constexpr uint64_t kScanPage = 2'000;       // one 256-byte page of a header read

// The two images, loaded once as a front end loads them for the send job.
const SendImage& Image(bool large) {
    static const std::array<SendImage, 2> images = [] {
        std::array<SendImage, 2> loaded;
        for (size_t i = 0; i < loaded.size(); ++i) {
            const std::string path = fuzz::ScratchPath(i ? "-64k.gb" : "-32k.gb");
            std::vector<uint8_t> image(static_cast<size_t>(0x8000) << i);
            for (size_t j = 0; j < image.size(); ++j)
                image[j] = static_cast<uint8_t>(j * 7 + j / 251);
            fuzz::WriteScratch(path, image.data(), image.size());
            loaded[i] = LoadSendImage(path);
        }
        return loaded;
    }();
    return images[large ? 1 : 0];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static HostilePort* port = new HostilePort;
    static ListPortSource ports{{0x378}};
    static CountingClock clock;
    static NullMessageSink warnings;
    port->Limit(UINT64_MAX, "construction");
    port->Answer(nullptr, 0, 0xFF);
    static CardLink* link = new CardLink(*port, ports, clock, warnings);

    const int entry = data[0] & 7;
    const int bank = (data[0] >> 3) & 15;
    const FlashType chips[4] = {Flash4M, Flash16M, Flash64M, Flash4M};
    const FlashChipSpec& chip = ChipSpec(chips[data[1] & 3]);
    const bool spp = data[1] & 4;
    const bool deepVerify = data[1] & 8;
    const bool large = data[1] & 0x80;
    const uint8_t modes[4] = {TransferAuto, TransferSpp, TransferEpp, TransferEpp};
    const uint64_t answers = (size - 2) * kPerAnswer;

    link->SetTransferMode(modes[(data[1] >> 5) & 3]);
    JobMonitor monitor;
    const SendImage& image = Image(large);
    port->Answer(data + 2, size - 2, (data[1] & 0x10) ? 0x00 : 0xFF);

    const int banks = large ? 4 : 2;
    const uint64_t job = banks * (kBank + (deepVerify ? kVerify : 0)) + kLongPoll;
    static std::vector<uint8_t> source(kRomBankSize, 0x5A);
    static std::vector<uint8_t> sram(kSramBankSize);
    switch (entry) {
        case 0: {
            port->Limit(kDetect + answers, "DetectCard");
            const Detection found = link->DetectCard(&monitor);
            fuzz::Check(found.result == 0 || !found.text.empty(), "detection says why");
            break;
        }
        case 1: {
            port->Limit(kDetect + answers, "OpenCard");
            const Detection found = link->OpenCard();
            fuzz::Check(
                found.result == -1 || found.card.saveBanks() == 4 || found.card.saveBanks() == 16,
                "an opened card has its save banks");
            break;
        }
        case 2: {
            port->Limit(kDetect + job + answers, "SendJob");
            const SendResult sent = link->SendJob(image, {deepVerify}, &monitor);
            if (sent.result != 0) fuzz::Check(!sent.text.empty(), "a failed job says why");
            break;
        }
        case 3: {
            link->bus().SetSpp(spp);
            port->Limit(job + answers, "the programmer");
            FlashSession session{link->bus(), warnings, &monitor};
            const ChipProgrammer& programmer = chip.programmer();
            bool ok = chip.typicalChipEraseMs == 0 || programmer.EraseChip(session) == 0;
            for (int b = 0; ok && b < banks; ++b) {
                const uint8_t* bytes = image.image.data() + b * kRomBankSize;
                ok = programmer.WriteBank(session, b, bytes) == 0 &&
                     (!deepVerify || VerifyBank(link->bus(), b, bytes) == 0);
            }
            link->ReleaseCard();
            break;
        }
        case 4:
            link->bus().SetSpp(spp);
            port->Limit(kVerify + answers, "VerifyBank");
            link->VerifyBank(bank, source.data());
            break;
        case 5:
            link->bus().SetSpp(spp);
            port->Limit(kSramBank + answers, "ReadSramBank");
            link->ReadSramBank(bank, sram.data());
            break;
        case 6:
            link->bus().SetSpp(spp);
            port->Limit(kSramBank + answers, "WriteSramBank");
            link->WriteSramBank(bank, sram.data());
            break;
        default: {
            // Detection, then two pages per game over at most the whole card.
            const uint64_t pages = 2 * (0x800000 / 0x4000);
            port->Limit(kDetect + pages * kScanPage + answers, "ScanPack");
            const PackScan scan = ScanPack(*link);
            fuzz::Check(scan.names.size() <= kSramImageSize / kSramBankSize,
                        "a name per save slot at most");
            if (!scan.ok) fuzz::Check(!scan.text.empty(), "a failed scan says why");
            break;
        }
    }
    const int8_t progress = monitor.percent;
    fuzz::Check(progress >= 0 && progress <= 100, "progress within 0..100");
    port->Limit(UINT64_MAX, "between inputs");
    return 0;
}

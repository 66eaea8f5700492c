// Every card entry point against a card that answers with arbitrary bytes: the
// port hands out the input's bytes for every read (status, data,
// identification, polls) and then a constant tail, so no loop of the protocol
// may rely on the card to end it. Each call must stay within a bound of port
// accesses proportional to its work; running past it is a finding.
//   byte 0  bits 0..2  entry: DetectCard, OpenCard, SendJob, SendRomFile on the
//                      chosen chip, VerifyBank, ReadSramBank, WriteSramBank,
//                      ScanPack
//           bits 3..6  bank for VerifyBank and the save-RAM transfers
//   byte 1  bits 0..1  chip for SendRomFile (4M, 16M, 64M; 3 is 4M again)
//           bit 2      SPP (else EPP) for the entries that skip detection
//           bit 3      Deep Verify
//           bit 4      tail value 0x00 (else 0xFF, a floating bus)
//           bits 5..6  transferMode for detection (3 is EPP again)
//           bit 7      a 64 KiB image (else 32 KiB)
//   the rest           the bytes the card returns, in order
#include <cstdint>
#include <cstdio>
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

const std::string& ImagePath(bool large) {
    static const std::string paths[2] = {fuzz::ScratchPath("-32k.gb"),
                                         fuzz::ScratchPath("-64k.gb")};
    static bool written = false;
    if (!written) {
        for (int i = 0; i < 2; ++i) {
            std::vector<uint8_t> image(static_cast<size_t>(0x8000) << i);
            for (size_t j = 0; j < image.size(); ++j)
                image[j] = static_cast<uint8_t>(j * 7 + j / 251);
            fuzz::WriteScratch(paths[i], image.data(), image.size());
        }
        written = true;
    }
    return paths[large ? 1 : 0];
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
    const uint8_t chips[4] = {Flash4M, Flash16M, Flash64M, Flash4M};
    const uint8_t chip = chips[data[1] & 3];
    const bool spp = data[1] & 4;
    const bool large = data[1] & 0x80;
    const uint8_t modes[4] = {TransferAuto, TransferSpp, TransferEpp, TransferEpp};
    const uint64_t answers = (size - 2) * kPerAnswer;

    link->deepVerify = data[1] & 8;
    link->transferMode = modes[(data[1] >> 5) & 3];
    link->messageText.clear();
    link->cancelRequested = false;
    const std::string& path = ImagePath(large);
    port->Answer(data + 2, size - 2, (data[1] & 0x10) ? 0x00 : 0xFF);

    const uint64_t banks = large ? 4 : 2;
    const uint64_t job = banks * (kBank + (link->deepVerify ? kVerify : 0)) + kLongPoll;
    static std::vector<uint8_t> source(kRomBankSize, 0x5A);
    switch (entry) {
        case 0:
            port->Limit(kDetect + answers, "DetectCard");
            fuzz::Check(link->DetectCard() == 0 || !link->messageText.empty(),
                        "detection says why");
            break;
        case 1: {
            port->Limit(kDetect + answers, "OpenCard");
            const int r = link->OpenCard();
            fuzz::Check(r == -1 || r == 4 || r == 16, "OpenCard gives a bank count");
            break;
        }
        case 2: {
            port->Limit(kDetect + job + answers, "SendJob");
            if (link->SendJob(path) != 0)
                fuzz::Check(!link->messageText.empty(), "a failed job says why");
            break;
        }
        case 3:
            link->flashType = chip;
            link->capacity = chip == Flash4M ? 0x80000 : chip == Flash16M ? 0x200000 : 0x800000;
            link->sppMode = spp;
            port->Limit(job + answers, "SendRomFile");
            if (link->SendRomFile(path) != 0)
                fuzz::Check(!link->messageText.empty(), "a failed send says why");
            link->ReleaseCard();
            break;
        case 4:
            link->sppMode = spp;
            link->bankSource = source.data();
            port->Limit(kVerify + answers, "VerifyBank");
            link->VerifyBank(bank);
            break;
        case 5:
            link->sppMode = spp;
            port->Limit(kSramBank + answers, "ReadSramBank");
            link->ReadSramBank(bank);
            break;
        case 6:
            link->sppMode = spp;
            port->Limit(kSramBank + answers, "WriteSramBank");
            link->WriteSramBank(bank);
            break;
        default: {
            // Detection, then two pages per game over at most the whole card.
            const uint64_t pages = 2 * (0x800000 / 0x4000);
            port->Limit(kDetect + pages * kScanPage + answers, "ScanPack");
            const bool ok = ScanPack(*link);
            fuzz::Check(link->slotNameCount <= link->slotNames.size(),
                        "slot count within the table");
            if (!ok) fuzz::Check(!link->messageText.empty(), "a failed scan says why");
            break;
        }
    }
    const int8_t progress = link->progressPercent;
    fuzz::Check(progress >= 0 && progress <= 100, "progress within 0..100");
    fuzz::Check(link->bankSource == nullptr || entry == 4, "no pointer into a released image");
    link->bankSource = nullptr;
    port->Limit(UINT64_MAX, "between inputs");
    return 0;
}

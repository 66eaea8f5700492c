#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/message_sink.h"
#include "link/card_bus.h"
#include "link/chip_programmer.h"
#include "link/flash_chips.h"
#include "link/job_monitor.h"
#include "link/link_clock.h"
#include "link/port_io.h"
#include "link/port_source.h"
#include "rom/rom_image.h"

namespace zorvex {

inline constexpr int kSramImageSize = 0x20000;  // 16 banks of 8 KiB
inline constexpr int kSramBankSize = 0x2000;

// A card found by detection: where, how it is driven, and its chip.
struct CardInfo {
    int port = 0;  // LPT number
    uint16_t base = 0;
    bool spp = false;
    FlashType chip = FlashNone;

    const FlashChipSpec* chipSpec() const { return FindFlashChip(chip); }
    // Of the chip; before a chip is known, the largest card's capacity.
    int32_t capacity() const;
    int saveBanks() const;  // 0 before a chip is known
    // "LPT1 (EPP, 16M)", as messages name the card.
    std::string Text() const;
};

// What DetectCard and OpenCard found. On success the card is left engaged
// for the caller, who releases it.
struct Detection {
    int result = -1;   // 0 found, -1 failed
    std::string text;  // why it failed
    CardInfo card;
    // What each chip row's identification read, in table order.
    std::array<IdReads, std::size(kFlashChips)> idReads{};
};

// What an image asks of the card beyond its own length, for the check before
// anything is erased: the save banks a pack's games use (-1: not counted, a
// single game), and the name the messages give it (empty: the image's header
// title, else its file name).
struct SendNeeds {
    std::string name;
    int saveBanks = -1;
};

// An image for the send job, loaded once by whoever starts the job.
struct SendImage {
    RomImage image;         // as the file holds it, unpadded; empty when loading failed
    int32_t length = 0;     // the file's own length
    std::string loadError;  // the loader's text when loading failed
    std::string name;       // what the messages call it
    int saveBanks = -1;     // SendNeeds::saveBanks
};

// Loads `path` (a plain image or a zip member) for SendJob. A failure is
// kept in loadError and reported by the job, after detection, as it always
// was.
SendImage LoadSendImage(const std::string& path, const SendNeeds& needs = {});

struct SendOptions {
    bool deepVerify = false;
    // Read the card first and leave alone what it already holds: banks
    // (64M: whole erase blocks) that match the image are neither erased nor
    // written, erased flash is not erased again, and blank program units are
    // not programmed into freshly erased flash.
    bool skipUnchanged = false;
};

// What a send job did, for the line that reports it afterwards. Filled as far
// as the job got.
struct SendReport {
    std::string name;            // the game's title, or SendNeeds::name
    std::string card;            // "LPT1 (EPP, 16M)", once detected
    int64_t bytes = 0;           // what is written to the card
    bool verified = false;       // every bank was read back and matched
    bool cardChanged = false;    // the flash was erased or written: the old game is gone
    bool writeComplete = false;  // every bank was written
    bool compared = false;       // the card was read first (skip unchanged)
    int banks = 0;               // of the image
    int banksUnchanged = 0;      // that the card already held, with compared
};

struct SendResult {
    int result = -1;   // 0 ok, -1 failed
    std::string text;  // why it failed, for the "Error" box
    SendReport report;
};

// "12 of 128 banks written, 116 unchanged", for a send that compared first.
std::string UnchangedBanksText(const SendReport& report);

// The name messages and result lines give an image: its header title, or its
// file's name when the title is empty.
std::string GameName(const RomImage& image, const std::string& path);

// The line that says what a send job did, for the owner to read afterwards:
// "DEMO 1 MIB written and verified on LPT1 (EPP, 16M) in 42 s" (the game's
// title, the card, the time), or how it failed and what the card holds now.
std::string SendResultText(const SendResult& job, double seconds);

// The card driver of one run: the machine's parallel ports, the owner's
// choice among them and of the transfer mode, the bus to the selected port,
// and the jobs a front end runs on the card. Exactly one exists per run; it
// is fully built (ports discovered, port 1 selected) before anything else
// uses it.
//
// Jobs take what they work on as arguments and return what they did; a
// running job is watched and cancelled through the JobMonitor passed in. The
// protocol's "Warning" boxes go to the sink given at construction.
class CardLink {
  public:
    CardLink(PortCycles& io, const PortSource& ports, LinkClock& clock, MessageSink& warnings);
    virtual ~CardLink();
    CardLink(const CardLink&) = delete;
    CardLink& operator=(const CardLink&) = delete;

    // --- The machine's ports and the owner's choice ------------------------------
    int PortCount() const { return portCount_; }
    // The I/O base of LPTn; 0 for a number without a port.
    uint16_t PortBase(int n) const;
    // The choice as stored with the settings: 0, detection looks at every
    // port and uses the first with a card; n, LPTn only (LPT1 when there is
    // no such port).
    void ChoosePort(int n);
    // The "all ports" choice from the menu: the selected port stays selected.
    void ScanAllPorts() { scanAllPorts_ = true; }
    int ChosenPort() const { return scanAllPorts_ ? 0 : portIndex_; }
    void SetTransferMode(uint8_t mode) { transferMode_ = mode; }
    uint8_t TransferMode() const { return transferMode_; }

    // --- Jobs ----------------------------------------------------------------------
    Detection DetectCard(JobMonitor* monitor = nullptr);
    // Detection, for save RAM: the card's save banks follow from its chip.
    Detection OpenCard() { return DetectCard(); }
    SendResult SendJob(const SendImage& image, const SendOptions& options,
                       JobMonitor* monitor = nullptr);
    // The dump: `pageCount` 256-byte pages of ROM bank `bank` into `buffer`.
    void ReadRomPages(int bank, uint8_t* buffer, int pageCount);
    // Save RAM, one 8 KiB bank: into `bytes`, or from it.
    void ReadSramBank(int bank, uint8_t* bytes);
    void WriteSramBank(int bank, const uint8_t* bytes);
    void ReleaseCard();

    // Programming steps on the card the last detection found, for the tests
    // and benchmarks that drive them one by one.
    const CardInfo& card() const { return card_; }
    uint8_t EraseChip(JobMonitor* monitor = nullptr);
    uint8_t WriteBank(int bank, const uint8_t* bytes, JobMonitor* monitor = nullptr,
                      const BankWrite& how = {});
    uint8_t VerifyBank(int bank, const uint8_t* bytes, std::string* error = nullptr);

    // The wire, for diagnostics that drive it themselves (the detection
    // report) and for bracketing several jobs as one operation.
    CardBus& bus() { return bus_; }
    // Why the selected port could not be used in the last operation.
    std::string PortProblem() const { return bus_.PortProblem(); }
    LinkClock& clock() { return bus_.clock(); }

  private:
    void DiscoverPorts();
    void SelectPort(int n);
    int Settle();  // ChooseTransferMode on the selected port
    int PortNumber() const;

    CardBus bus_;
    const PortSource& ports_;
    MessageSink& warnings_;
    std::array<uint16_t, 9> portTable_{};  // base of LPTn at [n]; [0] unused
    int portCount_ = 0;
    int portIndex_ = 0;  // LPT number of the selected port; 0 = the "all ports" choice
    bool scanAllPorts_ = true;
    uint8_t transferMode_ = TransferAuto;
    CardInfo card_;  // the last detection's
};

}  // namespace zorvex

#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "common/message_sink.h"
#include "common/transfer_meter.h"
#include "link/flash_chips.h"
#include "link/link_clock.h"
#include "link/port_io.h"
#include "link/port_source.h"
#include "rom/rom_image.h"

namespace zorvex {

enum TransferMode : uint8_t { TransferAuto = 0, TransferSpp = 1, TransferEpp = 2 };

inline constexpr int kSramImageSize = 0x20000;  // 16 banks of 8 KiB
inline constexpr int kSramBankSize = 0x2000;
inline constexpr int kRomBankSize = 0x4000;

// What an image asks of the card beyond its own length, for the check before
// anything is erased: the save banks a pack's games use (-1: not counted, a
// single game), and the name the messages give it (empty: the image's header
// title, else its file name).
struct SendNeeds {
    std::string name;
    int saveBanks = -1;
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
};

// The name messages and result lines give an image: its header title, or its
// file's name when the title is empty.
std::string GameName(const RomImage& image, const std::string& path);

// The line that says what a send job did, for the owner to read afterwards:
// "DEMO 1 MIB written and verified on LPT1 (EPP, 16M) in 42 s" (the game's
// title, the card, the time), or how it
// failed and what the card holds now. `result` and `messageText` are the job's.
std::string SendResultText(const SendReport& report, int result, const std::string& messageText,
                           double seconds);

// The phase of a running send job, for the progress display.
enum class JobPhase : uint8_t { Idle, Erase, Write, Verify };

// The card driver: the selected parallel port, the register protocol of the
// Ombra Card, its flash chips and save RAM, and the values through which a job
// talks to the user interface. Exactly one exists per run; it is fully built
// (ports discovered, port 1 selected) before anything else uses it.
//
// Threads: a transfer job runs on the worker thread while the UI thread only
// reads progressPercent and writes cancelRequested. messageText is written by
// the card operation and read by whoever started it, after it returned.
class CardLink {
  public:
    // `warnings` receives the "Warning" boxes raised inside the flash protocol.
    CardLink(PortCycles& io, const PortSource& ports, LinkClock& clock, MessageSink& warnings);
    virtual ~CardLink();
    CardLink(const CardLink&) = delete;
    CardLink& operator=(const CardLink&) = delete;

    // --- Fields, in the order the protocol documents them -------------------
    uint8_t currentPortIndex = 0;  // LPT number of the selected port; 0 = "all ports" choice
    uint16_t currentPortBase = 0;
    int32_t portCount = 0;
    std::array<uint16_t, 9> portTable{};  // base of LPTn at [n]; [0] unused
    std::array<uint8_t, kSramImageSize> sramImage{};
    std::array<std::array<char, 17>, 16> slotNames{};
    uint8_t slotNameCount = 0;
    uint32_t pollCountdown = 0;
    uint8_t flashType = FlashNone;
    bool deepVerify = false;
    uint32_t dataPort = 0;
    uint32_t statusPort = 0;
    uint32_t controlPort = 0;
    uint32_t eppAddressPort = 0;
    uint32_t eppDataPort = 0;
    int32_t capacity = ChipSpec(Flash64M).capacity;  // the largest card until one is detected
    bool sppMode = false;
    const uint8_t* bankSource = nullptr;
    std::array<uint8_t, 64> cfiQuery{};
    // The id bytes the last IdentifyFlash read for the two JEDEC families, for
    // diagnostics; the second byte is read only when the first matched.
    struct JedecIdReads {
        int count = 0;
        std::array<uint8_t, 2> bytes{};
    };
    JedecIdReads idReads4M, idReads16M;
    std::string messageText;
    std::atomic<int8_t> progressPercent{0};
    std::atomic<bool> cancelRequested{false};
    // Where a send job stands, beside progressPercent and with the same
    // discipline: written by the job, read by the user interface.
    std::atomic<JobPhase> jobPhase{JobPhase::Idle};
    std::atomic<int32_t> jobBank{0};
    std::atomic<int32_t> jobBanks{0};
    std::atomic<uint32_t> eraseWaitedMs{0};  // waited so far in the current chip erase
    bool scanAllPorts = true;
    uint8_t transferMode = TransferAuto;

    // --- Port discovery and port access layer -------------------------------
    void DiscoverPorts();
    void SelectRegister(uint8_t reg);
    void WriteRegister(uint8_t reg, uint8_t value);
    void WriteData(uint8_t value);
    uint8_t ReadData();
    // `count` WriteData / ReadData calls in a row; over EPP one run of data
    // cycles through the port's block operations.
    void WriteDataRun(const uint8_t* values, int count);
    void ReadDataRun(uint8_t* values, int count);
    // Reads up to `count` bytes, stopping at the first that differs from
    // `expected`: its index, or -1 when all matched.
    int CompareDataRun(const uint8_t* expected, int count);
    void EngageCard();
    void ReleaseCard();
    int ProbeLink();           // 0 ok, 1 fail
    int ChooseTransferMode();  // 0 ok, 1 fail
    void SelectPort(int n);
    void SetControl(uint8_t value);  // controlPort <- value

    // --- Card command set ---------------------------------------------------
    void SetBusAddress(uint16_t address);
    void BusWrite(uint16_t address, uint8_t value);
    void WriteHere(uint8_t value);
    uint8_t ReadHere();
    void FlashWriteCycle(uint8_t value);
    void DirectCommand(uint16_t address, uint8_t value);
    void BankedCommand(uint32_t linear, uint8_t value);
    void DoubledCommand(uint32_t word, uint8_t value);
    void LinearCommand(uint32_t linear, uint8_t value);
    int IdentifyFlash();      // 0 identified (flashType set), 1 nothing answered
    int TogglePoll();         // 0 done, 1 timed out
    uint8_t StatusPoll16M();  // 0 ready; 0xFF erase, 0xFE program failure; 0xFD no answer
    uint8_t WaitReady64M();   // 0 or 0xFF
    uint8_t ReadStatus64M();
    void Reset16M();
    uint8_t EraseBlock64M(uint32_t linear);
    uint8_t EraseChip();

    // --- Flash programming and verification ---------------------------------
    uint8_t WriteBank(int bank);   // 0 or 0xFF
    uint8_t VerifyBank(int bank);  // 0 or 0xFF ("error at %lx!" in messageText)

    // --- Save RAM -------------------------------------------------------------
    void EnableSram();
    void SelectRamBank(uint8_t bank);
    void ReadSramBank(int bank);
    void WriteSramBank(int bank);

    // --- Entry points ---------------------------------------------------------
    int DetectCard();  // 0 found, -1 failed
    int OpenCard();    // -1 failed, else the chip's save banks (4 or 16)
    // 0 ok, -1 failed. `report`, when given, receives what the job did.
    int SendJob(const std::string& path, const SendNeeds& needs = {}, SendReport* report = nullptr);
    int SendRomFile(const std::string& path, const SendNeeds& needs = {},
                    SendReport* report = nullptr);
    // The running send job as the progress displays show it.
    TransferProgress JobProgress() const;
    // The detected card for messages: "LPT1 (EPP, 16M)".
    std::string CardText() const;
    void ReadRomPages(int bank, uint8_t* buffer, int pageCount);

    // The one ROM loader, leaving its failure text in messageText.
    RomImage LoadRomImage(const std::string& path, int32_t& length, unsigned options);

    // Shows a protocol "Warning" box.
    void Warn(const std::string& text);

    // --- Operation bracket ------------------------------------------------------
    // One card operation, from taking the port to giving it back. Brackets
    // nest; the port is taken at the outermost Begin and given back at its End,
    // and a SelectPort inside an operation moves the claim to the new port.
    // The entry points above bracket themselves; a caller that runs several of
    // them as one operation (open the card, then move save RAM) brackets the
    // whole with CardOperation so the port is held once.
    void BeginOperation();
    void EndOperation();
    // Why the selected port could not be used in the last operation (empty
    // when it could), for the second line of a detection failure.
    std::string PortProblem() const;

    LinkClock& clock() { return clock_; }
    PortCycles& io() { return io_; }

  private:
    void ClaimSelectedPort();
    void ReleaseClaimedPort();

    PortCycles& io_;
    const PortSource& ports_;
    LinkClock& clock_;
    MessageSink& warnings_;
    int operationDepth_ = 0;
    uint16_t claimedBase_ = 0;  // the port inside the current bracket, 0 = none
};

// Brackets one card operation for the lifetime of the object.
class CardOperation {
  public:
    explicit CardOperation(CardLink& link) : link_(link) { link_.BeginOperation(); }
    ~CardOperation() { link_.EndOperation(); }
    CardOperation(const CardOperation&) = delete;
    CardOperation& operator=(const CardOperation&) = delete;

  private:
    CardLink& link_;
};

}  // namespace zorvex

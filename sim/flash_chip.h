#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace zorvex::sim {

// The simulator's own model of the three flash chips an Ombra Card can carry.
// The driver keeps its own table of what it expects (link/flash_chips.h) and
// never reads this one: the model stands for the hardware, so a wrong fact on
// either side shows up as a failing test instead of being shared by both.
struct ChipInfo {
    uint8_t code = 0;          // chip size in Mbit, as card.ini and the tests name it
    const char* name = "";     // "4M", "16M", "64M" (the chip= value of card.ini)
    uint32_t capacity = 0;     // flash bytes
    int saveBanks = 0;         // 8 KiB save-RAM banks on a card with this chip
    uint8_t manufacturer = 0;  // identification bytes the chip answers
    uint8_t device = 0;
};

inline constexpr ChipInfo kSimulatedChips[] = {
    {4, "4M", 0x80000, 4, 0xDA, 0x46},
    {16, "16M", 0x200000, 16, 0xC2, 0xF1},
    {64, "64M", 0x800000, 16, 0x89, 0x15},
};

// nullptr for an unknown code.
const ChipInfo* FindChip(uint8_t code);
// Accepts "4M"/"16M"/"64M" and "4"/"16"/"64" (any case); nullptr otherwise.
const ChipInfo* FindChipByName(const char* name);

// Test seam through which the fault injector bends a chip's behaviour. A chip
// without hooks takes none of these calls (the fast read path stays a plain
// array load).
class ChipHooks {
  public:
    virtual ~ChipHooks() = default;
    // A read of the memory array; returns the value the bus shows.
    virtual uint8_t OnArrayRead(uint32_t linear, uint8_t value) = 0;
    // A write cycle about to reach the chip; false drops it.
    virtual bool OnFlashWrite(uint32_t linear, uint8_t value) = 0;
    // An embedded program or erase starts at linear; true makes it fail.
    virtual bool FailProgram(uint32_t linear) = 0;
    virtual bool FailErase(uint32_t linear) = 0;
    // True keeps a busy chip busy for this read.
    virtual bool HoldBusy() = 0;
    // -1, or the value every status read returns instead of the real status.
    virtual int StatusOverride() = 0;
};

// How long embedded operations take on a chip family: typical datasheet
// figures, measured against the simulated time (port accesses and the link's
// waits), so a poll that gives up early meets a busy chip.
struct BusyTimes {
    uint32_t programNanosPerByte = 0;  // page or write-buffer program, per byte programmed
    uint64_t eraseMicros = 0;          // one erase: the whole chip (4M, 16M), a block (64M)
};

// A fixed number of reads that observe each operation busy, instead of the
// datasheet times: for tests that count the accesses of a poll exactly.
struct BusyReads {
    uint32_t program = 1;     // one page or write-buffer program
    uint32_t blockErase = 3;  // one 128 KiB block (64M)
    uint32_t chipErase = 8;   // the whole chip (4M, 16M)
};

// A NOR flash chip: a state machine driven by the write cycles it receives.
// Programming only clears bits; erased bytes read 0xFF. Addresses are linear
// byte offsets into the chip; the cartridge wraps them to the chip size.
class FlashChip {
  public:
    FlashChip(const ChipInfo& info, BusyTimes times);
    virtual ~FlashChip();
    FlashChip(const FlashChip&) = delete;
    FlashChip& operator=(const FlashChip&) = delete;

    const ChipInfo& info() const { return info_; }
    uint32_t size() const { return static_cast<uint32_t>(data_.size()); }

    // One bus read. In read-array mode without hooks this is a plain load.
    uint8_t Read(uint32_t linear) {
        linear &= mask_;
        if (fast_) return data_[linear];
        return ReadSlow(linear);
    }
    // One write cycle (a flash write of the card).
    void Write(uint32_t linear, uint8_t value) {
        linear &= mask_;
        if (hooks_ && !hooks_->OnFlashWrite(linear, value)) return;
        WriteCycle(linear, value);
    }

    // Back to read-array mode with no operation running (power cycle).
    virtual void PowerOn();

    // The array as stored, bypassing the state machine. Writable access counts
    // as a change.
    std::span<uint8_t> contents() {
        dirty_ = true;
        return data_;
    }
    std::span<const uint8_t> contents() const { return data_; }
    void Fill(uint8_t value);

    bool busy() const;
    bool inArrayMode() const { return arrayMode_; }
    // Counts busy time in reads from now on (see BusyReads).
    void SetBusyReads(BusyReads busy) {
        busyReads_ = busy;
        countReads_ = true;
    }
    const BusyReads& busyReads() const { return busyReads_; }
    const BusyTimes& busyTimes() const { return busyTimes_; }
    void SetHooks(ChipHooks* hooks) {
        hooks_ = hooks;
        UpdateFast();
    }

    // Changed since the last ClearDirty (persistence writes only changed cards).
    bool dirty() const { return dirty_; }
    void ClearDirty() { dirty_ = false; }

    // What the chip has done, for tests and benchmarks.
    struct Stats {
        uint64_t programs = 0;     // pages or buffers programmed
        uint64_t blockErases = 0;  // 64M blocks erased
        uint64_t chipErases = 0;
        uint64_t statusReads = 0;            // reads answered with status, toggle or XSR
        std::vector<uint32_t> erasedBlocks;  // linear start of every erased 64M block
    };
    const Stats& stats() const { return stats_; }
    void ResetStats() { stats_ = Stats{}; }

  protected:
    virtual uint8_t ReadSlow(uint32_t linear) = 0;
    virtual void WriteCycle(uint32_t linear, uint8_t value) = 0;

    void SetArrayMode(bool on) {
        arrayMode_ = on;
        UpdateFast();
    }
    enum class Operation : uint8_t { Program, BlockErase, ChipErase };
    // Starts an embedded operation: `bytes` bytes programmed, or an erase.
    void StartBusy(Operation operation, uint32_t bytes = 0);
    // One read while an operation may run; true when that read saw the chip busy.
    bool ObserveBusy();
    uint8_t ArrayRead(uint32_t linear) {
        const uint8_t v = data_[linear];
        return hooks_ ? hooks_->OnArrayRead(linear, v) : v;
    }
    // NOR programming: only clears bits. False when a bit would have to rise.
    bool Program(uint32_t linear, uint8_t value) {
        uint8_t& cell = data_[linear];
        const uint8_t result = static_cast<uint8_t>(cell & value);
        cell = result;
        dirty_ = true;
        return result == value;
    }
    void EraseRange(uint32_t start, uint32_t length);
    bool HookFailProgram(uint32_t linear) { return hooks_ && hooks_->FailProgram(linear); }
    bool HookFailErase(uint32_t linear) { return hooks_ && hooks_->FailErase(linear); }
    uint8_t StatusValue(uint8_t real) {
        ++stats_.statusReads;
        if (hooks_) {
            const int forced = hooks_->StatusOverride();
            if (forced >= 0) return static_cast<uint8_t>(forced);
        }
        return real;
    }

    BusyReads busyReads_;
    BusyTimes busyTimes_;
    Stats stats_;

  private:
    // Chips leave read-array mode while an operation runs, so a fast read never
    // misses a busy chip.
    void UpdateFast() { fast_ = arrayMode_ && hooks_ == nullptr; }

    const ChipInfo& info_;
    std::vector<uint8_t> data_;
    uint32_t mask_;
    ChipHooks* hooks_ = nullptr;
    uint32_t busy_ = 0;       // reads still to see busy, when counting reads
    uint64_t busyUntil_ = 0;  // simulated time the operation ends, otherwise
    bool running_ = false;    // an operation was started and not yet seen to end
    bool countReads_ = false;
    bool arrayMode_ = true;
    bool fast_ = true;
    bool dirty_ = false;
};

// The chip for a code from kSimulatedChips; nullptr for an unknown code.
std::unique_ptr<FlashChip> MakeFlashChip(uint8_t code);

}  // namespace zorvex::sim

#include "sim/flash_64m.h"

namespace zorvex::sim {

namespace {
constexpr uint8_t kReady = 0x80;
constexpr uint8_t kEraseError = 0x20;
constexpr uint8_t kProgramError = 0x10;
constexpr uint8_t kSequenceError = kEraseError | kProgramError;

// The Intel command bytes this part decodes (the driver has its own names).
enum Command : uint8_t {
    ReadArray = 0xFF,
    ReadStatus = 0x70,
    ClearStatus = 0x50,
    ReadIdentifier = 0x90,
    CfiQuery = 0x98,
    WriteToBuffer = 0xE8,
    BlockErase = 0x20,
    Confirm = 0xD0,  // ends a buffer load or a block erase setup
};
}  // namespace

// A full 32-byte write buffer programs at 6 us per byte; a 128 KiB block
// erases in 1 s (typical figures of this family).
constexpr BusyTimes kBusyTimes64M{6000, 1000000};

Flash64MChip::Flash64MChip() : FlashChip(*FindChip(64), kBusyTimes64M) {
    const uint8_t table[] = {
        // 0x00: identifier words, filled in below from the chip's ids
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        // 0x10: "QRY", command set 0x0001, extended table at 0x31, no alternate
        'Q', 'R', 'Y', 0x01, 0x00, 0x31, 0x00, 0x00, 0x00, 0x00, 0x00,
        // 0x1B: supply voltages, then typical/maximum times
        0x27, 0x36, 0x00, 0x00, 0x08, 0x08, 0x0A, 0x00, 0x04, 0x04, 0x04, 0x00,
        // 0x27: 2^23 bytes, x8/x16, 2^5-byte write buffer, one region of
        // 64 blocks of 0x200 × 256 bytes
        0x17, 0x02, 0x00, 0x05, 0x00, 0x01, 0x3F, 0x00, 0x00, 0x02,
        // 0x31: extended table
        'P', 'R', 'I', 0x31, 0x31};
    static_assert(sizeof(table) <= 64);
    for (size_t i = 0; i < sizeof(table); ++i) cfi_[i] = table[i];
    // This part shows its identifier words in query mode too.
    cfi_[0] = info().manufacturer;
    cfi_[1] = info().device;
}

void Flash64MChip::PowerOn() {
    FlashChip::PowerOn();
    readMode_ = ReadMode::Array;
    pending_ = Pending::None;
    status_ = 0;
}

void Flash64MChip::SetReadMode(ReadMode mode) {
    readMode_ = mode;
    SetArrayMode(mode == ReadMode::Array && !busy());
}

void Flash64MChip::WriteCycle(uint32_t linear, uint8_t value) {
    switch (pending_) {
        case Pending::BufferCount:
            if (value == WriteToBuffer) {  // asked again while the buffer was not free
                SetReadMode(ReadMode::ExtendedStatus);
                return;
            }
            if (busy() || value >= kBufferSize) {
                status_ |= kSequenceError;
                pending_ = Pending::None;
                SetReadMode(ReadMode::Status);
                return;
            }
            bufferCount_ = value + 1u;
            bufferLoaded_ = 0;
            pending_ = Pending::BufferData;
            return;
        case Pending::BufferData:
            bufferAddress_[bufferLoaded_] = linear;
            bufferData_[bufferLoaded_] = value;
            if (++bufferLoaded_ == bufferCount_) pending_ = Pending::BufferConfirm;
            return;
        case Pending::BufferConfirm:
            pending_ = Pending::None;
            if (value == Confirm) {
                ProgramBuffer();
            } else {
                status_ |= kSequenceError;
                SetReadMode(ReadMode::Status);
            }
            return;
        case Pending::EraseConfirm:
            pending_ = Pending::None;
            if (value == Confirm) {
                EraseBlock(eraseAddress_);
            } else {
                status_ |= kSequenceError;
                SetReadMode(ReadMode::Status);
            }
            return;
        case Pending::None:
            Command(linear, value);
            return;
    }
}

void Flash64MChip::Command(uint32_t linear, uint8_t value) {
    if (busy()) {
        // A running operation accepts only the status read and a new
        // write-to-buffer request (answered through the extended status).
        if (value == ReadStatus) SetReadMode(ReadMode::Status);
        if (value == WriteToBuffer) {
            pending_ = Pending::BufferCount;
            SetReadMode(ReadMode::ExtendedStatus);
        }
        return;
    }
    switch (value) {
        case ReadStatus:
            SetReadMode(ReadMode::Status);
            break;
        case ClearStatus:
            status_ = 0;
            break;
        case ReadIdentifier:
            SetReadMode(ReadMode::Identifier);
            break;
        case CfiQuery:
            SetReadMode(ReadMode::Query);
            break;
        case WriteToBuffer:
            pending_ = Pending::BufferCount;
            SetReadMode(ReadMode::ExtendedStatus);
            break;
        case BlockErase:
            pending_ = Pending::EraseConfirm;
            eraseAddress_ = linear;
            SetReadMode(ReadMode::Status);
            break;
        default:  // ReadArray and every command this part does not know
            SetReadMode(ReadMode::Array);
            break;
    }
}

void Flash64MChip::ProgramBuffer() {
    ++stats_.programs;
    const uint32_t window = bufferAddress_[0] & ~(kBufferSize - 1);
    bool ok = !HookFailProgram(window);
    for (uint32_t i = 0; ok && i < bufferLoaded_; ++i) {
        // All bytes of one buffer must lie in one aligned 32-byte window.
        if ((bufferAddress_[i] & ~(kBufferSize - 1)) != window) ok = false;
    }
    for (uint32_t i = 0; ok && i < bufferLoaded_; ++i) {
        if (!Program(bufferAddress_[i], bufferData_[i])) ok = false;
    }
    if (!ok) status_ |= kProgramError;
    StartBusy(Operation::Program, bufferLoaded_);
    SetReadMode(ReadMode::Status);
}

void Flash64MChip::EraseBlock(uint32_t linear) {
    const uint32_t block = linear & ~(kBlockSize - 1);
    ++stats_.blockErases;
    stats_.erasedBlocks.push_back(block);
    if (HookFailErase(block)) {
        status_ |= kEraseError;
    } else {
        EraseRange(block, kBlockSize);
    }
    StartBusy(Operation::BlockErase);
    SetReadMode(ReadMode::Status);
}

uint8_t Flash64MChip::ReadSlow(uint32_t linear) {
    if (ObserveBusy()) {
        return StatusValue(readMode_ == ReadMode::ExtendedStatus ? 0 : status_);
    }
    switch (readMode_) {
        case ReadMode::Status:
            return StatusValue(static_cast<uint8_t>(kReady | status_));
        case ReadMode::ExtendedStatus:
            return StatusValue(kReady);
        case ReadMode::Identifier:
            if (linear & 1) return 0x00;
            if ((linear >> 1) == 0) return info().manufacturer;
            if ((linear >> 1) == 1) return info().device;
            return 0x00;
        case ReadMode::Query:
            if ((linear & 1) || (linear >> 1) >= cfi_.size()) return 0x00;
            return cfi_[linear >> 1];
        case ReadMode::Array:
        default:
            if (!inArrayMode()) SetReadMode(ReadMode::Array);  // the operation ended
            return ArrayRead(linear);
    }
}

}  // namespace zorvex::sim

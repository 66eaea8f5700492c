#include "ports/ppdev_port_io.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#ifdef __linux__
#include <linux/parport.h>
#else
#define IEEE1284_MODE_EPP 0
#define IEEE1284_ADDR 0
#endif

namespace zorvex {

namespace {
constexpr uint8_t kOpenBus = 0xFF;
// ppdev moves at most PP_BUFFER_SIZE bytes per call, and a non-blocking
// call returns after one such piece; keeping each call within it means a
// short count always is an EPP time-out.
constexpr size_t kKernelBuffer = 1024;
}  // namespace

PpdevPortIo::PpdevPortIo(std::vector<KernelPort> ports, SystemCalls& calls,
                         std::string deviceDirectory) {
    for (auto& port : ports) {
        Slot slot;
        slot.device = std::make_unique<PpdevDevice>(calls, deviceDirectory + "/" + port.device);
        slot.kernel = std::move(port);
        slots_.push_back(std::move(slot));
    }
}

PpdevPortIo::~PpdevPortIo() = default;

PpdevPortIo::Slot* PpdevPortIo::SlotOf(uint16_t base) {
    for (auto& slot : slots_)
        if (slot.kernel.base == base) return &slot;
    return nullptr;
}

const PpdevPortIo::Slot* PpdevPortIo::SlotOf(uint16_t base) const {
    for (const auto& slot : slots_)
        if (slot.kernel.base == base) return &slot;
    return nullptr;
}

bool PpdevPortIo::BeginOperation(uint16_t base) {
    Slot* slot = SlotOf(base);
    if (!slot) return false;
    slot->failed = !slot->device->Claim();
    Forget(*slot);
    return !slot->failed;
}

// A claim puts back the state the kernel saved, which is not necessarily
// what this program last wrote (the kernel's own idle state at the first).
void PpdevPortIo::Forget(Slot& slot) {
    slot.control = -1;
    slot.data = -1;
}

// Every EPP cycle drives the data lines with its own byte. Only an EPP chip
// driven directly leaves the control register alone; an ECP chip's EPP path
// writes control 0x04 around every transfer, and the software handshake
// moves the strobes.
void PpdevPortIo::AfterEpp(Slot& slot) {
    slot.data = -1;
    if (slot.kernel.ecpEpp || !slot.kernel.eppChip) slot.control = -1;
}

void PpdevPortIo::EndOperation(uint16_t base) {
    Slot* slot = SlotOf(base);
    if (!slot) return;
    slot->device->Release();
    slot->failed = false;
}

std::string PpdevPortIo::AccessProblem(uint16_t base) const {
    const Slot* slot = SlotOf(base);
    if (!slot) return {};
    return slot->device->problem();
}

PpdevPortIo::Slot* PpdevPortIo::Claimed(uint16_t base) {
    Slot* slot = SlotOf(base);
    if (!slot) return nullptr;
    if (slot->device->claimed()) return slot;
    // An access outside any operation (a caller driving the primitives
    // itself) takes the port until the next operation on it ends.
    if (slot->failed || !slot->device->Claim()) return nullptr;
    Forget(*slot);
    return slot;
}

void PpdevPortIo::Write(uint16_t base, PortRegister reg, uint8_t value) {
    Slot* slot = Claimed(base);
    if (!slot) return;
    PpdevDevice& device = *slot->device;
    switch (reg) {
        case PortRegister::Data:
            if (slot->reversed) {
                device.SetDataReversed(false);
                slot->reversed = false;
                Forget(*slot);
            }
            if (elide_ && slot->data == value) break;
            device.WriteData(value);
            slot->data = value;
            break;
        case PortRegister::Status:
            // Clears the EPP time-out flag on direct port access; the kernel
            // clears it itself after every EPP cycle that timed out.
            break;
        case PortRegister::Control:
            if (elide_ && slot->control == value) break;
            device.WriteControl(value);
            slot->control = value;
            break;
        case PortRegister::EppAddress:
        case PortRegister::EppData:
            device.SetMode(reg == PortRegister::EppAddress ? IEEE1284_MODE_EPP | IEEE1284_ADDR
                                                           : IEEE1284_MODE_EPP);
            device.EppWrite(value);
            // Every kernel EPP write path leaves the data lines driven.
            slot->reversed = false;
            AfterEpp(*slot);
            break;
    }
}

uint8_t PpdevPortIo::Read(uint16_t base, PortRegister reg) {
    Slot* slot = Claimed(base);
    if (!slot) return kOpenBus;
    PpdevDevice& device = *slot->device;
    switch (reg) {
        case PortRegister::Data:
            return device.ReadData();
        case PortRegister::Status:
            return device.ReadStatus();
        case PortRegister::Control:
            return device.ReadControl();
        case PortRegister::EppData: {
            device.SetMode(IEEE1284_MODE_EPP);
            uint8_t value = kOpenBus;
            const bool answered = device.EppRead(value);
            slot->reversed = true;
            AfterEpp(*slot);
            return answered ? value : kOpenBus;
        }
        case PortRegister::EppAddress:
            // The protocol never reads an address back.
            return kOpenBus;
    }
    return kOpenBus;
}

// A run that stops short ends where the kernel's time-out ended it; the
// cycle that timed out counts as done, as one Out would have, and the run
// goes on with the next byte, so the wire and the card see exactly the
// cycles of the byte-by-byte path. A call that ran no cycle at all (the
// port is gone) ends the run as every further byte would have failed.
void PpdevPortIo::WriteEppData(uint16_t base, const uint8_t* values, size_t count) {
    Slot* slot = Claimed(base);
    if (!slot) return;
    PpdevDevice& device = *slot->device;
    device.SetMode(IEEE1284_MODE_EPP);
    for (size_t done = 0; done < count;) {
        const size_t piece = std::min(count - done, kKernelBuffer);
        const ssize_t wrote = device.EppWriteRun(values + done, piece);
        if (wrote < 0 && wrote != -EAGAIN) break;
        if (wrote == static_cast<ssize_t>(piece)) {
            done += piece;
        } else {
            done += static_cast<size_t>(std::max<ssize_t>(wrote, 0)) + 1;
        }
    }
    slot->reversed = false;
    AfterEpp(*slot);
}

void PpdevPortIo::ReadEppData(uint16_t base, uint8_t* values, size_t count) {
    ReadRun(base, values, count, false);
}

bool PpdevPortIo::ReadEppDataFast(uint16_t base, uint8_t* values, size_t count) {
    return ReadRun(base, values, count, true);
}

// Byte by byte, a piece that stops short ends where the kernel's time-out
// ended it, and the cycles after it read open bus, as one In each would
// have. In the fast mode the kernel reads a piece with insb/insl and looks
// at the time-out flag once, after it: a piece that timed out comes back as
// -EIO with none of its bytes, and the run ends there, since the caller
// reads all of it again.
bool PpdevPortIo::ReadRun(uint16_t base, uint8_t* values, size_t count, bool fast) {
    Slot* slot = Claimed(base);
    if (!slot) {
        std::fill_n(values, count, kOpenBus);
        return true;
    }
    PpdevDevice& device = *slot->device;
    device.SetMode(IEEE1284_MODE_EPP);
    device.SetFastRead(fast);
    bool trusted = true;
    size_t done = 0;
    while (done < count) {
        const size_t piece = std::min(count - done, kKernelBuffer);
        const ssize_t got = device.EppReadRun(values + done, piece);
        if (fast && got == -EIO) {
            trusted = false;
            break;
        }
        if (got < 0 && got != -EAGAIN) break;
        if (got == static_cast<ssize_t>(piece)) {
            done += piece;
            continue;
        }
        done += static_cast<size_t>(std::max<ssize_t>(got, 0));
        values[done++] = kOpenBus;  // the cycle the card did not answer
    }
    std::fill(values + done, values + count, kOpenBus);
    slot->reversed = true;
    AfterEpp(*slot);
    return trusted;
}

// The kernel cannot stop a run at a difference, so a differing run is read
// to the end of its kernel buffer: the card's block address runs on, which
// every caller sets again before its next access.
size_t PpdevPortIo::ReadEppDataFirstDifference(uint16_t base, const uint8_t* expected,
                                               size_t count) {
    size_t at = count;
    CompareRun(base, expected, count, false, at);
    return at;
}

bool PpdevPortIo::ReadEppDataFirstDifferenceFast(uint16_t base, const uint8_t* expected,
                                                 size_t count, size_t& firstDifference) {
    return CompareRun(base, expected, count, true, firstDifference);
}

bool PpdevPortIo::CompareRun(uint16_t base, const uint8_t* expected, size_t count, bool fast,
                             size_t& firstDifference) {
    uint8_t back[kKernelBuffer];
    firstDifference = count;
    for (size_t done = 0; done < count;) {
        const size_t piece = std::min(count - done, kKernelBuffer);
        if (!ReadRun(base, back, piece, fast)) return false;
        for (size_t i = 0; i < piece; ++i) {
            if (back[i] != expected[done + i]) {
                firstDifference = done + i;
                return true;
            }
        }
        done += piece;
    }
    return true;
}

}  // namespace zorvex

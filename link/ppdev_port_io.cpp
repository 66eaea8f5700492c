#include "link/ppdev_port_io.h"

#include <utility>

#ifdef __linux__
#include <linux/parport.h>
#else
#define IEEE1284_MODE_EPP 0
#define IEEE1284_ADDR 0
#endif

namespace zorvex {

namespace {
constexpr uint16_t kPortSpan = 5;  // data, status, control, EPP address, EPP data
constexpr uint8_t kOpenBus = 0xFF;
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
    return !slot->failed;
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

PpdevPortIo::Slot* PpdevPortIo::Claimed(uint16_t address, uint16_t& offset) {
    for (auto& slot : slots_) {
        if (address < slot.kernel.base || address - slot.kernel.base >= kPortSpan) continue;
        offset = static_cast<uint16_t>(address - slot.kernel.base);
        if (slot.device->claimed()) return &slot;
        // An access outside any operation (a caller driving the primitives
        // itself) takes the port until the next operation on it ends.
        if (slot.failed || !slot.device->Claim()) return nullptr;
        return &slot;
    }
    return nullptr;
}

void PpdevPortIo::Out(uint16_t address, uint8_t value) {
    uint16_t offset = 0;
    Slot* slot = Claimed(address, offset);
    if (!slot) return;
    PpdevDevice& device = *slot->device;
    switch (offset) {
        case 0:
            if (slot->reversed) {
                device.SetDataReversed(false);
                slot->reversed = false;
            }
            device.WriteData(value);
            break;
        case 1:
            // Clears the EPP time-out flag on direct port access; the kernel
            // clears it itself after every EPP cycle that timed out.
            break;
        case 2:
            device.WriteControl(value);
            break;
        case 3:
        case 4:
            device.SetMode(offset == 3 ? IEEE1284_MODE_EPP | IEEE1284_ADDR : IEEE1284_MODE_EPP);
            device.EppWrite(value);
            // Every kernel EPP write path leaves the data lines driven.
            slot->reversed = false;
            break;
        default:
            break;
    }
}

uint8_t PpdevPortIo::In(uint16_t address) {
    uint16_t offset = 0;
    Slot* slot = Claimed(address, offset);
    if (!slot) return kOpenBus;
    PpdevDevice& device = *slot->device;
    switch (offset) {
        case 0:
            return device.ReadData();
        case 1:
            return device.ReadStatus();
        case 2:
            return device.ReadControl();
        case 4: {
            device.SetMode(IEEE1284_MODE_EPP);
            uint8_t value = kOpenBus;
            const bool answered = device.EppRead(value);
            slot->reversed = true;
            return answered ? value : kOpenBus;
        }
        default:
            return kOpenBus;
    }
}

}  // namespace zorvex

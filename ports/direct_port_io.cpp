#include "ports/direct_port_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#include <sys/io.h>
#define ZORVEX_HAS_PORT_INSTRUCTIONS 1
#endif

namespace zorvex {

namespace {

constexpr uint16_t kPortSpan = 5;
constexpr uint8_t kOpenBus = 0xFF;
constexpr uint16_t kEcrOffset = 2;  // ECP control register, from the high base
constexpr uint8_t kEcrModeMask = 0xE0;
constexpr uint8_t kEcrModeEpp = 0x80;     // mode 100: EPP cycles at base+3/base+4
constexpr unsigned kIopermLimit = 0x400;  // ioperm covers the first 1024 ports only

#ifdef ZORVEX_HAS_PORT_INSTRUCTIONS
class Machine final : public IoInstructions {
  public:
    void Out(uint16_t port, uint8_t value) override { outb(value, port); }
    uint8_t In(uint16_t port) override { return inb(port); }
};
#endif

}  // namespace

IoInstructions* MachineIoInstructions() {
#ifdef ZORVEX_HAS_PORT_INSTRUCTIONS
    static Machine machine;
    return &machine;
#else
    return nullptr;
#endif
}

bool RequestDirectPortAccess(uint16_t base, uint16_t ecrBase, std::string& problem) {
#ifdef ZORVEX_HAS_PORT_INSTRUCTIONS
    const unsigned ecr = ecrBase ? ecrBase + kEcrOffset : 0u;
    const bool high = unsigned{base} + kPortSpan > kIopermLimit || ecr >= kIopermLimit;
    const int result =
        high ? iopl(3)
             : (ioperm(base, kPortSpan, 1) != 0 || (ecr && ioperm(ecr, 1, 1) != 0) ? -1 : 0);
    if (result == 0) return true;
    const int error = errno;
    problem = error == EPERM ? "direct port I/O not permitted (needs CAP_SYS_RAWIO or root)"
                             : std::string("direct port I/O: ") + std::strerror(error);
    return false;
#else
    (void)base;
    (void)ecrBase;
    problem = "direct port I/O is not available on this platform";
    return false;
#endif
}

DirectPortIo::DirectPortIo(std::vector<KernelPort> ports, IoInstructions& io, SystemCalls& calls,
                           std::string deviceDirectory)
    : io_(io) {
    for (auto& port : ports) {
        Slot slot;
        slot.device = std::make_unique<PpdevDevice>(calls, deviceDirectory + "/" + port.device);
        slot.kernel = std::move(port);
        slots_.push_back(std::move(slot));
    }
}

DirectPortIo::~DirectPortIo() = default;

DirectPortIo::Slot* DirectPortIo::SlotOf(uint16_t base) {
    for (auto& slot : slots_)
        if (slot.kernel.base == base) return &slot;
    return nullptr;
}

DirectPortIo::Slot* DirectPortIo::SlotHolding(uint16_t address) {
    for (auto& slot : slots_)
        if (address >= slot.kernel.base && address - slot.kernel.base < kPortSpan) return &slot;
    return nullptr;
}

bool DirectPortIo::BeginOperation(uint16_t base) {
    Slot* slot = SlotOf(base);
    if (!slot) return false;
    // Without the ppdev module there is no device to claim and nothing in the
    // kernel that would take the port from us through it.
    slot->failed = !slot->device->Claim() && !slot->device->missing();
    if (slot->failed) return false;
    if (slot->kernel.ecpEpp && slot->kernel.ecrBase != 0) {
        // The kernel leaves an ECP port in PS/2 mode, where base+3 and base+4
        // are no EPP registers; the ECR is no line, so the wire is unchanged.
        const uint16_t ecr = static_cast<uint16_t>(slot->kernel.ecrBase + kEcrOffset);
        const uint8_t old = io_.In(ecr);
        io_.Out(ecr, static_cast<uint8_t>((old & ~kEcrModeMask) | kEcrModeEpp));
    }
    return true;
}

void DirectPortIo::EndOperation(uint16_t base) {
    Slot* slot = SlotOf(base);
    if (!slot) return;
    if (slot->device->claimed() && slot->control >= 0)
        slot->device->WriteControl(static_cast<uint8_t>(slot->control));
    slot->control = -1;
    slot->device->Release();
    slot->failed = false;
}

std::string DirectPortIo::AccessProblem(uint16_t base) const {
    for (const auto& slot : slots_)
        if (slot.kernel.base == base && !slot.device->missing()) return slot.device->problem();
    return {};
}

void DirectPortIo::Out(uint16_t address, uint8_t value) {
    Slot* slot = SlotHolding(address);
    if (!slot || slot->failed) return;
    io_.Out(address, value);
    if (address == slot->kernel.base + 2u) slot->control = value;
}

uint8_t DirectPortIo::In(uint16_t address) {
    const Slot* slot = SlotHolding(address);
    if (!slot || slot->failed) return kOpenBus;
    return io_.In(address);
}

// The port is looked up once per run; the run itself is nothing but the
// instructions.
void DirectPortIo::WriteEppData(uint16_t base, const uint8_t* values, size_t count) {
    const uint16_t address = RegisterAddress(base, PortRegister::EppData);
    const Slot* slot = SlotHolding(address);
    if (!slot || slot->failed) return;
    for (size_t i = 0; i < count; ++i) io_.Out(address, values[i]);
}

void DirectPortIo::ReadEppData(uint16_t base, uint8_t* values, size_t count) {
    const uint16_t address = RegisterAddress(base, PortRegister::EppData);
    const Slot* slot = SlotHolding(address);
    if (!slot || slot->failed) {
        std::fill_n(values, count, kOpenBus);
        return;
    }
    for (size_t i = 0; i < count; ++i) values[i] = io_.In(address);
}

size_t DirectPortIo::ReadEppDataFirstDifference(uint16_t base, const uint8_t* expected,
                                                size_t count) {
    const uint16_t address = RegisterAddress(base, PortRegister::EppData);
    const Slot* slot = SlotHolding(address);
    if (!slot || slot->failed) {
        for (size_t i = 0; i < count; ++i)
            if (expected[i] != kOpenBus) return i;
        return count;
    }
    for (size_t i = 0; i < count; ++i)
        if (io_.In(address) != expected[i]) return i;
    return count;
}

}  // namespace zorvex

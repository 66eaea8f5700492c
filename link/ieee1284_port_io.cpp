#include "link/ieee1284_port_io.h"

#include <ieee1284.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace zorvex {

static_assert(Ieee1284Calls::kExclusive == F1284_EXCL);
static_assert(Ieee1284Calls::kNonBlocking == F1284_NONBLOCK);

namespace {

constexpr uint16_t kPortSpan = 5;
constexpr uint8_t kOpenBus = 0xFF;
constexpr uint8_t kControlReleased = 0x04;

class LibIeee1284Calls final : public Ieee1284Calls {
  public:
    LibIeee1284Calls() { listed_ = ieee1284_find_ports(&list_, 0) == E1284_OK; }
    ~LibIeee1284Calls() override {
        if (listed_) ieee1284_free_ports(&list_);
    }
    Port Find(const std::string& device, uint16_t base) override {
        if (!listed_) return nullptr;
        for (int i = 0; i < list_.portc; ++i) {
            if (list_.portv[i]->name && device == list_.portv[i]->name) return list_.portv[i];
        }
        for (int i = 0; i < list_.portc; ++i) {
            if (list_.portv[i]->base_addr == base) return list_.portv[i];
        }
        return nullptr;
    }
    int Open(Port port, int flags) override {
        int capabilities = 0;
        return ieee1284_open(P(port), flags, &capabilities);
    }
    int Close(Port port) override { return ieee1284_close(P(port)); }
    int Claim(Port port) override { return ieee1284_claim(P(port)); }
    void Release(Port port) override { ieee1284_release(P(port)); }
    void WriteData(Port port, uint8_t value) override { ieee1284_write_data(P(port), value); }
    int ReadData(Port port) override { return ieee1284_read_data(P(port)); }
    int ReadStatus(Port port) override { return ieee1284_read_status(P(port)); }
    void WriteControl(Port port, uint8_t value) override { ieee1284_write_control(P(port), value); }
    int ReadControl(Port port) override { return ieee1284_read_control(P(port)); }
    ssize_t EppWriteAddr(Port port, int flags, const char* buffer, size_t length) override {
        return ieee1284_epp_write_addr(P(port), flags, buffer, length);
    }
    ssize_t EppWriteData(Port port, int flags, const char* buffer, size_t length) override {
        return ieee1284_epp_write_data(P(port), flags, buffer, length);
    }
    ssize_t EppReadData(Port port, int flags, char* buffer, size_t length) override {
        return ieee1284_epp_read_data(P(port), flags, buffer, length);
    }

  private:
    static parport* P(Port port) { return static_cast<parport*>(port); }
    parport_list list_{};
    bool listed_ = false;
};

std::string Describe(int code) {
    switch (code) {
        case E1284_NOTAVAIL:
            return "not available on this system";
        case E1284_INIT:
            return "could not initialise the port";
        case E1284_SYS:
            return std::string("system error: ") + std::strerror(errno) +
                   " (is the user in group lp, and is the ppdev module loaded?)";
        case E1284_NOMEM:
            return "out of memory";
        case E1284_INVALIDPORT:
            return "invalid port";
        default:
            return "error " + std::to_string(code);
    }
}

}  // namespace

std::unique_ptr<Ieee1284Calls> MakeLibIeee1284Calls() {
    return std::make_unique<LibIeee1284Calls>();
}

Ieee1284PortIo::Ieee1284PortIo(std::vector<KernelPort> ports, std::unique_ptr<Ieee1284Calls> calls)
    : calls_(std::move(calls)) {
    for (auto& port : ports) slots_.push_back(Slot{std::move(port)});
}

Ieee1284PortIo::~Ieee1284PortIo() {
    for (auto& slot : slots_) Drop(slot);
}

void Ieee1284PortIo::Drop(Slot& slot) {
    if (slot.claimed) calls_->Release(slot.port);
    if (slot.open) calls_->Close(slot.port);
    slot.claimed = slot.open = false;
    if (active_ == &slot) active_ = nullptr;
}

Ieee1284PortIo::Slot* Ieee1284PortIo::Acquire(uint16_t address, uint16_t& offset) {
    Slot* slot = nullptr;
    for (auto& s : slots_) {
        if (address >= s.kernel.base && address - s.kernel.base < kPortSpan) {
            slot = &s;
            break;
        }
    }
    if (!slot || slot->failed) return nullptr;
    offset = static_cast<uint16_t>(address - slot->kernel.base);
    if (slot->claimed) return slot;
    if (active_ && active_ != slot) Drop(*active_);  // one port in use at a time

    if (!slot->port) slot->port = calls_->Find(slot->kernel.device, slot->kernel.base);
    if (!slot->port) {
        lastError_ = slot->kernel.device + ": not known to libieee1284";
        slot->failed = true;
        return nullptr;
    }
    const int opened = calls_->Open(slot->port, Ieee1284Calls::kExclusive);
    if (opened != 0) {
        lastError_ = slot->kernel.device + ": cannot open: " + Describe(opened);
        slot->failed = true;
        return nullptr;
    }
    slot->open = true;
    const int claim = calls_->Claim(slot->port);
    if (claim != 0) {
        lastError_ = slot->kernel.device + ": cannot claim: " + Describe(claim);
        Drop(*slot);
        slot->failed = true;
        return nullptr;
    }
    slot->claimed = true;
    active_ = slot;
    return slot;
}

void Ieee1284PortIo::Out(uint16_t address, uint8_t value) {
    uint16_t offset = 0;
    Slot* slot = Acquire(address, offset);
    if (!slot) {
        // The released state ends a card operation; a port that failed to open
        // gets another chance with the next one.
        for (auto& s : slots_) {
            if (value == kControlReleased && address == s.kernel.base + 2u) s.failed = false;
        }
        return;
    }
    const char byte = static_cast<char>(value);
    switch (offset) {
        case 0:
            calls_->WriteData(slot->port, value);
            break;
        case 1:
            // Clears the EPP time-out flag on direct port access; ppdev has no
            // call for it and the kernel clears the flag itself.
            break;
        case 2:
            calls_->WriteControl(slot->port, static_cast<uint8_t>(value ^ C1284_INVERTED));
            if (value == kControlReleased) Drop(*slot);
            break;
        case 3:
            // Non-blocking on every EPP call: an absent card must time out, and
            // the library does not restore blocking mode after such a call.
            calls_->EppWriteAddr(slot->port, Ieee1284Calls::kNonBlocking, &byte, 1);
            break;
        case 4:
            calls_->EppWriteData(slot->port, Ieee1284Calls::kNonBlocking, &byte, 1);
            break;
        default:
            break;
    }
}

uint8_t Ieee1284PortIo::In(uint16_t address) {
    uint16_t offset = 0;
    Slot* slot = Acquire(address, offset);
    if (!slot) return kOpenBus;
    int value = -1;
    switch (offset) {
        case 0:
            value = calls_->ReadData(slot->port);
            break;
        case 1:
            value = calls_->ReadStatus(slot->port);
            if (value >= 0) value ^= S1284_INVERTED;
            break;
        case 2:
            value = calls_->ReadControl(slot->port);
            if (value >= 0) value ^= C1284_INVERTED;
            break;
        case 4: {
            char byte = 0;
            if (calls_->EppReadData(slot->port, Ieee1284Calls::kNonBlocking, &byte, 1) == 1) {
                value = static_cast<uint8_t>(byte);
            }
            break;
        }
        default:
            break;
    }
    return value < 0 ? kOpenBus : static_cast<uint8_t>(value);
}

}  // namespace zorvex

#pragma once

#include <sys/types.h>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/linux_port_source.h"
#include "link/port_io.h"

namespace zorvex {

// The libieee1284 calls the port backend makes, as one small table so that
// tests can stand in for the library. Values are passed exactly as the
// library sees them (IEEE 1284 polarity, its flags).
class Ieee1284Calls {
  public:
    using Port = void*;                     // the library's struct parport*
    static constexpr int kExclusive = 1;    // F1284_EXCL
    static constexpr int kNonBlocking = 1;  // F1284_NONBLOCK

    virtual ~Ieee1284Calls() = default;
    // The library's port for kernel device `device` (or, failing that, at
    // `base`); nullptr when it does not know one.
    virtual Port Find(const std::string& device, uint16_t base) = 0;
    virtual int Open(Port port, int flags) = 0;  // 0 ok, else a negative E1284 code
    virtual int Close(Port port) = 0;
    virtual int Claim(Port port) = 0;
    virtual void Release(Port port) = 0;
    virtual void WriteData(Port port, uint8_t value) = 0;
    virtual int ReadData(Port port) = 0;
    virtual int ReadStatus(Port port) = 0;
    virtual void WriteControl(Port port, uint8_t value) = 0;
    virtual int ReadControl(Port port) = 0;
    virtual ssize_t EppWriteAddr(Port port, int flags, const char* buffer, size_t length) = 0;
    virtual ssize_t EppWriteData(Port port, int flags, const char* buffer, size_t length) = 0;
    virtual ssize_t EppReadData(Port port, int flags, char* buffer, size_t length) = 0;
};

// The real library. Its port list is taken once and freed on destruction.
std::unique_ptr<Ieee1284Calls> MakeLibIeee1284Calls();

// Real parallel ports on Linux through libieee1284's ppdev method, which works
// for a normal user in group lp (/dev/parportN) without root.
//
// A port is opened exclusively and claimed at its first access, and released
// and closed again when the program puts the control register into the
// released state (0x04, the end of every card operation), so that the port is
// held only while the card is in use. A port that cannot be opened reads as
// an open bus (0xFF) until the next release; lastError() says why.
class Ieee1284PortIo final : public PortIo {
  public:
    explicit Ieee1284PortIo(std::vector<KernelPort> ports,
                            std::unique_ptr<Ieee1284Calls> calls = MakeLibIeee1284Calls());
    ~Ieee1284PortIo() override;
    Ieee1284PortIo(const Ieee1284PortIo&) = delete;
    Ieee1284PortIo& operator=(const Ieee1284PortIo&) = delete;

    void Out(uint16_t address, uint8_t value) override;
    uint8_t In(uint16_t address) override;

    const std::string& lastError() const { return lastError_; }
    bool claimed() const { return active_ != nullptr && active_->claimed; }

  private:
    struct Slot {
        KernelPort kernel;
        Ieee1284Calls::Port port = nullptr;
        bool open = false;
        bool claimed = false;
        bool failed = false;
    };
    Slot* Acquire(uint16_t address, uint16_t& offset);
    void Drop(Slot& slot);

    std::vector<Slot> slots_;
    std::unique_ptr<Ieee1284Calls> calls_;
    Slot* active_ = nullptr;
    std::string lastError_;
};

}  // namespace zorvex

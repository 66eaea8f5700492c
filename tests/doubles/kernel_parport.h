#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "link/port_io.h"
#include "ports/system_calls.h"

namespace zorvex::sim {

// How the kernel's parport_pc driver runs EPP on a port.
enum class KernelEpp : uint8_t {
    Hardware,  // an EPP chip: cycles at base+3/base+4 (parport_pc_epp_*)
    EcpEpp,    // an ECP chip in EPP mode (parport_pc_ecpepp_*): ECR, control and direction
               // are set around every call
    Software,  // no EPP hardware: the IEEE 1284 handshake on the control and status
               // lines (parport_ieee1284_epp_*)
};

// Told when the kernel reads a run with a string instruction of 32-bit words
// (insl: a fast EPP read whose buffer and length are multiples of four).
// The EPP hardware makes the same byte cycles as for insb, which follow on the
// port as usual; a machine that forwards port accesses (QEMU) sees one access
// per word.
class WideAccessObserver {
  public:
    virtual ~WideAccessObserver() = default;
    virtual void Words(uint16_t address, size_t count) = 0;
};

// One /dev/parportN of the emulated machine, and what goes wrong with it.
struct KernelDevice {
    std::string path;  // "/dev/parport0"
    uint16_t base = 0;
    KernelEpp epp = KernelEpp::Hardware;
    int openError = 0;   // EACCES (not in group lp), ENOENT (ppdev not loaded), ENXIO
    int claimError = 0;  // ENXIO (the printer driver holds the port), EBUSY
    // The port has an interrupt line (ISA ports, and every port ACPI describes
    // with one): ppdev's device then starts with ackIntEn (control bit 4) set
    // beside 0x0C, and the kernel keeps that bit in every control value it
    // writes, since ppdev hands the kernel an interrupt handler
    // (parport_pc_init_state).
    bool irq = false;
};

// The Linux ppdev character device and the parport_pc driver behind it, as
// the kernel's own sources behave, in front of a simulated port and card:
// every register access the kernel would make is made on `hardware`, so the
// port's wire record shows exactly what the kernel puts on the lines.
//
// Modelled: open (deferred registration), PPEXCL, PPCLAIM/PPRELEASE with the
// device's saved control and ECR state (a new device starts at control 0x0C,
// 0x1C on a port with an interrupt line, and ECR 0x34), PPSETMODE/PPGETMODE,
// PPWDATA, PPRDATA, PPWCONTROL (lines only), PPRCONTROL (the soft copy),
// PPFCONTROL, PPRSTATUS, PPDATADIR, PPNEGOT (compatibility mode only; the
// card does not negotiate), PPSETFLAGS/PPGETFLAGS, EPP read and write
// in address and data mode with the time-out bit, byte by byte or in the fast
// mode of PP_FASTREAD/PP_FASTWRITE (parport_pc's EPP and ECP+EPP paths; the
// software handshake ignores it), O_NONBLOCK giving EAGAIN,
// and close negotiating back to compatibility mode when left in another.
class KernelParport final : public SystemCalls {
  public:
    KernelParport(PortIo& hardware, std::vector<KernelDevice> devices);

    int Open(const char* path, int flags) override;
    int Close(int fd) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    ssize_t Read(int fd, void* buffer, size_t length) override;
    ssize_t Write(int fd, const void* buffer, size_t length) override;
    int Fcntl(int fd, int command, int argument) override;

    // Calls made so far, all kinds together, and ioctls alone.
    uint64_t calls() const { return calls_; }
    void ResetCalls() { calls_ = 0; }
    // Open file descriptions right now, and the number of opens ever.
    int openFiles() const { return static_cast<int>(files_.size()); }
    int opens() const { return opens_; }
    KernelDevice* device(const std::string& path);
    void SetWideAccessObserver(WideAccessObserver* observer) { wide_ = observer; }

  private:
    struct PortState {       // the parport and parport_pc private data of one port
        uint8_t ctr = 0x0C;  // priv->ctr, the soft copy of the control register
        int mode = 0;        // port->ieee1284.mode
        int claimedBy = -1;  // fd holding the port
        int registered = 0;  // pardevices registered on it
        bool exclusive = false;
    };
    struct File {
        KernelDevice* device = nullptr;
        bool nonBlocking = false;
        bool exclusive = false;
        bool registered = false;
        bool claimed = false;
        int mode = 0;   // pp->state.mode
        int flags = 0;  // pp->flags & PP_FLAGMASK: PP_FASTREAD, PP_FASTWRITE
        int savedMode = 0;
        uint8_t savedCtr = 0x0C;  // the pardevice's state (parport_pc_init_state)
        uint8_t savedEcr = 0x34;
    };

    uint16_t ecrAddress(const KernelDevice& device) const;
    void WriteControlRegister(KernelDevice& device, uint8_t value);
    void Frob(KernelDevice& device, uint8_t mask, uint8_t value);
    bool ClearTimeout(KernelDevice& device);  // true when the flag was set
    void Claim(int fd, File& file);
    void Release(File& file);
    void Terminate(KernelDevice& device);
    ssize_t EppTransfer(KernelDevice& device, bool write, bool address, bool fast, uint8_t* bytes,
                        size_t length);
    size_t SoftwareEpp(KernelDevice& device, bool write, bool address, uint8_t* bytes,
                       size_t length);

    PortIo& hw_;
    std::vector<KernelDevice> devices_;
    std::map<uint16_t, PortState> ports_;
    std::map<int, File> files_;
    int nextFd_ = 3;
    int opens_ = 0;
    uint64_t calls_ = 0;
    WideAccessObserver* wide_ = nullptr;
};

}  // namespace zorvex::sim

#include "tests/doubles/kernel_parport.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#ifdef __linux__
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#endif

namespace zorvex::sim {

#ifdef __linux__

namespace {

constexpr uint8_t kStrobe = PARPORT_CONTROL_STROBE;
constexpr uint8_t kAutoFd = PARPORT_CONTROL_AUTOFD;
constexpr uint8_t kInit = PARPORT_CONTROL_INIT;
constexpr uint8_t kSelect = PARPORT_CONTROL_SELECT;
constexpr uint8_t kLines = kStrobe | kAutoFd | kInit | kSelect;
constexpr uint8_t kDirection = 0x20;
constexpr uint8_t kAckIntEn = 0x10;
constexpr uint8_t kBusy = PARPORT_STATUS_BUSY;
constexpr uint16_t kEcrOffset = 0x402;
constexpr uint8_t kEcrModeMask = 0xE0;
constexpr uint8_t kEcrEpp = 4 << 5;
constexpr uint8_t kEcrPs2 = 1 << 5;
constexpr size_t kBufferSize = 1024;  // PP_BUFFER_SIZE: the most one pass moves

int BareMode(int mode) {
    return mode & ~(IEEE1284_DEVICEID | IEEE1284_ADDR);
}

}  // namespace

KernelParport::KernelParport(PortIo& hardware, std::vector<KernelDevice> devices)
    : hw_(hardware), devices_(std::move(devices)) {
    for (const auto& device : devices_) ports_[device.base].mode = IEEE1284_MODE_COMPAT;
}

KernelDevice* KernelParport::device(const std::string& path) {
    for (auto& device : devices_)
        if (device.path == path) return &device;
    return nullptr;
}

uint16_t KernelParport::ecrAddress(const KernelDevice& device) const {
    return static_cast<uint16_t>(device.base + kEcrOffset);
}

// parport_pc_write_control and __parport_pc_frob_control: the soft copy is
// changed and written whole.
void KernelParport::Frob(KernelDevice& device, uint8_t mask, uint8_t value) {
    PortState& port = ports_[device.base];
    port.ctr = static_cast<uint8_t>((port.ctr & ~mask) ^ value);
    hw_.Out(static_cast<uint16_t>(device.base + 2), port.ctr);
}

void KernelParport::WriteControlRegister(KernelDevice& device, uint8_t value) {
    if (value & kDirection) Frob(device, kDirection, kDirection);
    Frob(device, kLines, value & kLines);
}

// clear_epp_timeout: a double read, then writing 1 and 0 to the status
// address, since chips differ in which clears the flag.
bool KernelParport::ClearTimeout(KernelDevice& device) {
    const uint16_t status = static_cast<uint16_t>(device.base + 1);
    if (!(hw_.In(status) & 0x01)) return false;
    hw_.In(status);
    const uint8_t r = hw_.In(status);
    hw_.Out(status, static_cast<uint8_t>(r | 0x01));
    hw_.Out(status, static_cast<uint8_t>(r & 0xFE));
    hw_.In(status);
    return true;
}

int KernelParport::Open(const char* path, int flags) {
    ++calls_;
    KernelDevice* dev = device(path);
    if (!dev) return -ENOENT;
    if (dev->openError) return -dev->openError;
    File file;
    file.device = dev;
    file.nonBlocking = (flags & O_NONBLOCK) != 0;
    file.mode = IEEE1284_MODE_COMPAT;
    if (dev->irq) file.savedCtr |= kAckIntEn;
    const int fd = nextFd_++;
    files_[fd] = file;
    ++opens_;
    return fd;
}

// parport_claim: the device's saved state goes back into the registers.
void KernelParport::Claim(int fd, File& file) {
    KernelDevice& dev = *file.device;
    PortState& port = ports_[dev.base];
    port.ctr = file.savedCtr;
    hw_.Out(static_cast<uint16_t>(dev.base + 2), port.ctr);
    if (dev.epp == KernelEpp::EcpEpp) hw_.Out(ecrAddress(dev), file.savedEcr);
    port.claimedBy = fd;
    file.claimed = true;
    file.savedMode = port.mode;
    port.mode = file.mode;
}

// parport_release: the device's state is saved from the soft copy and the ECR.
void KernelParport::Release(File& file) {
    KernelDevice& dev = *file.device;
    PortState& port = ports_[dev.base];
    file.mode = port.mode;
    port.mode = file.savedMode;
    file.savedCtr = port.ctr;
    if (dev.epp == KernelEpp::EcpEpp) file.savedEcr = hw_.In(ecrAddress(dev));
    port.claimedBy = -1;
    file.claimed = false;
}

// parport_ieee1284_terminate from EPP: nInit pulsed low, then nInit high with
// nSelectIn asserted.
void KernelParport::Terminate(KernelDevice& device) {
    PortState& port = ports_[device.base];
    if (BareMode(port.mode) == IEEE1284_MODE_EPP) {
        Frob(device, kInit, 0);
        Frob(device, kSelect | kInit, kSelect | kInit);
    } else {
        Frob(device, kSelect | kAutoFd, kSelect);
    }
    port.mode = IEEE1284_MODE_COMPAT;
}

int KernelParport::Close(int fd) {
    ++calls_;
    auto it = files_.find(fd);
    if (it == files_.end()) return -EBADF;
    File& file = it->second;
    KernelDevice& dev = *file.device;
    PortState& port = ports_[dev.base];
    // pp_release: a device left outside compatibility mode is claimed (if
    // need be) and negotiated back before it goes.
    bool negotiate = false;
    if (!file.claimed && file.registered && file.mode != IEEE1284_MODE_COMPAT &&
        port.claimedBy < 0) {
        Claim(fd, file);
        negotiate = true;
    } else if (file.claimed && port.mode != IEEE1284_MODE_COMPAT) {
        negotiate = true;
    }
    if (negotiate && port.mode != IEEE1284_MODE_COMPAT) Terminate(dev);
    if (file.claimed) Release(file);
    if (file.registered) {
        --port.registered;
        if (file.exclusive) port.exclusive = false;
    }
    files_.erase(it);
    return 0;
}

int KernelParport::Ioctl(int fd, unsigned long request, void* argument) {
    ++calls_;
    auto it = files_.find(fd);
    if (it == files_.end()) return -EBADF;
    File& file = it->second;
    KernelDevice& dev = *file.device;
    PortState& port = ports_[dev.base];
    auto byteArg = [argument]() { return *static_cast<uint8_t*>(argument); };
    auto intArg = [argument]() { return *static_cast<int*>(argument); };

    switch (request) {
        case PPEXCL:
            if (file.registered) return file.exclusive ? 0 : -EINVAL;
            file.exclusive = true;
            return 0;
        case PPCLAIM:
            if (file.claimed) return -EINVAL;
            if (!file.registered) {
                // register_device: parport_register_dev_model refuses an
                // exclusive device next to any other, and any device next to
                // an exclusive one.
                if (dev.claimError == ENXIO) return -ENXIO;
                if (port.exclusive || (file.exclusive && port.registered > 0)) return -ENXIO;
                file.registered = true;
                ++port.registered;
                port.exclusive = file.exclusive;
            }
            // parport_claim_or_block would sleep until the holder lets go; the
            // emulation cannot wait, so a held port answers EBUSY.
            if (dev.claimError == EBUSY || port.claimedBy >= 0) return -EBUSY;
            Claim(fd, file);
            return 0;
        case PPSETMODE:
            file.mode = intArg();
            if (file.claimed) port.mode = file.mode;
            return 0;
        case PPGETMODE:
            *static_cast<int*>(argument) = file.claimed ? port.mode : file.mode;
            return 0;
        case PPSETFLAGS:
            file.flags = intArg() & PP_FLAGMASK;
            return 0;
        case PPGETFLAGS:
            *static_cast<int*>(argument) = file.flags;
            return 0;
        default:
            break;
    }
    if (!file.claimed) return -EINVAL;
    const uint16_t base = dev.base;
    switch (request) {
        case PPRELEASE:
            Release(file);
            return 0;
        case PPWDATA:
            hw_.Out(base, byteArg());
            return 0;
        case PPRDATA:
            *static_cast<uint8_t*>(argument) = hw_.In(base);
            return 0;
        case PPRSTATUS:
            *static_cast<uint8_t*>(argument) = hw_.In(static_cast<uint16_t>(base + 1));
            return 0;
        case PPWCONTROL:
            WriteControlRegister(dev, byteArg());
            return 0;
        case PPRCONTROL:
            *static_cast<uint8_t*>(argument) = static_cast<uint8_t>(port.ctr & kLines);
            return 0;
        case PPFCONTROL: {
            const auto* frob = static_cast<const uint8_t*>(argument);
            Frob(dev, frob[0], frob[1]);
            return 0;
        }
        case PPDATADIR:
            Frob(dev, kDirection, intArg() ? kDirection : 0);
            return 0;
        case PPNEGOT: {
            // parport_negotiate: nothing to do, or only the address bit.
            const int mode = intArg();
            if (mode == port.mode) return 0;
            if ((port.mode & ~IEEE1284_ADDR) == (mode & ~IEEE1284_ADDR)) {
                port.mode = mode;
                return 0;
            }
            if (port.mode != IEEE1284_MODE_COMPAT) Terminate(dev);
            if (mode == IEEE1284_MODE_COMPAT) return 0;
            // Event 0: the extensibility byte, nSelectIn high and nAutoFd low.
            // The card never answers with event 2, so the kernel gives up and
            // puts nSelectIn back.
            hw_.Out(base, static_cast<uint8_t>(mode & 0xFF));
            Frob(dev, kSelect | kAutoFd, kAutoFd);
            Frob(dev, kSelect | kAutoFd, kSelect);
            return -EIO;
        }
        default:
            return -EINVAL;
    }
}

size_t KernelParport::SoftwareEpp(KernelDevice& device, bool write, bool address, uint8_t* bytes,
                                  size_t length) {
    // parport_ieee1284_epp_*: nWrite is nStrobe, nAStrb nSelectIn, nDStrb
    // nAutoFd, and nWait comes back on Busy. The emulation has no time, so
    // each wait for the peripheral looks once.
    const uint8_t strobe = address ? kSelect : kAutoFd;
    const uint16_t status = static_cast<uint16_t>(device.base + 1);
    size_t done = 0;
    Frob(device, kLines, write ? (kStrobe | kInit) : kInit);
    Frob(device, kDirection, write ? 0 : kDirection);
    for (; done < length; ++done) {
        if (write) hw_.Out(device.base, bytes[done]);
        Frob(device, strobe, strobe);
        if (hw_.In(status) & kBusy) break;  // nWait never went high
        if (!write) bytes[done] = hw_.In(device.base);
        Frob(device, strobe, 0);
        if (!(hw_.In(status) & kBusy)) break;
    }
    if (write)
        Frob(device, kStrobe, 0);
    else
        Frob(device, kDirection, 0);
    return done;
}

ssize_t KernelParport::EppTransfer(KernelDevice& device, bool write, bool address, bool fast,
                                   uint8_t* bytes, size_t length) {
    // parport_ieee1284_epp_* take the flags and never look at them.
    if (device.epp == KernelEpp::Software)
        return static_cast<ssize_t>(SoftwareEpp(device, write, address, bytes, length));
    const uint16_t ecr = ecrAddress(device);
    if (device.epp == KernelEpp::EcpEpp) {
        // parport_pc_ecpepp_*: the ECR to EPP mode, control 0x04 and the
        // direction around every call, and back to PS/2 mode after it.
        hw_.Out(ecr, static_cast<uint8_t>((hw_.In(ecr) & ~kEcrModeMask) ^ kEcrEpp));
        if (!write) Frob(device, kDirection, kDirection);
        WriteControlRegister(device, kInit);
        if (write) Frob(device, kDirection, 0);
    }
    const uint16_t reg = static_cast<uint16_t>(device.base + (address ? 3 : 4));
    ssize_t done = 0;
    if (fast && length > 1) {
        // PARPORT_EPP_FAST: the whole run with outsb/insb (outsl/insl when
        // buffer and length are multiples of four, which the EPP hardware
        // splits into the same byte cycles), then one look at the time-out
        // flag. It cannot say which cycle timed out, so a run that did is
        // -EIO as a whole. pp_read's and pp_write's buffer is kmalloc'ed,
        // so only the length decides between the two.
        if (wide_ && !write && length % 4 == 0) wide_->Words(reg, length / 4);
        for (size_t i = 0; i < length; ++i) {
            if (write)
                hw_.Out(reg, bytes[i]);
            else
                bytes[i] = hw_.In(reg);
        }
        done = static_cast<ssize_t>(length);
        if (hw_.In(static_cast<uint16_t>(device.base + 1)) & 0x01) {
            ClearTimeout(device);
            done = -EIO;
        }
    } else {
        for (; done < static_cast<ssize_t>(length); ++done) {
            if (write)
                hw_.Out(reg, bytes[done]);
            else
                bytes[done] = hw_.In(reg);
            if (ClearTimeout(device)) break;
        }
    }
    if (device.epp == KernelEpp::EcpEpp)
        hw_.Out(ecr, static_cast<uint8_t>((hw_.In(ecr) & ~kEcrModeMask) ^ kEcrPs2));
    return done;
}

ssize_t KernelParport::Read(int fd, void* buffer, size_t length) {
    ++calls_;
    auto it = files_.find(fd);
    if (it == files_.end()) return -EBADF;
    File& file = it->second;
    if (!file.claimed) return -EINVAL;
    if (length == 0) return 0;
    PortState& port = ports_[file.device->base];
    // Only EPP is emulated; the nibble and byte reverse modes are never used.
    if (BareMode(port.mode) != IEEE1284_MODE_EPP) return -ENOSYS;
    // pp_read: one pass of at most one kernel buffer, into the kernel's own
    // buffer, copied out only when the pass read something.
    std::vector<uint8_t> bytes(std::min(length, kBufferSize));
    const ssize_t got = EppTransfer(*file.device, false, (port.mode & IEEE1284_ADDR) != 0,
                                    (file.flags & PP_FASTREAD) != 0, bytes.data(), bytes.size());
    if (got > 0) std::copy_n(bytes.begin(), got, static_cast<uint8_t*>(buffer));
    if (got != 0) return got;
    // pp_read retries until a signal when blocking; the emulation stands in
    // the signal.
    return file.nonBlocking ? -EAGAIN : -EINTR;
}

ssize_t KernelParport::Write(int fd, const void* buffer, size_t length) {
    ++calls_;
    auto it = files_.find(fd);
    if (it == files_.end()) return -EBADF;
    File& file = it->second;
    if (!file.claimed) return -EINVAL;
    PortState& port = ports_[file.device->base];
    // The compatibility (printer) write would strobe every byte into the
    // card as data; it is never used, so it is not emulated.
    if (BareMode(port.mode) != IEEE1284_MODE_EPP) return -ENOSYS;
    // pp_write: a kernel buffer at a time until one comes up short; a
    // non-blocking file returns after the first.
    const auto* from = static_cast<const uint8_t*>(buffer);
    size_t written = 0;
    while (written < length) {
        const size_t piece = std::min(length - written, kBufferSize);
        std::vector<uint8_t> bytes(from + written, from + written + piece);
        const ssize_t wrote = EppTransfer(*file.device, true, (port.mode & IEEE1284_ADDR) != 0,
                                          (file.flags & PP_FASTWRITE) != 0, bytes.data(), piece);
        if (wrote <= 0) {
            if (written == 0) return wrote;
            break;
        }
        written += static_cast<size_t>(wrote);
        if (static_cast<size_t>(wrote) < piece || file.nonBlocking) break;
    }
    return static_cast<ssize_t>(written);
}

int KernelParport::Fcntl(int fd, int command, int argument) {
    ++calls_;
    auto it = files_.find(fd);
    if (it == files_.end()) return -EBADF;
    if (command == F_GETFL) return O_RDWR | (it->second.nonBlocking ? O_NONBLOCK : 0);
    if (command == F_SETFL) {
        it->second.nonBlocking = (argument & O_NONBLOCK) != 0;
        return 0;
    }
    return -EINVAL;
}

#else  // the emulation needs the Linux ppdev definitions

KernelParport::KernelParport(PortIo& hardware, std::vector<KernelDevice> devices)
    : hw_(hardware), devices_(std::move(devices)) {}
KernelDevice* KernelParport::device(const std::string&) {
    return nullptr;
}
int KernelParport::Open(const char*, int) {
    return -ENOSYS;
}
int KernelParport::Close(int) {
    return -ENOSYS;
}
int KernelParport::Ioctl(int, unsigned long, void*) {
    return -ENOSYS;
}
ssize_t KernelParport::Read(int, void*, size_t) {
    return -ENOSYS;
}
ssize_t KernelParport::Write(int, const void*, size_t) {
    return -ENOSYS;
}
int KernelParport::Fcntl(int, int, int) {
    return -ENOSYS;
}

#endif

}  // namespace zorvex::sim

#include "ports/ppdev_device.h"

#include <cerrno>
#include <cstring>
#include <utility>

#ifdef __linux__
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#endif

namespace zorvex {

#ifdef __linux__

PpdevDevice::PpdevDevice(SystemCalls& calls, std::string path)
    : calls_(calls), path_(std::move(path)) {}

PpdevDevice::~PpdevDevice() {
    if (fd_ < 0) return;
    Release();
    // Closing a device left in EPP mode makes the kernel negotiate back to
    // compatibility mode (pp_release -> parport_negotiate ->
    // parport_ieee1284_terminate), which pulses nInit and asserts nSelectIn
    // on a card that sits released. Setting the mode alone touches no line.
    if (mode_ != IEEE1284_MODE_COMPAT) {
        int compat = IEEE1284_MODE_COMPAT;
        calls_.Ioctl(fd_, PPSETMODE, &compat);
    }
    calls_.Close(fd_);
}

std::string PpdevDevice::Explain(const char* stage, int error) const {
    switch (error) {
        case EACCES:
        case EPERM:
            return path_ + ": permission denied: add your user to group lp and log in again";
        case ENOENT:
            return path_ +
                   ": no such device: load the modules parport_pc and ppdev (sudo modprobe "
                   "parport_pc ppdev)";
        case ENXIO:
        case ENODEV:
            if (std::strcmp(stage, "claim") == 0)
                return path_ +
                       ": cannot be claimed: another driver holds the port (unload the "
                       "printer driver: sudo rmmod lp)";
            return path_ +
                   ": no port behind the device: load the module parport_pc (sudo modprobe "
                   "parport_pc)";
        case EBUSY:
            return path_ + ": busy: another program holds the port; close it and try again";
        default:
            return path_ + ": cannot " + stage + ": " + std::strerror(error);
    }
}

bool PpdevDevice::OpenOnce() {
    if (fd_ >= 0) return true;
    const int fd = calls_.Open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        missing_ = -fd == ENOENT;
        problem_ = Explain("open", -fd);
        return false;
    }
    missing_ = false;
    // Exclusive: neither the printer driver nor another program may take the
    // port between two of our operations, or in the middle of one.
    const int excl = calls_.Ioctl(fd, PPEXCL, nullptr);
    if (excl < 0) {
        problem_ = Explain("open", -excl);
        calls_.Close(fd);
        return false;
    }
    fd_ = fd;
    mode_ = IEEE1284_MODE_COMPAT;
    fastRead_ = false;
    return true;
}

bool PpdevDevice::Claim() {
    if (claimed_) return true;
    if (!OpenOnce()) return false;
    const int claim = calls_.Ioctl(fd_, PPCLAIM, nullptr);
    if (claim < 0) {
        problem_ = Explain("claim", -claim);
        return false;
    }
    problem_.clear();
    claimed_ = true;
    return true;
}

void PpdevDevice::Release() {
    if (!claimed_) return;
    calls_.Ioctl(fd_, PPRELEASE, nullptr);
    claimed_ = false;
}

void PpdevDevice::WriteData(uint8_t value) {
    calls_.Ioctl(fd_, PPWDATA, &value);
}

void PpdevDevice::WriteControl(uint8_t value) {
    calls_.Ioctl(fd_, PPWCONTROL, &value);
}

uint8_t PpdevDevice::ReadData() {
    uint8_t value = 0xFF;
    calls_.Ioctl(fd_, PPRDATA, &value);
    return value;
}

uint8_t PpdevDevice::ReadStatus() {
    uint8_t value = 0xFF;
    calls_.Ioctl(fd_, PPRSTATUS, &value);
    return value;
}

uint8_t PpdevDevice::ReadControl() {
    uint8_t value = 0xFF;
    calls_.Ioctl(fd_, PPRCONTROL, &value);
    return value;
}

void PpdevDevice::SetDataReversed(bool reversed) {
    int direction = reversed ? 1 : 0;
    calls_.Ioctl(fd_, PPDATADIR, &direction);
}

void PpdevDevice::SetMode(int mode) {
    if (mode == mode_) return;
    if (calls_.Ioctl(fd_, PPSETMODE, &mode) == 0) mode_ = mode;
}

void PpdevDevice::SetFastRead(bool on) {
    if (on == fastRead_) return;
    int flags = on ? PP_FASTREAD : 0;
    if (calls_.Ioctl(fd_, PPSETFLAGS, &flags) == 0) fastRead_ = on;
}

bool PpdevDevice::EppWrite(uint8_t value) {
    return calls_.Write(fd_, &value, 1) == 1;
}

bool PpdevDevice::EppRead(uint8_t& value) {
    return calls_.Read(fd_, &value, 1) == 1;
}

ssize_t PpdevDevice::EppWriteRun(const uint8_t* values, size_t count) {
    return calls_.Write(fd_, values, count);
}

ssize_t PpdevDevice::EppReadRun(uint8_t* values, size_t count) {
    return calls_.Read(fd_, values, count);
}

#else  // no ppdev on this platform

PpdevDevice::PpdevDevice(SystemCalls& calls, std::string path)
    : calls_(calls), path_(std::move(path)) {}
PpdevDevice::~PpdevDevice() = default;
bool PpdevDevice::Claim() {
    problem_ = path_ + ": no kernel parallel-port interface on this platform";
    missing_ = true;
    return false;
}
void PpdevDevice::Release() {}
void PpdevDevice::WriteData(uint8_t) {}
void PpdevDevice::WriteControl(uint8_t) {}
uint8_t PpdevDevice::ReadData() {
    return 0xFF;
}
uint8_t PpdevDevice::ReadStatus() {
    return 0xFF;
}
uint8_t PpdevDevice::ReadControl() {
    return 0xFF;
}
void PpdevDevice::SetDataReversed(bool) {}
void PpdevDevice::SetMode(int) {}
void PpdevDevice::SetFastRead(bool) {}
bool PpdevDevice::EppWrite(uint8_t) {
    return false;
}
bool PpdevDevice::EppRead(uint8_t&) {
    return false;
}
ssize_t PpdevDevice::EppWriteRun(const uint8_t*, size_t) {
    return -ENOSYS;
}
ssize_t PpdevDevice::EppReadRun(uint8_t*, size_t) {
    return -ENOSYS;
}

#endif

}  // namespace zorvex

// A host parallel port for QEMU, loaded with LD_PRELOAD: QEMU's
// "-chardev parallel,path=P" opens P and drives it with the ppdev ioctls,
// read and write (chardev/char-parallel.c). Here P is a made-up path, and
// behind it stand the kernel's ppdev emulation and the simulated port with
// the card of a folder that "zorvex-cli sim-create" made. So the guest's own
// kernel (parport_pc, ppdev) drives the project's card, every guest port
// access arriving here as one call.
//
//   ZORVEX_HOST_PORT   the made-up device path QEMU is given
//   ZORVEX_HOST_CARD   the card folder (card.ini, flash.bin, sram.bin)
//   ZORVEX_HOST_COUNTS a file the call counters are kept in (mapped; the
//                      test reads it between cases), optional
//   ZORVEX_HOST_TRACE  a file that gets one line per call, optional: what
//                      "zorvex_emulated_counts --emulate" writes with --trace
//
// The card writes its flash and save RAM back to the folder whenever the
// program releases it, so the test can check them byte for byte.
#include <asm/ioctl.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "link/link_clock.h"
#include "sim/card_config.h"
#include "sim/cartridge.h"
#include "sim/sim_parallel_port.h"
#include "tests/doubles/kernel_parport.h"
#include "tests/kernel/host_counts.h"

namespace {

using zorvex::kernel_test::Count;
using zorvex::kernel_test::HostCounts;
using zorvex::kernel_test::kCountNames;

template <typename F>
F Next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

struct Host {
    std::string path;
    zorvex::sim::CardConfig config;
    std::unique_ptr<zorvex::sim::Cartridge> cartridge;
    std::unique_ptr<zorvex::sim::SimParallelPort> port;
    std::unique_ptr<zorvex::sim::KernelParport> kernel;
    HostCounts* counts = nullptr;
    HostCounts scratch;     // when no counts file was asked for
    int fd = -1;            // the descriptor QEMU holds (a /dev/null of its own)
    int kernelFd = -1;      // the same file in the emulated kernel
    bool reversed = false;  // QEMU's direction bit, which PPWCONTROL leaves out
    FILE* trace = nullptr;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

std::mutex gLock;
Host* gHost = nullptr;

void Fail(const char* text, const std::string& detail) {
    std::fprintf(stderr, "ppdev host: %s%s\n", text, detail.c_str());
    std::_Exit(97);
}

// The card's program and erase times run on the simulated clock, 1 µs per
// access; the program in the guest waits in real time. Never letting the
// simulated clock fall behind the wall clock makes a wait of N ms there at
// least N ms of card time, so an erase ends within the program's patience.
void KeepUpWithWallTime(const Host& host) {
    const auto wall = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - host.start)
                          .count();
    const uint64_t now = zorvex::SimulatedTime::Now();
    if (static_cast<uint64_t>(wall) > now)
        zorvex::SimulatedTime::Advance(static_cast<uint64_t>(wall) - now);
}

HostCounts* MapCounts(const char* path, HostCounts& scratch) {
    if (!path || !*path) return &scratch;
    const int fd =
        Next<int (*)(const char*, int, ...)>("open")(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || ftruncate(fd, sizeof(HostCounts)) != 0) Fail("cannot create ", path);
    void* map = mmap(nullptr, sizeof(HostCounts), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    Next<int (*)(int)>("close")(fd);
    if (map == MAP_FAILED) Fail("cannot map ", path);
    return static_cast<HostCounts*>(map);
}

Host* MakeHost(const char* directory) {
    auto host = std::make_unique<Host>();
    std::string problem;
    if (!directory || !zorvex::sim::LoadCardConfig(directory, host->config, problem))
        Fail("no usable card folder in ZORVEX_HOST_CARD: ", problem);
    host->port = std::make_unique<zorvex::sim::SimParallelPort>(host->config.ports);
    if (const auto* chip = zorvex::sim::FindChip(host->config.chip)) {
        host->cartridge = zorvex::sim::Cartridge::Open(*chip, directory, &problem);
        if (!host->cartridge) Fail("", problem);
        host->port->SetCartridge(host->cartridge.get());
    }
    host->path = std::getenv("ZORVEX_HOST_PORT");
    const uint16_t base = host->config.ports.bases.empty() ? 0x378 : host->config.ports.bases[0];
    host->kernel = std::make_unique<zorvex::sim::KernelParport>(
        *host->port, std::vector<zorvex::sim::KernelDevice>{
                         {host->path, base, zorvex::sim::KernelEpp::Hardware}});
    host->counts = MapCounts(std::getenv("ZORVEX_HOST_COUNTS"), host->scratch);
    if (const char* trace = std::getenv("ZORVEX_HOST_TRACE")) host->trace = std::fopen(trace, "w");
    // QEMU's port after reset (parallel_reset): data 0xFF, control 0x0C.
    host->counts->lastData = 0xFF;
    host->counts->lastControl = 0x0C;
    host->counts->mode = IEEE1284_MODE_COMPAT;
    return host.release();
}

bool IsHostPath(const char* path) {
    const char* wanted = std::getenv("ZORVEX_HOST_PORT");
    return path && wanted && std::strcmp(path, wanted) == 0;
}

int OpenHostPort(const char* path, int flags) {
    std::lock_guard<std::mutex> hold(gLock);
    if (!gHost) gHost = MakeHost(std::getenv("ZORVEX_HOST_CARD"));
    Host& host = *gHost;
    if (host.fd >= 0) {
        errno = EBUSY;
        return -1;
    }
    const int kernelFd = host.kernel->Open(path, flags);
    if (kernelFd < 0) {
        errno = -kernelFd;
        return -1;
    }
    const int fd = Next<int (*)(const char*, int, ...)>("open")("/dev/null", O_RDWR | O_CLOEXEC);
    if (fd < 0) return -1;
    host.fd = fd;
    host.kernelFd = kernelFd;
    ++host.counts->at(Count::Open);
    return fd;
}

bool IsHostFd(int fd) {
    return gHost && fd >= 0 && fd == gHost->fd;
}

// What the emulated kernel answered, as a system call returns it.
long Result(long value) {
    if (value >= 0) return value;
    errno = static_cast<int>(-value);
    return -1;
}

Count IoctlKind(unsigned long request) {
    switch (request) {
        case PPCLAIM:
            return Count::Claim;
        case PPRELEASE:
            return Count::Release;
        case PPSETMODE:
            return Count::SetMode;
        case PPWDATA:
            return Count::WriteData;
        case PPRDATA:
            return Count::ReadData;
        case PPWCONTROL:
            return Count::WriteControl;
        case PPRCONTROL:
            return Count::ReadControl;
        case PPRSTATUS:
            return Count::ReadStatus;
        case PPDATADIR:
            return Count::DataDir;
        default:
            return Count::OtherIoctl;
    }
}

int HostIoctl(unsigned long request, void* argument) {
    std::lock_guard<std::mutex> hold(gLock);
    Host& host = *gHost;
    KeepUpWithWallTime(host);
    HostCounts& counts = *host.counts;
    const Count kind = IoctlKind(request);
    ++counts.at(kind);
    // Only the requests that carry an argument have one to look at.
    switch (request) {
        case PPWDATA:
            counts.lastData = *static_cast<uint8_t*>(argument);
            break;
        case PPWCONTROL: {
            const int byte = *static_cast<uint8_t*>(argument);
            counts.lastControl = (byte & ~0x20) | (host.reversed ? 0x20 : 0);
            break;
        }
        case PPDATADIR:
            host.reversed = *static_cast<int*>(argument) != 0;
            break;
        case PPSETMODE:
            counts.mode = *static_cast<int*>(argument);
            break;
        default:
            break;
    }
    if (host.trace) {
        const char* name = kCountNames[static_cast<size_t>(kind)];
        // Control as the guest wrote it: QEMU passes the direction bit apart.
        if (request == PPWDATA || request == PPWCONTROL)
            std::fprintf(host.trace, "%s %02x\n", name,
                         request == PPWDATA ? counts.lastData : counts.lastControl);
        else if (request == PPDATADIR || request == PPSETMODE)
            std::fprintf(host.trace, "%s %d\n", name, *static_cast<int*>(argument));
        else
            std::fprintf(host.trace, "%s\n", name);
    }
    return static_cast<int>(Result(host.kernel->Ioctl(host.kernelFd, request, argument)));
}

ssize_t HostTransfer(bool write, void* buffer, size_t length) {
    std::lock_guard<std::mutex> hold(gLock);
    Host& host = *gHost;
    KeepUpWithWallTime(host);
    const bool address = (host.counts->mode & IEEE1284_ADDR) != 0;
    HostCounts& counts = *host.counts;
    const ssize_t done = write ? host.kernel->Write(host.kernelFd, buffer, length)
                               : host.kernel->Read(host.kernelFd, buffer, length);
    const Count kind = write ? (address ? Count::EppAddressWrites : Count::EppDataWrites)
                             : (address ? Count::EppAddressReads : Count::EppDataReads);
    ++counts.at(kind);
    if (host.trace)
        std::fprintf(host.trace, "%s %02x\n", kCountNames[static_cast<size_t>(kind)],
                     write ? *static_cast<uint8_t*>(buffer) : 0);
    counts.at(Count::EppBytes) += length;
    if (done != static_cast<ssize_t>(length)) ++counts.at(Count::EppTimeouts);
    return static_cast<ssize_t>(Result(done));
}

int HostClose() {
    std::lock_guard<std::mutex> hold(gLock);
    Host& host = *gHost;
    ++host.counts->at(Count::Close);
    host.kernel->Close(host.kernelFd);
    if (host.cartridge) host.cartridge->Flush();
    const int fd = host.fd;
    host.fd = host.kernelFd = -1;
    return Next<int (*)(int)>("close")(fd);
}

// QEMU may end without closing the device; the card is kept all the same.
__attribute__((destructor)) void FlushAtExit() {
    if (gHost && gHost->trace) std::fclose(gHost->trace);
    if (gHost && gHost->cartridge) gHost->cartridge->Flush();
}

int VariadicMode(int flags, va_list arguments) {
    return (flags & (O_CREAT | O_TMPFILE)) ? va_arg(arguments, int) : 0;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    if (IsHostPath(path)) return OpenHostPort(path, flags);
    va_list arguments;
    va_start(arguments, flags);
    const int mode = VariadicMode(flags, arguments);
    va_end(arguments);
    static auto real = Next<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    if (IsHostPath(path)) return OpenHostPort(path, flags);
    va_list arguments;
    va_start(arguments, flags);
    const int mode = VariadicMode(flags, arguments);
    va_end(arguments);
    static auto real = Next<int (*)(const char*, int, ...)>("open64");
    return real(path, flags, mode);
}

int openat(int directory, const char* path, int flags, ...) {
    if (IsHostPath(path)) return OpenHostPort(path, flags);
    va_list arguments;
    va_start(arguments, flags);
    const int mode = VariadicMode(flags, arguments);
    va_end(arguments);
    static auto real = Next<int (*)(int, const char*, int, ...)>("openat");
    return real(directory, path, flags, mode);
}

int openat64(int directory, const char* path, int flags, ...) {
    if (IsHostPath(path)) return OpenHostPort(path, flags);
    va_list arguments;
    va_start(arguments, flags);
    const int mode = VariadicMode(flags, arguments);
    va_end(arguments);
    static auto real = Next<int (*)(int, const char*, int, ...)>("openat64");
    return real(directory, path, flags, mode);
}

int ioctl(int fd, unsigned long request, ...) {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (IsHostFd(fd)) return HostIoctl(request, argument);
    static auto real = Next<int (*)(int, unsigned long, ...)>("ioctl");
    return real(fd, request, argument);
}

ssize_t read(int fd, void* buffer, size_t length) {
    if (IsHostFd(fd)) return HostTransfer(false, buffer, length);
    static auto real = Next<ssize_t (*)(int, void*, size_t)>("read");
    return real(fd, buffer, length);
}

ssize_t write(int fd, const void* buffer, size_t length) {
    if (IsHostFd(fd)) return HostTransfer(true, const_cast<void*>(buffer), length);
    static auto real = Next<ssize_t (*)(int, const void*, size_t)>("write");
    return real(fd, buffer, length);
}

int close(int fd) {
    if (IsHostFd(fd)) return HostClose();
    static auto real = Next<int (*)(int)>("close");
    return real(fd);
}

}  // extern "C"

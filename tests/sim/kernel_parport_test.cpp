// The emulated kernel parallel port itself: what the kernel does that the
// backends must live with.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <vector>

#include "sim/sim_parallel_port.h"
#include "tests/doubles/kernel_parport.h"

namespace zorvex::sim {
namespace {

constexpr uint16_t kBase = 0x378;

struct Kernel {
    explicit Kernel(KernelEpp epp = KernelEpp::Hardware, int cardPort = 1)
        : port(SimPortSetup{
              {kBase}, cardPort, epp != KernelEpp::Software, epp == KernelEpp::EcpEpp}),
          kernel(port, {KernelDevice{"/dev/parport0", kBase, epp}}) {}
    int OpenClaimed(int flags = O_RDWR | O_NONBLOCK) {
        const int fd = kernel.Open("/dev/parport0", flags);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(kernel.Ioctl(fd, PPEXCL, nullptr), 0);
        EXPECT_EQ(kernel.Ioctl(fd, PPCLAIM, nullptr), 0);
        return fd;
    }
    uint8_t control() { return static_cast<uint8_t>(port.In(kBase + 2) & 0x3F); }
    SimParallelPort port;
    KernelParport kernel;
};

TEST(KernelParport, ClaimRestoresTheDevicesStateAndReleaseSavesIt) {
    Kernel k;
    k.port.Out(kBase + 2, 0x04);
    const int fd = k.OpenClaimed();
    EXPECT_EQ(k.control(), 0x0C);  // a new device starts from the kernel's 0x0C
    uint8_t value = 0x01;
    ASSERT_EQ(k.kernel.Ioctl(fd, PPWCONTROL, &value), 0);
    int reverse = 1;
    ASSERT_EQ(k.kernel.Ioctl(fd, PPDATADIR, &reverse), 0);
    value = 0x04;
    ASSERT_EQ(k.kernel.Ioctl(fd, PPWCONTROL, &value), 0);
    EXPECT_EQ(k.control(), 0x24);  // PPWCONTROL moves the lines only, not the direction
    ASSERT_EQ(k.kernel.Ioctl(fd, PPRCONTROL, &value), 0);
    EXPECT_EQ(value, 0x04);
    ASSERT_EQ(k.kernel.Ioctl(fd, PPRELEASE, nullptr), 0);
    EXPECT_EQ(k.kernel.Ioctl(fd, PPWDATA, &value), -EINVAL);  // not claimed
    k.port.Out(kBase + 2, 0x00);                              // someone else in between
    ASSERT_EQ(k.kernel.Ioctl(fd, PPCLAIM, nullptr), 0);
    EXPECT_EQ(k.control(), 0x24);
    EXPECT_EQ(k.kernel.Close(fd), 0);
}

// Seen through QEMU on the real kernel: ppdev gives the kernel an interrupt
// handler, so on a port with an IRQ every control value the kernel writes
// carries ackIntEn (bit 4); only the lines come back from PPRCONTROL.
TEST(KernelParport, PortWithAnInterruptKeepsAckIntEnInItsControlWrites) {
    SimParallelPort port(SimPortSetup{{kBase}});
    KernelDevice device{"/dev/parport0", kBase};
    device.irq = true;
    KernelParport kernel(port, {device});
    const int fd = kernel.Open("/dev/parport0", O_RDWR);
    ASSERT_EQ(kernel.Ioctl(fd, PPCLAIM, nullptr), 0);
    EXPECT_EQ(port.In(kBase + 2) & 0x3F, 0x1C);
    uint8_t value = 0x01;
    ASSERT_EQ(kernel.Ioctl(fd, PPWCONTROL, &value), 0);
    EXPECT_EQ(port.In(kBase + 2) & 0x3F, 0x11);
    ASSERT_EQ(kernel.Ioctl(fd, PPRCONTROL, &value), 0);
    EXPECT_EQ(value, 0x01);
    EXPECT_EQ(kernel.Close(fd), 0);
}

TEST(KernelParport, ExclusiveDevicesAndTooLatePpexcl) {
    Kernel k;
    const int first = k.OpenClaimed();
    const int second = k.kernel.Open("/dev/parport0", O_RDWR);
    EXPECT_EQ(k.kernel.Ioctl(second, PPCLAIM, nullptr), -ENXIO);  // next to an exclusive one
    EXPECT_EQ(k.kernel.Ioctl(first, PPEXCL, nullptr), 0);         // already exclusive: fine
    k.kernel.Close(first);
    const int third = k.kernel.Open("/dev/parport0", O_RDWR);
    ASSERT_EQ(k.kernel.Ioctl(third, PPCLAIM, nullptr), 0);
    EXPECT_EQ(k.kernel.Ioctl(third, PPEXCL, nullptr), -EINVAL);  // registered already
}

TEST(KernelParport, UnansweredEppTimesOutAndNonBlockingReadsGiveEagain) {
    for (KernelEpp epp : {KernelEpp::Hardware, KernelEpp::EcpEpp, KernelEpp::Software}) {
        Kernel k(epp, /*cardPort=*/0);
        const int fd = k.OpenClaimed();
        int mode = IEEE1284_MODE_EPP;
        ASSERT_EQ(k.kernel.Ioctl(fd, PPSETMODE, &mode), 0);
        uint8_t byte = 0x5A;
        EXPECT_EQ(k.kernel.Write(fd, &byte, 1), 0);
        EXPECT_EQ(k.kernel.Read(fd, &byte, 1), -EAGAIN);
        EXPECT_EQ(k.kernel.Fcntl(fd, F_SETFL, O_RDWR), 0);
        EXPECT_EQ(k.kernel.Read(fd, &byte, 1), -EINTR);  // a blocking read waits for a signal
        // PP_FASTREAD: parport_pc reads a run of more than one byte whole and
        // then fails it with -EIO, none of it copied out; the software
        // handshake, and a single byte, still stop at the first time-out.
        int flags = PP_FASTREAD;
        ASSERT_EQ(k.kernel.Ioctl(fd, PPSETFLAGS, &flags), 0);
        uint8_t run[4] = {1, 2, 3, 4};
        EXPECT_EQ(k.kernel.Read(fd, run, 4), epp == KernelEpp::Software ? -EINTR : -EIO);
        EXPECT_EQ(run[0], 1) << "a failed fast read copied bytes out";
        EXPECT_EQ(k.kernel.Read(fd, run, 1), -EINTR);
        ASSERT_EQ(k.kernel.Ioctl(fd, PPGETFLAGS, &flags), 0);
        EXPECT_EQ(flags, PP_FASTREAD);
        mode = IEEE1284_MODE_COMPAT;
        ASSERT_EQ(k.kernel.Ioctl(fd, PPSETMODE, &mode), 0);
        EXPECT_EQ(k.kernel.Write(fd, &byte, 1), -ENOSYS);  // the printer protocol is not emulated
    }
}

TEST(KernelParport, ClosingOutsideCompatibilityModeNegotiatesBack) {
    Kernel k;
    const int fd = k.OpenClaimed();
    uint8_t value = 0x04;
    ASSERT_EQ(k.kernel.Ioctl(fd, PPWCONTROL, &value), 0);
    int mode = IEEE1284_MODE_EPP;
    ASSERT_EQ(k.kernel.Ioctl(fd, PPSETMODE, &mode), 0);
    ASSERT_EQ(k.kernel.Ioctl(fd, PPRELEASE, nullptr), 0);

    struct Lines final : WireObserver {
        void LinesChanged(uint16_t, const WireLevels& l) override { controls.push_back(l.control); }
        void Cycle(uint16_t, EppCycle, uint8_t, bool) override {}
        std::vector<uint8_t> controls;
    } lines;
    k.port.SetWireObserver(&lines);
    ASSERT_EQ(k.kernel.Close(fd), 0);
    // nInit pulsed low, then nInit high with nSelectIn asserted.
    EXPECT_EQ(lines.controls, (std::vector<uint8_t>{0x00, 0x0C}));
    EXPECT_EQ(k.kernel.openFiles(), 0);
}

TEST(KernelParport, OwnersErrorsComeFromOpenAndClaim) {
    Kernel k;
    k.kernel.device("/dev/parport0")->openError = EACCES;
    EXPECT_EQ(k.kernel.Open("/dev/parport0", O_RDWR), -EACCES);
    EXPECT_EQ(k.kernel.Open("/dev/parport1", O_RDWR), -ENOENT);
    k.kernel.device("/dev/parport0")->openError = 0;
    k.kernel.device("/dev/parport0")->claimError = EBUSY;
    const int fd = k.kernel.Open("/dev/parport0", O_RDWR);
    EXPECT_EQ(k.kernel.Ioctl(fd, PPCLAIM, nullptr), -EBUSY);
}

}  // namespace
}  // namespace zorvex::sim

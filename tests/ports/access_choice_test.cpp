// How a run reaches the machine's ports: every branch of the choice between
// direct port I/O and ppdev, on a prepared kernel port list, without a kernel.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "common/message_sink.h"
#include "ports/link_factory.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

constexpr char kRefused[] = "direct port I/O not permitted (needs CAP_SYS_RAWIO or root)";

// A machine whose ports are an open bus, and whose kernel has no device nodes.
class OpenBus final : public IoInstructions {
  public:
    void Out(uint16_t, uint8_t) override {}
    uint8_t In(uint16_t) override { return 0xFF; }
};

class NoDevices final : public SystemCalls {
  public:
    int Open(const char*, int) override { return -ENOENT; }
    int Close(int) override { return -EBADF; }
    int Ioctl(int, unsigned long, void*) override { return -EBADF; }
    ssize_t Read(int, void*, size_t) override { return -EBADF; }
    ssize_t Write(int, const void*, size_t) override { return -EBADF; }
    int Fcntl(int, int, int) override { return -EBADF; }
};

struct ChoiceCase {
    const char* name;
    bool kernelPort;       // the kernel lists parport0 at 0x378
    bool instructions;     // the processor has inb/outb
    bool granted;          // the kernel grants the I/O range
    const char* variable;  // ZORVEX_PORT_ACCESS
    PortAccessMethod access;
    const char* note;     // accessNote
    const char* message;  // messageText: the run is refused
    bool directAsked;     // the I/O range was asked for
};

void PrintTo(const ChoiceCase& c, std::ostream* out) {
    *out << c.name;
}

class AccessChoice : public testing::TestWithParam<ChoiceCase> {};

TEST_P(AccessChoice, FollowsTheMachineAndTheVariable) {
    const ChoiceCase& c = GetParam();
    test::TempDir parport;
    if (c.kernelPort) {
        std::filesystem::create_directories(parport / "parport0");
        std::ofstream(parport / "parport0/base-addr") << "888\n";
        std::ofstream(parport / "parport0/modes") << "PCSPP,TRISTATE,EPP\n";
    }
    OpenBus bus;
    NoDevices calls;
    bool asked = false;
    MachinePorts machine;
    machine.parportDirectory = parport.path();
    machine.instructions = c.instructions ? &bus : nullptr;
    machine.calls = &calls;
    machine.accessChoice = c.variable;
    machine.requestDirectAccess = [&](uint16_t base, uint16_t, std::string& problem) {
        EXPECT_EQ(base, 0x378);
        asked = true;
        if (!c.granted) problem = kRefused;
        return c.granted;
    };
    NullMessageSink warnings;
    const auto runtime = CreateSystemLinkRuntime(warnings, machine);

    EXPECT_EQ(runtime->access, c.access);
    EXPECT_EQ(runtime->accessNote, c.note);
    EXPECT_EQ(runtime->messageText, c.message);
    EXPECT_EQ(asked, c.directAsked);
    CardLink& link = *runtime->link;
    // A refused run drives no port at all; otherwise the kernel's port is LPT1.
    const bool listed = c.kernelPort && !*c.message;
    EXPECT_EQ(link.PortCount(), listed ? 1 : 0);
    const Detection found = link.DetectCard();
    EXPECT_EQ(found.result, -1);
    const std::string& text = found.text;
    if (!listed) {
        EXPECT_EQ(text.substr(0, text.find('\n')),
                  "Could not detect Ombra Card: no parallel port found");
    }
    if (!c.kernelPort) {
        // What to load, on the second line.
        EXPECT_NE(text.find("\nload the modules parport_pc and ppdev"), std::string::npos) << text;
    }
    if (c.access == PortAccessMethod::None && listed) {
        EXPECT_EQ(text, std::string("Could not detect Ombra Card on Port 1\n") + c.note);
    }
}

const ChoiceCase kCases[] = {
    {"NoKernelPortAsksNothing", false, true, true, "", PortAccessMethod::None, "", "", false},
    {"RootGetsDirect", true, true, true, "", PortAccessMethod::Direct, "", "", true},
    {"WithoutCapabilityPpdev", true, true, false, "", PortAccessMethod::Ppdev,
     "direct port I/O not permitted (needs CAP_SYS_RAWIO or root); using ppdev", "", true},
    {"WithoutInstructionsPpdev", true, false, true, "", PortAccessMethod::Ppdev,
     "direct port I/O is not available on this processor; using ppdev", "", false},
    {"ForcedPpdevNeverAsksDirect", true, true, true, "ppdev", PortAccessMethod::Ppdev, "", "",
     false},
    {"ForcedDirectGranted", true, true, true, "direct", PortAccessMethod::Direct, "", "", true},
    {"ForcedDirectRefusedNoFallback", true, true, false, "direct", PortAccessMethod::None, kRefused,
     "", true},
    {"BadValueRefused", true, true, true, "fast", PortAccessMethod::None, "",
     "ZORVEX_PORT_ACCESS: \"fast\" is neither direct nor ppdev; unset it, or set it to one of "
     "them",
     false},
};

INSTANTIATE_TEST_SUITE_P(Machines, AccessChoice, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ChoiceCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace zorvex

// The card operations over both real-port backends, through the emulated
// kernel parallel port: the card ends up with the right bytes, and each
// operation's wire record under ppdev is the one direct port I/O produces,
// apart from the lines the kernel drives itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/kernel_port_rig.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {
namespace {

using sim::KernelEpp;

constexpr int kImageBanks = 4;  // 64 KiB: every path, in little time
constexpr int kSramBanks = 2;

// The differences ppdev may show against direct port I/O on an ECP+EPP port,
// each caused by the kernel itself around every EPP read and write:
//  - parport_pc_ecpepp_write_addr, _write_data and _read_data call
//    parport_pc_write_control(port, 0x4): control 0x04 (nStrobe released,
//    nInit high) before each cycle, staying until the program's next control
//    write. The program's own 0x04 (the released state) then makes no change
//    of its own, so the 0x04 states are compared in neither record.
//  - parport_pc_ecpepp_read_data calls parport_pc_data_reverse and never
//    undoes it: the data lines are left undriven after an EPP read until the
//    next EPP write (parport_pc_ecpepp_write_* -> parport_pc_data_forward).
//    In EPP the card samples the data lines only inside EPP cycles.
// The EPP cycles themselves, and every other control level, stay identical.
std::vector<WireEvent> WithoutKernelLines(const std::vector<WireEvent>& record) {
    std::vector<WireEvent> out;
    for (WireEvent e : record) {
        if (!e.cycle) {
            if (e.levels.control == 0x04) continue;
            e.levels.data = 0;
            e.levels.dataDriven = true;
        }
        out.push_back(e);
    }
    // What remains of a line change the kernel made and the program then
    // repeated: the same levels twice in a row, with only cycles between.
    std::vector<WireEvent> collapsed;
    bool anyLines = false;
    sim::WireLevels lastLines;
    for (const auto& e : out) {
        if (!e.cycle && anyLines && lastLines == e.levels) continue;
        collapsed.push_back(e);
        if (!e.cycle) {
            anyLines = true;
            lastLines = e.levels;
        }
    }
    return collapsed;
}

std::string Diff(const std::vector<WireEvent>& a, const std::vector<WireEvent>& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    std::string text = "first difference at event " + std::to_string(i) + " of " +
                       std::to_string(a.size()) + "/" + std::to_string(b.size()) + ":";
    for (size_t k = i; k < i + 4; ++k) {
        text += "\n  ppdev: " + (k < a.size() ? Describe(a[k]) : std::string("-"));
        text += "   direct: " + (k < b.size() ? Describe(b[k]) : std::string("-"));
    }
    return text;
}

using Param = std::tuple<uint8_t, bool /*spp*/, KernelEpp>;

class RealPorts : public ::testing::TestWithParam<Param> {
  protected:
    uint8_t chip() const { return std::get<0>(GetParam()); }
    bool spp() const { return std::get<1>(GetParam()); }
    KernelEpp epp() const { return std::get<2>(GetParam()); }

    struct Records {
        std::vector<WireEvent> ppdev, direct;
    };
    // Runs the operation on both rigs; returns their wire records.
    template <typename Op>
    Records All(Op op) {
        op(ppdev);
        op(direct);
        return {ppdev.wire.Take(), direct.wire.Take()};
    }

    // ppdev, its read runs in the kernel's fast mode, against direct port
    // I/O: a run read again would show as extra address cycles.
    void CheckWire(const char* operation, const Records& records) {
        ASSERT_FALSE(records.direct.empty()) << operation;
        auto a = records.ppdev, b = records.direct;
        if (!spp() && epp() == KernelEpp::EcpEpp) {
            a = WithoutKernelLines(a);
            b = WithoutKernelLines(b);
        }
        EXPECT_TRUE(a == b) << operation << ": " << Diff(a, b);
    }

    void SetUp() override {
        for (KernelPortRig* rig : {&ppdev, &direct}) {
            rig->link->SetTransferMode(spp() ? TransferSpp : TransferEpp);
            // Detection engages the card in the mode the last probe chose; the
            // port is selected again so that no EPP cycle opens an SPP run.
            rig->link->ChoosePort(1);
            rig->wire.Take();
        }
    }

    KernelPortRig ppdev{chip(), Backend::Ppdev, epp()};
    KernelPortRig direct{chip(), Backend::Direct, epp()};
    TempDir dir;
};

TEST_P(RealPorts, CardOperationsGiveTheRightBytesAndTheSameWire) {
    const auto image = RomBuilder(kImageBanks * kRomBankSize)
                           .Title("WIRE")
                           .Pattern(0x150, kImageBanks * kRomBankSize, 19)
                           .Build();
    const std::string path = dir / "wire.gb";
    WriteFile(path, image);

    // Send, with the verify pass reading every bank back.
    CheckWire("send", All([&](KernelPortRig& rig) {
                  const SendResult sent = rig.link->SendJob(LoadSendImage(path), {true});
                  ASSERT_EQ(FailureText(sent), "(result 0)");
                  const auto flash = rig.cart.chip().contents();
                  EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
                  EXPECT_EQ(rig.link->card().spp, spp());
              }));

    // Dump: detection, then the pages of every bank.
    CheckWire("dump", All([&](KernelPortRig& rig) {
                  CardOperation operation(rig.link->bus());
                  ASSERT_EQ(FailureText(rig.link->DetectCard()), "(result 0)");
                  std::vector<uint8_t> back(image.size());
                  for (int b = 0; b < kImageBanks; ++b)
                      rig.link->ReadRomPages(b, back.data() + b * kRomBankSize, kRomBankSize / 256);
                  rig.link->ReleaseCard();
                  EXPECT_EQ(back, image);
              }));

    // Save RAM written, then read back into a cleared image.
    CheckWire("save RAM", All([&](KernelPortRig& rig) {
                  CardOperation operation(rig.link->bus());
                  ASSERT_EQ(FailureText(rig.link->OpenCard()), "(result 0)");
                  std::vector<uint8_t> written(kSramBanks * kSramBankSize), back(written.size());
                  for (size_t i = 0; i < written.size(); ++i)
                      written[i] = static_cast<uint8_t>(i * 7 + 3);
                  for (int b = 0; b < kSramBanks; ++b)
                      rig.link->WriteSramBank(b, written.data() + b * kSramBankSize);
                  for (int b = 0; b < kSramBanks; ++b)
                      rig.link->ReadSramBank(b, back.data() + b * kSramBankSize);
                  rig.link->ReleaseCard();
                  EXPECT_EQ(back, written);
                  EXPECT_TRUE(std::equal(written.begin(), written.end(), rig.cart.sram().begin()));
              }));
    // One open per run, however many operations.
    EXPECT_EQ(ppdev.kernel.opens(), 1);
    EXPECT_EQ(direct.kernel.opens(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    ChipModeKernel, RealPorts,
    ::testing::Combine(::testing::Values(uint8_t{4}, uint8_t{16}, uint8_t{64}), ::testing::Bool(),
                       ::testing::Values(KernelEpp::Hardware, KernelEpp::EcpEpp)),
    [](const ::testing::TestParamInfo<Param>& info) {
        return std::to_string(std::get<0>(info.param)) + "M_" +
               (std::get<1>(info.param) ? "SPP" : "EPP") + "_" +
               (std::get<2>(info.param) == KernelEpp::Hardware ? "EppChip" : "EcpEppChip");
    });

// The kernel's initial control value (0x0C, nSelectIn asserted: half the SPP
// address strobe) may reach the lines only at the first claim of a run, and
// only if the lines held something else; and giving the port back at the end
// of the run must not negotiate (nInit pulse, nSelectIn asserted).
TEST(RealPortsClaim, NoKernelControlValueBetweenOperationsOrAtTheEnd) {
    for (Backend backend : {Backend::Ppdev, Backend::Direct}) {
        KernelPortRig rig(16, backend, KernelEpp::Hardware);
        rig.link->SetTransferMode(TransferEpp);
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(rig.link->OpenCard().card.chip, Flash16M);
            rig.link->ReleaseCard();
        }
        rig.link.reset();
        rig.io.reset();  // the end of the run: the device is closed
        for (const auto& e : rig.wire.events) {
            if (e.cycle) continue;
            EXPECT_NE(e.levels.control, 0x0C) << Describe(e);
            EXPECT_NE(e.levels.control, 0x08) << Describe(e);  // the nInit pulse
        }
        EXPECT_EQ(rig.port.levels(KernelPortRig::kBase).control, 0x04);
        EXPECT_EQ(rig.kernel.opens(), 1);
        EXPECT_EQ(rig.kernel.openFiles(), 0);
    }
}

// The SPP release after a failed EPP probe on an ECP chip: the kernel left
// the data lines reversed, and the release must reach the card anyway.
TEST(RealPortsClaim, SppReleaseAfterFailedEppProbeDrivesTheDataLines) {
    KernelPortRig rig(16, Backend::Ppdev, KernelEpp::EcpEpp, /*cardTakesEpp=*/false);
    rig.wire.Take();
    {
        CardOperation operation(rig.link->bus());
        ASSERT_EQ(rig.link->bus().ChooseTransferMode(TransferAuto), 0);
    }
    EXPECT_TRUE(rig.link->bus().spp());
    EXPECT_EQ(rig.port.card().mode(), 0x00) << "the card was not released";
    // Every SPP strobe of the release saw driven data lines.
    for (const auto& e : rig.wire.events) {
        const bool strobe =
            !e.cycle && ((e.levels.control & 0x09) == 0x09 || (e.levels.control & 0x0B) == 0x03);
        if (strobe) {
            EXPECT_TRUE(e.levels.dataDriven) << Describe(e);
        }
    }
}

// Why a port cannot be used reaches the detection message, for both backends.
struct ProblemCase {
    int openError;
    int claimError;
    const char* reason;
};

class RealPortsProblem : public ::testing::TestWithParam<ProblemCase> {};

TEST_P(RealPortsProblem, DetectionSaysWhyOnItsSecondLine) {
    const ProblemCase c = GetParam();
    sim::KernelDevice device;
    device.openError = c.openError;
    device.claimError = c.claimError;
    KernelPortRig rig(16, Backend::Ppdev, KernelEpp::Hardware, true, device);
    EXPECT_EQ(FailureText(rig.link->DetectCard()),
              std::string("Could not detect Ombra Card on Port 1\n/dev/parport0: ") + c.reason);

    // Direct I/O goes ahead without a ppdev device, but never past a holder.
    KernelPortRig direct(16, Backend::Direct, KernelEpp::Hardware, true, device);
    const bool proceeds = c.openError == ENOENT;
    EXPECT_EQ(direct.link->DetectCard().result, proceeds ? 0 : -1);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, RealPortsProblem,
    ::testing::Values(
        ProblemCase{EACCES, 0, "permission denied: add your user to group lp and log in again"},
        ProblemCase{ENOENT, 0,
                    "no such device: load the modules parport_pc and ppdev (sudo modprobe "
                    "parport_pc ppdev)"},
        ProblemCase{0, ENXIO,
                    "cannot be claimed: another driver holds the port (unload the printer "
                    "driver: sudo rmmod lp)"},
        ProblemCase{0, EBUSY, "busy: another program holds the port; close it and try again"}),
    [](const ::testing::TestParamInfo<ProblemCase>& info) {
        const ProblemCase& c = info.param;
        return c.openError != 0 ? std::string("Open_") + strerrorname_np(c.openError)
                                : std::string("Claim_") + strerrorname_np(c.claimError);
    });

// A port that could be used adds no second line to a failure of the card.
TEST(RealPortsProblemText, UsablePortAddsNoSecondLine) {
    KernelPortRig rig(16, Backend::Ppdev, KernelEpp::Hardware);
    rig.port.SetCartridge(nullptr);  // the card answers; its flash is gone
    rig.link->SetTransferMode(TransferSpp);
    EXPECT_EQ(FailureText(rig.link->DetectCard()),
              "Flash memory not present on Ombra Card on Port 1");
}

// Software EPP: the kernel's handshake waits for nWait, which the card does
// not drive outside its own EPP cycles, so EPP fails and Auto keeps SPP.
TEST(RealPortsSoftwareEpp, AutoFallsBackToSppWithTheRightBytes) {
    KernelPortRig rig(4, Backend::Ppdev, KernelEpp::Software);
    const Detection found = rig.link->OpenCard();
    ASSERT_EQ(found.card.saveBanks(), 4) << found.text;
    EXPECT_TRUE(found.card.spp);
    std::vector<uint8_t> bank(kSramBankSize);
    bank[5] = 0x5A;
    rig.link->WriteSramBank(0, bank.data());
    rig.link->ReleaseCard();
    EXPECT_EQ(rig.cart.sram()[5], 0x5A);
    EXPECT_EQ(rig.port.card().mode(), 0x00);
}

}  // namespace
}  // namespace zorvex::test

// The ppdev backend's fewer kernel calls change nothing the card sees: a run
// of EPP data cycles passed in one call ends like the byte-by-byte path when
// the card stops answering part-way, and the control and data writes left
// out never change the wire.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/kernel_port_rig.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {
namespace {

using sim::KernelEpp;

constexpr uint16_t kBase = KernelPortRig::kBase;
constexpr uint16_t kEppData = kBase + 4;
constexpr size_t kRun = 256;

// The port hardware under the emulated kernel, recording every access the
// kernel makes; after `answered` EPP data cycles the card stops answering
// them: they read open bus and set the time-out flag until a status write.
class StopsAnswering final : public PortIo {
  public:
    explicit StopsAnswering(sim::SimParallelPort& port) : port_(port) {}
    void Out(uint16_t address, uint8_t value) override {
        trace.push_back({address, value, true});
        if (address == kEppData && Stopped()) return;
        if (address == kBase + 1) timedOut_ = false;
        port_.Out(address, value);
    }
    uint8_t In(uint16_t address) override {
        uint8_t value = 0xFF;
        if (address != kEppData || !Stopped()) value = port_.In(address);
        if (address == kBase + 1 && timedOut_) value |= 0x01;
        trace.push_back({address, value, false});
        return value;
    }
    int answered = -1;  // -1: all
    std::vector<sim::PortAccess> trace;

  private:
    bool Stopped() {
        if (answered == 0) return timedOut_ = true;
        if (answered > 0) --answered;
        return false;
    }
    sim::SimParallelPort& port_;
    bool timedOut_ = false;
};

struct Outcome {
    std::vector<uint8_t> values;
    std::vector<sim::PortAccess> trace;
    uint64_t calls = 0;
};

// One run of kRun EPP data cycles on a fresh port whose card answers only
// the first `answered`, through the block operation or byte by byte.
Outcome RunOnce(KernelEpp epp, bool write, int answered, bool block) {
    const bool ecp = epp == KernelEpp::EcpEpp;
    sim::SimParallelPort port(sim::SimPortSetup{{kBase}, 1, true, ecp});
    sim::Cartridge cart(*sim::FindChip(16));
    port.SetCartridge(&cart);
    StopsAnswering hardware(port);
    sim::KernelParport kernel(hardware, {{"/dev/parport0", kBase, epp}});
    PpdevPortIo io({{1, kBase, "parport0", static_cast<uint16_t>(kBase + 0x400), ecp, true}},
                   kernel, "/dev");
    Outcome out;
    out.values.resize(kRun);
    for (size_t i = 0; i < kRun; ++i) out.values[i] = static_cast<uint8_t>(i * 13 + 1);
    EXPECT_TRUE(io.BeginOperation(kBase));
    io.Write(kBase, PortRegister::Control, write ? 0x01 : 0x00);  // nWrite as the protocol sets it
    hardware.answered = answered;
    hardware.trace.clear();
    kernel.ResetCalls();
    if (write && block) io.WriteEppData(kBase, out.values.data(), kRun);
    if (write && !block) io.PortCycles::WriteEppData(kBase, out.values.data(), kRun);
    if (!write && block) io.ReadEppData(kBase, out.values.data(), kRun);
    if (!write && !block) io.PortCycles::ReadEppData(kBase, out.values.data(), kRun);
    out.calls = kernel.calls();
    out.trace = hardware.trace;
    io.EndOperation(kBase);
    return out;
}

// The EPP data cycles and status writes of a trace: on an ECP chip the
// kernel sets its mode register and control around every call, which
// differ with the number of calls; on the lines they are the kernel's own.
std::vector<sim::PortAccess> Cycles(const std::vector<sim::PortAccess>& trace) {
    std::vector<sim::PortAccess> out;
    for (const auto& a : trace)
        if (a.address == kEppData || (a.write && a.address == kBase + 1)) out.push_back(a);
    return out;
}

using StopParam = std::tuple<KernelEpp, bool /*write*/, int /*answered*/>;
class BlockStopsShort : public ::testing::TestWithParam<StopParam> {};

TEST_P(BlockStopsShort, EndsLikeTheByteByBytePath) {
    const auto [epp, write, answered] = GetParam();
    const Outcome bytes = RunOnce(epp, write, answered, false);
    const Outcome block = RunOnce(epp, write, answered, true);
    EXPECT_EQ(block.values, bytes.values);
    if (epp == KernelEpp::Hardware)
        EXPECT_TRUE(block.trace == bytes.trace) << "the hardware saw other accesses";
    else
        EXPECT_TRUE(Cycles(block.trace) == Cycles(bytes.trace)) << "other EPP cycles";
    // Every cycle ran once, the unanswered ones included.
    const auto cycles =
        std::count_if(bytes.trace.begin(), bytes.trace.end(),
                      [](const sim::PortAccess& a) { return a.address == kEppData; });
    EXPECT_EQ(cycles, static_cast<long>(kRun));
    if (!write) {
        for (size_t i = static_cast<size_t>(answered); i < kRun; ++i)
            ASSERT_EQ(block.values[i], 0xFF) << "byte " << i << " the card did not answer";
    }
    EXPECT_LE(block.calls, bytes.calls);
}

INSTANTIATE_TEST_SUITE_P(ChipDirectionStop, BlockStopsShort,
                         ::testing::Combine(::testing::Values(KernelEpp::Hardware,
                                                              KernelEpp::EcpEpp),
                                            ::testing::Bool(), ::testing::Values(0, 1, 100, 255)),
                         [](const ::testing::TestParamInfo<StopParam>& info) {
                             return std::string(std::get<0>(info.param) == KernelEpp::Hardware
                                                    ? "EppChip"
                                                    : "EcpEppChip") +
                                    (std::get<1>(info.param) ? "_Write_" : "_Read_") +
                                    std::to_string(std::get<2>(info.param));
                         });

// The card operations with the redundant writes left out and with every
// write made: the same wire, event for event, and fewer calls.
using ElisionParam = std::tuple<uint8_t, bool /*spp*/, KernelEpp>;
class WriteElision : public ::testing::TestWithParam<ElisionParam> {};

TEST_P(WriteElision, LeavesTheWireAsItIs) {
    const auto [chip, spp, epp] = GetParam();
    TempDir dir;
    constexpr int kBanks = 2;
    const auto image = RomBuilder(kBanks * kRomBankSize)
                           .Title("ELIDE")
                           .Pattern(0x150, kBanks * kRomBankSize, 7)
                           .Build();
    const std::string path = dir / "elide.gb";
    WriteFile(path, image);

    std::vector<WireEvent> records[2];
    uint64_t calls[2] = {};
    for (int elide = 0; elide < 2; ++elide) {
        KernelPortRig rig(chip, Backend::Ppdev, epp);
        dynamic_cast<PpdevPortIo&>(*rig.io).SetWriteElision(elide == 1);
        // Without EPP hardware the automatic choice runs its EPP probe through
        // the kernel's software handshake, which moves the control lines
        // behind the backend's back, and then settles on SPP.
        rig.link->transferMode = epp == KernelEpp::Software ? TransferAuto
                                 : spp                      ? TransferSpp
                                                            : TransferEpp;
        rig.link->deepVerify = true;
        rig.link->SelectPort(1);
        ASSERT_EQ(rig.link->SendJob(path), 0) << rig.link->messageText;
        {
            CardOperation operation(*rig.link);
            ASSERT_GT(rig.link->OpenCard(), 0) << rig.link->messageText;
            std::vector<uint8_t> back(kRomBankSize);
            rig.link->ReadRomPages(1, back.data(), kRomBankSize / 256);
            EXPECT_TRUE(std::equal(back.begin(), back.end(), image.begin() + kRomBankSize));
            for (size_t i = 0; i < kSramBankSize; ++i)
                rig.link->sramImage[i] = static_cast<uint8_t>(i);
            rig.link->WriteSramBank(0);
            rig.link->ReadSramBank(0);
            rig.link->ReleaseCard();
        }
        records[elide] = rig.wire.Take();
        calls[elide] = rig.counted.count();
    }
    EXPECT_TRUE(records[0] == records[1]) << "an elided write changed the wire";
    EXPECT_LT(calls[1], calls[0]);
}

std::string ElisionName(const ::testing::TestParamInfo<ElisionParam>& info) {
    static const char* const kKernels[] = {"EppChip", "EcpEppChip", "SoftwareEpp"};
    return std::to_string(std::get<0>(info.param)) + "M_" +
           (std::get<1>(info.param) ? "SPP" : "EPP") + "_" +
           kKernels[static_cast<int>(std::get<2>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(
    ChipModeKernel, WriteElision,
    ::testing::Combine(::testing::Values(uint8_t{4}, uint8_t{64}), ::testing::Bool(),
                       ::testing::Values(KernelEpp::Hardware, KernelEpp::EcpEpp)),
    ElisionName);
INSTANTIATE_TEST_SUITE_P(NoEppHardware, WriteElision,
                         ::testing::Combine(::testing::Values(uint8_t{4}, uint8_t{64}),
                                            ::testing::Values(true),
                                            ::testing::Values(KernelEpp::Software)),
                         ElisionName);

}  // namespace
}  // namespace zorvex::test

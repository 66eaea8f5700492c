// The ppdev backend's fewer kernel calls change nothing the card sees: a run
// of EPP data cycles passed in one call ends like the byte-by-byte path when
// the card stops answering part-way, and the control and data writes left
// out never change the wire.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "link/card_bus.h"
#include "link/card_registers.h"
#include "link/chip_programmer.h"
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
// With `perRun`, every EPP address cycle starts the count again: a card
// that stops answering at the same point of every run it is addressed for.
class StopsAnswering final : public PortIo {
  public:
    explicit StopsAnswering(sim::SimParallelPort& port) : port_(port) {}
    void Out(uint16_t address, uint8_t value) override {
        trace.push_back({address, value, true});
        if (address == kBase + 3 && perRun >= 0) answered = perRun;
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
    int perRun = -1;    // -1: `answered` counts over the whole trace
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

// The simulated card behind the emulated kernel and the ppdev backend.
struct KernelCard {
    explicit KernelCard(KernelEpp epp)
        : port(sim::SimPortSetup{{kBase}, 1, true, epp == KernelEpp::EcpEpp}),
          cart(*sim::FindChip(16)),
          hardware(port),
          kernel(hardware, {{"/dev/parport0", kBase, epp}}),
          io({{1, kBase, "parport0", static_cast<uint16_t>(kBase + 0x400), epp == KernelEpp::EcpEpp,
               true}},
             kernel, "/dev") {
        port.SetCartridge(&cart);
        port.SetWireObserver(&wire);
        EXPECT_TRUE(io.BeginOperation(kBase));
    }
    ~KernelCard() { io.EndOperation(kBase); }
    WireRecorder wire;  // first: the port tells it of the lines until the device is closed
    sim::SimParallelPort port;
    sim::Cartridge cart;
    StopsAnswering hardware;
    sim::KernelParport kernel;
    PpdevPortIo io;
};

struct Outcome {
    std::vector<uint8_t> values;
    std::vector<sim::PortAccess> trace;
    uint64_t calls = 0;
};

// One run of kRun EPP data cycles on a fresh port whose card answers only
// the first `answered`, through the block operation or byte by byte.
Outcome RunOnce(KernelEpp epp, bool write, int answered, bool block) {
    KernelCard card(epp);
    PpdevPortIo& io = card.io;
    Outcome out;
    out.values.resize(kRun);
    for (size_t i = 0; i < kRun; ++i) out.values[i] = static_cast<uint8_t>(i * 13 + 1);
    io.Write(kBase, PortRegister::Control, write ? 0x01 : 0x00);  // nWrite as the protocol sets it
    card.hardware.answered = answered;
    card.hardware.trace.clear();
    card.kernel.ResetCalls();
    if (write && block) io.WriteEppData(kBase, out.values.data(), kRun);
    if (write && !block) io.PortCycles::WriteEppData(kBase, out.values.data(), kRun);
    if (!write && block) io.ReadEppData(kBase, out.values.data(), kRun);
    if (!write && !block) io.PortCycles::ReadEppData(kBase, out.values.data(), kRun);
    out.calls = card.kernel.calls();
    out.trace = card.hardware.trace;
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

// One block run read from the start of the flash by the bus: over ppdev's
// fast mode (a run that timed out is addressed again and read byte by byte),
// or byte by byte throughout.
struct ReadOutcome {
    std::vector<uint8_t> values;
    size_t firstDifference = 0;  // of the run compared with the flash
    bool retried = false;
    std::vector<sim::PortAccess> trace;
    std::vector<WireEvent> wire;
};

// The flash under the run; the byte at kRun / 2 + 1 is the open-bus value,
// so a card that stops answering just before it differs one byte later.
uint8_t FlashByte(size_t i) {
    return i == kRun / 2 + 1 ? 0xFF : static_cast<uint8_t>(i * 7 + 3);
}

ReadOutcome ReadRun(KernelEpp epp, int answered, bool fast, bool compare) {
    KernelCard card(epp);
    test::ReadMode io(card.io, fast);
    CountingClock clock;
    CardBus bus(io, clock);
    bus.SelectBase(kBase);
    std::vector<uint8_t> flash(kRun);
    for (size_t i = 0; i < kRun; ++i) card.cart.chip().contents()[i] = flash[i] = FlashByte(i);
    ReadOutcome out;
    out.values.resize(kRun);
    card.hardware.perRun = answered;
    card.hardware.trace.clear();
    card.wire.Take();
    bus.WriteRegister(card_registers::kRegAddressHigh, 0x00);
    bus.WriteRegister(card_registers::kRegAddressLow, 0x00);
    if (compare) {
        const int at = CompareBlock(bus, RunStart{}, flash.data(), static_cast<int>(kRun));
        out.firstDifference = at < 0 ? kRun : static_cast<size_t>(at);
    } else {
        bus.WriteRegister(card_registers::kRegMode, card_registers::kModeBlock);
        bus.SelectRegister(card_registers::kRegData);
        bus.SetControl(card_registers::kControlRead);
        bus.ReadDataRun(out.values.data(), static_cast<int>(kRun), RunStart{});
    }
    out.retried = io.untrusted > 0;
    out.trace = card.hardware.trace;
    out.wire = card.wire.Take();
    return out;
}

size_t StatusReads(const std::vector<sim::PortAccess>& trace) {
    return static_cast<size_t>(std::count_if(trace.begin(), trace.end(), [](const auto& a) {
        return !a.write && a.address == kBase + 1;
    }));
}

using FastParam = std::tuple<KernelEpp, bool /*compare*/, int /*answered per run*/>;
class FastReadRun : public ::testing::TestWithParam<FastParam> {};

// A run the card answers keeps its wire and costs one status read instead
// of one per byte; a run it stops answering part-way is read again and
// ends exactly as the byte-by-byte read: the same bytes, the same first
// difference.
TEST_P(FastReadRun, EndsExactlyAsTheByteByBytePath) {
    const auto [epp, compare, answered] = GetParam();
    const ReadOutcome bytes = ReadRun(epp, answered, false, compare);
    const ReadOutcome fast = ReadRun(epp, answered, true, compare);
    EXPECT_EQ(fast.values, bytes.values);
    EXPECT_EQ(fast.firstDifference, bytes.firstDifference);
    const bool allAnswered = answered < 0;
    EXPECT_EQ(fast.retried, !allAnswered);
    if (allAnswered) {
        EXPECT_TRUE(fast.wire == bytes.wire) << "a fast read changed the wire";
        // One look at the time-out flag for the run instead of one per byte,
        // and not one access more.
        EXPECT_EQ(StatusReads(fast.trace), StatusReads(bytes.trace) - (kRun - 1));
        EXPECT_EQ(fast.trace.size(), bytes.trace.size() - (kRun - 1));
    }
    // The byte-by-byte path itself: the card's bytes up to where it stopped.
    const size_t stop = allAnswered ? kRun : static_cast<size_t>(answered);
    if (compare) {
        EXPECT_EQ(bytes.firstDifference, stop == kRun / 2 + 1 ? stop + 1 : stop);
    } else {
        for (size_t i = 0; i < kRun; ++i)
            ASSERT_EQ(bytes.values[i], i < stop ? FlashByte(i) : 0xFF) << "byte " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    ChipReadStop, FastReadRun,
    ::testing::Combine(::testing::Values(KernelEpp::Hardware, KernelEpp::EcpEpp), ::testing::Bool(),
                       ::testing::Values(-1, 0, 1, 100, int{kRun / 2 + 1})),
    [](const ::testing::TestParamInfo<FastParam>& info) {
        const int answered = std::get<2>(info.param);
        return std::string(std::get<0>(info.param) == KernelEpp::Hardware ? "EppChip"
                                                                          : "EcpEppChip") +
               (std::get<1>(info.param) ? "_Compare_" : "_Read_") +
               (answered < 0 ? std::string("AllAnswered")
                             : "StopsAfter" + std::to_string(answered));
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
        rig.link->SetTransferMode(epp == KernelEpp::Software ? TransferAuto
                                  : spp                      ? TransferSpp
                                                             : TransferEpp);
        rig.link->ChoosePort(1);
        const SendResult sent = rig.link->SendJob(LoadSendImage(path), {.deepVerify = true});
        ASSERT_EQ(sent.result, 0) << sent.text;
        {
            CardOperation operation(rig.link->bus());
            const Detection card = rig.link->OpenCard();
            ASSERT_EQ(card.result, 0) << card.text;
            std::vector<uint8_t> back(kRomBankSize);
            rig.link->ReadRomPages(1, back.data(), kRomBankSize / 256);
            EXPECT_TRUE(std::equal(back.begin(), back.end(), image.begin() + kRomBankSize));
            for (size_t i = 0; i < kSramBankSize; ++i) back[i] = static_cast<uint8_t>(i);
            rig.link->WriteSramBank(0, back.data());
            rig.link->ReadSramBank(0, back.data());
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

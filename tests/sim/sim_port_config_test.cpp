// card.ini and the run's link pieces built from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>

#include "ports/link_factory.h"
#include "sim/card_config.h"
#include "tests/support/rom_builder.h"

namespace zorvex::sim {
namespace {

void WriteIni(const test::TempDir& dir, const std::string& text) {
    std::ofstream(dir / kCardConfigFile) << text;
}

TEST(SimPortConfig, DefaultsWithoutAFileOrKeys) {
    test::TempDir dir;
    CardConfig config;
    config.chip = 0;
    std::string message;
    ASSERT_TRUE(LoadCardConfig(dir.path(), config, message));
    EXPECT_EQ(config.ports.bases, std::vector<uint16_t>{0x378});
    EXPECT_EQ(config.ports.cardPort, 1);
    EXPECT_TRUE(config.ports.epp);
    EXPECT_EQ(config.chip, 16);
    EXPECT_FALSE(config.realTime) << "tests and sim-create run at full speed";
    WriteIni(dir, "; nothing set\n[ports]\n[card]\nother=1\n");
    ASSERT_TRUE(LoadCardConfig(dir.path(), config, message));
    EXPECT_EQ(config.ports.bases, std::vector<uint16_t>{0x378});
    EXPECT_EQ(config.chip, 16);
}

TEST(SimPortConfig, ReadsEveryKey) {
    test::TempDir dir;
    WriteIni(dir,
             "[Ports]\r\n bases = 0x3BC, 378,0xd010 \r\ncardPort=3\r\nepp=0\r\n"
             "[card]\r\nchip=64m\r\nrealtime=1\r\n");
    CardConfig config;
    std::string message;
    ASSERT_TRUE(LoadCardConfig(dir.path(), config, message)) << message;
    EXPECT_EQ(config.ports.bases, (std::vector<uint16_t>{0x3BC, 0x378, 0xD010}));
    EXPECT_EQ(config.ports.cardPort, 3);
    EXPECT_FALSE(config.ports.epp);
    EXPECT_EQ(config.chip, 64);
    EXPECT_TRUE(config.realTime);

    // The written form reads back to the same machine.
    WriteIni(dir, FormatCardConfig(config));
    CardConfig again;
    ASSERT_TRUE(LoadCardConfig(dir.path(), again, message)) << message;
    EXPECT_EQ(again.ports.bases, config.ports.bases);
    EXPECT_EQ(again.ports.cardPort, 3);
    EXPECT_FALSE(again.ports.epp);
    EXPECT_EQ(again.chip, 64);
    EXPECT_TRUE(again.realTime);

    for (const char* chip : {"4M", "16M", "none"}) {
        WriteIni(dir, std::string("[card]\nchip=") + chip + "\n[ports]\nbases=\ncardPort=0\n");
        ASSERT_TRUE(LoadCardConfig(dir.path(), config, message)) << chip;
        EXPECT_STREQ(ChipName(config.chip), chip);
        EXPECT_TRUE(config.ports.bases.empty());
    }
}

TEST(SimPortConfig, UnusableValuesAreReportedNotGuessed) {
    test::TempDir dir;
    for (const char* text : {
             "[ports]\nbases=0x378,zz\n",
             "[ports]\nbases=0x378,,0x278\n",
             "[ports]\nbases=0\n",
             "[ports]\nbases=0xFFFE\n",  // its five registers would not fit
             "[ports]\nbases=1,2,3,4,5,6,7,8,9\n",
             "[ports]\ncardPort=9\n",
             "[ports]\ncardPort=2\n",  // only one port listed
             "[ports]\nepp=yes\n",
             "[card]\nchip=32M\n",
             "[card]\nrealtime=yes\n",
             "[ports\nbases=0x378\n",
             "[ports]\nbases 0x378\n",
         }) {
        WriteIni(dir, text);
        CardConfig config;
        config.chip = 4;
        std::string message;
        EXPECT_FALSE(LoadCardConfig(dir.path(), config, message)) << text;
        EXPECT_NE(message.find("card.ini"), std::string::npos) << text;
        EXPECT_EQ(config.chip, 16) << text;  // left at the defaults
        EXPECT_EQ(config.ports.bases, std::vector<uint16_t>{0x378}) << text;
    }
}

TEST(SimPortFactory, SimulatedRunUsesTheConfiguredPorts) {
    test::TempDir dir;
    WriteIni(dir, "[ports]\nbases=0x278,0x378\ncardPort=2\nepp=1\n");
    NullMessageSink sink;
    auto run = CreateSimulatedLinkRuntime(dir.path(), sink);
    ASSERT_TRUE(run->messageText.empty()) << run->messageText;
    ASSERT_TRUE(run->simPort);
    EXPECT_EQ(run->simPort, run->portIo.get());
    EXPECT_TRUE(run->simulated);
    EXPECT_EQ(run->simDirectory, dir.path());
    CardLink& link = *run->link;
    EXPECT_EQ(link.PortCount(), 2);
    EXPECT_EQ(link.PortBase(1), 0x278);
    EXPECT_EQ(link.PortBase(2), 0x378);
    EXPECT_EQ(run->simPort->cardBase(), 0x378);
    EXPECT_EQ(link.bus().ChooseTransferMode(TransferAuto), 1);  // LPT1 holds no card
    link.ChoosePort(2);
    EXPECT_EQ(link.bus().ChooseTransferMode(TransferAuto), 0);
    EXPECT_FALSE(link.bus().spp());
    // Waits of a simulated run are counted, never slept.
    run->link->clock().Sleep(100000);
    EXPECT_EQ(dynamic_cast<CountingClock&>(link.clock()).totalMilliseconds, 100000u);
}

// Thread CPU time, to tell sleeping from spinning.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

TEST(SimPortFactory, RealTimeCardSleepsTheModelledTimeWithoutSpinning) {
    test::TempDir dir;
    WriteIni(dir, "[card]\nchip=16M\nrealtime=1\n");
    NullMessageSink sink;
    auto run = CreateSimulatedLinkRuntime(dir.path(), sink);
    ASSERT_TRUE(run->messageText.empty()) << run->messageText;
    ASSERT_TRUE(run->simPort);
    EXPECT_NE(run->simPort, run->portIo.get());

    // 40,000 accesses at 1 µs and 60 ms of protocol waits: at least 100 ms.
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    const uint64_t before = run->simPort->accessCount();
    for (int i = 0; i < 20000; ++i) {
        run->portIo->Write(0x378, PortRegister::Control, 0x04);
        run->portIo->Read(0x378, PortRegister::Status);
    }
    for (int i = 0; i < 3; ++i) run->link->clock().Sleep(20);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(run->simPort->accessCount() - before, 40000u) << "every access reaches the card";
    EXPECT_GE(wall, 0.09);  // less the last few milliseconds not yet slept
    EXPECT_LT(CpuSeconds() - cpuStart, wall / 2) << "the time is slept, not spun";
}

// A wall clock that never waits: a sleep moves its time to the end at once,
// and every reading may find it further on, as on a machine slower than the
// hardware model.
class SteppedWallClock final : public WallClock {
  public:
    explicit SteppedWallClock(std::chrono::microseconds perReading) : perReading_(perReading) {}
    TimePoint Now() override { return now_ += perReading_; }
    void SleepUntil(TimePoint when) override { now_ = std::max(now_, when); }
    std::chrono::duration<double> Elapsed() const { return now_ - TimePoint{}; }

  private:
    std::chrono::microseconds perReading_;
    TimePoint now_{};
};

struct RealTimeSendCase {
    const char* name;
    bool epp;
    int lagMicros;  // wall time each reading of the clock finds added
};

class RealTimeSixteenMeg : public testing::TestWithParam<RealTimeSendCase> {};

// The 16M chip's erase takes 20.8 s of simulated time; the driver waits for it
// in wall time. The send must complete in both modes, on a machine as fast as
// the model and on a slower one, and the card's time must keep up with the
// wall clock.
TEST_P(RealTimeSixteenMeg, SendCompletesAfterTheChipErase) {
    test::TempDir dir;
    WriteIni(dir, std::string("[ports]\nepp=") + (GetParam().epp ? "1" : "0") +
                      "\n[card]\nchip=16M\nrealtime=1\n");
    test::WriteFile(dir / "game.gb", test::RomBuilder(0x8000).Pattern(0x150, 0x8000, 7).Build());
    auto wall = std::make_shared<SteppedWallClock>(std::chrono::microseconds(GetParam().lagMicros));
    NullMessageSink sink;
    auto run = CreateSimulatedLinkRuntime(dir.path(), sink, wall);
    ASSERT_TRUE(run->messageText.empty()) << run->messageText;
    const uint64_t simulatedBefore = SimulatedTime::Now();
    const double wallBefore = wall->Elapsed().count();

    const SendResult sent = run->link->SendJob(LoadSendImage(dir / "game.gb"), {});
    ASSERT_EQ(sent.result, 0) << sent.text;
    EXPECT_EQ(run->link->card().chip, Flash16M);
    const double wallSeconds = wall->Elapsed().count() - wallBefore;
    const double simulatedSeconds =
        static_cast<double>(SimulatedTime::Now() - simulatedBefore) / 1e6;
    EXPECT_GE(wallSeconds, 20.8) << "the erase is waited in full";
    EXPECT_GE(simulatedSeconds, wallSeconds - 0.01) << "the card's time never falls behind";
}

INSTANTIATE_TEST_SUITE_P(SimPortFactory, RealTimeSixteenMeg,
                         testing::Values(RealTimeSendCase{"Epp", true, 0},
                                         RealTimeSendCase{"Spp", false, 0},
                                         RealTimeSendCase{"EppSlowMachine", true, 3000},
                                         RealTimeSendCase{"SppSlowMachine", false, 3000}),
                         [](const testing::TestParamInfo<RealTimeSendCase>& info) {
                             return info.param.name;
                         });

TEST(SimPortFactory, SetupProblemsLeaveARunWithoutPorts) {
    test::TempDir dir;
    WriteIni(dir, "[ports]\nbases=nonsense\n");
    NullMessageSink sink;
    for (const std::string& path : {dir.path(), dir / "missing"}) {
        auto run = CreateSimulatedLinkRuntime(path, sink);
        EXPECT_FALSE(run->messageText.empty()) << path;
        EXPECT_EQ(run->link->PortCount(), 0) << path;
        ASSERT_TRUE(run->simPort);
        EXPECT_EQ(run->simPort->accessCount(), 0u) << path;
    }
}

TEST(SimPortFactory, VariableChoosesTheSimulatedCard) {
    test::TempDir dir;
    WriteIni(dir, "[ports]\nbases=0x3bc,0x278\n");
    ASSERT_EQ(setenv(kSimulatedCardVariable, dir.path().c_str(), 1), 0);
    NullMessageSink sink;
    auto run = CreateLinkRuntime(sink);
    unsetenv(kSimulatedCardVariable);
    EXPECT_TRUE(run->simulated);
    EXPECT_EQ(run->link->PortBase(1), 0x3BC);
    EXPECT_TRUE(run->link->bus().spp());  // the card is on LPT1 at 0x3BC: SPP only
    EXPECT_GT(run->simPort->accessCount(), 0u);
}

}  // namespace
}  // namespace zorvex::sim

#include "common/transfer_meter.h"

#include <gtest/gtest.h>

namespace zorvex {
namespace {

class TransferMeterTest : public ::testing::Test {
  protected:
    double now = 100;
    SecondsClock clock = [this] { return now; };
};

TEST_F(TransferMeterTest, LineShowsPhaseKibSpeedAndTimeLeftOfTheWholeTransfer) {
    // A verified send of 2 MiB: 4 MiB of work.
    TransferMeter meter(clock, 4 << 20);
    meter.Update("write", 0, 2 << 20, 0);
    now += 4;
    meter.Update("write", 512 << 10, 2 << 20, 512 << 10);
    // 128 KiB/s; 3.5 MiB left of the work is 28 s.
    EXPECT_EQ(meter.Line(0), "write  [####" + std::string(36, ' ') +
                                 "]  12%  512/2048 KiB  128.0 KiB/s  0:28 left");

    // The verify measures its own speed from its first update.
    meter.Update("verify", 0, 2 << 20, 2 << 20);
    EXPECT_NE(meter.Line(0).find("0/2048 KiB  -- KiB/s  --:-- left"), std::string::npos)
        << meter.Line(0);
    now += 2;
    meter.Update("verify", 1 << 20, 2 << 20, 3 << 20);
    EXPECT_NE(meter.Line(0).find("]  75%  1024/2048 KiB  512.0 KiB/s  0:02 left"),
              std::string::npos)
        << meter.Line(0);

    now += 2;
    meter.Update("verify", 2 << 20, 2 << 20, 4 << 20);
    EXPECT_NE(meter.Line(0).find("[" + std::string(40, '#') + "] 100%"), std::string::npos);
    EXPECT_NE(meter.Line(0).find("0:00 left"), std::string::npos);
    EXPECT_EQ(meter.Summary("written and verified", 2 << 20),
              "2048 KiB written and verified in 8.0 s, 256.0 KiB/s");
}

TEST_F(TransferMeterTest, EraseCountsItsTypicalTimeAndTheBarFitsTheTerminal) {
    // A job's report: 8.3 s waited of the chip's typical 20.8 s erase, before
    // the 64 banks of a verified 1 MiB send.
    TransferMeter meter(clock, 0);
    meter.Update(TransferProgress{"erase", 8300, 20800, 0, 2 << 20, 0, 64});
    now += 14;
    const std::string line = meter.Line(0);
    EXPECT_EQ(line.rfind("erase  [###############", 0), 0u) << line;
    EXPECT_NE(line.find("  39%  8.3/20.8 s  -- KiB/s  0:13 left"), std::string::npos) << line;
    EXPECT_EQ(meter.PhaseText(), "Erasing the chip");

    // Narrowed to leave the last column free, down to a bar of 10.
    for (int columns : {80, 70, 100}) {
        SCOPED_TRACE(columns);
        EXPECT_EQ(meter.Line(columns).size(), std::min<size_t>(columns - 1, line.size()));
    }
    EXPECT_NE(meter.Line(20).find("[###       ]"), std::string::npos);

    // The write that follows counts the whole transfer's work again.
    meter.Update(TransferProgress{"write", 3 << 14, 1 << 20, 3 << 14, 2 << 20, 3, 64});
    EXPECT_EQ(meter.PhaseText(), "Writing bank 4 of 64");
    EXPECT_EQ(meter.percent(), 2);
}

TEST_F(TransferMeterTest, ClockAndSummaryUnits) {
    EXPECT_EQ(FormatClock(7.4), "0:07");
    EXPECT_EQ(FormatClock(754), "12:34");
    EXPECT_EQ(FormatClock(3723), "1:02:03");
    TransferMeter meter(clock, 1000);
    now += 90;
    // Under a whole KiB, and over a minute.
    EXPECT_EQ(meter.Summary("read", 1000), "1.0 KiB read in 1:30, 0.0 KiB/s");
    TransferMeter instant(clock, 8192);
    EXPECT_EQ(instant.Summary("read", 8192), "8 KiB read in 0.0 s");
}

}  // namespace
}  // namespace zorvex

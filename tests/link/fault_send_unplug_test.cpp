// The card pulled out of the port at every phase of a send: detection, the
// erase, each bank written and each bank verified, on every chip in both
// transfer modes; and, sending again with "skip unchanged banks" to a card
// that holds all of the image but its last bank, while the card is compared
// and while the banks it already holds are skipped. The job must come back with a message (or,
// where nothing that mattered was lost, with the image really on the card) and never spin.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/rom_builder.h"
#include "tests/support/sim_card_rig.h"

namespace zorvex {
namespace {

using test::RomBuilder;
using test::TempDir;

// A card sent to with Deep Verify on. The job must not keep talking to a card
// that is gone far longer than any bounded poll could: past `limit` accesses
// the tap throws (the only way out of a loop that never ends).
struct UnplugRig : test::SimCardRig {
    UnplugRig(uint8_t chip, uint8_t mode, const std::vector<uint8_t>* held,
              uint64_t limit = UINT64_MAX)
        : SimCardRig(chip, {.mode = mode}), resend(held != nullptr) {
        if (held) std::copy(held->begin(), held->end(), cart.chip().contents().begin());
        tap.onAccess = [this, limit](uint64_t n) {
            if (n > limit) throw std::runtime_error("the job never stopped talking to the port");
            if (onAccess) onAccess(n);
        };
    }
    SendResult Send(const std::string& path) { return SimCardRig::Send(path, true, {}, resend); }
    uint64_t erases() {
        const auto& s = cart.chip().stats();
        return s.chipErases + s.blockErases;
    }
    std::function<void(uint64_t)> onAccess;
    bool resend;
};

// Four banks with different content, so every bank is written and verified;
// sixteen on the 64M chip when sent again, so that a whole erase block is
// skipped.
std::vector<uint8_t> Image(uint8_t chip, bool resend) {
    const int size = resend && chip == 64 ? 0x40000 : 0x10000;
    return RomBuilder(size).Pattern(0x150, size, 7).Build();
}

// What the card holds before a send again: the image with its last bank changed.
std::vector<uint8_t> HeldBefore(const std::vector<uint8_t>& image) {
    std::vector<uint8_t> held = image;
    held[held.size() - 100] ^= 0x5A;
    return held;
}

// The access numbers at which a clean send moves to its next phase: the chip
// identified, an erase started, the progress moved on to the next bank (writes
// first, then the verify pass), plus the points halfway between them and a few
// inside the detection handshake.
std::vector<uint64_t> PhasePoints(uint8_t chip, uint8_t mode, const std::string& path,
                                  const std::vector<uint8_t>* held, uint64_t& total) {
    UnplugRig rig(chip, mode, held);
    std::set<uint64_t> points{1, 2, 3, 5, 9, 17, 33, 65, 129};
    int lastType = -1, lastPercent = -1;
    uint64_t lastErases = 0;
    rig.onAccess = [&](uint64_t n) {
        const int type = rig.link->card().chip;
        const int percent = rig.monitor.percent;
        const uint64_t erases = rig.erases();
        if (type != lastType || percent != lastPercent || erases != lastErases) points.insert(n);
        lastType = type;
        lastPercent = percent;
        lastErases = erases;
    };
    const SendResult sent = rig.Send(path);
    EXPECT_EQ(sent.result, 0) << sent.text;
    total = rig.tap.count;
    std::vector<uint64_t> sorted(points.begin(), points.end());
    std::vector<uint64_t> all = sorted;
    for (size_t i = 0; i + 1 < sorted.size(); ++i) all.push_back((sorted[i] + sorted[i + 1]) / 2);
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    all.erase(std::remove_if(all.begin(), all.end(), [&](uint64_t p) { return p >= total; }),
              all.end());
    return all;
}

class SendUnplugged
    : public ::testing::TestWithParam<std::tuple<uint8_t, uint8_t, bool /*send again*/>> {};

TEST_P(SendUnplugged, AtEveryPhaseTheJobEndsWithAMessage) {
    const auto [chip, mode, resend] = GetParam();
    TempDir dir;
    const std::string path = dir / "game.gb";
    const auto image = Image(chip, resend);
    test::WriteFile(path, image);
    const std::vector<uint8_t> held = HeldBefore(image);
    const std::vector<uint8_t>* before = resend ? &held : nullptr;
    uint64_t total = 0;
    const auto points = PhasePoints(chip, mode, path, before, total);
    ASSERT_GT(points.size(), 20u);  // detection, erase, 4 banks written, 4 verified
    for (uint8_t floating : {uint8_t{0xFF}, uint8_t{0x00}}) {
        int failures = 0;
        for (uint64_t at : points) {
            SCOPED_TRACE(testing::Message() << "unplugged after access " << at << " of " << total
                                            << " floating " << int(floating));
            // A bounded job ends within a few of its own lengths plus the
            // slow polls of a chip that never reports ready.
            UnplugRig rig(chip, mode, before, 40 * total + 2'000'000);
            rig.faulty.UnplugAfter(at, floating);
            SendResult sent;
            ASSERT_NO_THROW(sent = rig.Send(path));
            if (sent.result == 0) {
                // Only the very end of the job may go unnoticed, and then the
                // card must really hold the image.
                EXPECT_TRUE(
                    std::equal(image.begin(), image.end(), rig.cart.chip().contents().begin()));
            } else {
                EXPECT_EQ(sent.result, -1);
                EXPECT_FALSE(sent.text.empty());
                ++failures;
            }
        }
        // Losing the card before the last verify read cannot go unnoticed.
        EXPECT_GE(failures, static_cast<int>(points.size()) - 2);
    }
}

INSTANTIATE_TEST_SUITE_P(ChipsAndModes, SendUnplugged,
                         ::testing::Combine(::testing::Values(uint8_t{4}, uint8_t{16}, uint8_t{64}),
                                            ::testing::Values(uint8_t{TransferSpp},
                                                              uint8_t{TransferEpp}),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return std::to_string(std::get<0>(info.param)) + "M_" +
                                    (std::get<1>(info.param) == TransferSpp ? "Spp" : "Epp") +
                                    (std::get<2>(info.param) ? "_SkipUnchanged" : "");
                         });

TEST(SendUnpluggedThenReplugged, ReplacedCardAfterAFailedSendTakesTheNextJob) {
    // The failed job leaves nothing behind that the next job trips over.
    TempDir dir;
    const std::string path = dir / "game.gb";
    const auto image = Image(4, false);
    test::WriteFile(path, image);
    for (uint8_t chip : {4, 16, 64}) {
        SCOPED_TRACE(testing::Message() << int(chip) << "M");
        UnplugRig rig(chip, TransferEpp, nullptr);
        rig.faulty.UnplugAfter(5000, 0x00);
        const SendResult failed = rig.Send(path);
        ASSERT_EQ(failed.result, -1);
        EXPECT_FALSE(failed.text.empty());
        rig.faulty.Replug();
        rig.cart.PowerOn();
        const SendResult sent = rig.Send(path);
        ASSERT_EQ(sent.result, 0) << sent.text;
        EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.cart.chip().contents().begin()));
    }
}

}  // namespace
}  // namespace zorvex

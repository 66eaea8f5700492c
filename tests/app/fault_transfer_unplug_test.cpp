// The desktop path of a send that loses the card half-way: the job ends with
// one "Error" box, the window comes back enabled with its watch timer running,
// and the next send on the card put back works.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "ports/link_factory.h"
#include "sim/fault_injector.h"
#include "tests/app/app_test_support.h"

namespace zorvex::test {
namespace {

using namespace zorvex::app;

TEST(TransferJobUnplugged, CardPulledDuringTheWriteEndsTheJobAndTheWindowWorksAgain) {
    TestApp();
    WorkingDir dir;
    TempDir card;
    std::ofstream(card / "card.ini") << "[ports]\nbases=0x378\n[card]\nchip=64M\n";
    ScriptedPrompts prompts;
    GuiThreadMessageSink warnings;
    warnings.SetPrompts(&prompts);
    auto runtime = CreateSimulatedLinkRuntime(card.path(), warnings);
    ASSERT_TRUE(runtime->messageText.empty()) << runtime->messageText;
    sim::FaultyPort faulty(*runtime->simPort);
    CardLink link(faulty, *runtime->portSource, *runtime->clock, warnings);
    MainWindowOptions options;
    options.settingsIniPath = dir.settingsPath();
    auto window = std::make_unique<MainWindow>(link, prompts, options);
    ASSERT_TRUE(window->Initialise());
    window->show();
    ASSERT_TRUE(WaitFor([&] { return window->firstTickDone; }));
    prompts.messages.clear();

    const auto rom =
        RomBuilder(0x40000).Title("UNPLUG").RomSizeCode(3).Pattern(0x150, 0x40000, 3).Build();
    WriteFile(dir / "game.gb", rom);
    // Well past detection, inside the writing of the first banks; the lines
    // float low, so every status poll sees a chip that stays busy.
    faulty.UnplugAfter(150000, 0x00);
    window->StartTransferJob("game.gb");
    ASSERT_TRUE(WaitFor([&] { return window->job().done && !window->progress().IsOpen(); }, 60000))
        << "the job never ended";
    EXPECT_TRUE(faulty.unplugged());
    EXPECT_NE(window->job().result.result, 0);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].caption, "Error");
    EXPECT_FALSE(prompts.messages[0].text.empty());
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(window->TimerActive(kWatchTimerId));
    EXPECT_FALSE(window->TimerActive(kJobTimerId));

    // The card back in its port: the same window sends the file.
    faulty.Replug();
    prompts.messages.clear();
    window->StartTransferJob("game.gb");
    ASSERT_TRUE(WaitFor([&] { return window->job().done && !window->progress().IsOpen(); }, 60000));
    EXPECT_EQ(window->job().result.result, 0);
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
    for (uint16_t a = 0; a < 0x4000; ++a) ASSERT_EQ(runtime->cartridge->Read(a), rom[a]) << a;
    EXPECT_TRUE(window->isEnabled());
    window.reset();
}

}  // namespace
}  // namespace zorvex::test

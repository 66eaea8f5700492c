#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <condition_variable>
#include <fstream>
#include <mutex>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "app/savegame_manager.h"
#include "pack/menu_program.h"
#include "pack/pack_builder.h"
#include "ports/link_factory.h"
#include "tests/app/app_test_support.h"

namespace zorvex::test {
namespace {

using namespace zorvex::app;

// Passes port accesses through, but holds the worker once the job has
// reached a chosen percentage, until the test lets it go. This pins the job
// in the middle of writing without any timing assumption.
class GatedPortIo final : public PortIo {
  public:
    explicit GatedPortIo(PortIo& inner) : inner_(inner) {}
    void Out(uint16_t address, uint8_t value) override {
        MaybeWait();
        inner_.Out(address, value);
    }
    uint8_t In(uint16_t address) override {
        MaybeWait();
        return inner_.In(address);
    }
    void GateAt(const JobMonitor* monitor, int percent) {
        monitor_ = monitor;
        gatePercent_ = percent;
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        cv_.notify_all();
    }
    std::atomic<bool> waiting{false};

  private:
    void MaybeWait() {
        const int gate = gatePercent_;
        if (gate < 0 || !monitor_ || monitor_->percent < gate) return;
        gatePercent_ = -1;
        waiting = true;
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [this] { return released_; });
        waiting = false;
    }
    PortIo& inner_;
    const JobMonitor* monitor_ = nullptr;
    std::atomic<int> gatePercent_{-1};
    std::mutex mutex_;
    std::condition_variable cv_;
    bool released_ = false;
};

// A main window on the simulated machine: one port with a 64M card.
struct SimulatedDesk {
    explicit SimulatedDesk(MainWindowOptions options = {}) {
        TestApp();
        std::ofstream(card / "card.ini") << "[ports]\nbases=0x378\n[card]\nchip=64M\n";
        warnings.SetPrompts(&prompts);
        runtime = CreateSimulatedLinkRuntime(card.path(), warnings);
        EXPECT_TRUE(runtime->messageText.empty()) << runtime->messageText;
        gated = std::make_unique<GatedPortIo>(*runtime->simPort);
        link = std::make_unique<CardLink>(*gated, *runtime->portSource, *runtime->clock, warnings);
        options.settingsIniPath = dir.settingsPath();
        window = std::make_unique<MainWindow>(*link, prompts, options);
        EXPECT_TRUE(window->Initialise());
        window->show();
        EXPECT_TRUE(WaitFor([&] { return window->firstTickDone; }));
        prompts.messages.clear();  // start-up boxes (a missing emu.cfg) are not the test's
    }
    ~SimulatedDesk() {
        gated->Release();
        WaitFor([&] { return window->job().done.load(); });
        window.reset();
    }
    bool JobFinished() { return window->job().done && !window->progress().IsOpen(); }

    WorkingDir dir;
    TempDir card;
    ScriptedPrompts prompts;
    GuiThreadMessageSink warnings;
    std::unique_ptr<LinkRuntime> runtime;
    std::unique_ptr<GatedPortIo> gated;
    std::unique_ptr<CardLink> link;
    std::unique_ptr<MainWindow> window;
};

std::vector<uint8_t> BigRom() {
    return RomBuilder(0x100000).Title("BIGSEND").RomSizeCode(5).Pattern(0x150, 0x100000, 7).Build();
}

TEST(TransferJob, SendsToTheSimulatedCardWithProgressAndResumesTheWatch) {
    SimulatedDesk desk;
    MainWindow& window = *desk.window;
    const std::vector<uint8_t> rom = BigRom();
    WriteFile(desk.dir / "big.gb", rom);
    desk.gated->GateAt(&window.monitor(), 40);

    window.StartTransferJob("big.gb");
    EXPECT_TRUE(window.progress().IsOpen());
    EXPECT_FALSE(window.isEnabled());
    EXPECT_FALSE(window.TimerActive(kWatchTimerId));
    EXPECT_TRUE(window.TimerActive(kJobTimerId));
    EXPECT_EQ(window.TimerPeriod(kJobTimerId), kJobTimerPeriod);
    ASSERT_TRUE(WaitFor([&] { return desk.gated->waiting.load(); }, 20000));

    // The job timer carries the worker's progress to the window.
    ASSERT_TRUE(WaitFor([&] { return window.progress().bar()->value() >= 40; }));
    EXPECT_EQ(window.progress().percentText(),
              QString::number(window.progress().bar()->value()) + "%");
    // The caption carries the percentage; the lines under the bar name the
    // game, the phase with its bank, the speed and the time left.
    EXPECT_EQ(window.progress().windowTitle(), window.progress().percentText() + " - Transfer");
    const QString details = window.progress().jobDetailsText();
    EXPECT_TRUE(details.startsWith("BIGSEND\nWriting bank ")) << details.toStdString();
    EXPECT_TRUE(details.contains(" of 64\n") && details.contains(" left")) << details.toStdString();

    // The close box cannot end the program under a running job.
    window.close();
    EXPECT_TRUE(window.isVisible());

    // A change made while the job runs waits for the job to end.
    WriteFile(desk.dir / "roms/late.gb", RomBuilder().Title("LATE").Build());
    Wait(1300);
    EXPECT_EQ(window.libraryRows().Count(), 0);

    desk.gated->Release();
    ASSERT_TRUE(WaitFor([&] { return desk.JobFinished(); }, 30000));
    EXPECT_EQ(window.job().result.result, 0);
    EXPECT_TRUE(desk.prompts.messages.empty()) << desk.prompts.messages[0].text;
    EXPECT_TRUE(window.isEnabled());
    EXPECT_FALSE(window.TimerActive(kJobTimerId));
    EXPECT_TRUE(window.TimerActive(kWatchTimerId));
    EXPECT_EQ(window.TimerPeriod(kWatchTimerId), kWatchTimerPeriod);

    // The first bank on the card is the file's.
    for (uint16_t a = 0; a < 0x4000; ++a)
        ASSERT_EQ(desk.runtime->cartridge->Read(a), rom[a]) << "at " << a;

    ASSERT_TRUE(WaitFor([&] { return window.libraryRows().Count() == 1; }, 5000));
    EXPECT_TRUE(window.ResultText().startsWith("BIGSEND written on LPT1 ("))
        << window.ResultText().toStdString();
}

TEST(TransferJob, CancelStopsTheJobAndTheErrorBoxBelongsToTheProgressWindow) {
    SimulatedDesk desk;
    MainWindow& window = *desk.window;
    WriteFile(desk.dir / "big.gb", BigRom());
    desk.gated->GateAt(&window.monitor(), 30);
    bool progressOpenDuringBox = false;
    bool windowDisabledDuringBox = false;
    int jobTicksDuringBox = 0;
    desk.prompts.whileMessageOpen = [&](const ScriptedPrompts::Message&) {
        progressOpenDuringBox = window.progress().isVisible();
        windowDisabledDuringBox = !window.isEnabled();
        // The GUI thread keeps running while the worker waits for the box.
        const int before = window.progress().bar()->value();
        window.monitor().percent = static_cast<int8_t>(before == 99 ? 98 : 99);
        Wait(350);
        jobTicksDuringBox = window.progress().bar()->value() != before ? 1 : 0;
    };

    window.StartTransferJob("big.gb");
    ASSERT_TRUE(WaitFor([&] { return desk.gated->waiting.load(); }, 20000));
    MouseClick(window.progress().cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(window.monitor().cancel);
    EXPECT_TRUE(window.progress().IsOpen()) << "only the job closes the window";
    desk.gated->Release();

    ASSERT_TRUE(WaitFor([&] { return desk.JobFinished(); }, 30000));
    ASSERT_EQ(desk.prompts.messages.size(), 1u);
    EXPECT_EQ(desk.prompts.messages[0].text, "Transfer canceled");
    EXPECT_EQ(desk.prompts.messages[0].caption, "Error");
    EXPECT_EQ(desk.prompts.messages[0].ownerAtShow, &window.progress());
    EXPECT_TRUE(progressOpenDuringBox);
    EXPECT_TRUE(windowDisabledDuringBox);
    EXPECT_EQ(jobTicksDuringBox, 1);
    EXPECT_NE(window.job().result.result, 0);
    // Besides the box, the status bar says what the card holds now.
    EXPECT_TRUE(window.ResultText().contains("now holds an incomplete game: send it again"))
        << window.ResultText().toStdString();
    EXPECT_TRUE(window.isEnabled());
    EXPECT_TRUE(window.TimerActive(kWatchTimerId));
    EXPECT_EQ(window.TimerPeriod(kWatchTimerId), kWatchTimerPeriod);
}

TEST(TransferJob, MissingJobTimerOrThreadSendsNothingAndResumesTheWatch) {
    for (bool failThread : {false, true}) {
        MainWindowOptions options;
        if (failThread) {
            options.failThreadCreation = true;
        } else {
            options.failingTimers = {kJobTimerId};
        }
        SimulatedDesk desk(options);
        MainWindow& window = *desk.window;
        WriteFile(desk.dir / "small.gb", RomBuilder().Title("SMALL").Build());
        window.StartTransferJob("small.gb");
        EXPECT_FALSE(window.progress().IsOpen());
        EXPECT_TRUE(window.isEnabled());
        EXPECT_FALSE(window.TimerActive(kJobTimerId));
        EXPECT_TRUE(window.TimerActive(kWatchTimerId));
        EXPECT_EQ(window.TimerPeriod(kWatchTimerId), kWatchTimerPeriod);
        ASSERT_EQ(desk.prompts.messages.size(), 1u) << failThread;
        EXPECT_EQ(desk.prompts.messages[0].caption, "Error");
        EXPECT_FALSE(desk.prompts.messages[0].text.empty());
        EXPECT_EQ(desk.runtime->cartridge->Read(0x134), 0xFF) << "nothing reached the card";
    }
}

// The status bar's result line after the moves that do not start from a
// library row: a DIZavo pack and the Savegame Manager's save RAM.
struct ResultCase {
    const char* name;
    void (*move)(SimulatedDesk&);
    const char* begins;
};

class ResultLine : public ::testing::TestWithParam<ResultCase> {};

TEST_P(ResultLine, SaysWhatMovedWhere) {
    SimulatedDesk desk;
    GetParam().move(desk);
    ASSERT_TRUE(WaitFor([&] { return desk.JobFinished(); }, 30000));
    EXPECT_TRUE(desk.prompts.messages.empty()) << desk.prompts.messages[0].text;
    EXPECT_TRUE(desk.window->ResultText().startsWith(GetParam().begins))
        << desk.window->ResultText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Moves, ResultLine,
    ::testing::Values(
        ResultCase{"Pack",
                   [](SimulatedDesk& desk) {
                       WriteFile(desk.dir / kMenuProgramFile, MakeMenuProgram());
                       WriteFile(desk.dir / "small.gb", RomBuilder().Title("SMALL").Build());
                       desk.prompts.answers.push_back({desk.dir / "small.gb"});
                       desk.window->MenuItem(kCmdAddToPack)->trigger();
                       desk.window->sendPackButton()->click();
                   },
                   "DIZavo written on LPT1 "},
        ResultCase{"SaveRam",
                   [](SimulatedDesk& desk) {
                       desk.prompts.whileModal = [](QDialog& dialog) {
                           static_cast<SavegameManager&>(dialog).button(kIdSramToPc)->click();
                       };
                       desk.window->OpenSavegameManager();
                   },
                   "16 of 16 slots read from the card on LPT1 "}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zorvex::test

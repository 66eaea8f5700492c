#include <gtest/gtest.h>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QWindow>
#include <thread>

#include "app/progress_dialog.h"
#include "app/ui_prompts.h"
#include "library/rom_scan.h"
#include "tests/app/app_test_support.h"

namespace zorvex::test {
namespace {

using app::ProgressDialog;

struct ProgressHarness {
    ProgressHarness() {
        TestApp();
        owner.show();
    }
    QWidget owner;
    std::atomic<bool> cancel{false};
    ProgressDialog progress{cancel, &owner};
};

TEST(ProgressDialog, PercentTextFollowsThePositionWithinTheRange) {
    ProgressHarness h;
    ASSERT_TRUE(h.progress.Open(nullptr));
    EXPECT_EQ(h.progress.percentText(), " 0 %");  // until the first SetPos
    h.progress.SetRange(0, 100);
    h.progress.SetPos(100);
    EXPECT_EQ(h.progress.percentText(), "100%");
    h.progress.SetPos(0);
    EXPECT_EQ(h.progress.percentText(), "0%");
    h.progress.SetRange(0, 3);
    h.progress.SetPos(1);
    EXPECT_EQ(h.progress.percentText(), "33%");
    EXPECT_EQ(h.progress.bar()->value(), 1);
    // A one-row range must not divide by zero.
    h.progress.SetRange(4, 4);
    h.progress.SetPos(4);
    EXPECT_EQ(h.progress.percentText(), "100%");
    h.progress.SetRange(0, 20);
    EXPECT_EQ(h.progress.SetPosReturningPrevious(15), 4);
    EXPECT_EQ(h.progress.percentText(), "75%");
    // Beyond the range the text wraps, as it always did.
    h.progress.SetPos(25);
    EXPECT_EQ(h.progress.percentText(), "25%");
    // The bar's range is unsigned 16-bit: a scan of 40000 files still moves it.
    h.progress.SetRange(0, 40000);
    h.progress.SetPos(30000);
    EXPECT_EQ(h.progress.bar()->maximum(), 40000);
    EXPECT_EQ(h.progress.bar()->value(), 30000);
    EXPECT_EQ(h.progress.percentText(), "75%");
}

TEST(ProgressDialog, EveryCancelGestureRaisesTheFlagAndKeepsTheWindowOpen) {
    ProgressHarness h;
    ASSERT_TRUE(h.progress.Open(nullptr));
    EXPECT_FALSE(h.owner.isEnabled());
    EXPECT_EQ(h.progress.owner(), &h.owner);

    MouseClick(h.progress.cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(h.cancel);
    EXPECT_EQ(h.progress.cancelled(), 1);
    EXPECT_TRUE(h.progress.isVisible());

    h.cancel = false;
    KeyClick(&h.progress, Qt::Key_Escape);
    EXPECT_TRUE(h.cancel);
    EXPECT_TRUE(h.progress.isVisible());

    h.cancel = false;
    KeyClick(h.progress.cancelButton(), Qt::Key_Return);
    EXPECT_TRUE(h.cancel);
    EXPECT_TRUE(h.progress.isVisible());

    h.cancel = false;
    h.progress.close();  // the close box
    EXPECT_TRUE(h.cancel);
    EXPECT_TRUE(h.progress.isVisible());

    h.progress.Close();
    EXPECT_FALSE(h.progress.isVisible());
    EXPECT_TRUE(h.owner.isEnabled());
}

TEST(ProgressDialog, OpeningTakesTheKeyboardForCancelAndClosingGivesItBack) {
    ProgressHarness h;
    h.owner.activateWindow();
    QApplication::setActiveWindow(&h.owner);
    ASSERT_TRUE(WaitFor([&] { return h.owner.isActiveWindow(); }));
    ASSERT_TRUE(h.progress.Open(nullptr));
    // Return and Escape reach the window at once, without a click into it.
    ASSERT_TRUE(WaitFor([&] { return h.progress.isActiveWindow(); }));
    EXPECT_EQ(QApplication::focusWidget(), h.progress.cancelButton());
    KeyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(h.cancel);
    h.progress.Close();
    EXPECT_TRUE(WaitFor([&] { return h.owner.isActiveWindow(); }));
}

TEST(ProgressDialog, OwnerIsTheTopLevelWindowAndOnlyItsOwnDisablingIsUndone) {
    ProgressHarness h;
    QWidget child(&h.owner);
    ASSERT_TRUE(h.progress.Open(&child));
    EXPECT_EQ(h.progress.owner(), &h.owner);
    EXPECT_FALSE(h.owner.isEnabled());
    // The progress window itself stays usable while its owner is disabled.
    EXPECT_TRUE(h.progress.cancelButton()->isEnabled());
    h.progress.Close();
    EXPECT_TRUE(h.owner.isEnabled());

    // An owner that was already disabled stays disabled.
    h.owner.setEnabled(false);
    ASSERT_TRUE(h.progress.Open(nullptr));
    h.progress.Close();
    EXPECT_FALSE(h.owner.isEnabled());
    h.owner.setEnabled(true);

    // A window that cannot be created leaves the owner enabled.
    h.progress.FailNextOpen();
    EXPECT_FALSE(h.progress.Open(nullptr));
    EXPECT_TRUE(h.owner.isEnabled());
    EXPECT_FALSE(h.progress.isVisible());
}

TEST(ProgressDialog, ReopeningRestoresTheCaptionAndTheStartOfTheRange) {
    ProgressHarness h;
    ASSERT_TRUE(h.progress.Open(nullptr));
    EXPECT_EQ(h.progress.windowTitle(), "Transfer");
    h.progress.SetCaption("Scanning Roms");
    h.progress.SetRange(0, 9);
    h.progress.SetPos(9);
    h.progress.Close();
    ASSERT_TRUE(h.progress.Open(nullptr));
    EXPECT_EQ(h.progress.windowTitle(), "Transfer");
    EXPECT_EQ(h.progress.bar()->value(), 0);
    EXPECT_EQ(h.progress.percentText(), " 0 %");
    h.progress.Close();
}

TEST(ProgressDialog, DestroyingAnOpenWindowEnablesItsOwner) {
    TestApp();
    QWidget owner;
    std::atomic<bool> cancel{false};
    {
        ProgressDialog progress(cancel, &owner);
        progress.Open(nullptr);
        EXPECT_FALSE(owner.isEnabled());
    }
    EXPECT_TRUE(owner.isEnabled());
}

// Clicks Cancel the way the window system delivers a click, queued behind
// whatever is being done, while a file's error box is being shown.
class ClickCancelOnMessage final : public MessageSink {
  public:
    explicit ClickCancelOnMessage(QPushButton* cancel) : cancel_(cancel) {}
    void ShowMessage(const std::string& text, const std::string&) override {
        messages.push_back(text);
        QWindow* window = cancel_->window()->windowHandle();
        const QPointF local = cancel_->mapTo(cancel_->window(), cancel_->rect().center());
        const QPointF global = cancel_->mapToGlobal(cancel_->rect().center());
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(
                window,
                new QMouseEvent(type, local, global, Qt::LeftButton,
                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                Qt::NoModifier));
    }
    std::vector<std::string> messages;

  private:
    QPushButton* cancel_;
};

// The pump repaints only when a frame is due, but input is handled at every
// call: a click on Cancel while file 101 of 400 is checked is seen before the
// next file, so the scan stops after that one and keeps the rows so far.
TEST(ProgressDialog, AScanHandlesInputBetweenEveryTwoFiles) {
    ProgressHarness h;
    TempDir dir;
    for (int i = 0; i < 400; ++i)
        WriteFile(dir / ("roms/" + std::to_string(1000 + i) + ".gb"),
                  i == 100 ? std::vector<uint8_t>(0x8000, 0)  // no logo: an error box
                           : RomBuilder().Title("GAME" + std::to_string(i)).Build());
    RomListModel list;
    ClickCancelOnMessage messages(h.progress.cancelButton());
    LibraryScanUi ui{messages, h.progress, h.cancel, {}};
    ASSERT_TRUE(ScanRomDirectory(dir / "roms/", list, ui));
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(h.cancel);
    EXPECT_EQ(list.Count(), 101);
    EXPECT_FALSE(h.progress.isVisible());
    EXPECT_TRUE(h.owner.isEnabled());
}

TEST(GuiThreadMessageSink, AWorkersBoxIsShownByTheGuiThreadWhileTheWorkerWaits) {
    ScriptedPrompts prompts;
    app::GuiThreadMessageSink sink(&prompts);
    QWidget owner;
    sink.SetOwnerProvider([&owner] { return &owner; });
    std::atomic<bool> returned{false};
    QThread* shownOn = nullptr;
    prompts.whileMessageOpen = [&](const ScriptedPrompts::Message&) {
        shownOn = QThread::currentThread();
        Wait(60);  // the box stays open a while; the worker must still be waiting
        EXPECT_FALSE(returned);
    };
    std::thread worker([&] {
        sink.ShowMessage("error at 4000!", "Warning");
        returned = true;
    });
    EXPECT_TRUE(WaitFor([&] { return returned.load(); }));
    worker.join();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "error at 4000!");
    EXPECT_EQ(prompts.messages[0].caption, "Warning");
    EXPECT_EQ(prompts.messages[0].ownerAtShow, &owner);
    EXPECT_EQ(shownOn, QCoreApplication::instance()->thread());

    // On the GUI thread itself the box is shown at once.
    prompts.whileMessageOpen = nullptr;
    sink.ShowMessage("direct", "Error");
    EXPECT_EQ(prompts.messages.size(), 2u);
}

TEST(FileRequesterFilter, ConvertsTheBarSeparatedFormToQtFilters) {
    EXPECT_EQ(
        app::QtFileFilter("Gameboy Roms (*.gb;*.gbc;*.zip)|*.gb;*.gbc;*.zip|All Files (*.*)|*.*||"),
        "Gameboy Roms (*.gb *.gbc *.zip);;All Files (*)");
    EXPECT_EQ(app::QtFileFilter("All Files (*.*)|*.*||"), "All Files (*)");
    EXPECT_EQ(app::QtFileFilter("IPS Files (*.ips)|*.ips|All Files (*.*)|*.*||"),
              "IPS Files (*.ips);;All Files (*)");
    // A description without its own pattern list gets one.
    EXPECT_EQ(app::QtFileFilter("Saves|*.sav||"), "Saves (*.sav)");
}

}  // namespace
}  // namespace zorvex::test

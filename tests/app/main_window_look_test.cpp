// What the owner sees of the main window: radio groups and a greyed menu
// that stays shut, a window that grows from its template with the whole
// status hint, Rom Info inside its frame, and which list has the keyboard.
#include <gtest/gtest.h>
#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "app/rom_list_view.h"
#include "tests/app/app_test_support.h"
#include "tests/emulator/emulator_fixture.h"

namespace zorvex::test {
namespace {

using namespace zorvex::app;

std::unique_ptr<MainWindow> OpenWindow(WorkingDir& dir, FakeLink& fake, ScriptedPrompts& prompts) {
    fake.warnings.SetPrompts(&prompts);
    MainWindowOptions options;
    options.settingsIniPath = dir.settingsPath();
    auto window = std::make_unique<MainWindow>(*fake.link, prompts, options);
    EXPECT_TRUE(window->Initialise());
    return window;
}

std::vector<int> Ticked(const MainWindow& window, int first, int last) {
    std::vector<int> ids;
    for (int id = first; id <= last; ++id)
        if (window.MenuItem(id) && window.MenuItem(id)->isChecked()) ids.push_back(id);
    return ids;
}

TEST(MainWindowMenus, RadioGroupsKeepOneTickAndAGreyedMenuStaysShut) {
    TestApp();
    {
        // Three ports and no emulators.
        WorkingDir dir;
        FakeLink fake({0x378, 0x278, 0x3BC});
        ScriptedPrompts prompts;
        auto window = OpenWindow(dir, fake, prompts);
        QMenu* port = window->portMenu();
        for (QAction* a : port->actions()) EXPECT_FALSE(a->isSeparator()) << "no separator listed";

        // Ports and transfer modes: two exclusive groups, drawn as radio marks.
        QActionGroup* ports = window->MenuItem(kCmdAutoPort)->actionGroup();
        QActionGroup* modes = window->MenuItem(kCmdAutoSppEpp)->actionGroup();
        ASSERT_TRUE(ports && modes);
        EXPECT_NE(ports, modes);
        for (QActionGroup* group : {ports, modes}) EXPECT_TRUE(group->isExclusive());
        for (int id = kCmdPort1; id <= kCmdPort1 + 2; ++id)
            EXPECT_EQ(window->MenuItem(id)->actionGroup(), ports);
        for (int id : {kCmdSpp, kCmdEpp}) EXPECT_EQ(window->MenuItem(id)->actionGroup(), modes);
        // Clicking the ticked item keeps it ticked; another moves the tick.
        window->MenuItem(kCmdSpp)->trigger();
        window->MenuItem(kCmdSpp)->trigger();
        EXPECT_EQ(Ticked(*window, kCmdAutoSppEpp, kCmdEpp), std::vector<int>{kCmdSpp});
        window->MenuItem(kCmdAutoPort)->trigger();
        EXPECT_EQ(Ticked(*window, kCmdAutoPort, kCmdPort8), std::vector<int>{kCmdAutoPort});

        // The greyed emulator menu does not open, and an item it still holds
        // that is triggered anyway leaves no tick behind.
        window->show();
        QMenu* emulators = window->emulatorMenu();
        EXPECT_FALSE(emulators->isEnabled());
        window->findChild<QMenuBar*>()->setActiveAction(emulators->menuAction());
        Wait(20);
        EXPECT_FALSE(emulators->isVisible());
        window->MenuItem(kCmdEmulator0 + 3)->trigger();
        EXPECT_TRUE(Ticked(*window, kCmdEmulator0, kCmdEmulator9).empty());
        EXPECT_EQ(window->currentEmulator, 0);
    }
    {
        // Two emulators: one exclusive group; a refused choice leaves the tick.
        WorkingDir dir;
        const std::string cfg = Emu(1, "One", "one", "", "") + Emu(2, "Two", "two", "", "");
        WriteFile(dir / "emu.cfg", {cfg.begin(), cfg.end()});
        FakeLink fake({0x378});
        ScriptedPrompts prompts;
        auto window = OpenWindow(dir, fake, prompts);
        EXPECT_TRUE(window->emulatorMenu()->isEnabled());
        EXPECT_TRUE(window->MenuItem(kCmdEmulator0)->actionGroup()->isExclusive());
        window->MenuItem(kCmdEmulator0 + 1)->trigger();
        window->MenuItem(kCmdEmulator0 + 1)->trigger();
        EXPECT_EQ(Ticked(*window, kCmdEmulator0, kCmdEmulator9),
                  std::vector<int>{kCmdEmulator0 + 1});
        window->SelectEmulator(7);
        EXPECT_EQ(window->currentEmulator, 1);
        EXPECT_EQ(Ticked(*window, kCmdEmulator0, kCmdEmulator9),
                  std::vector<int>{kCmdEmulator0 + 1});
    }
}

TEST(MainWindowLayout, GrowsFromTheTemplateAndShowsTheWholeHint) {
    TestApp();
    WorkingDir dir;
    FakeLink fake({0x378});
    ScriptedPrompts prompts;
    auto window = OpenWindow(dir, fake, prompts);
    window->show();
    ASSERT_TRUE(WaitFor([&] { return window->firstTickDone; }));

    // The default size shows the whole library hint.
    QStatusBar* status = window->findChild<QStatusBar*>();
    ASSERT_NE(status, nullptr);
    const int hint = status->fontMetrics().horizontalAdvance(QString::fromLatin1(kLibraryHint));
    EXPECT_GE(status->width(), hint + 20) << "the text and the size grip";

    // Larger: the lists and Rom Info stretch, the buttons move along; the
    // template's size is the least the window takes.
    const QRect library = window->libraryView()->geometry();
    const QRect exitButton = window->exitButton()->geometry();
    const QRect info = window->romInfo()->parentWidget()->geometry();
    window->resize(window->size() + QSize(100, 60));
    Wait(20);
    EXPECT_EQ(window->libraryView()->geometry().size(), library.size() + QSize(100, 60));
    EXPECT_EQ(window->exitButton()->geometry(), exitButton.translated(100, 0));
    EXPECT_EQ(window->romInfo()->parentWidget()->geometry().height(), info.height() + 60);
    window->resize(10, 10);
    Wait(20);
    EXPECT_GE(window->libraryView()->width(), library.width() - (window->width() - 10));
    EXPECT_GE(window->findChild<QWidget*>("client")->width(),
              window->findChild<QWidget*>("client")->minimumSizeHint().width());

    // Rom Info lies inside its group's frame, below the title.
    auto* group = qobject_cast<QGroupBox*>(window->romInfo()->parentWidget());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), "Rom Info");
    EXPECT_TRUE(group->contentsRect().contains(window->romInfo()->geometry()))
        << "contents " << group->contentsRect().y() << ", text "
        << window->romInfo()->geometry().y();
}

// The colour of a pixel near the left end of a row, clear of its text.
QRgb RowColour(RomListView& view, int row) {
    const QImage image = view.viewport()->grab().toImage();
    const QRect r = view.visualRect(view.model()->index(row, 3));
    return image.pixel(r.left() + 3, r.center().y());
}

// How many pixels of the row's top edge are in the focus frame's colour.
int FramePixels(RomListView& view, int row, const QColor& pen) {
    const QImage image = view.viewport()->grab().toImage();
    const int y = view.rowViewportPosition(row);
    int count = 0;
    for (int x = 0; x < image.width() / image.devicePixelRatio(); ++x)
        count += image.pixel(x, y) == pen.rgb();
    return count;
}

TEST(MainWindowFocus, TheListWithoutFocusShowsItsSelectionInactiveAndNoFrame) {
    TestApp();
    RomListModel rows;
    for (const char* name : {"ONE", "TWO"}) rows.InsertRow(name);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* view = new RomListView(rows, {130, 80, 95, 60, 60, 100, 100}, &window);
    auto* button = new QPushButton(QStringLiteral("E&xit"), &window);
    layout->addWidget(view);
    layout->addWidget(button);
    window.resize(600, 200);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(WaitFor([&] { return window.isActiveWindow(); }));
    view->SelectRow(0);

    const QPalette& p = view->palette();
    const QColor active = p.color(QPalette::Active, QPalette::Highlight);
    const QColor inactive = p.color(QPalette::Inactive, QPalette::Highlight);
    ASSERT_NE(active, inactive) << "the platform gives one colour for both";

    view->setFocus();
    ASSERT_TRUE(WaitFor([&] { return view->hasFocus(); }));
    EXPECT_EQ(RowColour(*view, 0), active.rgb());
    const QColor pen = p.color(QPalette::Active, QPalette::HighlightedText);
    EXPECT_GT(FramePixels(*view, 0, pen), 20) << "dotted frame around the focused row";

    button->setFocus();
    ASSERT_TRUE(WaitFor([&] { return button->hasFocus(); }));
    EXPECT_EQ(RowColour(*view, 0), inactive.rgb());
    EXPECT_EQ(FramePixels(*view, 0, pen), 0);
    EXPECT_EQ(view->SelectedRow(), 0) << "the selection stays visible";
}

}  // namespace
}  // namespace zorvex::test

#include "tests/app/app_test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSettings>
#include <QThread>
#include <QWindow>

namespace zorvex::test {

QApplication& TestApp() {
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

namespace {
// Every test of this program needs the application before its first widget.
class AppEnvironment final : public ::testing::Environment {
  public:
    void SetUp() override { TestApp(); }
};
[[maybe_unused]] ::testing::Environment* const gAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new AppEnvironment);
}  // namespace

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void KeyClick(QWidget* widget, int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(widget, &release);
}

void MouseClick(QWidget* widget, Qt::MouseButton button, QPoint at) {
    if (at == QPoint(-1, -1)) at = widget->rect().center();
    const QPoint global = widget->mapToGlobal(at);
    // Through the window, as the window system delivers it: that is where a
    // click moves the focus to a widget that takes it.
    QWindow* window = widget->window()->windowHandle();
    QObject* target = window ? static_cast<QObject*>(window) : widget;
    const QPointF local = window ? QPointF(widget->mapTo(widget->window(), at)) : QPointF(at);
    QMouseEvent press(QEvent::MouseButtonPress, local, local, global, button, button,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, local, global, button, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

void MouseMove(QWidget* widget, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

void Wait(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

void ScriptedPrompts::ShowMessage(QWidget* owner, const std::string& text,
                                  const std::string& caption) {
    Message m{owner, owner, text, caption};
    messages.push_back(m);
    if (whileMessageOpen) whileMessageOpen(m);
}

std::vector<std::string> ScriptedPrompts::AskFiles(QWidget*, const FileRequest& request) {
    requests.push_back(request);
    if (whileAsking) whileAsking(request);
    if (answers.empty()) return {};
    auto next = answers.front();
    answers.pop_front();
    return next;
}

int ScriptedPrompts::RunModal(QDialog& dialog) {
    modalDialogs.push_back(dialog.objectName());
    if (whileModal) whileModal(dialog);
    return QDialog::Accepted;
}

bool ScriptedPrompts::AskYesNo(QWidget*, const std::string& text, const std::string&) {
    questions.push_back(text);
    if (yesNoAnswers.empty()) return false;
    const bool yes = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return yes;
}

bool ScriptedPrompts::OpenFolder(const std::string& path) {
    openedFolders.push_back(path);
    return folderOpens;
}

void FixedPorts::Discover(std::array<uint16_t, 9>& table, int32_t& count) const {
    count = 0;
    for (uint16_t base : bases_) {
        if (count >= 8) break;
        table[static_cast<size_t>(++count)] = base;
    }
}

FakeLink::FakeLink(std::vector<uint16_t> bases)
    : ports(std::move(bases)), link(std::make_unique<CardLink>(io, ports, clock, warnings)) {}

WorkingDir::WorkingDir() : previous_(QDir::currentPath()) {
    QDir().mkpath(QString::fromStdString(dir_ / "roms"));
    // An emu.cfg without emulators: the window starts without any box, as
    // with a missing file, but quietly. Tests of the emulator menu write their own.
    WriteFile(dir_ / "emu.cfg", {'\r', '\n'});
    QDir::setCurrent(QString::fromStdString(dir_.path()));
}

WorkingDir::~WorkingDir() {
    QDir::setCurrent(previous_);
}

std::vector<uint8_t> Game2048() {
    return RomBuilder()
        .Title("2048-gb")
        .CartType(0x03)
        .RamSizeCode(1)
        .Pattern(0x150, 0x8000, 48)
        .Build();
}

std::vector<uint8_t> GameAdjustris() {
    return RomBuilder()
        .Title("ADJUSTRIS V1.00")
        .CartType(0x13)
        .RamSizeCode(2)
        .Pattern(0x150, 0x8000, 7)
        .Build();
}

void PutTwoGames(const WorkingDir& dir) {
    WriteFile(dir / "roms/2048.gb", Game2048());
    WriteFile(dir / "roms/adjustris.gb", GameAdjustris());
}

void WriteSettings(const QString& path, const std::vector<std::pair<QString, int>>& values) {
    QSettings settings(path, QSettings::IniFormat);
    for (const auto& [key, value] : values) settings.setValue(key, value);
    settings.sync();
}

int ReadSetting(const QString& path, const QString& key, int missing) {
    QSettings settings(path, QSettings::IniFormat);
    const QVariant value = settings.value(key);
    return value.isValid() ? value.toInt() : missing;
}

}  // namespace zorvex::test

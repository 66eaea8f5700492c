#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/ui_prompts.h"
#include "link/card_link.h"
#include "link/link_clock.h"
#include "link/port_io.h"
#include "link/port_source.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {

// The one QApplication of the test program, on the offscreen platform.
QApplication& TestApp();

// Input as the window system would deliver it (through QApplication::notify,
// so clicks move the focus and unhandled keys travel to the parents).
void KeyClick(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void MouseClick(QWidget* widget, Qt::MouseButton button, QPoint at = QPoint(-1, -1));
void MouseMove(QWidget* widget, QPoint at);
// Processes events for about ms milliseconds.
void Wait(int ms);

// Processes events until `done` or about `timeoutMs` have passed; true when done.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);

// Answers the window's prompts from a script and records them.
class ScriptedPrompts final : public app::UiPrompts {
  public:
    struct Message {
        QPointer<QWidget> owner;
        const QWidget* ownerAtShow = nullptr;
        std::string text;
        std::string caption;
    };
    void ShowMessage(QWidget* owner, const std::string& text, const std::string& caption) override;
    std::vector<std::string> AskFiles(QWidget* owner, const FileRequest& request) override;
    int RunModal(QDialog& dialog) override;
    bool AskYesNo(QWidget* owner, const std::string& text, const std::string& caption) override;
    bool OpenFolder(const std::string& path) override;

    std::vector<Message> messages;
    std::vector<std::string> questions;
    std::deque<bool> yesNoAnswers;  // No when it runs out
    std::vector<std::string> openedFolders;
    bool folderOpens = true;
    std::vector<FileRequest> requests;
    std::deque<std::vector<std::string>> answers;
    std::vector<QString> modalDialogs;  // object names, in order
    // Called while a box is "open", before ShowMessage returns.
    std::function<void(const Message&)> whileMessageOpen;
    // Called while a file requester is "open", before AskFiles returns.
    std::function<void(const FileRequest&)> whileAsking;
    // Called while a dialog is "running", before RunModal returns.
    std::function<void(QDialog&)> whileModal;
};

// Ports at fixed bases with nothing that answers: every read floats high.
class FixedPorts final : public PortSource {
  public:
    explicit FixedPorts(std::vector<uint16_t> bases) : bases_(std::move(bases)) {}
    void Discover(std::array<uint16_t, 9>& table, int32_t& count) const override;

  private:
    std::vector<uint16_t> bases_;
};

class FloatingPortIo final : public PortIo {
  public:
    void Out(uint16_t, uint8_t) override {}
    uint8_t In(uint16_t) override { return 0xFF; }
};

// A card link on fake ports without a card.
struct FakeLink {
    explicit FakeLink(std::vector<uint16_t> bases);
    FixedPorts ports;
    FloatingPortIo io;
    CountingClock clock;
    app::GuiThreadMessageSink warnings;
    std::unique_ptr<CardLink> link;
};

// Makes a temporary directory the working directory for the test's lifetime,
// with an empty roms/ and an emu.cfg that defines no emulator.
class WorkingDir {
  public:
    WorkingDir();
    ~WorkingDir();
    const std::string& path() const { return dir_.path(); }
    std::string operator/(const std::string& name) const { return dir_ / name; }
    QString settingsPath() const { return QString::fromStdString(dir_ / "settings.ini"); }

  private:
    TempDir dir_;
    QString previous_;
};

// Two small games in the shape of typical homebrew, built in memory: 32 KiB,
// battery-backed save RAM (one save bank each), "2048" sorting before
// "ADJUSTRIS". The window and DIZavo tests need some valid library, not a
// particular one.
std::vector<uint8_t> Game2048();
std::vector<uint8_t> GameAdjustris();
// Writes both into dir/roms/ as 2048.gb and adjustris.gb.
void PutTwoGames(const WorkingDir& dir);

// Writes an INI settings file with the given "SECTION/ENTRY" = value pairs.
void WriteSettings(const QString& path, const std::vector<std::pair<QString, int>>& values);
// Reads one value of an INI settings file; `missing` when absent.
int ReadSetting(const QString& path, const QString& key, int missing = -9999);

}  // namespace zorvex::test

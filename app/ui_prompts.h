#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/file_requester.h"
#include "common/message_sink.h"

class QDialog;
class QWidget;

namespace zorvex::app {

// Everything the window shows modally goes through this seam: message boxes,
// file requesters and the small fixed dialogs. The desktop program shows the
// real thing; tests answer from a script and record what was asked. All calls
// happen on the GUI thread.
class UiPrompts {
  public:
    virtual ~UiPrompts() = default;
    // A box with the warning icon and an OK button, owned by `owner`.
    virtual void ShowMessage(QWidget* owner, const std::string& text,
                             const std::string& caption) = 0;
    // Empty when cancelled, else the chosen full paths.
    virtual std::vector<std::string> AskFiles(QWidget* owner, const FileRequest& request) = 0;
    // Runs a dialog modally; its result.
    virtual int RunModal(QDialog& dialog) = 0;
    // A question with Yes and No, No the default; true for Yes.
    virtual bool AskYesNo(QWidget* owner, const std::string& text, const std::string& caption) = 0;
    // Shows a folder in the desktop's file manager; false when that failed.
    virtual bool OpenFolder(const std::string& path) = 0;
};

// Real message boxes and file requesters.
class DesktopPrompts final : public UiPrompts {
  public:
    void ShowMessage(QWidget* owner, const std::string& text, const std::string& caption) override;
    std::vector<std::string> AskFiles(QWidget* owner, const FileRequest& request) override;
    int RunModal(QDialog& dialog) override;
    bool AskYesNo(QWidget* owner, const std::string& text, const std::string& caption) override;
    bool OpenFolder(const std::string& path) override;
};

// Turns "Desc (*.a;*.b)|*.a;*.b|All Files (*.*)|*.*||" into Qt's
// "Desc (*.a *.b);;All Files (*)". "*.*" means every file, as it did where the
// filters come from, so it becomes "*".
QString QtFileFilter(const std::string& filter);

// The MessageSink of core code, showing its boxes owned by one window.
class OwnedMessageSink final : public MessageSink {
  public:
    OwnedMessageSink(UiPrompts& prompts, QWidget* owner) : prompts_(prompts), owner_(owner) {}
    void ShowMessage(const std::string& text, const std::string& caption) override {
        prompts_.ShowMessage(owner_, text, caption);
    }

  private:
    UiPrompts& prompts_;
    QWidget* owner_;
};

// The FileRequester of core code, its requesters owned by one window.
class OwnedFileRequester final : public FileRequester {
  public:
    OwnedFileRequester(UiPrompts& prompts, QWidget* owner) : prompts_(prompts), owner_(owner) {}
    std::vector<std::string> Ask(const FileRequest& request) override {
        return prompts_.AskFiles(owner_, request);
    }

  private:
    UiPrompts& prompts_;
    QWidget* owner_;
};

// A MessageSink that may be called from any thread. Widgets live only on the
// GUI thread, so a call from the transfer worker is handed to the GUI thread
// and the worker waits until the box is dismissed; the GUI thread keeps
// running its event loop inside the box, so the progress window stays alive.
//
// The hand-over is a slot guarded by a standard mutex that a GUI-thread timer
// looks at, rather than a queued Qt call: the worker then shares nothing with
// the GUI thread but what the mutex orders, which the thread sanitizer can see.
// Must be constructed on the GUI thread.
class GuiThreadMessageSink final : public QObject, public MessageSink {
  public:
    explicit GuiThreadMessageSink(UiPrompts* prompts = nullptr);
    ~GuiThreadMessageSink() override;
    void SetPrompts(UiPrompts* prompts) { prompts_ = prompts; }
    // Chooses the owner of each box at the moment it is shown.
    void SetOwnerProvider(std::function<QWidget*()> provider) { owner_ = std::move(provider); }
    void ShowMessage(const std::string& text, const std::string& caption) override;

    static constexpr int kPollMs = 20;

  private:
    void ShowHere(const std::string& text, const std::string& caption);
    void Poll();  // GUI thread

    UiPrompts* prompts_;
    std::function<QWidget*()> owner_;
    QTimer poll_;
    bool showing_ = false;  // GUI thread only
    std::mutex mutex_;
    std::condition_variable served_;
    std::optional<std::pair<std::string, std::string>> pending_;
    uint64_t requested_ = 0;
    uint64_t done_ = 0;
};

}  // namespace zorvex::app

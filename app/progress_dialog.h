#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <atomic>
#include <string>
#include <vector>

#include "common/progress_sink.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace zorvex::app {

// The modeless progress window with its "Abbrechen" button. One object may be
// opened and closed any number of times; while open it disables the window
// that owns it, so the user can start nothing else. Cancel only raises the
// shared cancel flag of the card link; the job polling it closes the window.
//
// The window is a top-level window of its own (not a child of its owner), so
// disabling the owner does not disable it.
class ProgressDialog final : public QDialog, public ProgressSink {
    Q_OBJECT
  public:
    // captionId 0 uses the "Transfer" caption (string 104).
    ProgressDialog(std::atomic<bool>& cancelRequested, QWidget* mainWindow, int captionId = 0);
    ~ProgressDialog() override;

    // Opens the window owned by the top-level window of `parent` (the main
    // window when null). True when the window exists afterwards.
    bool Open(QWidget* parent);
    bool Open() override { return Open(nullptr); }
    void SetCaption(const std::string& caption) override;
    void SetRange(int low, int high) override;
    void SetPos(int pos) override;
    void PumpMessages() override;
    void Close() override;
    void SetDetails(const std::string& what, const std::string& phase,
                    const std::string& rest) override {
        ShowJobDetails(QString::fromStdString(what), QString::fromStdString(phase),
                       QString::fromStdString(rest));
    }

    int SetPosReturningPrevious(int pos);

    // A card job's lines under the bar: the game, the phase with its bank, and
    // the speed with the time left; the window grows to show them and the
    // caption carries the percentage ("37% - Transfer"). Every Open takes them
    // away again.
    void ShowJobDetails(const QString& name, const QString& phase, const QString& rate);
    QString jobDetailsText() const;  // the three lines, newline-separated; empty without
    // The shortest time between two repaints by PumpMessages: a frame at
    // about 30 per second, which a person sees as continuous progress.
    static constexpr int kFrameIntervalMs = 30;
    bool IsOpen() const { return open_; }
    QWidget* owner() const { return owner_; }
    int low() const { return low_; }
    int high() const { return high_; }
    int cancelled() const { return cancelled_; }
    QString percentText() const;
    QProgressBar* bar() const { return bar_; }
    QPushButton* cancelButton() const { return cancel_; }

    // Test seam: the next Open fails as a failed window creation would.
    void FailNextOpen() { failNextOpen_ = true; }

    static QString CaptionOfString(int stringId);

  public slots:
    void reject() override;  // the Cancel command: Escape, close box, "Abbrechen"
    void accept() override;  // ignored

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void RequestCancel();
    // Posts again the paint requests PumpMessages held back between frames.
    void ReleaseHeldPaints();
    // Enables the owner again if Open disabled it, with its focus where it was.
    void EnableOwner();
    void HideJobDetails();

    std::atomic<bool>& cancelRequested_;
    QPointer<QWidget> mainWindow_;
    int captionId_;
    int low_ = 0;
    int high_ = 100;
    int cancelled_ = 0;
    QPointer<QWidget> owner_;
    QPointer<QWidget> ownerFocus_;
    bool ownerDisabled_ = false;
    bool open_ = false;
    bool failNextOpen_ = false;
    QElapsedTimer lastFrame_;  // invalid until the first pump after Open paints
    qint64 frameIntervalMs_ = kFrameIntervalMs;
    std::vector<QPointer<QObject>> heldPaints_;
    QProgressBar* bar_ = nullptr;
    QLabel* text_ = nullptr;
    QLabel* details_ = nullptr;
    QString caption_;  // the caption without the percentage
    QPushButton* cancel_ = nullptr;
};

}  // namespace zorvex::app

#include "app/progress_dialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QWindow>
#include <algorithm>
#include <vector>

#include "app/control_ids.h"
#include "app/dialog_units.h"

namespace zorvex::app {

namespace {

constexpr qint64 kSlowestFrameIntervalMs = 200;

// While it lives, drawing waits: the paint requests of every window are held
// back, and so are the timers of item views, which only lay out rows for the
// next paint (adding a row restarts the view's layout timer, and a layout per
// added row cost several times the row itself). Input, the program's own timers
// and every other event are handled. A held view timer fires again at the next
// pump; held paint requests are collected in `held` for the owner to post again
// when the next frame is due, so nothing that changed goes undrawn.
class DrawingHold final : public QObject {
  public:
    explicit DrawingHold(std::vector<QPointer<QObject>>& held)
        : held_(held), loopLevel_(QThread::currentThread()->loopLevel()) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~DrawingHold() override { QCoreApplication::instance()->removeEventFilter(this); }
    DrawingHold(const DrawingHold&) = delete;
    DrawingHold& operator=(const DrawingHold&) = delete;

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::UpdateRequest && type != QEvent::Timer) return false;
        // A modal box opened by something the pump dispatched runs its own
        // loop and draws as usual.
        if (QThread::currentThread()->loopLevel() > loopLevel_) return false;
        if (type == QEvent::Timer) return qobject_cast<QAbstractItemView*>(watched) != nullptr;
        if (!watched->isWidgetType()) return false;
        for (const QPointer<QObject>& target : held_)
            if (target == watched) return true;
        held_.emplace_back(watched);
        return true;
    }

  private:
    std::vector<QPointer<QObject>>& held_;
    int loopLevel_;
};

}  // namespace

QString ProgressDialog::CaptionOfString(int stringId) {
    switch (stringId) {
        case kStringAbout:
            return QStringLiteral("&About Zorvex...");
        case kStringTransfer:
        default:
            return QStringLiteral("Transfer");
    }
}

ProgressDialog::ProgressDialog(std::atomic<bool>& cancelRequested, QWidget* mainWindow,
                               int captionId)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      cancelRequested_(cancelRequested),
      mainWindow_(mainWindow),
      captionId_(captionId != 0 ? captionId : kStringTransfer) {
    setObjectName(QStringLiteral("progressDialog"));
    setModal(false);
    DialogUnits du(font());
    setFixedSize(du.Size(186, 63));

    cancel_ = new QPushButton(QStringLiteral("Abbrechen"), this);
    cancel_->setObjectName(QStringLiteral("control%1").arg(kIdCancel));
    cancel_->setGeometry(du.Rect(67, 42, 50, 14));
    cancel_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, &ProgressDialog::reject);

    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("control%1").arg(kIdProgressBar));
    bar_->setGeometry(du.Rect(15, 18, 154, 13));
    bar_->setTextVisible(false);

    text_ = new QLabel(QStringLiteral(" 0 %"), this);
    text_->setObjectName(QStringLiteral("control%1").arg(kIdProgressText));
    text_->setGeometry(du.Rect(83, 7, 18, 8));

    details_ = new QLabel(this);
    details_->setObjectName(QStringLiteral("jobDetails"));
    details_->setGeometry(du.Rect(15, 35, 156, 30));
    details_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    details_->hide();
}

void ProgressDialog::ShowJobDetails(const QString& name, const QString& phase,
                                    const QString& rate) {
    const QString text = name + QLatin1Char('\n') + phase + QLatin1Char('\n') + rate;
    if (text != details_->text()) details_->setText(text);
    if (details_->isHidden()) {
        // Room for three lines between the bar and the button.
        DialogUnits du(font());
        setFixedSize(du.Size(186, 93));
        cancel_->setGeometry(du.Rect(67, 72, 50, 14));
        details_->show();
    }
    const QString title = text_->text() + QStringLiteral(" - ") + caption_;
    if (title != windowTitle()) setWindowTitle(title);
}

QString ProgressDialog::jobDetailsText() const {
    return details_->isHidden() ? QString() : details_->text();
}

void ProgressDialog::HideJobDetails() {
    if (details_->isHidden()) return;
    details_->hide();
    details_->clear();
    DialogUnits du(font());
    setFixedSize(du.Size(186, 63));
    cancel_->setGeometry(du.Rect(67, 42, 50, 14));
}

ProgressDialog::~ProgressDialog() {
    if (open_) Close();
    ReleaseHeldPaints();
}

bool ProgressDialog::Open(QWidget* parent) {
    QWidget* owner = parent ? parent->window() : mainWindow_.data();
    owner_ = owner;
    ownerDisabled_ = false;
    if (owner && owner->isEnabled()) {
        // Disabling takes the focus away from the owner's controls; it goes back
        // where it was when the owner is enabled again, as a dialog's does when
        // it is reactivated. Otherwise the next Return would find no list
        // focused and close the main window instead of sending again.
        ownerFocus_ = owner->focusWidget();
        owner->setEnabled(false);
        ownerDisabled_ = true;
    }
    if (failNextOpen_) {
        failNextOpen_ = false;
        EnableOwner();
        return false;
    }
    HideJobDetails();
    // Window creation: range, step and position, then the caption.
    bar_->setRange(static_cast<uint16_t>(low_), static_cast<uint16_t>(high_));
    bar_->setValue(low_);
    caption_ = CaptionOfString(captionId_);
    setWindowTitle(caption_);
    text_->setText(QStringLiteral(" 0 %"));
    if (owner) {
        const QRect area = owner->frameGeometry();
        move(area.center() - rect().center());
    }
    show();
    if (owner && owner->windowHandle() && windowHandle())
        windowHandle()->setTransientParent(owner->windowHandle());
    raise();
    // The window takes the keyboard, with the focus on its default button,
    // so that Return and Escape cancel at once as the button says.
    activateWindow();
    cancel_->setFocus(Qt::OtherFocusReason);
    open_ = true;
    lastFrame_.invalidate();  // the first pump shows the window at once
    frameIntervalMs_ = kFrameIntervalMs;
    return true;
}

void ProgressDialog::SetCaption(const std::string& caption) {
    caption_ = QString::fromStdString(caption);
    setWindowTitle(caption_);
}

void ProgressDialog::SetRange(int low, int high) {
    low_ = low;
    high_ = high;
    // The bar's range is two unsigned 16-bit values, as it always was; a
    // scan of more than 32767 files must still fit.
    bar_->setRange(static_cast<uint16_t>(low), static_cast<uint16_t>(high));
}

int ProgressDialog::SetPosReturningPrevious(int pos) {
    const int previous = bar_->value();
    bar_->setValue(pos);
    const QString text = QString::fromStdString(PercentText(pos, low_, high_));
    if (text != text_->text()) text_->setText(text);  // no flicker at every step
    return previous;
}

void ProgressDialog::SetPos(int pos) {
    SetPosReturningPrevious(pos);
}

QString ProgressDialog::percentText() const {
    return text_->text();
}

void ProgressDialog::PumpMessages() {
    // Handles what is waiting without blocking. Input and timers are handled
    // at every call, so Cancel is seen before the next unit of work. Drawing
    // the list and this window after every file cost many times the scan
    // itself, so windows are laid out and repainted only when the next frame
    // is due.
    if (!lastFrame_.isValid() || lastFrame_.elapsed() >= frameIntervalMs_) {
        lastFrame_.start();
        ReleaseHeldPaints();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        // On a slow or busy machine a frame takes longer; the next one then
        // waits longer too, so drawing keeps to about a fifth of the time,
        // but the window still moves several times a second.
        frameIntervalMs_ =
            std::clamp<qint64>(4 * lastFrame_.elapsed(), kFrameIntervalMs, kSlowestFrameIntervalMs);
        return;
    }
    DrawingHold hold(heldPaints_);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ProgressDialog::ReleaseHeldPaints() {
    // Qt posts no new request for a window whose request is still pending, so
    // each held one is posted again exactly once.
    for (const QPointer<QObject>& target : heldPaints_)
        if (target)
            QCoreApplication::postEvent(target, new QEvent(QEvent::UpdateRequest),
                                        Qt::LowEventPriority);
    heldPaints_.clear();
}

void ProgressDialog::EnableOwner() {
    if (ownerDisabled_ && owner_) {
        owner_->setEnabled(true);
        if (ownerFocus_ && ownerFocus_->window() == owner_ && ownerFocus_->isEnabled())
            ownerFocus_->setFocus(Qt::OtherFocusReason);
    }
    ownerFocus_ = nullptr;
    ownerDisabled_ = false;
}

void ProgressDialog::Close() {
    QPointer<QWidget> owner = owner_;
    const bool hadKeyboard = isActiveWindow();
    EnableOwner();
    open_ = false;
    hide();
    // The keyboard goes back to the window that was disabled, not to whatever
    // the window manager picks next.
    if (hadKeyboard && owner && owner->isVisible()) owner->activateWindow();
    ReleaseHeldPaints();  // the event loop draws what the last frame did not show
}

void ProgressDialog::RequestCancel() {
    cancelRequested_ = true;
    cancelled_ = 1;
}

void ProgressDialog::reject() {
    // The window stays open; the job that polls the flag closes it.
    RequestCancel();
}

void ProgressDialog::accept() {}

void ProgressDialog::closeEvent(QCloseEvent* event) {
    if (open_) {
        RequestCancel();
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace zorvex::app

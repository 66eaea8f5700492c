#include "app/progress_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

#include "app/control_ids.h"
#include "app/dialog_units.h"

namespace zorvex::app {

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
}

ProgressDialog::~ProgressDialog() {
    if (open_) Close();
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
    // Window creation: range, step and position, then the caption.
    bar_->setRange(static_cast<uint16_t>(low_), static_cast<uint16_t>(high_));
    bar_->setValue(low_);
    setWindowTitle(CaptionOfString(captionId_));
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
    return true;
}

void ProgressDialog::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
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
    // Handles what is waiting without blocking: repaints, the Cancel button.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
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

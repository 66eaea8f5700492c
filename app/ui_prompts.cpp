#include "app/ui_prompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QThread>
#include <QUrl>

namespace zorvex::app {

void DesktopPrompts::ShowMessage(QWidget* owner, const std::string& text,
                                 const std::string& caption) {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok, owner);
    box.exec();
}

std::vector<std::string> DesktopPrompts::AskFiles(QWidget* owner, const FileRequest& request) {
    const QString title = QString::fromStdString(request.title);
    const QString dir = QString::fromStdString(request.directory);
    const QString filter = QtFileFilter(request.filter);
    std::vector<std::string> chosen;
    if (request.kind == FileRequest::Kind::Save) {
        // No overwrite prompt and no default extension: the name is used as typed.
        QString path = QFileDialog::getSaveFileName(owner, title, dir, filter, nullptr,
                                                    QFileDialog::DontConfirmOverwrite);
        if (!path.isEmpty()) chosen.push_back(path.toStdString());
    } else if (request.multiSelect) {
        for (const QString& path : QFileDialog::getOpenFileNames(owner, title, dir, filter))
            chosen.push_back(path.toStdString());
    } else {
        // Qt's open requester only accepts existing files, which is what mustExist asks for.
        QString path = QFileDialog::getOpenFileName(owner, title, dir, filter);
        if (!path.isEmpty()) chosen.push_back(path.toStdString());
    }
    return chosen;
}

int DesktopPrompts::RunModal(QDialog& dialog) {
    return dialog.exec();
}

bool DesktopPrompts::AskYesNo(QWidget* owner, const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool DesktopPrompts::OpenFolder(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        if (description.isEmpty()) break;  // the "||" that ends the list
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        }
        // Qt reads the patterns from the last parentheses of an entry, so the
        // description's own "(*.gb;*.gbc)" is replaced by the converted list.
        const int open = description.lastIndexOf(QLatin1Char('('));
        if (open > 0 && description.endsWith(QLatin1Char(')')))
            description = description.left(open).trimmed();
        entries << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

void GuiThreadMessageSink::ShowHere(const std::string& text, const std::string& caption) {
    QWidget* owner = owner_ ? owner_() : nullptr;
    if (!owner) owner = QApplication::activeModalWidget();
    if (!owner) owner = QApplication::activeWindow();
    if (prompts_) {
        prompts_->ShowMessage(owner, text, caption);
    } else {
        DesktopPrompts desktop;
        desktop.ShowMessage(owner, text, caption);
    }
}

GuiThreadMessageSink::GuiThreadMessageSink(UiPrompts* prompts) : prompts_(prompts) {
    connect(&poll_, &QTimer::timeout, this, &GuiThreadMessageSink::Poll);
    poll_.start(kPollMs);
}

GuiThreadMessageSink::~GuiThreadMessageSink() = default;

void GuiThreadMessageSink::ShowMessage(const std::string& text, const std::string& caption) {
    if (QThread::currentThread() == thread()) {
        ShowHere(text, caption);
        return;
    }
    std::unique_lock lock(mutex_);
    served_.wait(lock, [this] { return !pending_; });  // one box at a time
    pending_.emplace(text, caption);
    const uint64_t ticket = ++requested_;
    served_.wait(lock, [this, ticket] { return done_ >= ticket; });
}

void GuiThreadMessageSink::Poll() {
    if (showing_) return;  // the box's own event loop runs this timer too
    std::pair<std::string, std::string> message;
    {
        std::lock_guard lock(mutex_);
        if (!pending_) return;
        message = *pending_;
    }
    showing_ = true;
    ShowHere(message.first, message.second);
    showing_ = false;
    {
        std::lock_guard lock(mutex_);
        pending_.reset();
        ++done_;
    }
    served_.notify_all();
}

}  // namespace zorvex::app

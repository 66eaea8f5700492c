#include "app/ui_prompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QThread>

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

void GuiThreadMessageSink::ShowMessage(const std::string& text, const std::string& caption) {
    if (QThread::currentThread() == guiContext_.thread()) {
        ShowHere(text, caption);
        return;
    }
    QMetaObject::invokeMethod(
        &guiContext_, [this, &text, &caption] { ShowHere(text, caption); },
        Qt::BlockingQueuedConnection);
}

}  // namespace zorvex::app

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <system_error>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "app/rom_list_view.h"
#include "common/file_io.h"
#include "library/rom_entry_format.h"
#include "library/rom_scan.h"

// The library's folder, roms/ in the working directory, made easy to find for
// an owner who has never seen it: the empty list names it, File opens it in
// the desktop's file manager, and ROM files dropped onto the window go there.

namespace zorvex::app {

namespace {

namespace fs = std::filesystem;

QString RomFolder() {
    return QDir::current().absoluteFilePath(QString::fromLatin1(kRomDirectory));
}

bool IsRomFileName(const QString& name) {
    for (const char* ext : {".gb", ".gbc", ".zip"})
        if (name.endsWith(QLatin1String(ext), Qt::CaseInsensitive)) return true;
    return false;
}

// The local ROM files among a drag's URLs.
std::vector<std::string> DroppedRomFiles(const QMimeData* data) {
    std::vector<std::string> files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && IsRomFileName(url.fileName()))
            files.push_back(url.toLocalFile().toStdString());
    return files;
}

}  // namespace

void MainWindow::ShowWhereRomsGo() {
    QString folder = QDir::toNativeSeparators(RomFolder());
    if (folder.endsWith(QDir::separator())) folder.chop(1);
    libraryView_->SetEmptyText(QStringLiteral("No ROMs yet.\nPut .gb, .gbc or .zip files into\n%1\n"
                                              "or drop them onto this window.")
                                   .arg(folder));
    setAcceptDrops(true);
}

void MainWindow::OpenRomFolder() {
    const std::string folder = RomFolder().toStdString();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!prompts_.OpenFolder(folder)) ShowError(Format("Can't open %s", folder.c_str()));
}

void MainWindow::CopyIntoRomFolder(const std::vector<std::string>& paths) {
    const fs::path folder = RomFolder().toStdString();
    std::error_code ec;
    fs::create_directories(folder, ec);
    for (const std::string& source : paths) {
        const std::string name = FileNameOf(source);
        if (!IsRomFileName(QString::fromStdString(name))) continue;
        const fs::path target = folder / name;
        if (fs::exists(target, ec)) {
            if (fs::equivalent(source, target, ec)) continue;  // dropped from roms/ itself
            const std::string question =
                Format("%s%s already exists. Replace it?", kRomDirectory, name.c_str());
            if (!prompts_.AskYesNo(this, question, kCaption)) continue;
        }
        // Whole or not at all: the library must never see half a file.
        std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(source, messages_);
        if (!bytes) continue;
        WriteWholeFile(target.string(), bytes->data(), bytes->size(), false, messages_);
    }
    // The change watch rescans the folder at its next tick.
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedRomFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const std::vector<std::string> files = DroppedRomFiles(event->mimeData());
    if (files.empty()) return;
    event->acceptProposedAction();
    // After the drop has ended, so that a question does not hold up the
    // program the files came from.
    QTimer::singleShot(0, this, [this, files] { CopyIntoRomFolder(files); });
}

}  // namespace zorvex::app

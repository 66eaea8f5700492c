#include <QGroupBox>
#include <QLabel>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "library/rom_scan.h"
#include "rom/rom_info.h"

namespace zorvex::app {

void MainWindow::UpdateRomListCaption() {
    libraryGroup_->setTitle(QString::fromStdString(RomListCaption(libraryRows_.Count())));
}

void MainWindow::RescanRomDirectory() {
    WatchTimerPause pause(*this);
    LibraryScanUi ui{messages_, *progress_, monitor_.cancel, [this] { UpdateRomListCaption(); }};
    zorvex::RescanRomDirectory(kRomDirectory, romListFilePath, libraryRows_, ui);
    if (libraryRows_.Count() == 0) ClearRomInfo();
}

void MainWindow::ClearRomInfo() {
    romInfo_->clear();
    screenshot_->clear();
    repaint();
    screenshotBitmap.reset();
}

// Rom Info and the screenshot describe the highlighted row, the one Return
// sends; with none highlighted (-1) they are empty.
void MainWindow::ShowRomInfo(int row) {
    if (row < 0 || row >= libraryRows_.Count()) return ClearRomInfo();
    const RomEntry& entry = libraryRows_.Row(row);
    // 8-bit text throughout: the title as the header holds it, the rest ASCII.
    const std::string info = RomInfoText(entry[FieldName], entry[FieldAttributes]);
    QString text = QString::fromLatin1(info.data(), qsizetype(info.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    romInfo_->setText(text);

    // The row's picture, else the default one, else none; the old one is released.
    screenshotBitmap.reset();
    QPixmap picture(QString::fromStdString(ScreenshotPath(entry[FieldScreenshot])));
    if (picture.isNull()) picture = QPixmap(QString::fromLatin1(kDefaultScreenshotPath));
    if (picture.isNull()) {
        screenshot_->clear();
    } else {
        screenshotBitmap = picture;
        screenshot_->setPixmap(picture);
    }
}

}  // namespace zorvex::app

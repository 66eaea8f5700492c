#include "app/about_dialog.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "app/control_ids.h"
#include "app/dialog_units.h"
#include "app/pictures.h"

namespace zorvex::app {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    RegisterPictures();
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About Zorvex"));
    DialogUnits du(font());
    setFixedSize(du.Size(235, 80));

    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(QStringLiteral(":/zorvex/icon.png")));
    icon->setGeometry(du.Rect(8, 8, 24, 24));

    auto* name = new QLabel(QStringLiteral("<b>Zorvex V1.10</b>"), this);
    name->setObjectName(QStringLiteral("productName"));
    name->setGeometry(du.Rect(40, 8, 187, 10));

    auto* text = new QLabel(
        QStringLiteral("Writes Game Boy ROMs and DIZavo packs to the Ombra Card on the parallel "
                       "port, keeps the ROM library and moves save RAM between card and PC."),
        this);
    text->setWordWrap(true);
    text->setGeometry(du.Rect(40, 22, 187, 30));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("control%1").arg(kIdOk));
    ok->setDefault(true);
    ok->setGeometry(du.Rect(178, 59, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

StartupPictureDialog::StartupPictureDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    RegisterPictures();
    setObjectName(QStringLiteral("startupPicture"));
    DialogUnits du(font());
    setFixedSize(du.Size(215, 223));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture%1").arg(kStartupBitmap));
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(QPixmap(QStringLiteral(":/zorvex/startup.png")));
    picture->setGeometry(du.Rect(11, 13, 193, 185));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("control%1").arg(kIdOk));
    ok->setDefault(true);
    ok->setGeometry(du.Rect(83, 202, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace zorvex::app

#pragma once

#include <QDialog>

namespace zorvex::app {

// Product name, version and a few words about the program.
class AboutDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent);
};

// The picture shown once at start-up (template 145): the picture and an OK button.
class StartupPictureDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit StartupPictureDialog(QWidget* parent);
};

}  // namespace zorvex::app

#include "app/main_window.h"

// The ROM tools of the File menu. Each runs with the watch timer stopped and
// started again with 1000 ms at its end; each file requester goes through
// AskFiles, which opens it in the requester directory and keeps relative
// paths resolving against the working directory.

namespace zorvex::app {

void MainWindow::CutRomCommand() {
    WatchTimerPause pause(*this);
}

void MainWindow::CalculateGbCrcCommand() {
    WatchTimerPause pause(*this);
}

void MainWindow::IpsPatchCommand() {
    WatchTimerPause pause(*this);
}

}  // namespace zorvex::app

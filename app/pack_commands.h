#pragma once

namespace zorvex::app {

// What the DIZavo commands keep between calls beyond the rows themselves
// (MainWindow::packRows holds those).
struct PackState {};

}  // namespace zorvex::app

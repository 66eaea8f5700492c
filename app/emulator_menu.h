#pragma once

namespace zorvex::app {

// The emulator table and launcher state of the main window.
struct EmulatorState {};

}  // namespace zorvex::app

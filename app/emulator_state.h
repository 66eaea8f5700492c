#pragma once

#include <memory>

#include "emulator/emulator_table.h"
#include "emulator/process_launcher.h"

namespace zorvex::app {

// The emulator table and launcher state of the main window.
struct EmulatorState {
    EmulatorTable table;
    // Starts the emulator processes; tests put a recording one here.
    std::unique_ptr<ProcessLauncher> processLauncher = std::make_unique<PosixProcessLauncher>();
};

}  // namespace zorvex::app

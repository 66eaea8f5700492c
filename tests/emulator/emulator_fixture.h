#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "emulator/emulator_launcher.h"
#include "emulator/emulator_table.h"
#include "emulator/process_launcher.h"
#include "tests/support/recording_ui.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {

// Records the processes it is asked to start instead of starting them.
class RecordingProcessLauncher final : public ProcessLauncher {
  public:
    struct Start_ {
        std::string commandLine;
        std::string workingDirectory;
    };
    bool Start(const std::string& commandLine, const std::string& workingDirectory) override {
        starts.push_back({commandLine, workingDirectory});
        if (onStart) onStart(commandLine);
        return succeed;
    }
    std::vector<Start_> starts;
    std::function<void(const std::string&)> onStart;
    bool succeed = true;
};

inline void ParseTable(EmulatorTable& table, const std::string& text, MessageSink& sink) {
    table.Parse(reinterpret_cast<const uint8_t*>(text.data()), text.size(), "emu.cfg", sink);
}

}  // namespace zorvex::test

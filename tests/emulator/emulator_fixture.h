#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "emulator/emulator_table.h"
#include "emulator/process_launcher.h"
#include "tests/support/recording_ui.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {

// Records the processes it is asked to start instead of starting them.
class RecordingProcessLauncher final : public ProcessLauncher {
  public:
    bool Start(const std::string& commandLine, const std::string& workingDirectory) override {
        commandLines.push_back(commandLine);
        directories.push_back(workingDirectory);
        if (onStart) onStart(commandLine);
        return succeed;
    }
    std::vector<std::string> commandLines, directories;
    std::function<void(const std::string&)> onStart;
    bool succeed = true;
};

// The four keys of emulator i, each line ended by CR LF.
inline std::string Emu(int i, const std::string& title, const std::string& name,
                       const std::string& pre, const std::string& post) {
    auto line = [&](const char* key, const std::string& value) {
        return "emu" + std::to_string(i) + key + "=" + value + "\r\n";
    };
    return line("title", title) + line("name", name) + line("preparam", pre) +
           line("postparam", post);
}

inline void ParseTable(EmulatorTable& table, const std::string& text, MessageSink& sink) {
    table.Parse(reinterpret_cast<const uint8_t*>(text.data()), text.size(), "emu.cfg", sink);
}

}  // namespace zorvex::test

#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "rom/tools/rom_tool_context.h"
#include "tests/support/recording_ui.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {

// Answers like ScriptedFileRequester and can run a hook before each answer, so
// a test can change the world between two requesters.
class HookedFileRequester final : public FileRequester {
  public:
    std::vector<std::string> Ask(const FileRequest& request) override {
        asked.push_back(request);
        if (beforeAnswer) beforeAnswer(asked.size());
        if (answers.empty()) return {};
        auto next = answers.front();
        answers.erase(answers.begin());
        return next;
    }
    void Answer(const std::string& path) { answers.push_back({path}); }
    void Cancel() { answers.push_back({}); }
    std::vector<std::vector<std::string>> answers;
    std::vector<FileRequest> asked;
    std::function<void(size_t askedSoFar)> beforeAnswer;
};

class RomToolTest : public ::testing::Test {
  protected:
    void TearDown() override { FileFaults::Reset(); }

    std::string Put(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = dir / name;
        WriteFile(path, bytes);
        return path;
    }
    bool Exists(const std::string& path) const { return std::filesystem::exists(path); }

    TempDir dir;
    RecordingMessageSink sink;
    HookedFileRequester requester;
    RequesterDirectories dirs{"/the/working/dir", "/where/the/user/was"};
    int stops = 0, starts = 0;
    RomToolContext context{requester, sink, dirs, [this] { ++stops; }, [this] { ++starts; }};
};

}  // namespace zorvex::test

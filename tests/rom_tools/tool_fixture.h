#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "rom/tools/rom_tool_context.h"
#include "tests/rom_tools/zip_fixture.h"
#include "tests/support/recording_ui.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {

// A scripted requester that runs a hook before each answer, so a test can
// change the world between two requesters and see the timer state.
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
    std::vector<std::vector<std::string>> answers;
    std::vector<FileRequest> asked;
    std::function<void(size_t askedSoFar)> beforeAnswer;
};

class RomToolTest : public ::testing::Test {
  protected:
    void TearDown() override { FileFaults::Reset(); }
    std::string Put(const std::string& name, const std::vector<uint8_t>& bytes) {
        WriteFile(dir / name, bytes);
        return dir / name;
    }
    bool Exists(const std::string& path) const { return std::filesystem::exists(path); }
    void ExpectRequest(size_t i, FileRequest::Kind kind, const std::string& title,
                       const std::string& filter) const {
        ASSERT_LT(i, requester.asked.size());
        const FileRequest& r = requester.asked[i];
        EXPECT_EQ(r.kind, kind) << title;
        EXPECT_EQ(r.title, title);
        EXPECT_EQ(r.filter, filter);
        EXPECT_EQ(r.mustExist, kind == FileRequest::Kind::Open) << title;
    }

    TempDir dir;
    RecordingMessageSink sink;
    HookedFileRequester requester;
    RequesterDirectories dirs{"/the/working/dir", "/where/the/user/was"};
    RomToolContext context{requester, sink, dirs};
};

inline constexpr const char* kRomFilter =
    "Gameboy Roms (*.gb;*.gbc;*.zip)|*.gb;*.gbc;*.zip|All Files (*.*)|*.*||";
inline constexpr const char* kResultFilter =
    "Gameboy Roms (*.gb;*.gbc)|*.gb;*.gbc|All Files (*.*)|*.*||";

inline void ExpectValidChecksums(const std::vector<uint8_t>& image) {
    ASSERT_GE(image.size(), 0x150u);
    EXPECT_EQ(image[0x14D], RomBuilder::HeaderChecksumOf(image));
    uint16_t sum = RomBuilder::GlobalChecksumOf(image);
    EXPECT_EQ(image[0x14E] << 8 | image[0x14F], sum);
}

}  // namespace zorvex::test

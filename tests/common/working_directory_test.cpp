#include "common/working_directory.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

namespace fs = std::filesystem;

struct Choice {
    const char* what;
    StartPlace place;
    const char* expected;
};

class WorkingDirectoryChoice : public ::testing::TestWithParam<Choice> {};

TEST_P(WorkingDirectoryChoice, FollowsTheStart) {
    EXPECT_EQ(ChooseWorkingDirectory(GetParam().place), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Starts, WorkingDirectoryChoice,
    ::testing::Values(Choice{"a terminal start stays, even in the home directory",
                             {"/home/ann", false, "/home/ann", "/data"},
                             "/home/ann"},
                      Choice{"the desktop entry uses the data home",
                             {"/home/ann", true, "/home/ann", "/data"},
                             "/data/zorvex"},
                      Choice{"without XDG_DATA_HOME, ~/.local/share",
                             {"/", true, "/home/ann", ""},
                             "/home/ann/.local/share/zorvex"},
                      Choice{"a relative XDG_DATA_HOME is ignored",
                             {"/", true, "/home/ann", "data"},
                             "/home/ann/.local/share/zorvex"},
                      Choice{"no usable home: stay", {"/tmp/x", true, "", ""}, "/tmp/x"}),
    [](const ::testing::TestParamInfo<Choice>& info) {
        // The row's words in camel case: "no usable home: stay" -> NoUsableHomeStay.
        std::string name;
        bool wordStart = true;
        for (const char* c = info.param.what; *c != '\0'; ++c) {
            const bool alnum = std::isalnum(static_cast<unsigned char>(*c)) != 0;
            if (alnum)
                name += wordStart ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c)))
                                  : *c;
            wordStart = !alnum;
        }
        return name;
    });

TEST(WorkingDirectory, FirstStartCreatesItWithAnEmptyRomsFolderLaterStartsKeepItsFiles) {
    test::TempDir data;
    const fs::path previous = fs::current_path();
    const std::string dir = data / "share/zorvex";
    std::string message;
    ASSERT_TRUE(EnterWorkingDirectory(dir, message)) << message;
    EXPECT_EQ(fs::current_path(), fs::path(dir));
    EXPECT_TRUE(fs::is_directory(dir + "/roms"));
    EXPECT_TRUE(fs::is_empty(dir + "/roms"));

    test::WriteFile(dir + "/roms/game.gb", {1, 2, 3});
    fs::current_path(previous);
    ASSERT_TRUE(EnterWorkingDirectory(dir, message)) << message;
    EXPECT_EQ(test::ReadFile(dir + "/roms/game.gb"), (std::vector<uint8_t>{1, 2, 3}));

    // A place that cannot be created leaves the current directory alone.
    test::WriteFile(data / "file", {0});
    EXPECT_FALSE(EnterWorkingDirectory(data / "file/zorvex", message));
    EXPECT_NE(message.find(data / "file/zorvex"), std::string::npos) << message;
    EXPECT_EQ(fs::current_path(), fs::path(dir));
    fs::current_path(previous);
}

TEST(WorkingDirectory, OnlyTheDesktopEntryOptionMarksADesktopStart) {
    char program[] = "zorvex";
    char platform[] = "-platform";
    char offscreen[] = "offscreen";
    char entry[] = "--desktop-entry";
    char* plain[] = {program, platform, offscreen};
    char* desktop[] = {program, platform, offscreen, entry};
    EXPECT_FALSE(CurrentStartPlace(3, plain).fromDesktopEntry);
    EXPECT_TRUE(CurrentStartPlace(4, desktop).fromDesktopEntry);
    EXPECT_EQ(CurrentStartPlace(3, plain).currentDirectory, fs::current_path().string());
}

}  // namespace
}  // namespace zorvex

#include "emulator/command_line.h"

#include <gtest/gtest.h>

namespace zorvex {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateAndRunsOfBlanksGiveNoEmptyArguments) {
    EXPECT_EQ(SplitCommandLine("emu.exe -a roms/tetris.gb -b"),
              (Args{"emu.exe", "-a", "roms/tetris.gb", "-b"}));
    EXPECT_EQ(SplitCommandLine("  emu \t roms/x.gb  "), (Args{"emu", "roms/x.gb"}));
    EXPECT_EQ(SplitCommandLine(""), Args{});
    EXPECT_EQ(SplitCommandLine(" \t "), Args{});
}

TEST(SplitCommandLine, ProgramTokenTakesQuotesButNoEscapes) {
    EXPECT_EQ(SplitCommandLine(R"("C:\Program Files\emu\emu.exe" -x)"),
              (Args{R"(C:\Program Files\emu\emu.exe)", "-x"}));
    EXPECT_EQ(SplitCommandLine(R"(dir\"sub dir"\emu a)"), (Args{R"(dir\sub dir\emu)", "a"}));
}

TEST(SplitCommandLine, QuotesAndBackslashesInArguments) {
    EXPECT_EQ(SplitCommandLine(R"(p "a b" c)"), (Args{"p", "a b", "c"}));
    EXPECT_EQ(SplitCommandLine(R"(p a"b c"d)"), (Args{"p", "ab cd"}));
    EXPECT_EQ(SplitCommandLine(R"(p "" x)"), (Args{"p", "", "x"}));
    EXPECT_EQ(SplitCommandLine(R"(p a\"b)"), (Args{"p", R"(a"b)"}));
    EXPECT_EQ(SplitCommandLine(R"(p a\\"b c")"), (Args{"p", R"(a\b c)"}));
    EXPECT_EQ(SplitCommandLine(R"(p a\\\"b)"), (Args{"p", R"(a\"b)"}));
    EXPECT_EQ(SplitCommandLine(R"(p a\\b c:\dir\)"), (Args{"p", R"(a\\b)", R"(c:\dir\)"}));
    EXPECT_EQ(SplitCommandLine(R"(p "say ""hi""")"), (Args{"p", R"(say "hi")"}));
    EXPECT_EQ(SplitCommandLine(R"(p "unterminated quote)"), (Args{"p", "unterminated quote"}));
}

TEST(SplitCommandLine, ShellCharactersAreOrdinary) {
    EXPECT_EQ(SplitCommandLine("emu roms/a;rm${IFS}-rf|x`y`$(z).gb >out &"),
              (Args{"emu", "roms/a;rm${IFS}-rf|x`y`$(z).gb", ">out", "&"}));
}

}  // namespace
}  // namespace zorvex

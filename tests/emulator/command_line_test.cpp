#include "emulator/command_line.h"

#include <gtest/gtest.h>

namespace zorvex {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateAndOnlyQuotesAndBackslashesAreSpecial) {
    EXPECT_EQ(SplitCommandLine("emu.exe -a roms/tetris.gb -b"),
              (Args{"emu.exe", "-a", "roms/tetris.gb", "-b"}));
    EXPECT_EQ(SplitCommandLine("  emu \t roms/x.gb  "), (Args{"emu", "roms/x.gb"}));
    EXPECT_EQ(SplitCommandLine(" \t "), Args{});
    EXPECT_EQ(SplitCommandLine("emu roms/a;rm${IFS}-rf|`y`$(z).gb >out &"),
              (Args{"emu", "roms/a;rm${IFS}-rf|`y`$(z).gb", ">out", "&"}));
}

TEST(SplitCommandLine, WindowsQuotingRules) {
    // The program token takes quotes but no escapes.
    EXPECT_EQ(SplitCommandLine(R"("C:\Program Files\emu.exe" -x)"),
              (Args{R"(C:\Program Files\emu.exe)", "-x"}));
    EXPECT_EQ(SplitCommandLine(R"(p "a b" a"b c"d "" x)"), (Args{"p", "a b", "ab cd", "", "x"}));
    EXPECT_EQ(SplitCommandLine(R"(p a\"b a\\"b c" a\\\"b a\\b c:\dir\)"),
              (Args{"p", R"(a"b)", R"(a\b c)", R"(a\"b)", R"(a\\b)", R"(c:\dir\)"}));
    EXPECT_EQ(SplitCommandLine(R"(p "say ""hi""" "open end)"),
              (Args{"p", R"(say "hi")", "open end"}));
}

TEST(QuoteArgument, EveryArgumentReadsBackWhole) {
    EXPECT_EQ(QuoteArgument("roms/tetris.gb"), "roms/tetris.gb");
    EXPECT_EQ(QuoteArgument(R"(c:\dir\x.gb)"), R"(c:\dir\x.gb)");
    EXPECT_EQ(QuoteArgument("roms/Tetris (World).gb"), R"("roms/Tetris (World).gb")");
    for (std::string arg : {"a b", "tab\tthere", R"(say "hi")", R"(a"b)", R"(end\ )",
                            R"(dir with\)", R"(x\\"y z)", " ", "\""}) {
        EXPECT_EQ(SplitCommandLine("emu -a " + QuoteArgument(arg) + " -b"),
                  (Args{"emu", "-a", arg, "-b"}))
            << arg;
    }
}

}  // namespace
}  // namespace zorvex

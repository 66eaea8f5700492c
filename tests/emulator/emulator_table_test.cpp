#include "emulator/emulator_table.h"

#include "tests/emulator/emulator_fixture.h"

namespace zorvex::test {
namespace {

TEST(EmulatorTable, OnlyCompleteEmulatorsGetDenseIndexes) {
    RecordingMessageSink sink;
    EmulatorTable table;
    ParseTable(
        table,
        "emu2title=Two\r\nemu2name=two.exe\r\nemu2preparam=-a\r\nemu2postparam=-b\r\n"
        "emu3title=Three\r\nemu3name=three.exe\r\nemu3preparam=\r\n"
        "emu5postparam=post5\r\nemu5preparam=pre5\r\nemu5name=five.exe\r\nemu5title=Five\r\n",
        sink);
    ASSERT_EQ(table.emulatorCount(), 2);
    EXPECT_EQ(table.Entry(0).menuLabel, "&0 Two");
    EXPECT_EQ(table.Entry(0).program, "two.exe");
    EXPECT_EQ(table.Entry(0).preParam, "-a");
    EXPECT_EQ(table.Entry(0).postParam, "-b");
    EXPECT_EQ(table.Entry(1).menuLabel, "&1 Five");
    EXPECT_EQ(table.Entry(1).program, "five.exe");
    EXPECT_EQ(table.Entry(1).preParam, "pre5");
    EXPECT_EQ(table.Entry(1).postParam, "post5");
    EXPECT_TRUE(sink.messages.empty());
}

TEST(EmulatorTable, ValuesRunToTheNextCarriageReturnUntrimmed) {
    RecordingMessageSink sink;
    EmulatorTable table;
    // A title ended by LF only swallows the following lines; keys are still
    // found inside them, anywhere in a line.
    ParseTable(table,
               "emu1title=Alpha\nemu1name=first\r\n"
               "junk emu1preparam= -x \r\n"
               "emu1name=second\r\n"
               "emu1postparam=  --full",
               sink);
    ASSERT_EQ(table.emulatorCount(), 1);
    EXPECT_EQ(table.Entry(0).menuLabel, "&0 Alpha\nemu1name=first");
    EXPECT_EQ(table.Entry(0).program, "first");
    EXPECT_EQ(table.Entry(0).preParam, " -x ");
    EXPECT_EQ(table.Entry(0).postParam, "  --full");
}

TEST(EmulatorTable, KeysAreMatchedWithExactCaseAndNumber) {
    RecordingMessageSink sink;
    EmulatorTable table;
    ParseTable(table,
               "EMU1TITLE=x\r\nemu1name=a\r\nemu1preparam=\r\nemu1postparam=\r\n"
               "emu10title=Ten\r\nemu10name=ten\r\nemu10preparam=\r\nemu10postparam=\r\n"
               "emu11title=Eleven\r\nemu11name=e\r\nemu11preparam=\r\nemu11postparam=\r\n",
               sink);
    ASSERT_EQ(table.emulatorCount(), 1);
    EXPECT_EQ(table.Entry(0).menuLabel, "&0 Ten");
    EXPECT_EQ(table.Entry(0).preParam, "");
}

TEST(EmulatorTable, OverlongValueIsRefusedNotCut) {
    RecordingMessageSink sink;
    EmulatorTable table;
    std::string fits(511, 'p'), tooLong(512, 'q');
    ParseTable(table,
               "emu1title=A\r\nemu1name=" + fits + "\r\nemu1preparam=\r\nemu1postparam=\r\n" +
                   "emu2title=B\r\nemu2name=b\r\nemu2preparam=" + tooLong +
                   "\r\nemu2postparam=\r\n" +
                   "emu3title=C\r\nemu3name=c\r\nemu3preparam=\r\nemu3postparam=\r\n",
               sink);
    ASSERT_EQ(table.emulatorCount(), 2);
    EXPECT_EQ(table.Entry(0).program, fits);
    EXPECT_EQ(table.Entry(1).menuLabel, "&1 C");
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_NE(sink.messages[0].first.find("emu2preparam="), std::string::npos);
    EXPECT_NE(sink.messages[0].first.find("511"), std::string::npos);
    EXPECT_EQ(sink.messages[0].second, "Error");
}

TEST(EmulatorTable, MissingOrEmptyFileLeavesNoEmulators) {
    TempDir dir;
    RecordingMessageSink sink;
    EmulatorTable table;
    ParseTable(table, "emu1title=A\r\nemu1name=a\r\nemu1preparam=\r\nemu1postparam=\r\n", sink);
    ASSERT_TRUE(table.SelectEmulator(0));

    EXPECT_FALSE(table.Load(dir / "emu.cfg", sink));
    EXPECT_EQ(table.emulatorCount(), 0);
    WriteFile(dir / "empty.cfg", {});
    EXPECT_FALSE(table.Load(dir / "empty.cfg", sink));
    EXPECT_EQ(sink.Texts(),
              (std::vector<std::string>{"Can't open " + dir / "emu.cfg",
                                        "Can't alloc Memory for " + dir / "empty.cfg"}));

    std::string text = "emu4title=Four\r\nemu4name=4\r\nemu4preparam=\r\nemu4postparam=\r\n";
    WriteFile(dir / "emu.cfg", std::vector<uint8_t>(text.begin(), text.end()));
    EXPECT_TRUE(table.Load(dir / "emu.cfg", sink));
    EXPECT_EQ(table.emulatorCount(), 1);
    EXPECT_EQ(table.Entry(0).menuLabel, "&0 Four");
}

TEST(EmulatorTable, OnlyExistingEmulatorsCanBeSelected) {
    RecordingMessageSink sink;
    EmulatorTable table;
    ParseTable(table,
               "emu1title=A\r\nemu1name=a\r\nemu1preparam=\r\nemu1postparam=\r\n"
               "emu2title=B\r\nemu2name=b\r\nemu2preparam=\r\nemu2postparam=\r\n",
               sink);
    EXPECT_EQ(table.currentEmulator(), 0);
    EXPECT_TRUE(table.SelectEmulator(1));
    EXPECT_EQ(table.currentEmulator(), 1);
    EXPECT_FALSE(table.SelectEmulator(2));
    EXPECT_FALSE(table.SelectEmulator(-1));
    EXPECT_EQ(table.currentEmulator(), 1);
}

}  // namespace
}  // namespace zorvex::test

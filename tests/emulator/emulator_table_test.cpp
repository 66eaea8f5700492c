#include "emulator/emulator_table.h"

#include "emulator/emulator_config_template.h"

#include "tests/emulator/emulator_fixture.h"

namespace zorvex::test {
namespace {

TEST(EmulatorTable, OnlyCompleteEmulatorsGetDenseIndexes) {
    RecordingMessageSink sink;
    EmulatorTable table;
    std::string three = Emu(3, "Three", "three", "", "");
    three.resize(three.find("emu3postparam"));
    ParseTable(table,
               Emu(5, "Five", "five.exe", "pre5", "post5") + three +
                   Emu(2, "Two", "two", "-a", "-b") +
                   "EMU1TITLE=x\r\nemu1name=one\r\nemu1preparam=\r\nemu1postparam=\r\n",
               sink);
    ASSERT_EQ(table.emulatorCount(), 2);
    EXPECT_EQ(table.Entry(0).menuLabel, "&0 Two");
    EXPECT_EQ(table.Entry(1).menuLabel, "&1 Five");
    EXPECT_EQ(table.Entry(1).program, "five.exe");
    EXPECT_EQ(table.Entry(1).preParam, "pre5");
    EXPECT_EQ(table.Entry(1).postParam, "post5");
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_TRUE(table.SelectEmulator(1));
    EXPECT_FALSE(table.SelectEmulator(2));
    EXPECT_EQ(table.currentEmulator(), 1);
}

TEST(EmulatorTable, ValuesRunUntrimmedToTheNextCarriageReturn) {
    RecordingMessageSink sink;
    EmulatorTable table;
    // A title ended by LF only swallows the next line; keys count anywhere,
    // at their first occurrence; the last value ends with the file.
    ParseTable(table,
               "emu1title=Alpha\nemu1name=first\r\njunk emu1preparam= -x \r\n"
               "emu1name=second\r\nemu1postparam=  --full",
               sink);
    ASSERT_EQ(table.emulatorCount(), 1);
    EXPECT_EQ(table.Entry(0).menuLabel, "&0 Alpha\nemu1name=first");
    EXPECT_EQ(table.Entry(0).program, "first");
    EXPECT_EQ(table.Entry(0).preParam, " -x ");
    EXPECT_EQ(table.Entry(0).postParam, "  --full");
}

TEST(EmulatorTable, OverlongValuesAndUnreadableFilesLeaveEmulatorsOut) {
    TempDir dir;
    RecordingMessageSink sink;
    EmulatorTable table;
    std::string text = Emu(1, "A", std::string(511, 'p'), "", "") +
                       Emu(2, "B", "b", std::string(512, 'q'), "") + Emu(3, "C", "c", "", "");
    WriteFile(dir / "emu.cfg", {text.begin(), text.end()});
    ASSERT_TRUE(table.Load(dir / "emu.cfg", sink));
    ASSERT_EQ(table.emulatorCount(), 2);
    EXPECT_EQ(table.Entry(1).menuLabel, "&1 C");
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_NE(sink.messages[0].first.find("emu2preparam="), std::string::npos);
    EXPECT_NE(sink.messages[0].first.find("511"), std::string::npos);

    sink.messages.clear();
    WriteFile(dir / "empty.cfg", {});
    EXPECT_FALSE(table.Load(dir / "empty.cfg", sink));
    EXPECT_EQ(table.emulatorCount(), 0);
    EXPECT_FALSE(table.Load(dir / "none.cfg", sink));
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"Can't alloc Memory for " + dir / "empty.cfg",
                                                      "Can't open " + dir / "none.cfg"}));
}

// The first desktop start's emu.cfg opens without a message, defines nothing
// (its comments never spell a key), and never replaces an owner's file.
TEST(EmulatorTable, TheTemplateDefinesNothingAndReplacesNothing) {
    TempDir dir;
    RecordingMessageSink sink;
    EmulatorTable table;
    WriteFile(dir / "emu.cfg", {'x'});
    EXPECT_FALSE(WriteEmulatorConfigTemplate(dir / "emu.cfg"));
    EXPECT_EQ(ReadFile(dir / "emu.cfg"), std::vector<uint8_t>{'x'});
    ASSERT_TRUE(WriteEmulatorConfigTemplate(dir / "new.cfg"));
    ASSERT_TRUE(table.Load(dir / "new.cfg", sink));
    EXPECT_EQ(table.emulatorCount(), 0);
    EXPECT_TRUE(sink.messages.empty());
}

}  // namespace
}  // namespace zorvex::test

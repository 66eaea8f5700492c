#include <gtest/gtest.h>

#include "library/rom_list_model.h"
#include "pack/pack_list.h"
#include "pack/pack_status.h"
#include "tests/support/recording_ui.h"

namespace zorvex {
namespace {

using test::RecordingMessageSink;

RomEntry LibraryEntry(const std::string& name, const std::string& file) {
    RomEntry e;
    e[FieldName] = name;
    e[FieldSize] = "32kB/32kB";
    e[FieldFileName] = file;
    e[FieldCrc] = "1234abcd";
    e[FieldAttributes] = "000000000001000000000000";
    e[FieldScreenshot] = name + ".bmp";
    e[FieldFileAttributes] = "00000000000000000000000000008000";
    return e;
}

void AddLibraryRow(RomListModel& library, const RomEntry& e) {
    int row = library.InsertRow(e[FieldName]);
    for (int f = 1; f < kRomFieldCount; ++f) library.SetField(row, f, e[f]);
}

TEST(AddLibraryRowToPack, CopiesTheRowWithTheLibraryPrefix) {
    RomListModel library, pack;
    AddLibraryRow(library, LibraryEntry("ZETA", "zeta.gb"));
    AddLibraryRow(library, LibraryEntry("ALPHA", "alpha.gbc"));
    PackInsertion insertion;
    RecordingMessageSink sink;

    ASSERT_TRUE(AddLibraryRowToPack(library, 1, pack, insertion, sink));
    ASSERT_TRUE(AddLibraryRowToPack(library, 0, pack, insertion, sink));
    EXPECT_TRUE(sink.messages.empty());

    ASSERT_EQ(pack.Count(), 2);
    RomEntry expected = LibraryEntry("ALPHA", "roms/alpha.gbc");
    EXPECT_EQ(pack.Row(0), expected);
    EXPECT_EQ(insertion.lastInsertedLibraryRow, 0);
    EXPECT_EQ(insertion.lastInsertedPackRow, 0);  // ALPHA sorts before ZETA

    // Duplicates are allowed.
    ASSERT_TRUE(AddLibraryRowToPack(library, 0, pack, insertion, sink));
    EXPECT_EQ(pack.Count(), 3);

    // No row (-1): nothing happens at all.
    EXPECT_FALSE(AddLibraryRowToPack(library, -1, pack, insertion, sink));
    EXPECT_EQ(insertion.lastInsertedLibraryRow, 0);
    EXPECT_EQ(pack.Count(), 3);
}

TEST(AddLibraryRowToPack, LongFileNamesAreCutTo511CharactersWithThePrefix) {
    RomListModel library, pack;
    AddLibraryRow(library, LibraryEntry("LONG", std::string(600, 'x')));
    PackInsertion insertion;
    RecordingMessageSink sink;
    ASSERT_TRUE(AddLibraryRowToPack(library, 0, pack, insertion, sink));
    EXPECT_EQ(pack.Row(0)[FieldFileName], "roms/" + std::string(506, 'x'));
}

TEST(AddLibraryRowToPack, RefusedFieldNamesTheColumnAndRemovesTheRow) {
    RomListModel library;
    AddLibraryRow(library, LibraryEntry("ALPHA", "alpha.gb"));
    const char* names[] = {"Name",       "RomSize",    "FileName",      "CRC",
                           "Attributes", "ScreenShot", "FileAttributes"};
    for (int refused = 0; refused < kRomFieldCount; ++refused) {
        RomListModel pack;
        PackInsertion insertion;
        RecordingMessageSink sink;
        pack.RefuseAfter(refused);
        EXPECT_FALSE(AddLibraryRowToPack(library, 0, pack, insertion, sink));
        ASSERT_EQ(sink.messages.size(), 1u) << refused;
        EXPECT_EQ(sink.messages[0].first,
                  std::string("Error at InsertItem(") + names[refused] + ")");
        EXPECT_EQ(sink.messages[0].second, "Error");
        EXPECT_EQ(pack.Count(), 0) << refused;
        EXPECT_EQ(insertion.lastInsertedLibraryRow, 0);
        EXPECT_EQ(insertion.lastInsertedPackRow, -1);
    }
}

TEST(PackRows, RemoveAndClear) {
    RomListModel library, pack;
    AddLibraryRow(library, LibraryEntry("ALPHA", "alpha.gb"));
    AddLibraryRow(library, LibraryEntry("BETA", "beta.gb"));
    PackInsertion insertion;
    RecordingMessageSink sink;
    ASSERT_TRUE(AddLibraryRowToPack(library, 0, pack, insertion, sink));
    ASSERT_TRUE(AddLibraryRowToPack(library, 1, pack, insertion, sink));

    EXPECT_FALSE(RemovePackRow(pack, -1));
    EXPECT_FALSE(RemovePackRow(pack, 2));
    EXPECT_TRUE(RemovePackRow(pack, 1));
    ASSERT_EQ(pack.Count(), 1);
    EXPECT_EQ(pack.Row(0)[FieldName], "ALPHA");
    EXPECT_TRUE(RemovePackRow(pack, 0));
    EXPECT_EQ(pack.Count(), 0);

    ASSERT_TRUE(AddLibraryRowToPack(library, 0, pack, insertion, sink));
    ASSERT_TRUE(AddLibraryRowToPack(library, 1, pack, insertion, sink));
    ClearPack(pack);
    EXPECT_EQ(pack.Count(), 0);
    EXPECT_EQ(UpdatePackStatus(pack).caption, "DIZavo RomList (empty)");
}

}  // namespace
}  // namespace zorvex

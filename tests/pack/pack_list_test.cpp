#include <gtest/gtest.h>

#include "library/rom_list_model.h"
#include "pack/pack_list.h"
#include "pack/pack_status.h"
#include "tests/support/recording_ui.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

using test::RecordingMessageSink;
using test::RomBuilder;
using test::ScriptedFileRequester;
using test::TempDir;

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

TEST(AddFilesToPack, AsksForRomsAndKeepsFullPaths) {
    TempDir dir;
    test::WriteFile(dir / "b.gb", RomBuilder().Title("BRAVO").Build());
    test::WriteFile(dir / "a.gbc", RomBuilder().Title("ALPHA").Cgb(0x80).Build());
    test::WriteFile(dir / "junk.gb", std::vector<uint8_t>(0x8000, 0x11));

    RomListModel pack;
    ScriptedFileRequester requester;
    requester.Answer({dir / "b.gb", dir / "junk.gb", dir / "a.gbc"});
    RequesterDirectories dirs{"/work", "/start"};
    RecordingMessageSink sink;

    EXPECT_TRUE(AddFilesToPack(pack, requester, dirs, sink));

    ASSERT_EQ(requester.asked.size(), 1u);
    const FileRequest& asked = requester.asked[0];
    EXPECT_EQ(asked.kind, FileRequest::Kind::Open);
    EXPECT_EQ(asked.title, "Add Rom(s) to DIZavo");
    EXPECT_EQ(asked.filter,
              "Gameboy Roms (*.gb;*.gbc;*.zip)|*.gb;*.gbc;*.zip|All Files (*.*)|*.*||");
    EXPECT_TRUE(asked.multiSelect);
    EXPECT_TRUE(asked.mustExist);
    EXPECT_EQ(asked.directory, "/start");
    EXPECT_EQ(dirs.requester, dir.path());
    EXPECT_EQ(dirs.working, "/work");

    // The bad file is reported and skipped; the others are sorted by name.
    EXPECT_EQ(sink.messages.size(), 1u);
    ASSERT_EQ(pack.Count(), 2);
    EXPECT_EQ(pack.Row(0)[FieldName], "ALPHA");
    EXPECT_EQ(pack.Row(0)[FieldFileName], dir / "a.gbc");
    EXPECT_EQ(pack.Row(1)[FieldFileName], dir / "b.gb");
    EXPECT_EQ(UpdatePackStatus(pack).caption,
              "DIZavo (2 Roms / 96 kB / 0 Banks) (512 kB Card needed)");
}

TEST(AddFilesToPack, CancelAddsNothing) {
    RomListModel pack;
    ScriptedFileRequester requester;
    requester.Cancel();
    RequesterDirectories dirs{"/work", "/start"};
    RecordingMessageSink sink;
    EXPECT_FALSE(AddFilesToPack(pack, requester, dirs, sink));
    EXPECT_EQ(pack.Count(), 0);
    EXPECT_EQ(dirs.requester, "/start");
    EXPECT_TRUE(sink.messages.empty());
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

TEST(PackRows, RemoveClearAndUndoOfTheLastInsertion) {
    RomListModel library, pack;
    AddLibraryRow(library, LibraryEntry("ALPHA", "alpha.gb"));
    AddLibraryRow(library, LibraryEntry("BETA", "beta.gb"));
    PackInsertion insertion;
    RecordingMessageSink sink;
    ASSERT_TRUE(AddLibraryRowToPack(library, 0, pack, insertion, sink));
    ASSERT_TRUE(AddLibraryRowToPack(library, 1, pack, insertion, sink));

    // A double click on another library row undoes nothing.
    EXPECT_FALSE(UndoPackInsertion(0, pack, insertion));
    EXPECT_FALSE(UndoPackInsertion(-1, pack, insertion));
    EXPECT_EQ(pack.Count(), 2);

    EXPECT_TRUE(UndoPackInsertion(1, pack, insertion));
    ASSERT_EQ(pack.Count(), 1);
    EXPECT_EQ(pack.Row(0)[FieldName], "ALPHA");
    // The index is forgotten: undoing again must not remove ALPHA.
    EXPECT_FALSE(UndoPackInsertion(1, pack, insertion));
    EXPECT_EQ(pack.Count(), 1);

    // A failed insertion leaves nothing to undo.
    pack.RefuseAfter(3);
    EXPECT_FALSE(AddLibraryRowToPack(library, 1, pack, insertion, sink));
    EXPECT_FALSE(UndoPackInsertion(1, pack, insertion));
    EXPECT_EQ(pack.Count(), 1);

    EXPECT_FALSE(RemovePackRow(pack, -1));
    EXPECT_FALSE(RemovePackRow(pack, 1));
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

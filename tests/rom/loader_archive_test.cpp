#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "rom/rom_image.h"
#include "tests/rom/loader_zip_writer.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

using test::ReadFile;
using test::RomBuilder;
using test::TempDir;
using test::WriteFile;
using test::WriteZip;
using test::ZipMember;

std::vector<uint8_t> Bytes(size_t n, uint32_t seed) {
    RomBuilder b(n);
    b.Pattern(0, n, seed);
    return b.Build();
}

class LoaderArchive : public ::testing::Test {
  protected:
    // Loads the member the loader picks from an archive of these members.
    RomImage Load(const std::string& zipName, const std::vector<ZipMember>& members,
                  unsigned options = LoadFromZip, int32_t maxLength = 0) {
        path = dir / zipName;
        WriteZip(path, members);
        length = maxLength;
        return LoadRomImage(path, length, options, message);
    }
    TempDir dir;
    std::string path;
    std::string message;
    int32_t length = 0;
};

TEST_F(LoaderArchive, PrefersTheFirstRomExtensionOverEverythingElse) {
    auto readme = Bytes(300, 1), game = Bytes(0x8000, 2), other = Bytes(0x4000, 3);
    RomImage a = Load("pack.zip", {{"readme.txt", readme}, {"game.gb", game}});
    ASSERT_TRUE(a) << message;
    EXPECT_EQ(a.bytes(), game);
    EXPECT_EQ(length, 0x8000);

    RomImage b = Load("two.zip", {{"first.GB", game}, {"second.gb", other}});
    ASSERT_TRUE(b) << message;
    EXPECT_EQ(b.bytes(), game);

    // A matching base name does not end the walk; a later ROM extension wins.
    RomImage c = Load("pack.zip", {{"pack.dat", other}, {"dir/game.Gbc", game}});
    ASSERT_TRUE(c) << message;
    EXPECT_EQ(c.bytes(), game);
}

TEST_F(LoaderArchive, FallsBackToBaseNameThenToFirstNonEmptyMember) {
    auto intro = Bytes(500, 4), tetris = Bytes(900, 5), b = Bytes(700, 6);
    RomImage named = Load("Tetris.zip", {{"intro.dat", intro}, {"TETRIS.dat", tetris}});
    ASSERT_TRUE(named) << message;
    EXPECT_EQ(named.bytes(), tetris);
    EXPECT_EQ(length, 900);

    // Empty members are skipped, even when their name would match.
    RomImage first = Load("x.zip", {{"x.dat", {}}, {"a.dat", intro}, {"b.dat", b}});
    ASSERT_TRUE(first) << message;
    EXPECT_EQ(first.bytes(), intro);
    EXPECT_EQ(length, 500);

    // The last member of the archive's base name replaces an earlier one.
    RomImage last = Load("s.zip", {{"s.a", intro}, {"s.b", b}, {"other", tetris}});
    ASSERT_TRUE(last) << message;
    EXPECT_EQ(last.bytes(), b);
}

TEST_F(LoaderArchive, SaveDataLooksForSaveExtensionsInstead) {
    auto game = Bytes(0x8000, 7), save = Bytes(0x2000, 8);
    RomImage image = Load("zelda.zip", {{"zelda.gb", game}, {"zelda.SRM", save}, {"x.bin", game}},
                          LoadFromZip | LoadSaveData | LoadUpToSize, 0x20000);
    ASSERT_TRUE(image) << message;
    EXPECT_EQ(image.bytes(), save);
    EXPECT_EQ(length, 0x2000);

    RomImage bin = Load("a.zip", {{"readme.txt", game}, {"slot.bin", save}},
                        LoadFromZip | LoadSaveData | LoadUpToSize, 0x20000);
    ASSERT_TRUE(bin) << message;
    EXPECT_EQ(bin.bytes(), save);
}

TEST_F(LoaderArchive, UpToSizeStopsAtTheMaximum) {
    auto big = Bytes(200 * 1024, 9);
    RomImage image =
        Load("big.zip", {{"big.srm", big}}, LoadFromZip | LoadSaveData | LoadUpToSize, 128 * 1024);
    ASSERT_TRUE(image) << message;
    EXPECT_EQ(length, 128 * 1024);
    EXPECT_TRUE(std::equal(image.bytes().begin(), image.bytes().end(), big.begin()));
}

TEST_F(LoaderArchive, ArchivesWithoutAUsableMemberOrThatCannotBeOpened) {
    EXPECT_FALSE(Load("none.zip", {}));
    EXPECT_EQ(message, "Can't find rom in " + path);
    EXPECT_FALSE(Load("empties.zip", {{"a.gb", {}}, {"b.txt", {}}}));
    EXPECT_EQ(message, "Can't find rom in " + path);

    path = dir / "missing.zip";
    EXPECT_FALSE(LoadRomImage(path, length, LoadFromZip, message));
    EXPECT_EQ(message, "Can't open " + path);
}

// Finds the stored data of a member in the written archive and flips a byte of it.
void CorruptStoredBytes(const std::string& path, const std::vector<uint8_t>& data) {
    auto archive = ReadFile(path);
    auto at = std::search(archive.begin(), archive.end(), data.begin(), data.end());
    ASSERT_NE(at, archive.end());
    at[static_cast<long>(data.size() / 2)] ^= 0x5A;
    WriteFile(path, archive);
}

TEST_F(LoaderArchive, CorruptedMemberFailsItsCrcCheck) {
    auto game = Bytes(0x8000, 10);
    path = dir / "bad.zip";
    WriteZip(path, {{"bad.gb", game, /*stored=*/true}});
    CorruptStoredBytes(path, game);
    EXPECT_FALSE(LoadRomImage(path, length, LoadFromZip, message));
    EXPECT_EQ(message, "CRC Error in " + path);

    // A partial read does not reach the check; the bytes come back as stored.
    length = 0x1000;
    RomImage part = LoadRomImage(path, length, LoadFromZip | LoadUpToSize, message);
    ASSERT_TRUE(part) << message;
    EXPECT_EQ(length, 0x1000);
}

TEST_F(LoaderArchive, MemberShorterThanItsClaimIsAnUnzipError) {
    auto data = Bytes(500, 11);
    EXPECT_FALSE(Load("short.zip", {{"short.gb", data, true, 1000}}));
    EXPECT_EQ(message, "Unzip error in " + path);
}

// A member may claim any size; the claim must not be trusted with an allocation.
TEST_F(LoaderArchive, HugeClaimedSizesFailAsAllocationFailures) {
    auto data = Bytes(500, 12);
    for (int64_t claim : {int64_t{0xFFFFFFF0}, int64_t{0x80000000}, kMaxImageLength + 1}) {
        EXPECT_FALSE(Load("huge.zip", {{"huge.gb", data, true, claim}})) << claim;
        EXPECT_EQ(message, "Can't alloc Memory for " + path) << claim;
    }
    // With a caller's maximum the claim does not matter.
    RomImage image = Load("huge.zip", {{"huge.srm", data, true, 0xFFFFFFF0}},
                          LoadFromZip | LoadSaveData | LoadUpToSize, 0x20000);
    ASSERT_TRUE(image) << message;
    EXPECT_EQ(image.bytes(), data);
}

}  // namespace
}  // namespace zorvex

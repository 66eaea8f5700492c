#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "rom/rom_image.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

using test::RomBuilder;
using test::TempDir;
using test::WriteFile;

std::vector<uint8_t> Bytes(size_t n, uint32_t seed) {
    RomBuilder b(n);
    b.Pattern(0, n, seed);
    return b.Build();
}

// Makes a file of the given length without writing its bytes.
bool MakeSparseFile(const std::string& path, int64_t length) {
    int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = ::ftruncate(fd, length) == 0;
    ::close(fd);
    return ok;
}

TEST(LoaderPlainFile, ReadsWholeFileAndLeavesMessageAlone) {
    TempDir dir;
    auto bytes = Bytes(40000, 7);
    WriteFile(dir / "game.gb", bytes);
    std::string message = "earlier text";
    int32_t length = -5;
    RomImage image = LoadRomImage(dir / "game.gb", length, LoadFromZip, message);
    ASSERT_TRUE(image);
    EXPECT_EQ(length, 40000);
    EXPECT_EQ(image.bytes(), bytes);
    EXPECT_EQ(message, "earlier text");
}

TEST(LoaderPlainFile, OpenAndAllocationFailuresNameThePath) {
    TempDir dir;
    std::string message;
    int32_t length = 0;
    std::string missing = dir / "missing.gb";
    EXPECT_FALSE(LoadRomImage(missing, length, LoadFromZip, message));
    EXPECT_EQ(message, "Can't open " + missing);

    EXPECT_FALSE(LoadRomImage(dir.path(), length, 0, message));
    EXPECT_EQ(message, "Can't open " + dir.path());

    std::string empty = dir / "empty.gb";
    WriteFile(empty, {});
    EXPECT_FALSE(LoadRomImage(empty, length, LoadPadTo32K, message));
    EXPECT_EQ(message, "Can't alloc Memory for " + empty);

    // A read of nothing with LoadUpToSize is reported the same way.
    length = 0x20000;
    EXPECT_FALSE(LoadRomImage(empty, length, LoadUpToSize, message));
    EXPECT_EQ(message, "Can't alloc Memory for " + empty);
}

TEST(LoaderPlainFile, PadsToWholeUnitsOf32KWithOneFillByte) {
    TempDir dir;
    auto bytes = Bytes(40 * 1024, 3);
    WriteFile(dir / "a.gb", bytes);
    std::string message;
    int32_t length = 0;
    RomImage image = LoadRomImage(dir / "a.gb", length, LoadPadTo32K | LoadFromZip, message);
    ASSERT_TRUE(image);
    ASSERT_EQ(length, 64 * 1024);
    ASSERT_EQ(image.length(), 64 * 1024);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), image.data()));
    const uint8_t fill = image.data()[40 * 1024];
    for (int i = 40 * 1024; i < 64 * 1024; ++i) ASSERT_EQ(image.data()[i], fill) << i;

    // A whole number of units is left as it is; one byte is a full unit.
    WriteFile(dir / "b.gb", Bytes(0x8000, 4));
    EXPECT_TRUE(LoadRomImage(dir / "b.gb", length, LoadPadTo32K, message));
    EXPECT_EQ(length, 0x8000);
    WriteFile(dir / "c.gb", {0x42});
    RomImage one = LoadRomImage(dir / "c.gb", length, LoadPadTo32K, message);
    ASSERT_TRUE(one);
    EXPECT_EQ(length, 0x8000);
    EXPECT_EQ(one.data()[0], 0x42);
}

TEST(LoaderPlainFile, UpToSizeReadsAtMostTheMaximum) {
    TempDir dir;
    auto small = Bytes(32 * 1024, 5);
    auto large = Bytes(200 * 1024, 6);
    WriteFile(dir / "small.sav", small);
    WriteFile(dir / "large.sav", large);
    std::string message;

    int32_t length = 128 * 1024;
    RomImage a = LoadRomImage(dir / "small.sav", length, LoadUpToSize | LoadFromZip, message);
    ASSERT_TRUE(a);
    EXPECT_EQ(length, 32 * 1024);
    EXPECT_EQ(a.bytes(), small);

    length = 128 * 1024;
    RomImage b = LoadRomImage(dir / "large.sav", length, LoadUpToSize | LoadFromZip, message);
    ASSERT_TRUE(b);
    EXPECT_EQ(length, 128 * 1024);
    EXPECT_EQ(b.length(), 128 * 1024);
    EXPECT_TRUE(std::equal(b.bytes().begin(), b.bytes().end(), large.begin()));
}

TEST(LoaderPlainFile, ZipExtensionIsAPlainFileWithoutTheArchiveOption) {
    TempDir dir;
    auto bytes = Bytes(1000, 9);  // not an archive at all
    WriteFile(dir / "thing.ZIP", bytes);
    std::string message;
    int32_t length = 0;
    RomImage image = LoadRomImage(dir / "thing.ZIP", length, 0, message);
    ASSERT_TRUE(image);
    EXPECT_EQ(image.bytes(), bytes);
    // With the option it is an archive, and a broken one.
    EXPECT_FALSE(LoadRomImage(dir / "thing.ZIP", length, LoadFromZip, message));
    EXPECT_EQ(message, "Can't open " + (dir / "thing.ZIP"));
}

// Lengths that do not fit the 32-bit image length, or that would only serve to
// exhaust memory, fail as an allocation failure before anything is allocated.
TEST(LoaderPlainFile, OversizedFilesFailAsAllocationFailures) {
    TempDir dir;
    std::string message;
    int32_t length = 0;
    for (int64_t size : {int64_t{5} << 30, int64_t{0xFFFFFFFF} + 0x8000, kMaxImageLength + 1}) {
        std::string path = dir / ("big" + std::to_string(size) + ".gb");
        ASSERT_TRUE(MakeSparseFile(path, size)) << size;
        message.clear();
        EXPECT_FALSE(LoadRomImage(path, length, LoadFromZip | LoadPadTo32K, message)) << size;
        EXPECT_EQ(message, "Can't alloc Memory for " + path) << size;
        // CheckRomFile reads files its own way and must refuse them alike.
        RomHeaderSummary summary;
        message.clear();
        EXPECT_FALSE(CheckRomFile(path, summary, message)) << size;
        EXPECT_EQ(message, "Can't alloc Memory for " + path) << size;
        ::unlink(path.c_str());
    }
    // The limit itself is accepted, also when padding reaches it.
    std::string path = dir / "edge.gb";
    ASSERT_TRUE(MakeSparseFile(path, kMaxImageLength - 1));
    EXPECT_TRUE(LoadRomImage(path, length, LoadPadTo32K, message));
    EXPECT_EQ(length, kMaxImageLength);

    // A caller's maximum beyond the limit is refused the same way.
    length = 0x7FFFFFFF;
    EXPECT_FALSE(LoadRomImage(path, length, LoadUpToSize, message));
    EXPECT_EQ(message, "Can't alloc Memory for " + path);
}

}  // namespace
}  // namespace zorvex

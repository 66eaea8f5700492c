#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include "common/file_io.h"
#include "pack/pack_temp_path.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

class PackTempPathTest : public ::testing::Test {
  protected:
    std::string PrivateDir() const { return dir_ / Format("zorvex-%u", ::getuid()); }
    TempDir dir_;
};

TEST_F(PackTempPathTest, LivesInAPrivateDirectoryOfTheUser) {
    std::string path = MakePackTempPath(dir_.path());
    EXPECT_EQ(path, PrivateDir() + "/t.gb");
    struct stat st {};
    ASSERT_EQ(::lstat(PrivateDir().c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::getuid());

    // Start-up of a second run finds the same directory acceptable; a
    // trailing slash on the temporary directory makes no difference.
    EXPECT_EQ(MakePackTempPath(dir_.path() + "/"), path);
    EXPECT_TRUE(PackTempPathIsSafe(path));

    // Removed meanwhile (a temp cleaner): recreated as private before use.
    fs::remove_all(PrivateDir());
    EXPECT_TRUE(PackTempPathIsSafe(path));
    ASSERT_EQ(::lstat(PrivateDir().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(PackTempPathTest, RestrictiveUmaskStillGivesAUsableDirectory) {
    mode_t old = ::umask(0777);
    std::string path = MakePackTempPath(dir_.path());
    ::umask(old);
    EXPECT_EQ(path, PrivateDir() + "/t.gb");
}

TEST_F(PackTempPathTest, PlantedLinksAreNeverFollowed) {
    // Someone else links the directory name to a place of theirs.
    fs::create_directory(dir_ / "elsewhere");
    ::chmod((dir_ / "elsewhere").c_str(), 0700);
    fs::create_directory_symlink(dir_ / "elsewhere", PrivateDir());
    EXPECT_EQ(MakePackTempPath(dir_.path()), "");
    EXPECT_FALSE(PackTempPathIsSafe(PrivateDir() + "/t.gb"));
    fs::remove(PrivateDir());

    // A link named t.gb inside a genuine private directory.
    std::string path = MakePackTempPath(dir_.path());
    ASSERT_FALSE(path.empty());
    test::WriteFile(dir_ / "victim", {1, 2, 3});
    fs::create_symlink(dir_ / "victim", path);
    EXPECT_EQ(MakePackTempPath(dir_.path()), "");
    EXPECT_FALSE(PackTempPathIsSafe(path));
    EXPECT_EQ(test::ReadFile(dir_ / "victim"), (std::vector<uint8_t>{1, 2, 3}));

    // A directory where the file should be.
    fs::remove(path);
    fs::create_directory(path);
    EXPECT_FALSE(PackTempPathIsSafe(path));
}

TEST_F(PackTempPathTest, DirectoryOpenToOthersOrOfAnotherUserIsRefused) {
    fs::create_directory(PrivateDir());
    ::chmod(PrivateDir().c_str(), 0777);
    EXPECT_EQ(MakePackTempPath(dir_.path()), "");
    ::chmod(PrivateDir().c_str(), 0750);
    EXPECT_EQ(MakePackTempPath(dir_.path()), "");
    ::chmod(PrivateDir().c_str(), 0700);
    EXPECT_NE(MakePackTempPath(dir_.path()), "");

    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(PrivateDir().c_str(), 4242, 4242), 0);
        EXPECT_EQ(MakePackTempPath(dir_.path()), "");
    }
}

TEST_F(PackTempPathTest, PathMustFitItsBufferAndTheDirectoryMustExist) {
    EXPECT_EQ(MakePackTempPath(""), "");
    EXPECT_EQ(MakePackTempPath(dir_ / "no/such/dir"), "");
    EXPECT_FALSE(PackTempPathIsSafe(""));

    // Longest accepted: exactly 511 characters including "/zorvex-<uid>/t.gb".
    std::string suffix = Format("/zorvex-%u/t.gb", ::getuid());
    const size_t wanted = kMaxPackTempPath - suffix.size();
    std::string base = dir_.path();
    // Appended piecewise: "/" + std::string(...) makes GCC 12 at -O3 warn
    // wrongly (-Wrestrict, GCC bugs 105329 and 105651).
    while (base.size() + 1 + 200 + 2 < wanted) base.append("/").append(200, 'd');
    const size_t last = wanted - base.size() - 1;
    base.append("/").append(last, 'e');
    std::string longer = base + "e";
    fs::create_directories(base);
    fs::create_directory(longer);
    EXPECT_EQ(MakePackTempPath(base).size(), kMaxPackTempPath);
    EXPECT_EQ(MakePackTempPath(longer), "");
}

}  // namespace
}  // namespace zorvex

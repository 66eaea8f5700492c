#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zorvex::test {

// Builds Game Boy images in memory with a valid header: the logo, a title, the
// chosen header bytes, and correct header and global checksums. The checksums
// are computed here independently of the code under test.
class RomBuilder {
  public:
    explicit RomBuilder(size_t size = 0x8000);

    RomBuilder& Title(const std::string& title);  // up to 16 bytes at 0x134
    RomBuilder& CartType(uint8_t type);           // 0x147
    RomBuilder& RomSizeCode(uint8_t code);        // 0x148
    RomBuilder& RamSizeCode(uint8_t code);        // 0x149
    RomBuilder& Cgb(uint8_t flag);                // 0x143
    RomBuilder& Sgb(uint8_t flag);                // 0x146
    RomBuilder& NewLicensee(const char code[2]);  // 0x144..0x145
    RomBuilder& OldLicensee(uint8_t code);        // 0x14B
    RomBuilder& Destination(uint8_t code);        // 0x14A
    // Fills bytes [from, size) with one value (trailing fill) or a pattern.
    RomBuilder& Fill(size_t from, uint8_t value);
    RomBuilder& Pattern(size_t from, size_t to, uint32_t seed);  // non-repeating bytes
    RomBuilder& Set(size_t offset, uint8_t value);
    RomBuilder& NoLogo();
    RomBuilder& KeepChecksums();  // Build() leaves 0x14D..0x14F as set

    std::vector<uint8_t> Build() const;

    static uint8_t HeaderChecksumOf(const std::vector<uint8_t>& image);
    static uint16_t GlobalChecksumOf(const std::vector<uint8_t>& image);
    static const uint8_t kLogo[48];

  private:
    std::vector<uint8_t> image_;
    bool logo_ = true;
    bool fixChecksums_ = true;
};

// Writes bytes to a file, creating its directories.
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);

// A fresh directory under the system temp dir, removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// The real homebrew ROMs and their facts.json. They are other people's programs,
// so they stay outside the repository and the tests that use them are optional:
// $ZORVEX_TESTDATA_DIR/roms when the variable is set, else the folder the build
// was configured with (../shared/testdata beside the checkout by default).
std::string TestRomDir();
bool HaveTestRoms();

}  // namespace zorvex::test

// Ends the calling test as skipped, naming the folder it looked in, when the
// real ROMs are not there.
#define ZORVEX_SKIP_WITHOUT_TEST_ROMS()                                                       \
    if (!::zorvex::test::HaveTestRoms())                                                      \
    GTEST_SKIP() << "the optional real test ROMs are not in " << ::zorvex::test::TestRomDir() \
                 << " (set ZORVEX_TESTDATA_DIR to the folder that holds roms/)"

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zorvex {

// Load options, a bit set.
enum LoadOption : unsigned {
    LoadPadTo32K = 1,  // plain files: length rounded up to a multiple of 32 KiB
    LoadFromZip = 2,   // ".zip" paths are archives; one member is read
    LoadSaveData = 4,  // in an archive, look for ".srm"/".bin" instead of ".gb"/".gbc"
    LoadUpToSize = 8,  // length is the maximum on input and the count read on output
};

// Where the cartridge header ends and program code begins: a shorter file has
// no complete header.
inline constexpr int32_t kRomHeaderEnd = 0x150;

// The largest image the loader accepts; anything longer fails as an allocation
// failure would. Cartridges hold at most 8 MiB, so this leaves room for
// oversized files to reach the card's own size check without letting a hostile
// file or archive member exhaust memory.
inline constexpr int64_t kMaxImageLength = 64 << 20;

// A loaded image that owns its bytes. A default-constructed one is "nothing".
class RomImage {
  public:
    RomImage() = default;
    explicit RomImage(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)), loaded_(true) {}
    explicit operator bool() const { return loaded_; }
    uint8_t* data() { return bytes_.data(); }
    const uint8_t* data() const { return bytes_.data(); }
    int32_t length() const { return static_cast<int32_t>(bytes_.size()); }
    std::vector<uint8_t>& bytes() { return bytes_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    void Release() {
        bytes_.clear();
        bytes_.shrink_to_fit();
        loaded_ = false;
    }

  private:
    std::vector<uint8_t> bytes_;
    bool loaded_ = false;
};

// What the library keeps about an image.
struct RomHeaderSummary {
    uint32_t crc = 0;
    uint8_t usedSizeCode = 0;
    // Header bytes 0x134..0x14F; 0x143 cleared for Color titles, 0x146 holds romFlags.
    std::array<uint8_t, 28> header{};
    uint8_t at(int offset) const { return header[static_cast<size_t>(offset - 0x134)]; }
    uint8_t romFlags() const { return at(0x146); }
};

enum RomFlag : uint8_t {
    RomFlagSgb = 1,
    RomFlagCgb = 2,
    RomFlagHeaderChecksumBad = 4,
    RomFlagGlobalChecksumBad = 8,
};

// Loads a plain file or one archive member. On failure returns nothing and
// leaves the reason, with the path for "%s", in messageText.
RomImage LoadRomImage(const std::string& path, int32_t& length, unsigned options,
                      std::string& messageText);

// The test a file passes to enter the library.
bool CheckRomFile(const std::string& path, RomHeaderSummary& summary, std::string& messageText);

uint32_t Crc32(const uint8_t* data, size_t length);
bool HasNintendoLogo(const uint8_t* image);                  // image holds at least 0x134 bytes
uint8_t UsedSizeCode(const uint8_t* image, int32_t length);  // length >= 1
uint8_t HeaderChecksum(const uint8_t* image);                // image holds at least 0x14D bytes
// 16-bit sum of bytes 0..length-1 except 0x14E and 0x14F.
uint16_t GlobalChecksum(const uint8_t* image, size_t length);
// The stored global checksum, high byte at 0x14E.
inline uint16_t StoredGlobalChecksum(const uint8_t* image) {
    return static_cast<uint16_t>(image[0x14E] << 8 | image[0x14F]);
}

// The 48 bytes at 0x104..0x133 that the boot code checks.
extern const std::array<uint8_t, 48> kNintendoLogo;

}  // namespace zorvex

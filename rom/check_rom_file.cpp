#include <zlib.h>

#include <algorithm>
#include <array>
#include <memory>

#include "common/file_io.h"
#include "rom/byte_sum.h"
#include "rom/plain_rom_file.h"
#include "rom/rom_image.h"

namespace zorvex {

namespace {

// Everything CheckRomFile keeps, gathered in one pass over the image fed in
// pieces: each piece is summed while it is still in the cache from the CRC,
// and a plain file never has to be held whole.
class ImageDigest {
  public:
    void Feed(const uint8_t* data, size_t n) {
        if (n == 0) return;
        if (length_ < kRomHeaderEnd) {
            size_t take = std::min(n, static_cast<size_t>(kRomHeaderEnd - length_));
            std::copy(data, data + take, head_.begin() + length_);
        }
        crc_ = crc32_z(crc_, data, n);
        sum_ += ByteSum(data, n);

        // The trailing run of bytes equal to the last byte so far.
        const uint8_t last = data[n - 1];
        size_t p = n - 1;
        while (p > 0 && data[p - 1] == last) --p;
        // A piece that is all one run continues the run before it only when
        // that run has the same byte.
        if (p > 0 || length_ == 0 || last != last_) runStart_ = length_ + static_cast<int64_t>(p);
        last_ = last;
        length_ += static_cast<int64_t>(n);
    }

    int64_t length() const { return length_; }
    const uint8_t* head() const { return head_.data(); }
    uint32_t crc() const { return static_cast<uint32_t>(crc_); }
    uint16_t globalChecksum() const {
        uint64_t sum = sum_;
        if (length_ > 0x14E) sum -= head_[0x14E];
        if (length_ > 0x14F) sum -= head_[0x14F];
        return static_cast<uint16_t>(sum);
    }
    // UsedSizeCode of the whole image: the used length ends before the
    // trailing run, and is 1 for an image of one repeated byte.
    uint8_t usedSizeCode() const {
        const int64_t used = runStart_ == 0 ? 1 : runStart_;
        for (int n = 14; n >= 0; --n)
            if (used > (int64_t{0x8000} << n)) return static_cast<uint8_t>(n + 1);
        return 0;
    }

  private:
    std::array<uint8_t, kRomHeaderEnd> head_{};
    int64_t length_ = 0;
    uLong crc_ = 0;
    uint64_t sum_ = 0;
    int64_t runStart_ = 0;
    uint8_t last_ = 0;
};

// Big enough to keep the per-piece calls cheap, small enough to stay in cache.
constexpr size_t kPiece = 64 * 1024;

// Reads an image the way LoadRomImage with LoadFromZip would, with the same
// failure messages, but piece by piece into the digest.
bool DigestImage(const std::string& path, ImageDigest& digest, std::string& messageText) {
    if (IsZipPath(path)) {
        int32_t length = 0;
        RomImage image = LoadRomImage(path, length, LoadFromZip, messageText);
        if (!image) return false;
        for (int64_t at = 0; at < length; at += kPiece)
            digest.Feed(image.data() + at, std::min<size_t>(kPiece, length - at));
        return true;
    }
    PlainRomFile file;
    if (!file.Open(path, messageText)) return false;
    const int64_t length = file.size();
    if (length <= 0 || length > kMaxImageLength) {
        messageText = Format("Can't alloc Memory for %s", path.c_str());
        return false;
    }
    // Not zero-filled: every byte used is read first.
    std::unique_ptr<uint8_t[]> piece(new uint8_t[kPiece]);
    for (int64_t at = 0; at < length; at += kPiece) {
        const int64_t want = std::min<int64_t>(kPiece, length - at);
        if (file.Read(piece.get(), want) != want) {
            messageText = Format("Can't alloc Memory for %s", path.c_str());
            return false;
        }
        digest.Feed(piece.get(), static_cast<size_t>(want));
    }
    return true;
}

}  // namespace

bool CheckRomFile(const std::string& path, RomHeaderSummary& summary, std::string& messageText) {
    ImageDigest digest;
    if (!DigestImage(path, digest, messageText)) return false;
    if (digest.length() < kRomHeaderEnd) {
        messageText = Format("File is to small (%s)", path.c_str());
        return false;
    }
    const uint8_t* head = digest.head();
    if (!HasNintendoLogo(head)) {
        messageText = Format("%s is no Gameboyrom !!", path.c_str());
        return false;
    }
    summary.usedSizeCode = digest.usedSizeCode();
    std::copy(head + 0x134, head + kRomHeaderEnd, summary.header.begin());
    summary.crc = digest.crc();

    uint8_t& flags = summary.header[0x146 - 0x134];
    uint8_t& cgbByte = summary.header[0x143 - 0x134];
    flags = flags != 0 ? RomFlagSgb : 0;
    if (cgbByte >= 0x80) {
        // Color titles are listed with 15 characters.
        cgbByte = 0;
        flags |= RomFlagCgb;
    }
    if (HeaderChecksum(head) != head[0x14D]) flags |= RomFlagHeaderChecksumBad;
    if (digest.globalChecksum() != StoredGlobalChecksum(head)) flags |= RomFlagGlobalChecksumBad;
    return true;
}

}  // namespace zorvex

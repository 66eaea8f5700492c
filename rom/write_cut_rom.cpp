#include "rom/write_cut_rom.h"

#include <array>

#include "rom/rom_image.h"

namespace zorvex {

namespace {

constexpr size_t kPadBlock = 512;

void StoreGlobalChecksum(uint8_t* image, size_t length) {
    uint16_t sum = GlobalChecksum(image, length);
    image[0x14E] = static_cast<uint8_t>(sum >> 8);
    image[0x14F] = static_cast<uint8_t>(sum & 0xFF);
}

}  // namespace

bool WriteCutRom(uint8_t* image, int32_t length, OutputFile& file, const std::string& path,
                 MessageSink& sink) {
    if (length < kRomHeaderEnd) {
        sink.ShowMessage(Format("File %s to small (%d)", path.c_str(), length), "Error");
        return false;
    }
    image[0x148] = UsedSizeCode(image, length);
    image[0x14D] = HeaderChecksum(image);
    const int64_t size = int64_t{0x8000} << image[0x148];

    if (length >= size) {
        // Whatever lies past `size` is the dropped run of one repeated value.
        StoreGlobalChecksum(image, static_cast<size_t>(size));
        return WriteBlock(image, static_cast<size_t>(size), file, false, sink);
    }

    // Zero padding adds nothing to the sum, so the checksum of the content is
    // also the checksum of the whole fitted member.
    StoreGlobalChecksum(image, static_cast<size_t>(length));
    if (!WriteBlock(image, static_cast<size_t>(length), file, false, sink)) return false;
    static const std::array<uint8_t, kPadBlock> zeros{};
    int64_t remaining = size - length;
    while (remaining > 0) {
        size_t chunk = remaining > static_cast<int64_t>(kPadBlock) ? kPadBlock
                                                                   : static_cast<size_t>(remaining);
        if (!WriteBlock(zeros.data(), chunk, file, false, sink)) return false;
        remaining -= static_cast<int64_t>(chunk);
    }
    return true;
}

}  // namespace zorvex

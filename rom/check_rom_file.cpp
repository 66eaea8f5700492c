#include <algorithm>

#include "common/file_io.h"
#include "rom/rom_image.h"

namespace zorvex {

bool CheckRomFile(const std::string& path, RomHeaderSummary& summary, std::string& messageText) {
    int32_t length = 0;
    RomImage image = LoadRomImage(path, length, LoadFromZip, messageText);
    if (!image) return false;
    if (length < 0x150) {
        messageText = Format("File is to small (%s)", path.c_str());
        return false;
    }
    const uint8_t* rom = image.data();
    if (!HasNintendoLogo(rom)) {
        messageText = Format("%s is no Gameboyrom !!", path.c_str());
        return false;
    }
    summary.usedSizeCode = UsedSizeCode(rom, length);
    std::copy(rom + 0x134, rom + 0x150, summary.header.begin());
    summary.crc = Crc32(rom, static_cast<size_t>(length));

    uint8_t& flags = summary.header[0x146 - 0x134];
    uint8_t& cgbByte = summary.header[0x143 - 0x134];
    flags = flags != 0 ? RomFlagSgb : 0;
    if (cgbByte >= 0x80) {
        // Color titles are listed with 15 characters.
        cgbByte = 0;
        flags |= RomFlagCgb;
    }
    if (HeaderChecksum(rom) != rom[0x14D]) flags |= RomFlagHeaderChecksumBad;
    if (GlobalChecksum(rom, static_cast<size_t>(length)) != StoredGlobalChecksum(rom))
        flags |= RomFlagGlobalChecksumBad;
    return true;
}

}  // namespace zorvex

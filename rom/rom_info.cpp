#include "rom/rom_info.h"

#include <algorithm>

#include "rom/licensee_tables.h"

namespace zorvex {

const char* const sizeNames[kSizeNameCount] = {"32kB", "64kB", "128kB", "256kB", "512kB", "1MB",
                                               "2MB",  "4MB",  "8MB",   "16MB",  "32MB"};

const char* SizeName(unsigned code) {
    return code < kSizeNameCount ? sizeNames[code] : nullptr;
}

namespace {

int NibbleOf(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

const char* const kPlatformLines[4] = {
    "GameBoy\r\n",
    "GameBoy / SuperGameBoy\r\n",
    "GameBoy / ColorGameBoy\r\n",
    "GameBoy / ColorGameBoy / SuperGameBoy\r\n",
};

const char* CartridgeTypeText(uint8_t code) {
    switch (code) {
        case 0x00:
            return "Rom only";
        case 0x01:
            return "Rom+MBC1";
        case 0x02:
            return "Rom+MBC1+Ram";
        case 0x03:
            return "Rom+MBC1+Ram+Battery";
        case 0x05:
            return "Rom+MBC";
        case 0x06:
            return "Rom+MBC2+Battery";
        case 0x08:
            return "Rom+Ram";
        case 0x09:
            return "Rom+Ram+Battery";
        case 0x0B:
            return "Rom+MMM01";
        case 0x0C:
            return "Rom+MMM01+SRam";
        case 0x0D:
            return "Rom+MMM01+SRam+Battery";
        case 0x0F:
            return "Rom+MBC3+Timer+Battery";
        case 0x10:
            return "Rom+MBC3+Timer+Ram+Battery";
        case 0x11:
            return "Rom+MBC3";
        case 0x12:
            return "Rom+MBC3+Ram";
        case 0x13:
            return "Rom+MBC3+Ram+Battery";
        case 0x19:
            return "Rom+MBC5";
        case 0x1A:
            return "Rom+MBC5+Ram";
        case 0x1B:
            return "Rom+MBC5+Ram+Battery";
        case 0x1C:
            return "Rom+MBC5+Rumble";
        case 0x1D:
            return "Rom+MBC5+Rumble+SRam";
        case 0x1E:
            return "Rom+MBC5+Rumble+SRam+Battery";
        case 0x1F:
            return "Pocker Camera";
        case 0xFD:
            return "Bandai TAMA5";
        case 0xFE:
            return "Hudson HuC-3";
        case 0xFF:
            return "Hudson HuC-1";
        default:
            return "Undefined RomInfo";
    }
}

const char* RamSizeText(uint8_t code) {
    switch (code) {
        case 1:
            return "2kB / 1 Bank\r\n";
        case 2:
            return "8kB / 1 Bank\r\n";
        case 3:
            return "32kB / 4 Banks\r\n";
        default:
            return "undefined\r\n";
    }
}

const char* ChecksumMark(uint8_t flags) {
    switch (flags & 0x0C) {
        case 0x04:
            return " (I!)";
        case 0x08:
            return " (R!)";
        case 0x0C:
            return " (I!/R!)";
        default:
            return "";
    }
}

// Characters [from, from + count) of text, or as many of them as it has.
std::string CharsAt(const std::string& text, size_t from, size_t count) {
    if (from >= text.size()) return {};
    return text.substr(from, count);
}

}  // namespace

uint8_t HexByteAt(int k, const std::string& text) {
    if (k < 0) return 0;
    size_t high = static_cast<size_t>(k) * 2;
    if (high + 1 >= text.size()) return 0;
    return static_cast<uint8_t>(NibbleOf(text[high]) << 4 | NibbleOf(text[high + 1]));
}

std::string RomInfoText(const std::string& name, const std::string& attributes) {
    const std::string attr = attributes.substr(0, std::min<size_t>(attributes.size(), 24));
    std::string text = "Name : " + name.substr(0, std::min<size_t>(name.size(), 16)) + "\r\n";

    text += "Licensee : ";
    // An old licensee byte of 0x33 means the two-character code at 0x144 names the publisher.
    bool useNew = HexByteAt(7, attr) == 0x33;
    std::string key = useNew ? CharsAt(attr, 0, 4) : CharsAt(attr, 14, 2);
    const char* publisher =
        FindLicensee(useNew ? newLicenseeTable : oldLicenseeTable, key.data(), key.size());
    text += publisher ? std::string(publisher) : "Unknown (0x" + key + ")";
    text += "\r\n";

    uint8_t flags = HexByteAt(2, attr);
    text += kPlatformLines[flags & 3];
    text += CartridgeTypeText(HexByteAt(3, attr));
    text += "\r\n";

    const char* size = SizeName(HexByteAt(4, attr));
    text += "RomSize : ";
    text += size ? size : "Unknown";
    text += " / CRC : 0x" + CharsAt(attr, 20, 4) + ChecksumMark(flags) + "\r\n";

    uint8_t ram = HexByteAt(5, attr);
    if (ram != 0) text += std::string("RamSize : ") + RamSizeText(ram);
    if (HexByteAt(6, attr) == 0) text += "Japanese\r\n";
    return text;
}

std::string ScreenshotPath(const std::string& screenshotField) {
    return kScreenshotDirectory + screenshotField;
}

}  // namespace zorvex

#include "library/rom_entry_format.h"

#include <cerrno>

#include <sys/stat.h>

#include "common/file_io.h"

namespace zorvex {

const char* const kReaderFieldNames[kRomFieldCount] = {
    "Romname", "Romlength", "Filename", "CRC", "Attributes", "Screenshot", "File Attributes"};
const char* const kBuilderFieldNames[kRomFieldCount] = {
    "RomName", "RomSize", "FileName", "CRC", "Attributes", "Screenshot", "File Attributes"};

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendHex8(std::string& out, uint32_t value) {
    char digits[8];
    for (int i = 7; i >= 0; --i) {
        digits[i] = kHexDigits[value & 0xF];
        value >>= 4;
    }
    out.append(digits, 8);
}

void AppendHex2(std::string& out, uint8_t value) {
    out.push_back(kHexDigits[value >> 4]);
    out.push_back(kHexDigits[value & 0xF]);
}

// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kFileTimeEpochOffset = 11644473600;

}  // namespace

std::string SizeText(uint8_t usedSizeCode, uint8_t headerSizeCode) {
    std::string text;
    if (usedSizeCode != headerSizeCode) {
        const char* used = SizeName(usedSizeCode);
        text = used ? Format("%s/", used) : "---/";
    }
    const char* stated = SizeName(headerSizeCode);
    text += stated ? stated : "---";
    return text;
}

std::string RomNameText(const RomHeaderSummary& summary) {
    std::string name;
    for (int i = 0; i < 16; ++i) {
        char c = static_cast<char>(summary.at(0x134 + i));
        if (c == 0) break;
        // "|" separates fields. Line breaks stay: the reader takes a Name up to
        // its "|", whatever it holds.
        name.push_back(c == '|' ? ' ' : c);
    }
    return name;
}

std::string AttributesText(const RomHeaderSummary& summary) {
    static constexpr int kOffsets[12] = {0x144, 0x145, 0x146, 0x147, -1,    0x149,
                                         0x14A, 0x14B, 0x14C, 0x14D, 0x14E, 0x14F};
    std::string text;
    text.reserve(24);
    for (int offset : kOffsets)
        AppendHex2(text, offset < 0 ? summary.usedSizeCode : summary.at(offset));
    return text;
}

uint64_t WindowsFileTime(int64_t unixSeconds, int64_t nanoseconds) {
    if (unixSeconds < -kFileTimeEpochOffset) return 0;
    return static_cast<uint64_t>(unixSeconds + kFileTimeEpochOffset) * 10000000u +
           static_cast<uint64_t>(nanoseconds / 100);
}

bool QueryFileFacts(const std::string& path, FileFacts& facts) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    facts.lastWrite = WindowsFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    facts.size = static_cast<uint64_t>(st.st_size);
    return true;
}

std::string FileAttributesText(const FileFacts& facts) {
    std::string text;
    text.reserve(32);
    AppendHex8(text, static_cast<uint32_t>(facts.lastWrite));
    AppendHex8(text, static_cast<uint32_t>(facts.lastWrite >> 32));
    AppendHex8(text, static_cast<uint32_t>(facts.size >> 32));
    AppendHex8(text, static_cast<uint32_t>(facts.size));
    return text;
}

std::string FileKey(const RomEntry& entry) {
    return entry[FieldFileAttributes] + entry[FieldFileName];
}

bool IsStorableFileName(const std::string& name) {
    return name.find_first_of("|\r\n") == std::string::npos;
}

std::string FileNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string BaseNameOf(const std::string& path) {
    std::string name = FileNameOf(path);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

bool BuildRomEntry(const std::string& path, bool keepFullPath, RomEntry& entry,
                   std::string& messageText) {
    std::string fileName = FileNameOf(path);
    if (!IsStorableFileName(fileName)) {
        messageText =
            Format("%s can't be listed: its name contains \"|\" or a line break", path.c_str());
        return false;
    }
    RomHeaderSummary summary;
    if (!CheckRomFile(path, summary, messageText)) return false;
    FileFacts facts;
    if (!QueryFileFacts(path, facts)) {
        messageText = Format("Can't open %s", path.c_str());
        return false;
    }

    std::string stored = keepFullPath ? path : fileName;
    if (stored.size() > kMaxFieldLength) stored.resize(kMaxFieldLength);

    entry[FieldName] = RomNameText(summary);
    // A ROM without a title would be a blank row; its file name tells the
    // owner which one it is (and keeps the list file's Name non-empty).
    if (entry[FieldName].find_first_not_of(' ') == std::string::npos) entry[FieldName] = fileName;
    entry[FieldSize] = SizeText(summary.usedSizeCode, summary.at(0x148));
    entry[FieldFileName] = stored;
    entry[FieldCrc] = Format("%08x", summary.crc);
    entry[FieldAttributes] = AttributesText(summary);
    entry[FieldScreenshot] = BaseNameOf(path) + ".bmp";
    entry[FieldFileAttributes] = FileAttributesText(facts);
    return true;
}

}  // namespace zorvex

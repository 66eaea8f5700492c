#pragma once

#include <cstdint>
#include <string>

#include "library/rom_list_model.h"
#include "rom/rom_image.h"
#include "rom/rom_info.h"  // sizeNames, SizeName, HexByteAt

namespace zorvex {

// Field names as the list file reader reports them ("Romname", "Romlength", ...)
// and as the row builder reports them ("RomName", "RomSize", ...).
extern const char* const kReaderFieldNames[kRomFieldCount];
extern const char* const kBuilderFieldNames[kRomFieldCount];

// The longest FileName (and any cell) the list keeps; longer texts are cut.
inline constexpr size_t kMaxFieldLength = 511;

// Size field from the content's size code and the header's (byte 0x148):
// "1MB", "512kB/1MB", "32kB/---".
std::string SizeText(uint8_t usedSizeCode, uint8_t headerSizeCode);

// Name field: the title bytes up to the first zero, each "|" turned into a space.
std::string RomNameText(const RomHeaderSummary& summary);

// Attributes field: 24 lowercase hexadecimal digits of the twelve attribute bytes.
std::string AttributesText(const RomHeaderSummary& summary);

// What the File Attributes field records of a file: the last-write time as a
// Windows file time (100 ns units since 1601-01-01 UTC) and the byte count.
// Every platform converts to this form, so a list file written on one system
// still matches the same files on another.
struct FileFacts {
    uint64_t lastWrite = 0;
    uint64_t size = 0;
};
// Converts a POSIX time; times before 1601 clamp to 0.
uint64_t WindowsFileTime(int64_t unixSeconds, int64_t nanoseconds);
// stat() of path (links followed). False with errno set when it fails.
bool QueryFileFacts(const std::string& path, FileFacts& facts);
// "%08x%08x%08x%08x": time low, time high, size high, size low.
std::string FileAttributesText(const FileFacts& facts);

// The change-detection key of a row: File Attributes followed by FileName.
std::string FileKey(const RomEntry& entry);

// False for names the list file cannot hold: containing "|", CR or LF.
bool IsStorableFileName(const std::string& name);

// The file name with its extension / without it (up to its last "."), of a "/" path.
std::string FileNameOf(const std::string& path);
std::string BaseNameOf(const std::string& path);

// Checks the ROM at path and builds the seven fields its library row gets
// (FileName is the file name, or the whole path with keepFullPath). The Name
// is the header title as it stands, empty for an untitled ROM. On failure
// false with the reason in messageText: the checker's message, "Can't open %s"
// when the file's facts cannot be read, or the unstorable-name message.
bool BuildRomEntry(const std::string& path, bool keepFullPath, RomEntry& entry,
                   std::string& messageText);

}  // namespace zorvex

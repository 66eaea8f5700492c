#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/message_sink.h"
#include "library/rom_list_model.h"

namespace zorvex {

// The label and serial number of the volume holding a directory.
//
// Linux has no volume serial of its own. The block device the directory lives
// on is looked up in /dev/disk/by-uuid and /dev/disk/by-label: a FAT/exFAT
// UUID "1234-ABCD" is the very serial Windows reports for that volume, an NTFS
// UUID gives its low 32 bits as Windows does, any other UUID its first eight
// hex digits. Without a device UUID (tmpfs, overlay, network file systems)
// the statfs f_fsid folded to 32 bits stands in. No serial at all: nullopt.
struct VolumeInfo {
    std::string label;  // may be empty
    uint32_t serial = 0;
};
std::optional<VolumeInfo> VolumeInfoOf(const std::string& directory);
// Serial from a /dev/disk/by-uuid name; nullopt when it holds no hex digits.
std::optional<uint32_t> SerialFromUuid(const std::string& uuid);

// tempDirectory + "ZORVEXROMLIST_<label>_<serial %08x>.TXT".
std::string VolumeRomListPath(const VolumeInfo& volume, const std::string& tempDirectory);

// The list file for a read-only working directory: the volume's file in the
// user's private temporary directory, or "zorvexroms.txt" when the volume
// tells nothing or that directory is unusable.
std::string ReadOnlyRomListCandidate();

// The start-up write test: creates and deletes "zorvex.tst" in the working
// directory, silently.
bool WorkingDirectoryWritable();

// Start-up: picks the list file and reads it into list (which should be empty).
// Writable: "zorvexroms.txt". Read-only: the candidate above, seeded from
// "zorvexroms.txt" when the candidate cannot be read. Returns romListFilePath,
// where every later WriteRomList goes.
std::string OpenRomListAtStart(bool workingDirectoryWritable, RomListModel& list,
                               MessageSink& sink);

}  // namespace zorvex

#include "library/rom_list_location.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statfs.h>

#include "common/file_io.h"
#include "common/private_temp_dir.h"
#include "library/rom_list_file.h"

namespace zorvex {

namespace {

// udev writes unsafe characters of a label as "\xHH".
std::string UnescapeUdevName(const std::string& name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
            std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
            out.push_back(static_cast<char>(std::stoi(name.substr(i + 2, 2), nullptr, 16)));
            i += 3;
        } else {
            out.push_back(name[i]);
        }
    }
    return out;
}

// The name of the entry in a /dev/disk/by-* directory whose device is dev.
std::optional<std::string> DiskLinkFor(const char* directory, dev_t dev) {
    DIR* dir = ::opendir(directory);
    if (!dir) return std::nullopt;
    std::optional<std::string> found;
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        struct stat st {};
        std::string path = std::string(directory) + "/" + e->d_name;
        if (::stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode) && st.st_rdev == dev) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// The label goes into a file name: no directory separators or control characters.
std::string FileNameSafe(std::string label) {
    for (char& c : label)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20) c = '_';
    return label;
}

}  // namespace

std::optional<uint32_t> SerialFromUuid(const std::string& uuid) {
    std::string hex;
    for (char c : uuid)
        if (std::isxdigit(static_cast<unsigned char>(c))) hex.push_back(c);
    if (hex.empty()) return std::nullopt;
    // FAT and exFAT: "1234-ABCD" is the serial itself. NTFS: a 64-bit serial
    // whose low half is what Windows reports. Anything longer: its first 32 bits.
    if (hex.size() == 16) hex = hex.substr(8);
    if (hex.size() > 8) hex.resize(8);
    return static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
}

std::optional<VolumeInfo> VolumeInfoOf(const std::string& directory) {
    struct stat st {};
    if (::stat(directory.c_str(), &st) != 0) return std::nullopt;
    VolumeInfo volume;
    if (auto label = DiskLinkFor("/dev/disk/by-label", st.st_dev))
        volume.label = FileNameSafe(UnescapeUdevName(*label));
    if (auto uuid = DiskLinkFor("/dev/disk/by-uuid", st.st_dev)) {
        if (auto serial = SerialFromUuid(*uuid)) {
            volume.serial = *serial;
            return volume;
        }
    }
    struct statfs sf {};
    if (::statfs(directory.c_str(), &sf) != 0) return std::nullopt;
    int fsid[2];
    static_assert(sizeof fsid == sizeof sf.f_fsid);
    std::memcpy(fsid, &sf.f_fsid, sizeof fsid);
    uint32_t folded = static_cast<uint32_t>(fsid[0]) ^ static_cast<uint32_t>(fsid[1]);
    if (folded == 0) return std::nullopt;
    volume.serial = folded;
    return volume;
}

std::string VolumeRomListPath(const VolumeInfo& volume, const std::string& tempDirectory) {
    std::string path = tempDirectory;
    if (!path.empty() && path.back() != '/') path += '/';
    return path + Format("ZORVEXROMLIST_%s_%08x.TXT", volume.label.c_str(), volume.serial);
}

std::string ReadOnlyRomListCandidate() {
    // Never the shared temporary directory itself: a list file planted there
    // would be read as this user's library.
    std::string temp = PrivateTempDirectory();
    if (temp.empty() || temp.size() > 512) return kRomListFileName;
    auto volume = VolumeInfoOf(".");
    if (!volume) return kRomListFileName;
    return VolumeRomListPath(*volume, temp);
}

bool WorkingDirectoryWritable() {
    static const uint8_t kProbe[4] = {'Z', 'O', 'R', 'V'};
    NullMessageSink quiet;
    if (!WriteWholeFile("zorvex.tst", kProbe, sizeof kProbe, true, quiet)) return false;
    std::remove("zorvex.tst");
    return true;
}

std::string OpenRomListAtStart(bool workingDirectoryWritable, RomListModel& list,
                               MessageSink& sink) {
    if (workingDirectoryWritable) {
        ReadRomList(kRomListFileName, list, sink);
        return kRomListFileName;
    }
    std::string candidate = ReadOnlyRomListCandidate();
    // A list file shipped on the medium seeds the volume's own list.
    if (!ReadRomList(candidate, list, sink) && candidate != kRomListFileName)
        ReadRomList(kRomListFileName, list, sink);
    return candidate;
}

}  // namespace zorvex

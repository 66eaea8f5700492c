#include <unzip.h>

#include <new>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "rom/plain_rom_file.h"
#include "rom/rom_image.h"

namespace zorvex {

namespace {

// Padding added after a plain file by LoadPadTo32K. 0xFF is what erased flash
// reads as, so a padded image written to the card looks like the card would
// anyway, and UsedSizeCode counts the padding as unused fill.
constexpr uint8_t kPadFill = 0xFF;
constexpr int64_t kPadUnit = 0x8000;
// Member names longer than this are cut; only their extension and base name matter.
constexpr unsigned kMemberNameBuffer = 512;

struct PathParts {
    std::string base;  // no directory, no extension
    std::string ext;   // with its dot, or empty
};

// Splits at the last directory separator (either kind, as archive member
// names use '/') and at the last dot after it.
PathParts SplitPath(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return {name, {}};
    return {name.substr(0, dot), name.substr(dot)};
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// Allocates length bytes, or returns false when the length is out of range or
// memory is short. Lengths beyond kMaxImageLength are refused before anything
// is allocated, so a file or archive member claiming gigabytes costs nothing.
bool Allocate(std::vector<uint8_t>& buffer, int64_t length, uint8_t fill = 0) {
    if (length <= 0 || length > kMaxImageLength) return false;
    try {
        buffer.assign(static_cast<size_t>(length), fill);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

RomImage LoadPlainFile(const std::string& path, int32_t& length, unsigned options,
                       std::string& messageText) {
    PlainRomFile file;
    if (!file.Open(path, messageText)) return {};
    const std::string allocFailure = Format("Can't alloc Memory for %s", path.c_str());

    std::vector<uint8_t> buffer;
    if (options & LoadUpToSize) {
        if (!Allocate(buffer, length)) {
            messageText = allocFailure;
            return {};
        }
        int64_t got = file.Read(buffer.data(), length);
        if (got <= 0) {
            messageText = allocFailure;
            return {};
        }
        buffer.resize(static_cast<size_t>(got));
        length = static_cast<int32_t>(got);
        return RomImage(std::move(buffer));
    }

    const int64_t fileLength = file.size();
    int64_t bufferLength = fileLength;
    if (options & LoadPadTo32K) bufferLength = (fileLength + kPadUnit - 1) / kPadUnit * kPadUnit;
    if (!Allocate(buffer, bufferLength, kPadFill)) {
        messageText = allocFailure;
        return {};
    }
    if (file.Read(buffer.data(), fileLength) != fileLength) {
        messageText = allocFailure;
        return {};
    }
    length = static_cast<int32_t>(bufferLength);
    return RomImage(std::move(buffer));
}

// Owns an open archive and, once opened, its current member.
class Archive {
  public:
    explicit Archive(const std::string& path) : zip_(unzOpen(path.c_str())) {}
    ~Archive() {
        if (memberOpen_) unzCloseCurrentFile(zip_);
        if (zip_) unzClose(zip_);
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    unzFile get() const { return zip_; }
    bool OpenMember() {
        memberOpen_ = unzOpenCurrentFile(zip_) == UNZ_OK;
        return memberOpen_;
    }
    int CloseMember() {
        memberOpen_ = false;
        return unzCloseCurrentFile(zip_);
    }

  private:
    unzFile zip_;
    bool memberOpen_ = false;
};

// True for an archive that holds nothing but its end record. minizip's search
// for that record never looks at offset 0, so it cannot open such a file; it
// is still an archive without a ROM, not an unreadable one.
bool IsEmptyArchive(const std::string& path) {
    constexpr int64_t kEndRecord = 22;
    PlainRomFile file;
    std::string ignored;
    if (!file.Open(path, ignored) || !file.regular() || file.size() < kEndRecord ||
        file.size() > kEndRecord + 0xFFFF)
        return false;
    uint8_t record[kEndRecord];
    if (file.Read(record, kEndRecord) != kEndRecord) return false;
    auto le16 = [&](int at) { return record[at] | record[at + 1] << 8; };
    return record[0] == 'P' && record[1] == 'K' && record[2] == 5 && record[3] == 6 &&
           le16(8) == 0 && le16(10) == 0 && kEndRecord + le16(20) == file.size();
}

RomImage LoadArchiveMember(const std::string& path, int32_t& length, unsigned options,
                           std::string& messageText) {
    const char* p = path.c_str();
    const std::string archiveBase = SplitPath(path).base;
    Archive archive(path);
    if (!archive.get()) {
        messageText = Format(IsEmptyArchive(path) ? "Can't find rom in %s" : "Can't open %s", p);
        return {};
    }
    const bool saveData = (options & LoadSaveData) != 0;
    const bool upToSize = (options & LoadUpToSize) != 0;

    // The walk keeps the member size in 64 bits: an archive may claim any size,
    // and the claim is judged only when the buffer is allocated.
    int64_t chosenLength = upToSize ? length : 0;
    long chosen = -1;
    long index = 0;
    int status = unzGoToFirstFile(archive.get());
    while (status == UNZ_OK) {
        char name[kMemberNameBuffer + 1] = {};
        unz_file_info info{};
        if (unzGetCurrentFileInfo(archive.get(), &info, name, kMemberNameBuffer, nullptr, 0,
                                  nullptr, 0) != UNZ_OK)
            break;
        if (info.uncompressed_size != 0) {
            auto choose = [&] {
                chosen = index;
                if (!upToSize)
                    chosenLength = info.uncompressed_size > static_cast<uLong>(kMaxImageLength)
                                       ? kMaxImageLength + 1
                                       : static_cast<int64_t>(info.uncompressed_size);
            };
            if (chosen < 0) choose();
            PathParts member = SplitPath(name);
            bool romExt =
                saveData
                    ? SameIgnoringCase(member.ext, ".srm") || SameIgnoringCase(member.ext, ".bin")
                    : SameIgnoringCase(member.ext, ".gbc") || SameIgnoringCase(member.ext, ".gb");
            if (romExt) {
                choose();
                break;
            }
            if (SameIgnoringCase(member.base, archiveBase)) choose();
        }
        status = unzGoToNextFile(archive.get());
        ++index;
    }
    if (chosen < 0) {
        messageText = Format("Can't find rom in %s", p);
        return {};
    }

    bool positioned = unzGoToFirstFile(archive.get()) == UNZ_OK;
    for (long i = 0; positioned && i < chosen; ++i)
        positioned = unzGoToNextFile(archive.get()) == UNZ_OK;
    if (!positioned) {
        messageText = Format("Can't goto to first file in %s", p);
        return {};
    }
    if (!archive.OpenMember()) {
        messageText = Format("Can't open rom in %s", p);
        return {};
    }
    std::vector<uint8_t> buffer;
    if (!Allocate(buffer, chosenLength)) {
        messageText = Format("Can't alloc Memory for %s", p);
        return {};
    }
    int got = unzReadCurrentFile(archive.get(), buffer.data(), static_cast<unsigned>(chosenLength));
    if (!upToSize && got != chosenLength) {
        messageText = Format("Unzip error in %s", p);
        return {};
    }
    if (upToSize) {
        if (got == 0) {
            messageText = Format("%s length is zero", p);
            return {};
        }
        if (got < 0) {
            messageText = Format("Unzip error in %s", p);
            return {};
        }
        buffer.resize(static_cast<size_t>(got));
    }
    int closed = archive.CloseMember();
    if (closed == UNZ_CRCERROR) {
        messageText = Format("CRC Error in %s", p);
        return {};
    }
    if (closed != UNZ_OK) {
        messageText = Format("Error closing rom in %s", p);
        return {};
    }
    length = static_cast<int32_t>(buffer.size());
    return RomImage(std::move(buffer));
}

}  // namespace

bool IsZipPath(const std::string& path) {
    return SameIgnoringCase(SplitPath(path).ext, ".zip");
}

RomImage LoadRomImage(const std::string& path, int32_t& length, unsigned options,
                      std::string& messageText) {
    if ((options & LoadFromZip) && IsZipPath(path))
        return LoadArchiveMember(path, length, options, messageText);
    return LoadPlainFile(path, length, options, messageText);
}

}  // namespace zorvex

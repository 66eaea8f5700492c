#pragma once

// Builds small archives for the loader tests with minizip's writer.

#include <zip.h>
#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zorvex::test {

struct ZipMember {
    std::string name;
    std::vector<uint8_t> data;
    bool stored = false;  // no compression: the bytes appear as they are in the archive
    // When set, the member is written raw (stored) and its directory entry
    // claims this uncompressed size instead of the real one.
    int64_t claimedSize = -1;
};

inline void WriteZip(const std::string& path, const std::vector<ZipMember>& members) {
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) throw std::runtime_error("zipOpen failed: " + path);
    for (const auto& m : members) {
        zip_fileinfo info{};
        const bool raw = m.claimedSize >= 0;
        int method = (m.stored || raw) ? 0 : Z_DEFLATED;
        int level = method == 0 ? 0 : Z_DEFAULT_COMPRESSION;
        if (zipOpenNewFileInZip2(zip, m.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                 method, level, raw ? 1 : 0) != ZIP_OK)
            throw std::runtime_error("zipOpenNewFileInZip2 failed");
        if (!m.data.empty() &&
            zipWriteInFileInZip(zip, m.data.data(), static_cast<unsigned>(m.data.size())) != ZIP_OK)
            throw std::runtime_error("zipWriteInFileInZip failed");
        int closed =
            raw ? zipCloseFileInZipRaw(zip, static_cast<uLong>(m.claimedSize),
                                       crc32(0L, m.data.data(), static_cast<uInt>(m.data.size())))
                : zipCloseFileInZip(zip);
        if (closed != ZIP_OK) throw std::runtime_error("zipCloseFileInZip failed");
    }
    if (zipClose(zip, nullptr) != ZIP_OK) throw std::runtime_error("zipClose failed");
}

}  // namespace zorvex::test

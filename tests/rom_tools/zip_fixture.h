#pragma once

// Writes small .zip archives for the tests with minizip's writer.

#include <zip.h>
#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zorvex::test {

inline void WriteZipArchive(
    const std::string& path,
    const std::vector<std::pair<std::string, std::vector<uint8_t>>>& members) {
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) throw std::runtime_error("zipOpen failed: " + path);
    for (const auto& [name, data] : members) {
        zip_fileinfo info{};
        if (zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                Z_DEFLATED, Z_DEFAULT_COMPRESSION) != ZIP_OK ||
            (!data.empty() &&
             zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())) != ZIP_OK) ||
            zipCloseFileInZip(zip) != ZIP_OK) {
            zipClose(zip, nullptr);
            throw std::runtime_error("writing " + name + " failed");
        }
    }
    if (zipClose(zip, nullptr) != ZIP_OK) throw std::runtime_error("zipClose failed");
}

}  // namespace zorvex::test

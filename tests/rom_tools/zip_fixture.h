#pragma once

#include <zip.h>
#include <zlib.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zorvex::test {

// Writes a .zip archive with minizip's writer, each member compressed.
inline void WriteZipArchive(
    const std::string& path,
    const std::vector<std::pair<std::string, std::vector<uint8_t>>>& members) {
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    bool ok = zip != nullptr;
    for (const auto& [name, data] : members) {
        zip_fileinfo info{};
        ok = ok &&
             zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                 Z_DEFLATED, Z_DEFAULT_COMPRESSION) == ZIP_OK &&
             zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())) == ZIP_OK &&
             zipCloseFileInZip(zip) == ZIP_OK;
    }
    if (zip && zipClose(zip, nullptr) != ZIP_OK) ok = false;
    if (!ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace zorvex::test

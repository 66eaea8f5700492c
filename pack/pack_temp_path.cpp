#include "pack/pack_temp_path.h"

#include <filesystem>
#include <system_error>

#include "common/private_temp_dir.h"

namespace zorvex {

namespace {

constexpr const char* kPackFileName = "t.gb";

}  // namespace

std::string MakePackTempPath(const std::string& tempDirectory) {
    return PrivateTempPathIn(tempDirectory, kPackFileName, kMaxPackTempPath);
}

std::string DefaultPackTempPath() {
    std::error_code ec;
    std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
    return MakePackTempPath(temp.string());
}

bool PackTempPathIsSafe(const std::string& packTempPath) {
    return PrivateTempPathIsSafe(packTempPath);
}

}  // namespace zorvex

#include "common/private_temp_dir.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "common/file_io.h"

namespace zorvex {

namespace fs = std::filesystem;

namespace {

#ifndef _WIN32
// The directory must be a real directory (not a link to one), belong to us and
// be closed to everyone else; a missing one is created that way.
bool EnsurePrivateDirectory(const std::string& dir) {
    if (::mkdir(dir.c_str(), 0700) == 0) {
        // A restrictive umask may have taken the owner's bits as well.
        ::chmod(dir.c_str(), 0700);
    } else if (errno != EEXIST) {
        return false;
    }
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) return false;
    if (st.st_uid != ::getuid()) return false;
    if ((st.st_mode & 0777) != 0700) return false;
    return true;
}

bool FileIsOursOrAbsent(const std::string& file) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0) return errno == ENOENT;
    return S_ISREG(st.st_mode) && st.st_uid == ::getuid();
}

std::string PrivateDirectoryName(const std::string& tempDirectory) {
    std::string base = tempDirectory;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return Format("%s/zorvex-%lu", base.c_str(), static_cast<unsigned long>(::getuid()));
}
#endif

}  // namespace

std::string PrivateTempDirectoryIn(const std::string& tempDirectory) {
    if (tempDirectory.empty()) return {};
#ifdef _WIN32
    // The Windows temporary directory is already private to the user.
    return tempDirectory;
#else
    std::string dir = PrivateDirectoryName(tempDirectory);
    return EnsurePrivateDirectory(dir) ? dir : std::string();
#endif
}

std::string PrivateTempDirectory() {
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    if (ec) return {};
    return PrivateTempDirectoryIn(temp.string());
}

std::string PrivateTempPathIn(const std::string& tempDirectory, const std::string& name,
                              size_t maxLength) {
    if (tempDirectory.empty()) return {};
#ifdef _WIN32
    std::string path = (fs::path(tempDirectory) / name).string();
    return path.size() <= maxLength ? path : std::string();
#else
    // The length is checked first, so a path that could never be used does
    // not leave a directory behind.
    std::string path = PrivateDirectoryName(tempDirectory) + "/" + name;
    if (path.size() > maxLength) return {};
    if (PrivateTempDirectoryIn(tempDirectory).empty() || !FileIsOursOrAbsent(path)) return {};
    return path;
#endif
}

bool PrivateTempPathIsSafe(const std::string& path) {
    if (path.empty()) return false;
#ifdef _WIN32
    return true;
#else
    std::string dir = fs::path(path).parent_path().string();
    return !dir.empty() && EnsurePrivateDirectory(dir) && FileIsOursOrAbsent(path);
#endif
}

}  // namespace zorvex

#pragma once

// What the fault tests compare: every file under a directory with its bytes,
// so a failed write that left a partial or temporary file, or lost one that
// was there, shows up as a difference.

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/rom_builder.h"

namespace zorvex::test {

using DirSnapshot = std::map<std::string, std::vector<uint8_t>>;

inline DirSnapshot Snapshot(const std::string& dir) {
    DirSnapshot files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        files[std::filesystem::relative(entry.path(), dir).string()] =
            ReadFile(entry.path().string());
    }
    return files;
}

inline std::vector<std::string> Names(const DirSnapshot& snapshot) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : snapshot) names.push_back(name);
    return names;
}

// A disk that fills up after `bytes` more bytes for writes that do not go
// through OutputFile: the process's file size limit makes write() fail with
// EFBIG (SIGXFSZ ignored) for any file grown past it. Restored when it ends.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

}  // namespace zorvex::test

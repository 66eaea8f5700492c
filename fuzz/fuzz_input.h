#pragma once

// Helpers shared by the fuzz targets: a scratch file per process for readers
// that only take a path, and a check that aborts so libFuzzer keeps the input.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace zorvex::fuzz {

// A file name private to this process (parallel fuzzing jobs share /tmp).
// /dev/shm keeps the per-input rewrite off the disk where it exists.
inline std::string ScratchPath(const char* suffix) {
    static const std::string dir = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    return dir + "/zorvex-fuzz-" + std::to_string(::getpid()) + suffix;
}

inline void WriteScratch(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size != 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

// A broken invariant is a finding like a crash.
inline void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace zorvex::fuzz

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/message_sink.h"

namespace zorvex {

// A file being written. The bytes go to a temporary file beside the target and
// the target is replaced only by Commit, so a failed or abandoned write never
// destroys what the target held before. Targets that are not regular files
// (devices such as /dev/full, pipes) are written in place.
class OutputFile {
  public:
    // Nullptr when the file cannot be created (errno tells why).
    static std::unique_ptr<OutputFile> Create(const std::string& path);
    ~OutputFile();  // discards the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool Write(const void* data, size_t length);  // false with errno set
    bool Commit();                                // false with errno set; the target is kept
    void Discard();                               // drops what was written
    const std::string& path() const { return target_; }
    uint64_t bytesWritten() const { return written_; }

  private:
    OutputFile() = default;
    std::string target_;
    std::string temp_;  // empty when writing in place
    std::FILE* file_ = nullptr;
    uint64_t written_ = 0;
    bool done_ = false;
};

// Test seam: makes file creation or writing fail as a full or broken disk would.
struct FileFaults {
    static void FailCreate(bool fail);
    // The write that would take the total of bytes written by all OutputFiles
    // past `bytes` fails with ENOSPC; negative switches the fault off.
    static void FailWritesAfter(int64_t bytes);
    static void FailCommit(bool fail);
    static void Reset();
};

// The system's text for errno (or the last Windows error).
std::string LastErrorText();
// Shows LastErrorText in a box captioned "Error".
void ShowLastError(MessageSink& sink);

// Writes length bytes to an open file. On failure: the system's text, then,
// unless quiet, "Error Writing File %s"; the file is discarded; false.
bool WriteBlock(const void* data, size_t length, OutputFile& file, bool quiet, MessageSink& sink);

// Creates path and writes data to it. "Can't create %s" unless silent.
bool WriteWholeFile(const std::string& path, const void* data, size_t length, bool silent,
                    MessageSink& sink);

// The largest file ReadWholeFile takes; larger ones fail like an allocation failure.
inline constexpr uint64_t kMaxWholeFile = 64u << 20;

// Reads a small file whole. "Can't open %s"; "Can't alloc Memory for %s" for an
// empty, unreadable or oversized file.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, MessageSink& sink);

// sprintf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace zorvex

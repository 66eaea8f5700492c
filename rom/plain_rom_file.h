#pragma once

#include <cstdint>
#include <string>

namespace zorvex {

// A plain file opened for reading an image, shared by the loader and by
// CheckRomFile, which streams it instead of loading it whole.
class PlainRomFile {
  public:
    PlainRomFile() = default;
    ~PlainRomFile();
    PlainRomFile(const PlainRomFile&) = delete;
    PlainRomFile& operator=(const PlainRomFile&) = delete;

    // False with "Can't open %s" in messageText; directories do not open.
    bool Open(const std::string& path, std::string& messageText);
    int64_t size() const { return size_; }
    bool regular() const { return regular_; }
    // Reads until count bytes arrived or the file ends; -1 on a read error.
    int64_t Read(uint8_t* to, int64_t count);

  private:
    int fd_ = -1;
    int64_t size_ = 0;
    bool regular_ = false;
};

// True when LoadFromZip treats the path as an archive (extension ".zip" in any case).
bool IsZipPath(const std::string& path);

}  // namespace zorvex

#include "rom/plain_rom_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/file_io.h"

namespace zorvex {

PlainRomFile::~PlainRomFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool PlainRomFile::Open(const std::string& path, std::string& messageText) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    // A directory cannot be opened as a file where the program came from either.
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
        messageText = Format("Can't open %s", path.c_str());
        return false;
    }
    size_ = static_cast<int64_t>(st.st_size);
    regular_ = S_ISREG(st.st_mode);
    return true;
}

int64_t PlainRomFile::Read(uint8_t* to, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd_, to + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

}  // namespace zorvex

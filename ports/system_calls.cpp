#include "ports/system_calls.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <cerrno>

namespace zorvex {

namespace {

#ifndef _WIN32
template <typename T>
T Result(T value) {
    return value < 0 ? static_cast<T>(-errno) : value;
}

class Kernel final : public SystemCalls {
  public:
    int Open(const char* path, int flags) override { return Result(::open(path, flags)); }
    int Close(int fd) override { return Result(::close(fd)); }
    int Ioctl(int fd, unsigned long request, void* argument) override {
        return Result(::ioctl(fd, request, argument));
    }
    ssize_t Read(int fd, void* buffer, size_t length) override {
        return Result(::read(fd, buffer, length));
    }
    ssize_t Write(int fd, const void* buffer, size_t length) override {
        return Result(::write(fd, buffer, length));
    }
    int Fcntl(int fd, int command, int argument) override {
        return Result(::fcntl(fd, command, argument));
    }
};
#else
// No kernel parallel-port interface to call on this platform.
class Kernel final : public SystemCalls {
  public:
    int Open(const char*, int) override { return -ENOSYS; }
    int Close(int) override { return -ENOSYS; }
    int Ioctl(int, unsigned long, void*) override { return -ENOSYS; }
    ssize_t Read(int, void*, size_t) override { return -ENOSYS; }
    ssize_t Write(int, const void*, size_t) override { return -ENOSYS; }
    int Fcntl(int, int, int) override { return -ENOSYS; }
};
#endif

}  // namespace

SystemCalls& KernelSystemCalls() {
    static Kernel kernel;
    return kernel;
}

int CountingSystemCalls::Open(const char* path, int flags) {
    ++count_;
    return inner_.Open(path, flags);
}
int CountingSystemCalls::Close(int fd) {
    ++count_;
    return inner_.Close(fd);
}
int CountingSystemCalls::Ioctl(int fd, unsigned long request, void* argument) {
    ++count_;
    ++ioctls_;
    return inner_.Ioctl(fd, request, argument);
}
ssize_t CountingSystemCalls::Read(int fd, void* buffer, size_t length) {
    ++count_;
    return inner_.Read(fd, buffer, length);
}
ssize_t CountingSystemCalls::Write(int fd, const void* buffer, size_t length) {
    ++count_;
    return inner_.Write(fd, buffer, length);
}
int CountingSystemCalls::Fcntl(int fd, int command, int argument) {
    ++count_;
    return inner_.Fcntl(fd, command, argument);
}

}  // namespace zorvex

#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace zorvex {

// The kernel calls the port backends make, as one small table that tests
// replace with an emulated kernel parallel port. Every call returns what the
// system call returns, except that a failure is -errno instead of -1 with
// errno set, so that a stand-in never touches the thread's errno.
//
// Each call is counted, so a test or benchmark can see how many times the
// program entered the kernel for one card operation.
class SystemCalls {
  public:
    virtual ~SystemCalls() = default;
    virtual int Open(const char* path, int flags) = 0;
    virtual int Close(int fd) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
    virtual ssize_t Read(int fd, void* buffer, size_t length) = 0;
    virtual ssize_t Write(int fd, const void* buffer, size_t length) = 0;
    virtual int Fcntl(int fd, int command, int argument) = 0;
};

// Passes every call to the running kernel.
SystemCalls& KernelSystemCalls();

// Counts the calls made through it, and passes them on.
class CountingSystemCalls final : public SystemCalls {
  public:
    explicit CountingSystemCalls(SystemCalls& inner) : inner_(inner) {}
    int Open(const char* path, int flags) override;
    int Close(int fd) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    ssize_t Read(int fd, void* buffer, size_t length) override;
    ssize_t Write(int fd, const void* buffer, size_t length) override;
    int Fcntl(int fd, int command, int argument) override;

    uint64_t count() const { return count_; }
    uint64_t ioctls() const { return ioctls_; }
    void ResetCount() { count_ = ioctls_ = 0; }

  private:
    SystemCalls& inner_;
    uint64_t count_ = 0;
    uint64_t ioctls_ = 0;
};

}  // namespace zorvex

#pragma once

#include <cstdlib>
#include <string>

#include <unistd.h>

#include "common/file_io.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {

// A stand-in for the machine's shared temporary directory: TMPDIR points at it
// while it lives, so a test can plant files there as another user would.
class SharedTempDir {
  public:
    SharedTempDir() {
        if (const char* old = std::getenv("TMPDIR")) {
            old_ = old;
            hadOld_ = true;
        }
        ::setenv("TMPDIR", dir_.path().c_str(), 1);
    }
    ~SharedTempDir() {
        if (hadOld_) {
            ::setenv("TMPDIR", old_.c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }
    SharedTempDir(const SharedTempDir&) = delete;
    SharedTempDir& operator=(const SharedTempDir&) = delete;

    const std::string& path() const { return dir_.path(); }
    std::string operator/(const std::string& name) const { return dir_ / name; }
    // Where the program keeps its own temporary files inside it.
    std::string PrivateDir() const { return dir_ / Format("zorvex-%u", ::getuid()); }

  private:
    TempDir dir_;
    std::string old_;
    bool hadOld_ = false;
};

}  // namespace zorvex::test

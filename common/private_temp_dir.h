#pragma once

#include <string>

namespace zorvex {

// Every temporary file of the program lives in one directory private to the
// user: "zorvex-<uid>" inside the temporary directory, mode 0700, owned by the
// user and checked with lstat. The shared temporary directory is writable by
// everyone, so a fixed name directly in it could be created, linked or filled
// by someone else first: a forged ROM list read at start, a pack image written
// through a link, an emulator copy that can never be created.

// The private directory inside `tempDirectory` (no trailing slash), created if
// missing. Empty when tempDirectory is empty or missing, or when the name is
// taken by anything but a directory of ours closed to everyone else; links are
// never followed.
std::string PrivateTempDirectoryIn(const std::string& tempDirectory);
// The same inside the system temporary directory ($TMPDIR or /tmp).
std::string PrivateTempDirectory();

// `name` inside the private directory of `tempDirectory`, when the whole path
// fits in `maxLength` characters and `name` is absent or a regular file of the
// user's. Empty otherwise.
std::string PrivateTempPathIn(const std::string& tempDirectory, const std::string& name,
                              size_t maxLength);

// Checks again, just before a file is written, that the directory of `path`
// is still the private one (recreating it if a temp cleaner removed it) and
// that the file is absent or a regular file of the user's.
bool PrivateTempPathIsSafe(const std::string& path);

}  // namespace zorvex

#pragma once

#include <string>

namespace zorvex {

// Longest path the pack image may have, as kept in a 512-byte buffer.
inline constexpr size_t kMaxPackTempPath = 511;

// Where SendPack builds the pack image before it goes to the card: "t.gb" in
// a directory private to this user inside `tempDirectory` ("zorvex-<uid>",
// mode 0700, owned by the user). The shared temporary directory is writable by
// everyone, so a fixed name directly in it could be created or linked by
// someone else first. Empty when the directory is unusable, cannot be made
// private, or the path would not fit.
std::string MakePackTempPath(const std::string& tempDirectory);
// The same inside the system temporary directory ($TMPDIR or /tmp).
std::string DefaultPackTempPath();

// Checks again, just before writing, that the directory of `packTempPath` is
// still the private one (recreating it if it was removed meanwhile) and that
// "t.gb" in it is nothing but a regular file or absent. Links are never
// followed.
bool PackTempPathIsSafe(const std::string& packTempPath);

}  // namespace zorvex

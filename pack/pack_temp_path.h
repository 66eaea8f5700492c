#pragma once

#include <string>

namespace zorvex {

// Longest path the pack image may have, as kept in a 512-byte buffer.
inline constexpr size_t kMaxPackTempPath = 511;

// Where SendPack builds the pack image before it goes to the card: "t.gb" in
// the user's private temporary directory inside `tempDirectory`
// (common/private_temp_dir.h). Empty when the directory is unusable, cannot be
// made private, or the path would not fit.
std::string MakePackTempPath(const std::string& tempDirectory);
// The same inside the system temporary directory ($TMPDIR or /tmp).
std::string DefaultPackTempPath();

// Checks again, just before writing, that the directory of `packTempPath` is
// still the private one (recreating it if it was removed meanwhile) and that
// "t.gb" in it is nothing but a regular file or absent. Links are never
// followed.
bool PackTempPathIsSafe(const std::string& packTempPath);

}  // namespace zorvex

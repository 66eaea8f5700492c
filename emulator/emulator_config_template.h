#pragma once

#include <string>

namespace zorvex {

// The emu.cfg a first desktop start writes into the data folder: comments
// that explain the four keys of an emulator and define none, so the program
// starts without "Can't open emu.cfg" and the owner knows what to fill in.
// CR LF line ends, as the reader ends values at CR.
extern const char kEmulatorConfigTemplate[];

// Writes the template to path unless a file is already there (never replaced).
// False when it was not written; nothing is reported.
bool WriteEmulatorConfigTemplate(const std::string& path);

}  // namespace zorvex

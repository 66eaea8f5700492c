#pragma once

#include <string>

namespace zorvex {

// Starts a program from a command line, detached: the caller neither waits for
// it nor watches it. Tests put a recording stand-in here.
class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;
    // Starts the program named by the first token of commandLine with the
    // other tokens as its arguments, in workingDirectory (empty: the current
    // one), with this program's environment. False when it could not be
    // started (errno tells why).
    virtual bool Start(const std::string& commandLine, const std::string& workingDirectory) = 0;
};

// The real one for POSIX systems: the line is split by SplitCommandLine and the
// program run directly (no shell, so no part of a file name is ever taken as a
// command) in a new session, with no descriptors but the standard three. A
// program name without "/" is looked up in PATH; one with "/" is taken
// relative to workingDirectory. The started process is not our child, so no
// zombie is left behind when it ends.
class PosixProcessLauncher final : public ProcessLauncher {
  public:
    bool Start(const std::string& commandLine, const std::string& workingDirectory) override;
};

}  // namespace zorvex

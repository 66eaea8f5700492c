#pragma once

#include <string>

#include "common/message_sink.h"
#include "emulator/emulator_table.h"
#include "emulator/process_launcher.h"

namespace zorvex {

// Starts emulators on library entries and keeps track of the temporary ROM
// file of the last launch in emulatorCopyPath, which the caller owns (the main
// window deletes it at program end as well).
//
// A plain ROM is passed as "roms/" + its file name. On a read-only medium it is
// first copied to the user's private temporary directory; a ROM inside a .zip
// archive is first unpacked to base name + ".gb" in the working directory, or
// in the private temporary directory when that fails. Such a copy is deleted at the next launch and
// by DeleteEmulatorCopy (at program end). Copies are always created as new files: a file that is
// already there, which this program did not make, is neither overwritten nor, later, deleted.
class EmulatorLauncher {
  public:
    // emulatorCopyPath: empty, or the copy made by an earlier launch, which a
    // launch deletes first. A relative one lies in the working directory.
    EmulatorLauncher(ProcessLauncher& processLauncher, MessageSink& sink,
                     std::string& emulatorCopyPath)
        : processLauncher_(processLauncher), sink_(sink), emulatorCopyPath_(emulatorCopyPath) {}

    // Relative paths ("roms/", the unpacked copy) resolve against it and the
    // emulator starts in it; empty means the current directory.
    std::string workingDirectory;
    // Where copies go when they cannot stay in the working directory; empty
    // means the user's private directory in the system's temporary directory
    // (common/private_temp_dir.h).
    std::string temporaryDirectory;
    // The working directory was found not writable at start.
    bool readOnlyStart = false;

    // Starts emulator n of the table on the ROM file fileName (the FileName
    // cell of a library row). Failures are shown through the sink, a program
    // that cannot be started too, with the program and the reason. True when
    // the start was asked of the process launcher and it succeeded.
    bool LaunchEmulator(const EmulatorTable& table, int n, const std::string& fileName);

    // Deletes the temporary ROM file of the last launch, if any (failure ignored).
    void DeleteEmulatorCopy();
    const std::string& emulatorCopyPath() const { return emulatorCopyPath_; }

  private:
    std::string Resolve(const std::string& path) const;
    // The temporary directory ending in "/", or empty after "Temporary Path too long".
    std::string TemporaryDirectory();
    bool StartWith(const EmulatorEntry& entry, const std::string& romPath);

    ProcessLauncher& processLauncher_;
    MessageSink& sink_;
    std::string& emulatorCopyPath_;
};

}  // namespace zorvex

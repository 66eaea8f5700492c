#pragma once

#include <string>

namespace zorvex {

// The desktop program reads and writes roms/, pics/, emu.cfg, dizavo.gb and the
// ROM list file relative to its working directory, which must therefore be
// settled before the main window initialises.
//
// A start from a terminal or a script keeps the directory it was started in.
// The installed desktop entry passes kDesktopEntryOption: desktops start
// programs in the home directory, which is the wrong place for those files, so
// such a start works in $XDG_DATA_HOME/zorvex ($HOME/.local/share/zorvex when
// the variable is unset or not absolute).
inline constexpr char kDesktopEntryOption[] = "--desktop-entry";

struct StartPlace {
    std::string currentDirectory;
    bool fromDesktopEntry = false;
    std::string home;         // $HOME
    std::string xdgDataHome;  // $XDG_DATA_HOME
};

// The place of this process: its current directory, its arguments and its
// environment.
StartPlace CurrentStartPlace(int argc, char** argv);

// The working directory for a start from `place`. Without a usable home the
// current directory is kept.
std::string ChooseWorkingDirectory(const StartPlace& place);

// Creates `directory` with an empty roms/ if either is missing, and makes it
// the current directory. False with the reason in messageText; the current
// directory is then unchanged.
bool EnterWorkingDirectory(const std::string& directory, std::string& messageText);

}  // namespace zorvex

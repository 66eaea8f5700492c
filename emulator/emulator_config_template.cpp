#include "emulator/emulator_config_template.h"

#include <cstdio>
#include <cstring>

namespace zorvex {

// A key counts wherever it stands, comments included, so the text spells the
// keys with N and never with a digit.
const char kEmulatorConfigTemplate[] =
    "# emu.cfg: the emulators of the \"Set Emulator\" menu (up to ten).\r\n"
    "#\r\n"
    "# An emulator N (1 to 10) is four lines, each a key followed at once by\r\n"
    "# its value up to the end of the line (blanks included):\r\n"
    "#   emuNtitle=      the name in the menu\r\n"
    "#   emuNname=       the program: a name found in PATH, or a path\r\n"
    "#   emuNpreparam=   arguments before the ROM file (may be empty)\r\n"
    "#   emuNpostparam=  arguments after the ROM file (may be empty)\r\n"
    "#\r\n"
    "# To add one, write the four lines without the \"# \" and with N replaced\r\n"
    "# by its number, for example for an emulator installed as mgba-qt:\r\n"
    "#   emuNtitle=mGBA\r\n"
    "#   emuNname=mgba-qt\r\n"
    "#   emuNpreparam=\r\n"
    "#   emuNpostparam=\r\n"
    "#\r\n"
    "# The menu shows the emulators in the order of their numbers; digit keys\r\n"
    "# 0-9 on a library row start them. Changes count at the next start.\r\n";

bool WriteEmulatorConfigTemplate(const std::string& path) {
    // "x": created here or not at all, so an owner's file is never replaced.
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    if (!file) return false;
    const size_t length = std::strlen(kEmulatorConfigTemplate);
    bool ok = std::fwrite(kEmulatorConfigTemplate, 1, length, file) == length;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) std::remove(path.c_str());
    return ok;
}

}  // namespace zorvex

#include "common/working_directory.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace zorvex {

namespace fs = std::filesystem;

StartPlace CurrentStartPlace(int argc, char** argv) {
    StartPlace place;
    std::error_code ec;
    place.currentDirectory = fs::current_path(ec).string();
    // Toolkit options may stand before or after it.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], kDesktopEntryOption) == 0) place.fromDesktopEntry = true;
    if (const char* home = std::getenv("HOME")) place.home = home;
    if (const char* data = std::getenv("XDG_DATA_HOME")) place.xdgDataHome = data;
    return place;
}

std::string ChooseWorkingDirectory(const StartPlace& place) {
    if (!place.fromDesktopEntry) return place.currentDirectory;
    // The base directory rules: a relative $XDG_DATA_HOME is invalid and ignored.
    fs::path data;
    if (fs::path(place.xdgDataHome).is_absolute()) {
        data = place.xdgDataHome;
    } else if (fs::path(place.home).is_absolute()) {
        data = fs::path(place.home) / ".local/share";
    } else {
        return place.currentDirectory;
    }
    return (data / "zorvex").string();
}

bool EnterWorkingDirectory(const std::string& directory, std::string& messageText) {
    std::error_code ec;
    fs::create_directories(fs::path(directory) / "roms", ec);
    if (!ec) fs::current_path(directory, ec);
    if (ec) {
        messageText = "Can't use " + directory + " as working directory: " + ec.message();
        return false;
    }
    return true;
}

}  // namespace zorvex

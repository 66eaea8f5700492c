#pragma once

#include <string>
#include <vector>

namespace zorvex {

// One file requester, described exactly as the program asks for it.
struct FileRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    std::string title;
    // Filter in the "Description|patterns|...||" form, e.g.
    // "Gameboy Roms (*.gb;*.gbc;*.zip)|*.gb;*.gbc;*.zip|All Files (*.*)|*.*||".
    std::string filter;
    bool mustExist = false;    // open requesters that insist on an existing file
    bool multiSelect = false;  // several files may be chosen
    std::string directory;     // where the requester opens
};

// Shows file requesters. The desktop program shows real ones; tests script the
// answers. An empty result means the user cancelled; otherwise the full paths
// chosen, in the requester's order.
class FileRequester {
  public:
    virtual ~FileRequester() = default;
    virtual std::vector<std::string> Ask(const FileRequest& request) = 0;
};

// The two directories every requester juggles: it opens in `requester`, the
// directory of the chosen file becomes the next `requester`, and relative
// paths ("roms/", "pics/", "emu.cfg", "dizavo.gb") stay against `working`.
struct RequesterDirectories {
    std::string working;
    std::string requester;
};

// Runs one request in dirs.requester and afterwards remembers the directory
// of the first chosen file as dirs.requester.
std::vector<std::string> AskFiles(FileRequester& requester, FileRequest request,
                                  RequesterDirectories& dirs);

}  // namespace zorvex

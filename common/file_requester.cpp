#include "common/file_requester.h"

#include <filesystem>

namespace zorvex {

std::vector<std::string> AskFiles(FileRequester& requester, FileRequest request,
                                  RequesterDirectories& dirs) {
    request.directory = dirs.requester;
    auto chosen = requester.Ask(request);
    if (!chosen.empty()) {
        auto parent = std::filesystem::path(chosen.front()).parent_path();
        if (!parent.empty()) dirs.requester = parent.string();
    }
    return chosen;
}

}  // namespace zorvex

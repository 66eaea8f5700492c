#include "rom/tools/rom_tool_files.h"

#include <filesystem>
#include <system_error>

#include "common/file_io.h"

namespace zorvex {

FileRequest SourceRequest(const char* filter) {
    FileRequest request;
    request.kind = FileRequest::Kind::Open;
    request.title = "Select Source File";
    request.filter = filter;
    request.mustExist = true;
    return request;
}

FileRequest ResultRequest(const char* filter) {
    FileRequest request;
    request.kind = FileRequest::Kind::Save;
    request.title = "Select Destination File";
    request.filter = filter;
    return request;
}

std::string AskOne(FileRequester& requester, const FileRequest& request,
                   RequesterDirectories& dirs) {
    auto chosen = AskFiles(requester, request, dirs);
    return chosen.empty() ? std::string() : chosen.front();
}

RomImage LoadToolSource(const std::string& path, MessageSink& sink) {
    std::string messageText;
    int32_t length = 0;
    RomImage image = LoadRomImage(path, length, LoadFromZip, messageText);
    if (!image) sink.ShowMessage(messageText, "Error");
    return image;
}

ResultWrite WriteResultFile(const std::string& path, const uint8_t* data, size_t length,
                            MessageSink& sink) {
    auto file = OutputFile::Create(path);
    if (!file) {
        sink.ShowMessage(Format("Can't create %s", path.c_str()), "Error");
        return ResultWrite::CantCreate;
    }
    if (!WriteBlock(data, length, *file, false, sink)) return ResultWrite::WriteFailed;
    if (!file->Commit()) {
        ShowLastError(sink);
        sink.ShowMessage(Format("Error Writing File %s", path.c_str()), "Error");
        return ResultWrite::WriteFailed;
    }
    return ResultWrite::Written;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace zorvex

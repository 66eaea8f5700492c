#include "rom/tools/ips_patch_command.h"

#include "common/file_io.h"
#include "rom/tools/rom_tool_files.h"

namespace zorvex {

PatchRead ApplyIpsFile(RomImage& image, const std::string& patch, MessageSink& sink) {
    auto data = ReadWholeFile(patch, sink);
    if (!data) return PatchRead::TryAnother;
    if (!IsIpsPatch(data->data(), data->size())) {
        sink.ShowMessage(Format("%s is no IPS File", patch.c_str()), "Error");
        return PatchRead::TryAnother;
    }
    switch (ApplyIpsPatch(data->data(), data->size(), image.data(), image.bytes().size())) {
        case IpsOutcome::Applied:
            return PatchRead::Applied;
        case IpsOutcome::Error:
            sink.ShowMessage("Error in IPS File", "Error");
            break;
        case IpsOutcome::OutOfRange:
            sink.ShowMessage("Offset is out of Range in IPS File", "Error");
            break;
    }
    return PatchRead::Failed;
}

bool IpsPatchCommand(RomToolContext& context) {
    std::string source = AskOne(context.requester, SourceRequest(kAllFilesFilter), context.dirs);
    if (source.empty()) return false;
    RomImage image = LoadToolSource(source, context.sink);
    if (!image) return false;

    FileRequest patchRequest = SourceRequest(kIpsFilter);
    patchRequest.title = "Select IPS File";
    for (;;) {
        std::string patch = AskOne(context.requester, patchRequest, context.dirs);
        if (patch.empty()) return false;
        PatchRead read = ApplyIpsFile(image, patch, context.sink);
        if (read == PatchRead::Failed) return false;
        if (read == PatchRead::Applied) break;
    }

    for (;;) {
        std::string result =
            AskOne(context.requester, ResultRequest(kAllFilesFilter), context.dirs);
        if (result.empty()) return false;
        if (WriteResultFile(result, image.data(), image.bytes().size(), context.sink) ==
            ResultWrite::Written) {
            if (context.written) *context.written = result;
            return true;
        }
    }
}

bool IpsPatchFile(const std::string& source, const std::string& patch, const std::string& result,
                  MessageSink& sink) {
    RomImage image = LoadToolSource(source, sink);
    if (!image) return false;
    if (ApplyIpsFile(image, patch, sink) != PatchRead::Applied) return false;
    return WriteResultFile(result, image.data(), image.bytes().size(), sink) ==
           ResultWrite::Written;
}

}  // namespace zorvex

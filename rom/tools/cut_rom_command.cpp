#include "rom/tools/cut_rom_command.h"

#include "common/file_io.h"
#include "rom/tools/rom_tool_files.h"
#include "rom/write_cut_rom.h"

namespace zorvex {

bool WriteCutResult(RomImage& image, const std::string& source, const std::string& result,
                    MessageSink& sink) {
    auto file = OutputFile::Create(result);
    if (!file) {
        sink.ShowMessage(Format("Can't create %s", result.c_str()), "Error");
        return false;
    }
    if (!WriteCutRom(image.data(), image.length(), *file, result, sink)) {
        // Too short: the result has been created and stays empty. A failed
        // write has already discarded the file.
        if (image.length() < kRomHeaderEnd && !SameFile(source, result)) file->Commit();
        return false;
    }
    if (!file->Commit()) {
        ShowLastError(sink);
        sink.ShowMessage(Format("Error Writing File %s", result.c_str()), "Error");
        return false;
    }
    return true;
}

bool CutRomCommand(RomToolContext& context) {
    std::string source = AskOne(context.requester, SourceRequest(kRomSourceFilter), context.dirs);
    if (source.empty()) return false;
    RomImage image = LoadToolSource(source, context.sink);
    if (!image) return false;
    std::string result = AskOne(context.requester, ResultRequest(kRomResultFilter), context.dirs);
    if (result.empty()) return false;
    if (!WriteCutResult(image, source, result, context.sink)) return false;
    if (context.written) *context.written = result;
    return true;
}

bool CutRomFile(const std::string& source, const std::string& result, MessageSink& sink) {
    RomImage image = LoadToolSource(source, sink);
    if (!image) return false;
    return WriteCutResult(image, source, result, sink);
}

}  // namespace zorvex

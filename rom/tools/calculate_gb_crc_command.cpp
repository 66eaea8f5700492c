#include "rom/tools/calculate_gb_crc_command.h"

#include "common/file_io.h"
#include "rom/tools/rom_tool_files.h"

namespace zorvex {

bool FixRomChecksums(RomImage& image, const std::string& source, MessageSink& sink) {
    if (image.length() < kRomHeaderEnd) {
        sink.ShowMessage(Format("File %s to small (%d)", source.c_str(), image.length()), "Error");
        return false;
    }
    uint8_t* data = image.data();
    // The header checksum goes first: the global sum covers byte 0x14D too.
    data[0x14D] = HeaderChecksum(data);
    uint16_t sum = GlobalChecksum(data, image.bytes().size());
    data[0x14E] = static_cast<uint8_t>(sum >> 8);
    data[0x14F] = static_cast<uint8_t>(sum & 0xFF);
    return true;
}

bool CalculateGbCrcCommand(RomToolContext& context) {
    std::string source = AskOne(context.requester, SourceRequest(kRomSourceFilter), context.dirs);
    if (source.empty()) return false;
    RomImage image = LoadToolSource(source, context.sink);
    if (!image || !FixRomChecksums(image, source, context.sink)) return false;
    std::string result = AskOne(context.requester, ResultRequest(kRomResultFilter), context.dirs);
    if (result.empty()) return false;
    if (WriteResultFile(result, image.data(), image.bytes().size(), context.sink) !=
        ResultWrite::Written)
        return false;
    if (context.written) *context.written = result;
    return true;
}

bool CalculateGbCrcFile(const std::string& source, const std::string& result, MessageSink& sink) {
    RomImage image = LoadToolSource(source, sink);
    if (!image || !FixRomChecksums(image, source, sink)) return false;
    return WriteResultFile(result, image.data(), image.bytes().size(), sink) ==
           ResultWrite::Written;
}

}  // namespace zorvex

#pragma once

#include <string>

#include "common/message_sink.h"
#include "rom/rom_image.h"
#include "rom/tools/rom_tool_context.h"

namespace zorvex {

// File > "Ca&lculate GB-CRC": asks for a source (plain or inside a .zip),
// recomputes the header checksum (0x14D) and the global checksum
// (0x14E..0x14F), asks for a result and writes the image there. Nothing else
// changes: the length stays as loaded and the logo is not checked. True when
// a result was written.
bool CalculateGbCrcCommand(RomToolContext& context);

// The same without requesters (zorvex-cli fixsum).
bool CalculateGbCrcFile(const std::string& source, const std::string& result, MessageSink& sink);

// Stores both checksums in the image; "File %s to small (%d)" with source for
// an image too short for a header.
bool FixRomChecksums(RomImage& image, const std::string& source, MessageSink& sink);

}  // namespace zorvex

#pragma once

#include <string>

#include "common/message_sink.h"
#include "rom/rom_image.h"
#include "rom/tools/rom_tool_context.h"

namespace zorvex {

// File > "&Cut Rom": asks for a source (plain or inside a .zip) and a result,
// and writes the image cut to, or padded with zeros up to, the size its
// content needs, with the size code and both checksums fixed. True when a
// result was written.
bool CutRomCommand(RomToolContext& context);

// The same without requesters (zorvex-cli cut).
bool CutRomFile(const std::string& source, const std::string& result, MessageSink& sink);

// Writes the cut image to result; source only decides whether an image too
// short for a header leaves an empty result file behind, which it never does
// in place of the source itself.
bool WriteCutResult(RomImage& image, const std::string& source, const std::string& result,
                    MessageSink& sink);

}  // namespace zorvex

#pragma once

#include <string>

#include "common/message_sink.h"
#include "rom/ips_patch.h"
#include "rom/rom_image.h"
#include "rom/tools/rom_tool_context.h"

namespace zorvex {

// File > "&IPS Patch File ": asks for a source (plain or inside a .zip), then
// for patches until one is applied (an unreadable file or one without "PATCH"
// asks again), then for results until the patched image is written (a file
// that cannot be created or written asks again). A patch that is cut off or
// reaches past the image writes nothing. True when a result was written.
bool IpsPatchCommand(RomToolContext& context);

// The same without requesters (zorvex-cli ips): one patch, one result.
bool IpsPatchFile(const std::string& source, const std::string& patch, const std::string& result,
                  MessageSink& sink);

enum class PatchRead { Applied, TryAnother, Failed };

// Reads the patch file and applies it to the image. TryAnother: the file could
// not be read or is no IPS file (reported). Failed: "Error in IPS File" or
// "Offset is out of Range in IPS File" (reported); the image is unchanged.
PatchRead ApplyIpsFile(RomImage& image, const std::string& patch, MessageSink& sink);

}  // namespace zorvex

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/file_requester.h"
#include "common/message_sink.h"
#include "rom/rom_image.h"

namespace zorvex {

// The requesters of the ROM tools.
inline constexpr const char* kRomSourceFilter =
    "Gameboy Roms (*.gb;*.gbc;*.zip)|*.gb;*.gbc;*.zip|All Files (*.*)|*.*||";
inline constexpr const char* kRomResultFilter =
    "Gameboy Roms (*.gb;*.gbc)|*.gb;*.gbc|All Files (*.*)|*.*||";
inline constexpr const char* kAllFilesFilter = "All Files (*.*)|*.*||";
inline constexpr const char* kIpsFilter = "IPS Files (*.ips)|*.ips|All Files (*.*)|*.*||";

FileRequest SourceRequest(const char* filter);  // "Select Source File", must exist
FileRequest ResultRequest(const char* filter);  // "Select Destination File", save

// The one requester answer that counts: the first chosen path, empty on cancel.
std::string AskOne(FileRequester& requester, const FileRequest& request,
                   RequesterDirectories& dirs);

// Loads a plain image or the ROM inside a .zip archive; the loader's text in
// an "Error" box on failure.
RomImage LoadToolSource(const std::string& path, MessageSink& sink);

enum class ResultWrite { Written, CantCreate, WriteFailed };

// Writes a whole result file. The bytes go to a temporary file that replaces
// the target only when complete, so the result may name the source itself and
// a failure never destroys what was there. "Can't create %s", or the system's
// text and "Error Writing File %s".
ResultWrite WriteResultFile(const std::string& path, const uint8_t* data, size_t length,
                            MessageSink& sink);

// True when both paths name one existing file.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace zorvex

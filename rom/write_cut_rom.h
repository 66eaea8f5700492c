#pragma once

#include <cstdint>
#include <string>

#include "common/file_io.h"
#include "common/message_sink.h"

namespace zorvex {

// Fits one ROM image into its power-of-two cartridge size and writes it to an
// open file: the size code at 0x148 becomes the used size of the content, the
// header and global checksums are recomputed, a trailing run of one repeated
// byte value is dropped and short content is padded with zeros. `image` is
// modified in place. `path` only names the file being written in the
// too-small message. False when the image is too short for a header (the file
// stays open) or a write failed (WriteBlock has discarded the file).
bool WriteCutRom(uint8_t* image, int32_t length, OutputFile& file, const std::string& path,
                 MessageSink& sink);

}  // namespace zorvex

#pragma once

#include <cstddef>
#include <string>

#include "common/file_io.h"
#include "common/message_sink.h"
#include "library/rom_list_model.h"

namespace zorvex {

// The list file in the working directory.
inline constexpr const char* kRomListFileName = "zorvexroms.txt";

// Appends the rows of a list file to list. False without a message when the
// file cannot be opened; false after one "Error" box on the first bad record,
// whose half-built row is removed again (rows of earlier records stay).
bool ReadRomList(const std::string& path, RomListModel& list, MessageSink& sink);

// Replaces the file with the rows of list, in display order, CR LF line ends.
// Rows the reader could not take back (an untitled ROM's empty Name, an empty
// field, a "|") are left out; the next scan builds them again.
// The file is replaced only when every line was written, so a failed write
// keeps the previous list file. False after a message.
bool WriteRomList(const std::string& path, const RomListModel& list, MessageSink& sink);

// Writes one piece of a line. On failure: the system's text, then
// "Error Writing Line %d in File %s"; the file is discarded; false.
bool WriteLine(const void* data, size_t length, OutputFile& file, int line, MessageSink& sink);

}  // namespace zorvex

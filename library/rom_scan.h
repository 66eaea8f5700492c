#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "common/message_sink.h"
#include "common/progress_sink.h"
#include "library/rom_list_model.h"

namespace zorvex {

// The library directory, relative to the working directory.
inline constexpr const char* kRomDirectory = "roms/";

// What a scan talks to. cancelRequested is the flag that the progress
// window's Cancel sets (the window's job monitor's); captionChanged is called wherever the
// library caption must be refreshed (the window sets it from RomListCaption).
struct LibraryScanUi {
    MessageSink& messages;
    ProgressSink& progress;
    std::atomic<bool>& cancelRequested;
    std::function<void()> captionChanged;
};

// "RomList (Empty)", "RomList (1 Rom)", "RomList (%d Roms)".
std::string RomListCaption(int rowCount);

// mode 0: inserts a row whose Name is text and stores its index in row;
// mode 1: sets field `field` of row; other modes: nothing, true.
// A refused insert or set: "Error at InsertItem(%s)" with fieldName; false.
bool SetRowField(RomListModel& list, int& row, int field, const std::string& text, int mode,
                 const char* fieldName, MessageSink& sink);

// Checks one ROM file and inserts its row. False after an "Error" box: the
// checker's message, "Can't open %s", a name that cannot be stored, or a
// refused field (the half-built row is removed again).
bool AddRomFile(const std::string& path, RomListModel& list, bool keepFullPath, MessageSink& sink);

// Brings the rows in step with the files of directory ("roms/"): rows whose
// file is gone, changed or listed twice are dropped; new and changed files are
// checked and added in name order, with the progress window ("Scanning Roms")
// and Cancel. ".sav" files, directories and other non-regular files are passed
// over; names with "|", CR or LF are reported and skipped. False (after the
// system's error text) when the directory cannot be listed.
bool ScanRomDirectory(const std::string& directory, RomListModel& list, LibraryScanUi& ui);

// The start-up and watch-timer work: scan, then rewrite the list file.
// True when both succeeded.
bool RefreshRomLibrary(const std::string& directory, const std::string& listPath,
                       RomListModel& list, LibraryScanUi& ui);

// The menu's "&Rescan RomDir" without its window work: drops every row, scans,
// rewrites the list file. The caller stops/starts its watch timer around it and,
// when list.Count() is 0 afterwards, empties Rom Info and releases the picture.
bool RescanRomDirectory(const std::string& directory, const std::string& listPath,
                        RomListModel& list, LibraryScanUi& ui);

}  // namespace zorvex

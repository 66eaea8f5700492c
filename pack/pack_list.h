#pragma once

#include <string>

#include "common/file_requester.h"
#include "common/message_sink.h"
#include "library/rom_list_model.h"

namespace zorvex {

// The most recent library-to-pack insertion, which a right double click on the
// same library row undoes (its first click inserted the row).
struct PackInsertion {
    int lastInsertedLibraryRow = -1;
    int lastInsertedPackRow = -1;  // -1 until an insertion completed all seven fields
};

// The file requester of "Add Rom(s) to &DIZavo" (multiple selection, files must exist).
FileRequest AddToPackRequest();

// Copies library row `libraryRow` into a new pack row whose FileName is
// "roms/" followed by the library's FileName. On a refused field
// "Error at InsertItem(%s)" names the column and the half-filled row is
// removed. Records the insertion in `insertion`; true when all fields were
// copied. A row that does not exist (-1) changes nothing; otherwise the caller
// refreshes the pack status whatever the outcome.
bool AddLibraryRowToPack(const RomListModel& library, int libraryRow, RomListModel& pack,
                         PackInsertion& insertion, MessageSink& sink);

// Removes one pack row; false for -1 or a row that does not exist.
bool RemovePackRow(RomListModel& pack, int row);

void ClearPack(RomListModel& pack);

}  // namespace zorvex

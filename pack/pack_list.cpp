#include "pack/pack_list.h"

#include "library/rom_entry_format.h"
#include "library/rom_scan.h"

namespace zorvex {

namespace {

// The names "Error at InsertItem(%s)" gives for the pack's columns.
const char* const kPackFieldNames[kRomFieldCount] = {
    "Name", "RomSize", "FileName", "CRC", "Attributes", "ScreenShot", "FileAttributes",
};

}  // namespace

FileRequest AddToPackRequest() {
    FileRequest request;
    request.kind = FileRequest::Kind::Open;
    request.title = "Add Rom(s) to DIZavo";
    request.filter = "Gameboy Roms (*.gb;*.gbc;*.zip)|*.gb;*.gbc;*.zip|All Files (*.*)|*.*||";
    request.mustExist = true;
    request.multiSelect = true;
    return request;
}

bool AddLibraryRowToPack(const RomListModel& library, int libraryRow, RomListModel& pack,
                         PackInsertion& insertion, MessageSink& sink) {
    if (libraryRow < 0 || libraryRow >= library.Count()) return false;
    insertion.lastInsertedLibraryRow = libraryRow;
    insertion.lastInsertedPackRow = -1;

    const RomEntry& source = library.Row(libraryRow);
    int row = -1;
    for (int field = 0; field < kRomFieldCount; ++field) {
        std::string text = source[field];
        if (field == FieldFileName) text = std::string(kRomDirectory) + text;
        if (text.size() > kMaxFieldLength) text.resize(kMaxFieldLength);
        if (!SetRowField(pack, row, field, text, field == 0 ? 0 : 1, kPackFieldNames[field],
                         sink)) {
            if (field != 0) pack.RemoveRow(row);
            return false;
        }
    }
    insertion.lastInsertedPackRow = row;
    return true;
}

bool RemovePackRow(RomListModel& pack, int row) {
    if (row < 0 || row >= pack.Count()) return false;
    return pack.RemoveRow(row);
}

void ClearPack(RomListModel& pack) {
    pack.Clear();
}

}  // namespace zorvex

// The list file reader over arbitrary file contents.
#include <cstdint>

#include "fuzz/fuzz_input.h"
#include "library/rom_list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zorvex;
    static const std::string path = fuzz::ScratchPath("-roms.txt");
    fuzz::WriteScratch(path, data, size);
    RomListModel list;
    NullMessageSink sink;
    const bool ok = ReadRomList(path, list, sink);
    // Every kept row is complete; a reader failure removes its half-built row.
    for (const auto& row : list.Snapshot()) fuzz::Check(row.fields.size() == kRomFieldCount, "row");
    if (ok) {
        // What was read can be written back and read again to the same rows.
        static const std::string copy = fuzz::ScratchPath("-roms-copy.txt");
        if (WriteRomList(copy, list, sink)) {
            RomListModel again;
            fuzz::Check(ReadRomList(copy, again, sink), "rewritten list reads");
            fuzz::Check(again.Count() == list.Count(), "rewritten list keeps its rows");
        }
    }
    return 0;
}

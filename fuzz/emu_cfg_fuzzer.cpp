// The emu.cfg reader over arbitrary text.
#include <cstdint>

#include "emulator/emulator_table.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zorvex;
    EmulatorTable table;
    NullMessageSink sink;
    table.Parse(data, size, "emu.cfg", sink);
    fuzz::Check(table.emulatorCount() >= 0 && table.emulatorCount() <= kMaxEmulators, "count");
    for (int i = 0; i < table.emulatorCount(); ++i) {
        const EmulatorEntry& e = table.Entry(i);
        fuzz::Check(e.program.size() <= kMaxEmulatorText && e.preParam.size() <= kMaxEmulatorText &&
                        e.postParam.size() <= kMaxEmulatorText,
                    "texts are refused, never cut, past the limit");
        fuzz::Check(table.SelectEmulator(i), "every listed emulator can be chosen");
    }
    fuzz::Check(!table.SelectEmulator(table.emulatorCount()), "no emulator past the end");
    return 0;
}

// The Rom Info text from a row's Name and Attributes fields. The input up to
// the first line feed is the name, the rest the attributes.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_input.h"
#include "rom/rom_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zorvex;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\n');
    const std::string name = split == std::string::npos ? input : input.substr(0, split);
    const std::string attributes = split == std::string::npos ? "" : input.substr(split + 1);
    const std::string text = RomInfoText(name, attributes);
    fuzz::Check(!text.empty(), "the pane always says something");
    for (int k = -1; k <= static_cast<int>(attributes.size() / 2) + 1; ++k)
        HexByteAt(k, attributes);
    return 0;
}

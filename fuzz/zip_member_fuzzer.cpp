// The ROM loader on an arbitrary ".zip" file, in each of its archive modes.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_input.h"
#include "rom/rom_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zorvex;
    static const std::string path = fuzz::ScratchPath("-member.zip");
    fuzz::WriteScratch(path, data, size);
    const unsigned modes[] = {LoadFromZip, LoadFromZip | LoadPadTo32K, LoadFromZip | LoadSaveData,
                              LoadFromZip | LoadUpToSize};
    for (unsigned options : modes) {
        int32_t length = (options & LoadUpToSize) ? 0x2000 : 0;
        std::string message;
        RomImage image = LoadRomImage(path, length, options, message);
        if (image) {
            fuzz::Check(image.length() <= kMaxImageLength, "image within the loader's limit");
            fuzz::Check(length >= 0 && length <= image.length(), "length within the image");
            if (options & LoadUpToSize) fuzz::Check(length <= 0x2000, "no more than asked for");
        } else {
            fuzz::Check(!message.empty(), "a failure says why");
        }
    }
    return 0;
}

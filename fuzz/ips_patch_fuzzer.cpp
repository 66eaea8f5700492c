// The IPS applier: the first two bytes give the image length, the rest is the
// patch (its records follow the magic, which the applier does not check).
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "rom/ips_patch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zorvex;
    if (size < 2) return 0;
    const size_t imageLength = static_cast<size_t>(data[0] | data[1] << 8);
    std::vector<uint8_t> image(imageLength);
    for (size_t i = 0; i < imageLength; ++i) image[i] = static_cast<uint8_t>(i * 31 + 7);
    const std::vector<uint8_t> original = image;
    // The patch gets its own allocation so ASan sees every read past its end.
    const std::vector<uint8_t> patch(data + 2, data + size);
    IsIpsPatch(patch.data(), patch.size());
    const IpsOutcome outcome =
        ApplyIpsPatch(patch.data(), patch.size(), image.data(), image.size());
    fuzz::Check(image.size() == imageLength, "the image keeps its length");
    if (outcome != IpsOutcome::Applied)
        fuzz::Check(image == original, "a failed patch changes nothing");
    return 0;
}

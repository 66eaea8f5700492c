#include "rom/ips_patch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zorvex {
namespace {

using Bytes = std::vector<uint8_t>;

// "PATCH" followed by the given bytes; records are spelled out byte by byte.
Bytes Patch(std::initializer_list<Bytes> parts) {
    Bytes out = {'P', 'A', 'T', 'C', 'H'};
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
const Bytes kEof = {'E', 'O', 'F'};

Bytes Image() {
    Bytes image(64);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + 3);
    return image;
}

IpsOutcome Apply(const Bytes& patch, Bytes& image) {
    return ApplyIpsPatch(patch.data(), patch.size(), image.data(), image.size());
}

TEST(IpsPatch, EndMarkerDecidesWhereThePatchEnds) {
    Bytes image = Image();
    EXPECT_EQ(Apply(Patch({}), image), IpsOutcome::Error);
    EXPECT_EQ(Apply(Patch({{0, 0, 1, 0, 1, 9}}), image), IpsOutcome::Error);
    EXPECT_EQ(Apply(Patch({kEof}), image), IpsOutcome::Applied);
    EXPECT_EQ(image, Image());

    // What follows "EOF" (a size field of other variants here) is ignored.
    EXPECT_EQ(Apply(Patch({{0, 0, 5, 0, 1, 0x42}, kEof, {0, 0, 0x10}, {0, 0, 0, 0, 1, 1}}), image),
              IpsOutcome::Applied);
    Bytes expected = Image();
    expected[5] = 0x42;
    EXPECT_EQ(image, expected);
}

TEST(IpsPatch, RecordsMayEndAtTheLastByteButNotBeyond) {
    Bytes image = Image();
    EXPECT_EQ(
        Apply(Patch({{0, 0, 60, 0, 4, 1, 2, 3, 4}, {0, 0, 10, 0, 0, 0, 3, 0xEE}, kEof}), image),
        IpsOutcome::Applied);
    Bytes expected = Image();
    for (int i = 0; i < 4; ++i) expected[60 + i] = static_cast<uint8_t>(i + 1);
    for (int i = 10; i < 13; ++i) expected[i] = 0xEE;
    EXPECT_EQ(image, expected);

    image = Image();
    EXPECT_EQ(Apply(Patch({{0, 0, 61, 0, 4, 1, 2, 3, 4}, kEof}), image), IpsOutcome::OutOfRange);
    EXPECT_EQ(Apply(Patch({{0, 0, 57, 0, 0, 0, 8, 0}, kEof}), image), IpsOutcome::OutOfRange);
    // A run of length 0 changes nothing, even at the image's end.
    EXPECT_EQ(Apply(Patch({{0, 0, 64, 0, 0, 0, 0, 0xEE}, kEof}), image), IpsOutcome::Applied);
    // The largest offset plus the largest run must not wrap around.
    EXPECT_EQ(Apply(Patch({{0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 1}, kEof}), image),
              IpsOutcome::OutOfRange);
    EXPECT_EQ(image, Image());
}

// Each of the three offset bytes lands where its weight says, most significant
// first; an offset below 256 cannot tell a byte order apart.
TEST(IpsPatch, OffsetsAreThreeBytesMostSignificantFirst) {
    Bytes image(0x20000, 0);
    EXPECT_EQ(Apply(Patch({{1, 2, 3, 0, 1, 0x5A}, {0, 3, 1, 0, 0, 0, 2, 0xA5}, kEof}), image),
              IpsOutcome::Applied);
    Bytes expected(0x20000, 0);
    expected[0x10203] = 0x5A;
    expected[0x301] = expected[0x302] = 0xA5;
    EXPECT_TRUE(image == expected);
}

TEST(IpsPatch, ValidRecordThenCutOffOneIsAnErrorAndChangesNothing) {
    const Bytes good = {0, 0, 0, 0, 2, 0xAA, 0xBB};
    const Bytes tails[] = {
        {0, 0, 4}, {0, 0, 4, 0}, {0, 0, 4, 0, 3, 1, 2}, {0, 0, 4, 0, 0, 0, 2}, {'E', 'O'}};
    for (const Bytes& tail : tails) {
        Bytes image = Image();
        EXPECT_EQ(Apply(Patch({good, tail}), image), IpsOutcome::Error) << tail.size();
        EXPECT_EQ(image, Image());
    }
    const Bytes notIps = {'P', 'A', 'T', 'C'};
    EXPECT_FALSE(IsIpsPatch(notIps.data(), notIps.size()));
    EXPECT_TRUE(IsIpsPatch(Patch({}).data(), 5));
}

}  // namespace
}  // namespace zorvex

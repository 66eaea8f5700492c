#include "rom/ips_patch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zorvex {
namespace {

// Builds patch files record by record.
class Patch {
  public:
    Patch() { Raw("PATCH"); }
    Patch& Raw(const std::string& text) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    Patch& Bytes(std::vector<uint8_t> more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    Patch& Record(uint32_t offset, std::vector<uint8_t> data) {
        Offset(offset);
        Bytes({static_cast<uint8_t>(data.size() >> 8), static_cast<uint8_t>(data.size())});
        return Bytes(data);
    }
    Patch& Run(uint32_t offset, uint16_t length, uint8_t value) {
        Offset(offset);
        return Bytes(
            {0, 0, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length), value});
    }
    Patch& Offset(uint32_t offset) {
        return Bytes({static_cast<uint8_t>(offset >> 16), static_cast<uint8_t>(offset >> 8),
                      static_cast<uint8_t>(offset)});
    }
    Patch& End() { return Raw("EOF"); }
    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> Image(size_t length) {
    std::vector<uint8_t> image(length);
    for (size_t i = 0; i < length; ++i) image[i] = static_cast<uint8_t>(i * 7 + 3);
    return image;
}

IpsOutcome Apply(const Patch& patch, std::vector<uint8_t>& image) {
    return ApplyIpsPatch(patch.bytes.data(), patch.bytes.size(), image.data(), image.size());
}

TEST(IpsPatch, MagicAloneOrWithoutEndMarkerIsAnError) {
    auto image = Image(64);
    EXPECT_EQ(Apply(Patch(), image), IpsOutcome::Error);
    EXPECT_EQ(Apply(Patch().Record(1, {9}), image), IpsOutcome::Error);
    EXPECT_EQ(Apply(Patch().Raw("EO"), image), IpsOutcome::Error);
    EXPECT_EQ(image, Image(64));
}

TEST(IpsPatch, EndMarkerAloneLeavesTheImageAsItWas) {
    auto image = Image(64);
    EXPECT_EQ(Apply(Patch().End(), image), IpsOutcome::Applied);
    EXPECT_EQ(image, Image(64));
}

TEST(IpsPatch, RecordsAndRunsChangeOnlyTheirBytes) {
    auto image = Image(64);
    auto expected = Image(64);
    expected[0] = 0xAA;
    expected[10] = 1, expected[11] = 2, expected[12] = 3;
    for (int i = 20; i < 25; ++i) expected[i] = 0x5C;
    Patch patch;
    patch.Record(10, {1, 2, 3}).Run(20, 5, 0x5C).Record(0, {0xAA}).End();
    EXPECT_EQ(Apply(patch, image), IpsOutcome::Applied);
    EXPECT_EQ(image, expected);
}

TEST(IpsPatch, RecordsMayReachTheLastByteButNotBeyond) {
    auto image = Image(64);
    EXPECT_EQ(Apply(Patch().Record(60, {1, 2, 3, 4}).End(), image), IpsOutcome::Applied);
    EXPECT_EQ(image[63], 4);

    image = Image(64);
    EXPECT_EQ(Apply(Patch().Record(61, {1, 2, 3, 4}).End(), image), IpsOutcome::OutOfRange);
    EXPECT_EQ(Apply(Patch().Run(56, 8, 0).End(), image), IpsOutcome::Applied);
    image = Image(64);
    EXPECT_EQ(Apply(Patch().Run(57, 8, 0).End(), image), IpsOutcome::OutOfRange);
    EXPECT_EQ(image, Image(64));
}

TEST(IpsPatch, LargestOffsetAndSizeDoNotWrapAround) {
    auto image = Image(64);
    Patch patch;
    patch.Offset(0xFFFFFF).Bytes({0xFF, 0xFF});
    patch.bytes.resize(patch.bytes.size() + 0xFFFF, 0x11);
    patch.End();
    EXPECT_EQ(Apply(patch, image), IpsOutcome::OutOfRange);
    EXPECT_EQ(Apply(Patch().Offset(0xFFFFFF).Bytes({0, 0, 0xFF, 0xFF, 1}).End(), image),
              IpsOutcome::OutOfRange);
}

TEST(IpsPatch, RunOfLengthZeroIsAcceptedAndChangesNothing) {
    auto image = Image(64);
    EXPECT_EQ(Apply(Patch().Run(64, 0, 0xEE).Run(3, 0, 0xEE).End(), image), IpsOutcome::Applied);
    EXPECT_EQ(image, Image(64));
}

TEST(IpsPatch, CutOffRecordsAreErrorsAndTheImageStaysUnchanged) {
    const auto original = Image(64);
    std::vector<Patch> patches(5);
    patches[0].Record(0, {1, 2}).Offset(4);                      // offset without size
    patches[1].Record(0, {1, 2}).Offset(4).Bytes({0});           // half a size
    patches[2].Record(0, {1, 2}).Offset(4).Bytes({0, 3, 1, 2});  // data one byte short
    patches[3].Record(0, {1, 2}).Offset(4).Bytes({0, 0, 0, 2});  // run without its value
    patches[4].Record(0, {1, 2}).Raw("EO");                      // marker cut off
    for (size_t i = 0; i < patches.size(); ++i) {
        auto image = original;
        EXPECT_EQ(Apply(patches[i], image), IpsOutcome::Error) << "patch " << i;
        EXPECT_EQ(image, original) << "patch " << i;
    }
}

TEST(IpsPatch, FirstFailingRecordDecides) {
    auto image = Image(64);
    // Out of range comes first, so the cut-off record after it never counts.
    EXPECT_EQ(Apply(Patch().Record(63, {1, 2}).Offset(1), image), IpsOutcome::OutOfRange);
    // A record at offset "EOF" cannot exist: those bytes end the patch.
    EXPECT_EQ(Apply(Patch().Raw("EOF").Bytes({0, 1, 0x99}), image), IpsOutcome::Applied);
    EXPECT_EQ(image, Image(64));
}

TEST(IpsPatch, BytesAfterEndMarkerAreIgnored) {
    auto image = Image(64);
    Patch patch;
    patch.Record(5, {0x42}).End().Bytes({0x00, 0x10, 0x00}).Record(0, {1});
    EXPECT_EQ(Apply(patch, image), IpsOutcome::Applied);
    EXPECT_EQ(image.size(), 64u);
    EXPECT_EQ(image[5], 0x42);
    EXPECT_EQ(image[0], Image(64)[0]);
}

TEST(IpsPatch, MagicIsRecognisedOnlyWhole) {
    const std::string good = "PATCHEOF", shortOne = "PATC", wrong = "patchEOF";
    auto check = [](const std::string& s, size_t n) {
        return IsIpsPatch(reinterpret_cast<const uint8_t*>(s.data()), n);
    };
    EXPECT_TRUE(check(good, good.size()));
    EXPECT_TRUE(check(good, 5));
    EXPECT_FALSE(check(shortOne, shortOne.size()));
    EXPECT_FALSE(check(wrong, wrong.size()));
    EXPECT_FALSE(check(good, 0));
}

}  // namespace
}  // namespace zorvex

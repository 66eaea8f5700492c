#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "rom/rom_image.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

using test::RomBuilder;

TEST(HeaderAlgorithms, Crc32IsTheStandardReflectedCrc) {
    const char* digits = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(digits), 9), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
    std::vector<uint8_t> zeros(32, 0);
    EXPECT_EQ(Crc32(zeros.data(), zeros.size()), 0x190A55ADu);
}

TEST(HeaderAlgorithms, LogoMustMatchInEveryByte) {
    auto image = RomBuilder(0x8000).Build();
    EXPECT_TRUE(HasNintendoLogo(image.data()));
    EXPECT_EQ(0, std::memcmp(kNintendoLogo.data(), RomBuilder::kLogo, 48));
    for (int at : {0x104, 0x11B, 0x133}) {
        auto changed = image;
        changed[at] ^= 0x01;
        EXPECT_FALSE(HasNintendoLogo(changed.data())) << std::hex << at;
    }
    EXPECT_FALSE(HasNintendoLogo(RomBuilder(0x8000).NoLogo().Build().data()));
}

// Size code of an image made of `used` pattern bytes followed by 0xFF fill.
uint8_t CodeForUsed(size_t used, size_t total) {
    RomBuilder b(total);
    b.Pattern(0, used, 42).Fill(used, 0xFF).Set(used - 1, 0x00);
    auto image = b.Build();
    // The builder writes a header; keep the tail as asked.
    for (size_t i = used; i < total; ++i) image[i] = 0xFF;
    return UsedSizeCode(image.data(), static_cast<int32_t>(image.size()));
}

TEST(HeaderAlgorithms, UsedSizeCodeIgnoresTheTrailingRunOfTheLastByte) {
    std::vector<uint8_t> blank(0x8000, 0xFF);
    EXPECT_EQ(UsedSizeCode(blank.data(), 0x8000), 0);
    uint8_t one = 0x12;
    EXPECT_EQ(UsedSizeCode(&one, 1), 0);

    // 1 MiB whose last 600 KiB are fill: 424 KiB used, which needs 512 KiB.
    EXPECT_EQ(CodeForUsed(424 * 1024, 1024 * 1024), 4);
    // Boundaries: exactly 32 KiB << n still fits code n.
    EXPECT_EQ(CodeForUsed(0x8000, 0x10000), 0);
    EXPECT_EQ(CodeForUsed(0x8001, 0x10000), 1);
    EXPECT_EQ(CodeForUsed(0x10000, 0x20000), 1);
    EXPECT_EQ(CodeForUsed(0x10001, 0x20000), 2);
    EXPECT_EQ(CodeForUsed(0x800000, 0x800000), 8);
    EXPECT_EQ(CodeForUsed(0x400001, 0x800000), 8);
    EXPECT_EQ(CodeForUsed(0x400000, 0x800000), 7);

    // The fill is whatever the last byte is, not only 0xFF.
    std::vector<uint8_t> zeros(0x20000, 0);
    zeros[0x9000] = 1;
    EXPECT_EQ(UsedSizeCode(zeros.data(), 0x20000), 1);
    // The first byte always counts, even when it equals the fill.
    std::vector<uint8_t> same(0x10000, 7);
    EXPECT_EQ(UsedSizeCode(same.data(), 0x10000), 0);
}

TEST(HeaderAlgorithms, HeaderChecksumIsSeededOverTheLogoToo) {
    auto image = RomBuilder(0x8000).Title("CHECKSUM").CartType(0x1B).Build();
    // With the logo the result equals the platform's own checksum.
    EXPECT_EQ(HeaderChecksum(image.data()), RomBuilder::HeaderChecksumOf(image));
    // Without it, the logo bytes the platform ignores change the value: here
    // they sum to zero instead of 0x46.
    std::memset(image.data() + 0x104, 0, 48);
    EXPECT_EQ(HeaderChecksum(image.data()),
              static_cast<uint8_t>(RomBuilder::HeaderChecksumOf(image) + 0x46));
    // Bytes outside 0x104..0x14C do not count.
    image[0x14D] ^= 0xFF;
    image[0x103] ^= 0xFF;
    EXPECT_EQ(HeaderChecksum(image.data()),
              static_cast<uint8_t>(RomBuilder::HeaderChecksumOf(image) + 0x46));
}

TEST(HeaderAlgorithms, GlobalChecksumSkipsItsOwnBytesAndWrapsAt16Bits) {
    for (size_t size : {size_t{0x150}, size_t{0x151}, size_t{0x8000 + 7}, size_t{0x40000}}) {
        auto image = RomBuilder(size).Build();
        EXPECT_EQ(GlobalChecksum(image.data(), image.size()), RomBuilder::GlobalChecksumOf(image))
            << size;
        EXPECT_EQ(GlobalChecksum(image.data(), image.size()), StoredGlobalChecksum(image.data()));
    }
    // Large runs of 0xFF: every partial sum must survive without overflow.
    std::vector<uint8_t> full(0x800000 + 3, 0xFF);
    uint64_t expected = (uint64_t{full.size()} - 2) * 0xFF;
    EXPECT_EQ(GlobalChecksum(full.data(), full.size()), static_cast<uint16_t>(expected));
    // Short buffers sum what they have.
    EXPECT_EQ(GlobalChecksum(full.data(), 0x14F), static_cast<uint16_t>(0x14E * 0xFF));
    EXPECT_EQ(GlobalChecksum(full.data(), 5), 5 * 0xFF);
}

}  // namespace
}  // namespace zorvex

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "rom/rom_image.h"
#include "tests/rom/loader_zip_writer.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

using test::RomBuilder;
using test::TempDir;
using test::WriteFile;

class CheckRom : public ::testing::Test {
  protected:
    bool Check(const std::vector<uint8_t>& image, const std::string& name = "game.gb") {
        path = dir / name;
        WriteFile(path, image);
        summary = RomHeaderSummary{};
        return CheckRomFile(path, summary, message);
    }
    TempDir dir;
    std::string path;
    std::string message;
    RomHeaderSummary summary;
};

TEST_F(CheckRom, MinimumSizeAndLogo) {
    auto image = RomBuilder(0x150).Build();
    EXPECT_TRUE(Check(image)) << message;
    image.pop_back();
    EXPECT_FALSE(Check(image));
    EXPECT_EQ(message, "File is to small (" + path + ")");

    EXPECT_FALSE(Check(RomBuilder(0x8000).NoLogo().Build()));
    EXPECT_EQ(message, path + " is no Gameboyrom !!");

    // A loader failure keeps the loader's message.
    path = dir / "nothing.gb";
    EXPECT_FALSE(CheckRomFile(path, summary, message));
    EXPECT_EQ(message, "Can't open " + path);
}

TEST_F(CheckRom, SummaryCopiesTheHeaderWithFlagsInPlaceOfTheSgbByte) {
    auto image = RomBuilder(0x20000)
                     .Title("HEADERCOPY")
                     .NewLicensee("01")
                     .CartType(0x1B)
                     .RomSizeCode(2)
                     .RamSizeCode(3)
                     .Destination(0)
                     .OldLicensee(0x33)
                     .Set(0x14C, 0x02)
                     .Fill(0x9000, 0xFF)
                     .Build();
    std::string before = "untouched";
    message = before;
    ASSERT_TRUE(Check(image));
    EXPECT_EQ(message, before);
    for (int at = 0x134; at <= 0x14F; ++at)
        if (at != 0x146) {
            EXPECT_EQ(summary.at(at), image[static_cast<size_t>(at)]) << at;
        }
    EXPECT_EQ(summary.romFlags(), 0);
    EXPECT_EQ(summary.usedSizeCode, 1);
    EXPECT_EQ(summary.crc, Crc32(image.data(), image.size()));
}

TEST_F(CheckRom, ColorAndSuperGameBoyFlags) {
    ASSERT_TRUE(Check(RomBuilder().Title("SIXTEEN CHARS!!X").Cgb(0x80).Build()));
    EXPECT_EQ(summary.romFlags(), RomFlagCgb);
    EXPECT_EQ(summary.at(0x143), 0);  // the title ends after 15 characters
    EXPECT_EQ(summary.at(0x142), '!');

    ASSERT_TRUE(Check(RomBuilder().Title("COLOR ONLY").Cgb(0xC0).Sgb(0x03).Build()));
    EXPECT_EQ(summary.romFlags(), RomFlagCgb | RomFlagSgb);

    ASSERT_TRUE(Check(RomBuilder().Title("SIXTEEN CHARS!!X").Cgb(0x7F).Sgb(0x01).Build()));
    EXPECT_EQ(summary.romFlags(), RomFlagSgb);
    EXPECT_EQ(summary.at(0x143), 0x7F);
}

TEST_F(CheckRom, AlteredChecksumsSetTheirFlags) {
    auto image = RomBuilder(0x8000).Build();
    auto header = image;
    header[0x14D] ^= 0x10;  // the global sum covers this byte as well
    ASSERT_TRUE(Check(header));
    EXPECT_EQ(summary.romFlags(), RomFlagHeaderChecksumBad | RomFlagGlobalChecksumBad);

    auto last = image;
    last.back() ^= 0x01;
    ASSERT_TRUE(Check(last));
    EXPECT_EQ(summary.romFlags(), RomFlagGlobalChecksumBad);

    auto stored = image;
    stored[0x14F] ^= 0x01;
    ASSERT_TRUE(Check(stored));
    EXPECT_EQ(summary.romFlags(), RomFlagGlobalChecksumBad);
}

TEST_F(CheckRom, ArchivedImageGivesTheSameSummaryAsThePlainOne) {
    auto image = RomBuilder(0x10000).Title("ZIPPED").Cgb(0x80).Build();
    ASSERT_TRUE(Check(image));
    RomHeaderSummary plain = summary;
    path = dir / "zipped.zip";
    test::WriteZip(path, {{"notes.txt", {1, 2, 3}}, {"zipped.gbc", image}});
    ASSERT_TRUE(CheckRomFile(path, summary, message)) << message;
    EXPECT_EQ(summary.crc, plain.crc);
    EXPECT_EQ(summary.header, plain.header);
    EXPECT_EQ(summary.usedSizeCode, plain.usedSizeCode);
}

// CheckRomFile reads a file in pieces; the trailing fill and the sums must come
// out as over the whole image wherever the pieces happen to end.
TEST_F(CheckRom, SizeCodeAndChecksumsAgreeWithWholeImageAlgorithms) {
    struct Case {
        size_t size, fillFrom;
        uint8_t fill;
    };
    const Case cases[] = {
        {0x10000, 0x10000, 0},   {0x20000, 0x10000, 0xFF}, {0x20000, 0x10001, 0xFF},
        {0x20000, 0xFFFF, 0x00}, {0x40000, 0x8001, 0xFF},  {0x100000, 424 * 1024, 0xFF},
        {0x30000, 0x150, 0xFF},  {0x28000, 0x20000, 0x3C}, {0x800000, 0x400001, 0xFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fillFrom);
        auto image = RomBuilder(c.size).Fill(c.fillFrom, c.fill).Build();
        if (c.fillFrom > 0x150) image[c.fillFrom - 1] = static_cast<uint8_t>(c.fill ^ 0x80);
        image[0x14F] ^= 1;
        ASSERT_TRUE(Check(image)) << message;
        EXPECT_EQ(summary.usedSizeCode, UsedSizeCode(image.data(), static_cast<int32_t>(c.size)));
        EXPECT_EQ(summary.romFlags(), RomFlagGlobalChecksumBad);
        EXPECT_EQ(summary.crc, Crc32(image.data(), image.size()));
    }
    // A fill that changes value exactly where a piece begins: only the last run counts.
    auto image = RomBuilder(0x30000).Fill(0x10000, 0xFF).Fill(0x20000, 0x00).Build();
    ASSERT_TRUE(Check(image));
    EXPECT_EQ(summary.usedSizeCode, 2);  // 128 KiB used
    image = RomBuilder(0x30000).Fill(0x150, 0x00).Build();
    image[0x20000] = 0xFF;
    ASSERT_TRUE(Check(image));
    EXPECT_EQ(summary.usedSizeCode, UsedSizeCode(image.data(), 0x30000));
    EXPECT_EQ(summary.usedSizeCode, 3);  // one byte past 128 KiB
}

// --- The real ROMs ---------------------------------------------------------

// One object of facts.json: its flat "key": value pairs as text.
using Facts = std::map<std::string, std::string>;

std::vector<Facts> ReadFacts(const std::string& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    std::vector<Facts> out;
    size_t pos = 0;
    while ((pos = s.find('{', pos)) != std::string::npos) {
        size_t end = s.find('}', pos);
        std::string body = s.substr(pos + 1, end - pos - 1);
        Facts facts;
        size_t q = 0;
        while ((q = body.find('"', q)) != std::string::npos) {
            size_t keyEnd = body.find('"', q + 1);
            std::string key = body.substr(q + 1, keyEnd - q - 1);
            size_t colon = body.find(':', keyEnd);
            size_t v = body.find_first_not_of(" \t\r\n", colon + 1);
            std::string value;
            if (body[v] == '"') {
                size_t vEnd = v + 1;
                while (body[vEnd] != '"') vEnd += body[vEnd] == '\\' ? 2 : 1;
                value = body.substr(v + 1, vEnd - v - 1);
                q = vEnd + 1;
            } else {
                size_t vEnd = body.find_first_of(",\r\n", v);
                value = body.substr(v, vEnd - v);
                q = vEnd;
            }
            facts[key] = value;
        }
        out.push_back(facts);
        pos = end;
    }
    return out;
}

TEST(CheckRealRoms, SummariesMatchTheIndependentlyComputedFacts) {
    ZORVEX_SKIP_WITHOUT_TEST_ROMS();
    auto all = ReadFacts(test::TestRomDir() + "/facts.json");
    ASSERT_GE(all.size(), 10u);
    for (auto& f : all) {
        SCOPED_TRACE(f["file"]);
        RomHeaderSummary summary;
        std::string message;
        ASSERT_TRUE(CheckRomFile(test::TestRomDir() + "/" + f["file"], summary, message))
            << message;
        EXPECT_EQ(summary.crc, std::stoul(f["crc32"], nullptr, 16));
        EXPECT_EQ(summary.usedSizeCode, std::stoi(f["used_size_code"]));

        // The title is the header's first 16 bytes up to the first zero.
        std::string title;
        for (int at = 0x134; at <= 0x143 && summary.at(at) != 0; ++at)
            title += static_cast<char>(summary.at(at));
        std::string expected = f["title"];
        for (size_t i; (i = expected.find("\\\"")) != std::string::npos;) expected.erase(i, 1);
        if (std::stoi(f["cgb_flag"]) >= 0x80) {
            EXPECT_LE(title.size(), 15u);
        }
        EXPECT_EQ(title, expected);

        int flags = 0;
        if (std::stoi(f["sgb_flag"]) != 0) flags |= RomFlagSgb;
        if (std::stoi(f["cgb_flag"]) >= 0x80) flags |= RomFlagCgb;
        if (f["header_checksum_ok"] != "true") flags |= RomFlagHeaderChecksumBad;
        if (f["global_checksum_ok"] != "true") flags |= RomFlagGlobalChecksumBad;
        EXPECT_EQ(summary.romFlags(), flags);
        EXPECT_EQ(summary.at(0x147), std::stoi(f["cart_type"]));
        EXPECT_EQ(summary.at(0x148), std::stoi(f["rom_size_code"]));
        EXPECT_EQ(summary.at(0x14D), std::stoi(f["header_checksum_stored"]));
        EXPECT_EQ(summary.at(0x14E) << 8 | summary.at(0x14F),
                  std::stoi(f["global_checksum_stored"]));
    }
}

// The real-ROM tests above must run wherever the ROMs are found, and skip only
// when they are not.
TEST(CheckRealRoms, TheVariableChoosesTheFolderAndAnEmptyOneMeansTheDefault) {
    const char* before = std::getenv("ZORVEX_TESTDATA_DIR");
    const std::string saved = before ? before : "";
    TempDir data;
    WriteFile(data / "roms/facts.json", {'[', ']'});
    setenv("ZORVEX_TESTDATA_DIR", data.path().c_str(), 1);
    EXPECT_EQ(test::TestRomDir(), data / "roms");
    EXPECT_TRUE(test::HaveTestRoms());
    setenv("ZORVEX_TESTDATA_DIR", (data / "elsewhere").c_str(), 1);
    EXPECT_FALSE(test::HaveTestRoms());
    setenv("ZORVEX_TESTDATA_DIR", "", 1);
    EXPECT_EQ(test::TestRomDir(), std::string(ZORVEX_TESTDATA_DIR) + "/roms");
    if (before) {
        setenv("ZORVEX_TESTDATA_DIR", saved.c_str(), 1);
    } else {
        unsetenv("ZORVEX_TESTDATA_DIR");
    }
}

}  // namespace
}  // namespace zorvex

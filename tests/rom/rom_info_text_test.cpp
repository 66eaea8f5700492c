#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "rom/licensee_tables.h"
#include "rom/rom_info.h"

namespace zorvex {
namespace {

// Attributes text from its twelve bytes, as the library stores it.
std::string Attributes(std::initializer_list<int> bytes) {
    std::string text;
    char pair[3];
    for (int b : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", b);
        text += pair;
    }
    return text;
}

std::string Line(const std::string& text, int n) {
    size_t at = 0;
    for (int i = 0; i < n; ++i) at = text.find("\r\n", at) + 2;
    return text.substr(at, text.find("\r\n", at) - at);
}

std::string Padded(const char* name, size_t width) {
    return name + std::string(width - std::strlen(name), ' ');
}

TEST(RomInfoText, RomOnlyGameRow) {
    EXPECT_EQ(RomInfoText("TETRIS", "0000000000000001000a16bf"),
              "Name : TETRIS\r\n"
              "Licensee : " +
                  Padded("Nintendo", 20) +
                  "\r\n"
                  "GameBoy\r\n"
                  "Rom only\r\n"
                  "RomSize : 32kB / CRC : 0x16bf\r\n"
                  "Japanese\r\n");
}

TEST(RomInfoText, LicenseeLookupInBothTables) {
    // Old code 0x33 sends the lookup to the new table, keyed by the first four characters.
    EXPECT_EQ(Line(RomInfoText("X", Attributes({'0', '1', 0, 0, 0, 0, 1, 0x33, 0, 0, 0, 0})), 1),
              "Licensee : " + Padded("Nintendo", 21));
    EXPECT_EQ(Line(RomInfoText("X", Attributes({'E', 'L', 0, 0, 0, 0, 1, 0x33, 0, 0, 0, 0})), 1),
              "Licensee : " + Padded("Infogrames Japan", 21));
    EXPECT_EQ(Line(RomInfoText("X", Attributes({'3', '3', 0, 0, 0, 0, 1, 0x33, 0, 0, 0, 0})), 1),
              "Licensee : Unknown (0x3333)");
    EXPECT_EQ(Line(RomInfoText("X", Attributes({0, 0, 0, 0, 0, 0, 1, 0x00, 0, 0, 0, 0})), 1),
              "Licensee : Unknown (0x00)");
    // Keys compare without regard to letter case.
    EXPECT_EQ(Line(RomInfoText("X", "00000000000001F000000000"), 1),
              "Licensee : " + Padded("Accolade/A Wave", 20));
}

TEST(RomInfoText, HeaderFactsInPlainWords) {
    std::string text = RomInfoText("ABCDEFGHIJKLMNOPQ",
                                   Attributes({0, 0, 0x0F, 0xFC, 11, 4, 1, 1, 0, 0, 0xAB, 0xCD}));
    EXPECT_EQ(Line(text, 0), "Name : ABCDEFGHIJKLMNOP");
    EXPECT_EQ(Line(text, 2), "GameBoy / ColorGameBoy / SuperGameBoy");
    EXPECT_EQ(Line(text, 3), "Undefined RomInfo");
    EXPECT_EQ(Line(text, 4), "RomSize : Unknown / CRC : 0xabcd (I!/R!)");
    EXPECT_EQ(Line(text, 5), "RamSize : undefined");
    EXPECT_EQ(text.find("Japanese"), std::string::npos);

    text = RomInfoText("C", Attributes({0, 0, 0x06, 0x1F, 4, 3, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(Line(text, 2), "GameBoy / ColorGameBoy");
    EXPECT_EQ(Line(text, 3), "Pocker Camera");
    EXPECT_EQ(Line(text, 4), "RomSize : 512kB / CRC : 0x0000 (I!)");
    EXPECT_EQ(Line(text, 5), "RamSize : 32kB / 4 Banks");
    text = RomInfoText("C", Attributes({0, 0, 0x09, 0xFF, 0, 0, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(Line(text, 4), "RomSize : 32kB / CRC : 0x0000 (R!)");
    EXPECT_EQ(text.find("RamSize"), std::string::npos);
}

TEST(RomInfoText, DamagedAttributesNeverReadPastTheText) {
    EXPECT_EQ(RomInfoText("", "0"),
              "Name : \r\nLicensee : Unknown (0x)\r\nGameBoy\r\nRom only\r\n"
              "RomSize : 32kB / CRC : 0x\r\nJapanese\r\n");
    EXPECT_EQ(Line(RomInfoText("", "3132000000000033"), 1), "Licensee : Unknown (0x3132)");
    EXPECT_EQ(Line(RomInfoText("", "00000000000000000000001"), 4), "RomSize : 32kB / CRC : 0x001");
}

TEST(LicenseeTables, RowsAndLayout) {
    struct Table {
        const LicenseeRow* rows;
        size_t count, width, keyLength;
    };
    for (Table t : {Table{oldLicenseeTable, kOldLicenseeRows, kOldLicenseeNameWidth, 2},
                    Table{newLicenseeTable, kNewLicenseeRows, kNewLicenseeNameWidth, 4}}) {
        size_t n = 0;
        for (; std::strcmp(t.rows[n].key, "END") != 0; ++n) {
            SCOPED_TRACE(t.rows[n].key);
            EXPECT_EQ(std::strlen(t.rows[n].name), t.width);
            EXPECT_NE(t.rows[n].name[0], ' ');
            EXPECT_EQ(std::strlen(t.rows[n].key), t.keyLength);
            EXPECT_EQ(std::strspn(t.rows[n].key, "0123456789abcdef"), t.keyLength);
        }
        EXPECT_EQ(n, t.count);
    }
    for (size_t i = 1; i < kOldLicenseeRows; ++i)
        EXPECT_LT(std::strcmp(oldLicenseeTable[i - 1].key, oldLicenseeTable[i].key), 0);
    EXPECT_EQ(FindLicensee(oldLicenseeTable, "33", 2), nullptr);
    EXPECT_EQ(std::string(newLicenseeTable[kNewLicenseeRows - 1].key), "454c");  // EL, last row

    struct Telling {
        const LicenseeRow* table;
        const char* key;
        const char* name;
    };
    for (Telling t : {Telling{oldLicenseeTable, "01", "Nintendo"},
                      Telling{oldLicenseeTable, "18", "Hudson Soft"},
                      Telling{oldLicenseeTable, "79", "Accolade"},
                      Telling{oldLicenseeTable, "F0", "Accolade/A Wave"},
                      Telling{newLicenseeTable, "3031", "Nintendo"},
                      Telling{newLicenseeTable, "3138", "Hudson Soft Japan"},
                      Telling{newLicenseeTable, "3939", "Pack In Soft"},
                      Telling{newLicenseeTable, "454C", "Infogrames Japan"}}) {
        const char* found = FindLicensee(t.table, t.key, std::strlen(t.key));
        ASSERT_NE(found, nullptr) << t.key;
        EXPECT_EQ(std::string(found).substr(0, std::strlen(t.name) + 1), std::string(t.name) + " ");
    }
}

}  // namespace
}  // namespace zorvex

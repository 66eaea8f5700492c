#include "rom/licensee_tables.h"

#include <cctype>
#include <cstring>

namespace zorvex {

// Publisher names as commonly documented for the Game Boy licensee codes,
// shortened where needed to fit the padded width the Rom Info pane lays out.

// clang-format off
const LicenseeRow oldLicenseeTable[] = {
    {"Nintendo            ", "01"},
    {"Capcom              ", "08"},
    {"Hot-B               ", "09"},
    {"Jaleco              ", "0a"},
    {"Coconuts            ", "0b"},
    {"Hudson Soft         ", "18"},
    {"ITC Entertainment   ", "19"},
    {"Yanoman             ", "1a"},
    {"Seta                ", "29"},
    {"HectorSoft          ", "35"},
    {"Ubi Soft            ", "41"},
    {"Irem                ", "49"},
    {"Absolute            ", "50"},
    {"Acclaim             ", "51"},
    {"Activision          ", "52"},
    {"American Sammy      ", "53"},
    {"GameTek             ", "54"},
    {"Park Place          ", "55"},
    {"LJN                 ", "56"},
    {"Milton Bradley      ", "59"},
    {"Mindscape           ", "5a"},
    {"Romstar             ", "5b"},
    {"Naxat Soft          ", "5c"},
    {"Tradewest           ", "5d"},
    {"Titus               ", "60"},
    {"Virgin              ", "61"},
    {"Ocean               ", "67"},
    {"Electronic Arts     ", "69"},
    {"Elite Systems       ", "6e"},
    {"Electro Brain       ", "6f"},
    {"Infogrames          ", "70"},
    {"Interplay           ", "71"},
    {"Broderbund          ", "72"},
    {"Sculptured Soft     ", "73"},
    {"The Sales Curve     ", "75"},
    {"THQ                 ", "78"},
    {"Accolade            ", "79"},
    {"Triffix Entertain.  ", "7a"},
    {"Kemco               ", "7f"},
    {"Misawa              ", "80"},
    {"Bullet-Proof Soft   ", "8b"},
    {"Vic Tokai           ", "8c"},
    {"Ape                 ", "8e"},
    {"Yonezawa/S'pal      ", "96"},
    {"Arc                 ", "99"},
    {"Tecmo               ", "9b"},
    {"Imagineer           ", "9c"},
    {"Nova                ", "9f"},
    {"Konami              ", "a4"},
    {"Kawada              ", "a6"},
    {"Takara              ", "a7"},
    {"Technos Japan       ", "a9"},
    {"Broderbund          ", "aa"},
    {"Toei Animation      ", "ac"},
    {"Toho                ", "ad"},
    {"Namco               ", "af"},
    {"Acclaim             ", "b0"},
    {"ASCII or Nexoft     ", "b1"},
    {"Bandai              ", "b2"},
    {"HAL Laboratory      ", "b6"},
    {"SNK                 ", "b7"},
    {"Pony Canyon         ", "b9"},
    {"Culture Brain       ", "ba"},
    {"Sunsoft             ", "bb"},
    {"Sony Imagesoft      ", "bd"},
    {"Taito               ", "c0"},
    {"Kemco               ", "c2"},
    {"Squaresoft          ", "c3"},
    {"Data East           ", "c5"},
    {"Tonkin House        ", "c6"},
    {"Koei                ", "c8"},
    {"Ultra Games         ", "ca"},
    {"Vap                 ", "cb"},
    {"Use                 ", "cc"},
    {"Pony Canyon or FCI  ", "ce"},
    {"Sofel               ", "d1"},
    {"Sigma Enterprises   ", "d3"},
    {"Ask Kodansha        ", "d4"},
    {"Naxat Soft          ", "d6"},
    {"Copya Systems       ", "d7"},
    {"Banpresto           ", "d9"},
    {"Tomy                ", "da"},
    {"LJN                 ", "db"},
    {"NCS                 ", "dd"},
    {"Human               ", "de"},
    {"Towa Chiki          ", "e1"},
    {"Yutaka              ", "e2"},
    {"Varie               ", "e3"},
    {"Epoch               ", "e5"},
    {"Athena              ", "e7"},
    {"Natsume             ", "e9"},
    {"King Records        ", "ea"},
    {"Atlus               ", "eb"},
    {"Epic/Sony Records   ", "ec"},
    {"IGS                 ", "ee"},
    {"Accolade/A Wave     ", "f0"},
    {"                    ", "END"},
};

const LicenseeRow newLicenseeTable[] = {
    {"Nintendo             ", "3031"},  // 01
    {"Capcom               ", "3038"},  // 08
    {"Jaleco               ", "3041"},  // 0A
    {"Coconuts Japan       ", "3042"},  // 0B
    {"Starfish             ", "3048"},  // 0H
    {"Shingakusha/Zenkaken ", "304b"},  // 0K
    {"Hudson Soft Japan    ", "3138"},  // 18
    {"S.C.P.               ", "3139"},  // 19
    {"Yojigen              ", "3148"},  // 1H
    {"Kemco Japan          ", "3238"},  // 28
    {"Hect                 ", "3335"},  // 35
    {"Taito                ", "3337"},  // 37
    {"Laguna               ", "3338"},  // 38
    {"Ubi Soft             ", "3431"},  // 41
    {"Spectrum Holobyte    ", "3437"},  // 47
    {"Malibu Games         ", "3444"},  // 4D
    {"Eidos                ", "3446"},  // 4F
    {"Time Warner Interact.", "344b"},  // 4K
    {"Black Pearl          ", "3453"},  // 4S
    {"GT Interactive       ", "3458"},  // 4X
    {"Rare                 ", "3459"},  // 4Y
    {"Acclaim              ", "3531"},  // 51
    {"Activision           ", "3532"},  // 52
    {"Take 2/GameTek       ", "3534"},  // 54
    {"Mattel               ", "3538"},  // 58
    {"Mindscape            ", "3541"},  // 5A
    {"Midway/Tradewest     ", "3544"},  // 5D
    {"American Softworks   ", "3546"},  // 5F
    {"Majesco              ", "3547"},  // 5G
    {"3DO                  ", "3548"},  // 5H
    {"Vatical Entertainment", "3550"},  // 5P
    {"Microids             ", "3558"},  // 5X
    {"Titus                ", "3630"},  // 60
    {"Virgin Interactive   ", "3631"},  // 61
    {"LucasArts            ", "3634"},  // 64
    {"Ocean                ", "3637"},  // 67
    {"Electronic Arts      ", "3639"},  // 69
    {"Electro Brain        ", "3646"},  // 6F
    {"BBC                  ", "3648"},  // 6H
    {"Infogrames           ", "3730"},  // 70
    {"Interplay            ", "3731"},  // 71
    {"The Sales Curve      ", "3735"},  // 75
    {"THQ                  ", "3738"},  // 78
    {"Kemco                ", "3746"},  // 7F
    {"Tsukuda Original     ", "3837"},  // 87
    {"Bullet-Proof Soft    ", "3842"},  // 8B
    {"Vic Tokai            ", "3843"},  // 8C
    {"I'Max                ", "3846"},  // 8F
    {"Chunsoft             ", "3931"},  // 91
    {"Video System         ", "3932"},  // 92
    {"Pack In Soft         ", "3939"},  // 99
    {"Nichibutsu           ", "3941"},  // 9A
    {"Tecmo                ", "3942"},  // 9B
    {"Imagineer            ", "3943"},  // 9C
    {"Bottom Up            ", "3948"},  // 9H
    {"Konami               ", "4134"},  // A4
    {"Takara               ", "4137"},  // A7
    {"Namco                ", "4146"},  // AF
    {"J-Wing               ", "4148"},  // AH
    {"Acclaim Japan        ", "4230"},  // B0
    {"ASCII                ", "4231"},  // B1
    {"Bandai               ", "4232"},  // B2
    {"Enix                 ", "4234"},  // B4
    {"Culture Brain        ", "4241"},  // BA
    {"Sunsoft              ", "4242"},  // BB
    {"Magical              ", "4247"},  // BG
    {"Taito                ", "4330"},  // C0
    {"Koei                 ", "4338"},  // C8
    {"Meldac               ", "4344"},  // CD
    {"Pony Canyon          ", "4345"},  // CE
    {"Naxat                ", "4436"},  // D6
    {"Banpresto            ", "4439"},  // D9
    {"Tomy                 ", "4441"},  // DA
    {"NCS                  ", "4444"},  // DD
    {"Human Entertainment  ", "4445"},  // DE
    {"Altron               ", "4446"},  // DF
    {"Gaps                 ", "4448"},  // DH
    {"Shogakukan           ", "444a"},  // DJ
    {"Epoch                ", "4535"},  // E5
    {"Athena               ", "4537"},  // E7
    {"Natsume              ", "4539"},  // E9
    {"King Records         ", "4541"},  // EA
    {"Atlus                ", "4542"},  // EB
    {"Warashi              ", "304c"},  // 0L
    {"NEC InterChannel     ", "324b"},  // 2K
    {"Tam                  ", "324c"},  // 2L
    {"Jordan               ", "324d"},  // 2M
    {"Crave Entertainment  ", "345a"},  // 4Z
    {"Hasbro               ", "354b"},  // 5K
    {"NewKidCo             ", "354c"},  // 5L
    {"Metro3D              ", "354e"},  // 5N
    {"CyberFront           ", "384d"},  // 8M
    {"Hasbro Japan         ", "394c"},  // 9L
    {"Media Rings          ", "4147"},  // AG
    {"KID                  ", "414b"},  // AK
    {"Media Factory        ", "414c"},  // AL
    {"Compile              ", "424a"},  // BJ
    {"MTO                  ", "424c"},  // BL
    {"Boss Communications  ", "434a"},  // CJ
    {"Digital Kids         ", "444c"},  // DL
    {"Infogrames Japan     ", "454c"},  // EL
    {"                     ", "END"},
};
// clang-format on

static_assert(sizeof(oldLicenseeTable) / sizeof(oldLicenseeTable[0]) == kOldLicenseeRows + 1);
static_assert(sizeof(newLicenseeTable) / sizeof(newLicenseeTable[0]) == kNewLicenseeRows + 1);

const char* FindLicensee(const LicenseeRow* table, const char* text, size_t textLength) {
    for (const LicenseeRow* row = table; std::strcmp(row->key, "END") != 0; ++row) {
        size_t keyLength = std::strlen(row->key);
        if (keyLength > textLength) continue;
        bool same = true;
        for (size_t i = 0; i < keyLength && same; ++i) {
            same = std::tolower(static_cast<unsigned char>(row->key[i])) ==
                   std::tolower(static_cast<unsigned char>(text[i]));
        }
        if (same) return row->name;
    }
    return nullptr;
}

}  // namespace zorvex

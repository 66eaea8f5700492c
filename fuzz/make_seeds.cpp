// Writes the seed corpora of the fuzz targets into DIR/<target>/, built from
// the same kinds of input the tests use. Run by hand when a format grows:
//   build-fuzz/fuzz/fuzz_make_seeds fuzz/seeds
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/rom/loader_zip_writer.h"
#include "tests/support/rom_builder.h"

namespace {

using zorvex::test::RomBuilder;
using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

std::string gRoot;

void Seed(const std::string& target, const std::string& name, const Bytes& bytes) {
    fs::create_directories(gRoot + "/" + target);
    std::ofstream out(gRoot + "/" + target + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void Seed(const std::string& target, const std::string& name, const std::string& text) {
    Seed(target, name, Bytes(text.begin(), text.end()));
}

void RomListSeeds() {
    const std::string a =
        "ALPHA|32kB|alpha.gb|0badf00d|00000000000000010000aabb|alpha.bmp|"
        "00112233445566770000000000008000";
    const std::string b = "beta|64kB|beta.gbc|12345678|000002190101000100000000|beta.bmp|";
    Seed("rom_list", "two_records",
         ";Zorvex romlist file\r\n;romname|size\r\n" + a + "\r\n" + b + "\r\n");
    Seed("rom_list", "lf_blank_leading", ";c\n\n   " + a + "\n\r\n  " + b);
    Seed("rom_list", "bad_length", ";a\r\n;b\r\n" + a + "\r\nGAMMA||x.gb|0|0|x.bmp|\r\n");
    Seed("rom_list", "cut_record", ";a\n;b\n" + a + "\nGAMMA|32kB|g.gb|0|0|g.bmp\n");
}

struct Ips {
    Bytes bytes;
    explicit Ips(uint16_t imageLength) {
        bytes = {static_cast<uint8_t>(imageLength), static_cast<uint8_t>(imageLength >> 8)};
        Raw("PATCH");
    }
    Ips& Raw(const std::string& t) {
        bytes.insert(bytes.end(), t.begin(), t.end());
        return *this;
    }
    Ips& Offset(uint32_t o) {
        bytes.insert(bytes.end(), {static_cast<uint8_t>(o >> 16), static_cast<uint8_t>(o >> 8),
                                   static_cast<uint8_t>(o)});
        return *this;
    }
    Ips& Record(uint32_t o, const Bytes& d) {
        Offset(o);
        bytes.insert(bytes.end(),
                     {static_cast<uint8_t>(d.size() >> 8), static_cast<uint8_t>(d.size())});
        bytes.insert(bytes.end(), d.begin(), d.end());
        return *this;
    }
    Ips& Run(uint32_t o, uint16_t n, uint8_t v) {
        Offset(o);
        bytes.insert(bytes.end(), {0, 0, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), v});
        return *this;
    }
};

void IpsSeeds() {
    Seed("ips_patch", "records",
         Ips(0x200).Record(0x10, {1, 2, 3}).Record(0x1FF, {9}).Raw("EOF").bytes);
    Seed("ips_patch", "run", Ips(0x200).Run(0x40, 0x20, 0xAA).Raw("EOF").bytes);
    Seed("ips_patch", "out_of_range", Ips(0x40).Record(0x3F, {1, 2}).Raw("EOF").bytes);
    Seed("ips_patch", "no_end", Ips(0x40).Record(1, {9}).Raw("EO").bytes);
    Seed("ips_patch", "eof_offset", Ips(0x40).Record(0x454F46, {1}).Raw("EOF").bytes);
}

void ZipSeeds() {
    using zorvex::test::WriteZip;
    using zorvex::test::ZipMember;
    const fs::path tmp = fs::temp_directory_path() / "zorvex-make-seeds.zip";
    auto zipSeed = [&](const std::string& name, const std::vector<ZipMember>& members) {
        fs::remove(tmp);
        WriteZip(tmp.string(), members);
        std::ifstream in(tmp, std::ios::binary);
        Seed("zip_member", name, Bytes(std::istreambuf_iterator<char>(in), {}));
        fs::remove(tmp);
    };
    const Bytes rom = RomBuilder(0x8000).Title("ZIPPED").Fill(0x400, 0).Build();
    zipSeed("deflated_gb", {{"readme.txt", {'h', 'i'}}, {"game.gb", rom}});
    zipSeed("stored_gbc_and_srm", {{"GAME.GBC", Bytes(rom.begin(), rom.begin() + 0x800), true},
                                   {"game.srm", Bytes(0x2000, 0x5A), true}});
    zipSeed("claimed_size", {{"big.gb", Bytes(0x100, 1), true, 0x7FFFFFFF}});
    zipSeed("empty", {});
}

void EmuCfgSeeds() {
    Seed("emu_cfg", "two",
         "emu1title=Emu\r\nemu1name=emu.exe\r\nemu1preparam=-a\r\nemu1postparam=-b\r\n"
         "emu2title=Two\r\nemu2name=two.exe\r\nemu2preparam=-a\r\nemu2postparam=-b\r\n");
    Seed("emu_cfg", "first_occurrence",
         "emu1title=Alpha\nemu1name=first\r\njunk emu1preparam= -x \r\nemu1name=second\r\n"
         "emu1postparam=  --full");
    Seed("emu_cfg", "ten", [] {
        std::string t;
        for (int i = 1; i <= 10; ++i) {
            const std::string n = std::to_string(i);
            t += "emu" + n + "title=T" + n + "\r\nemu" + n + "name=p\r\nemu" + n +
                 "preparam=\r\nemu" + n + "postparam=%s\r\n";
        }
        return t;
    }());
}

void RomInfoSeeds() {
    Seed("rom_info", "tetris", "TETRIS\n0000000000000001000a16bf");
    Seed("rom_info", "full", "ABCDEFGHIJKLMNOPQ\n303100030403010133000000000000000000000000008000");
    Seed("rom_info", "colour", "C\n0000061f0403010100000000");
    Seed("rom_info", "odd_length", "X\n00000000000001F00");
}

// Bytes 0x100..0x14F of an image: what the header layout of the scan target takes.
Bytes HeaderOf(const Bytes& image) {
    return Bytes(image.begin() + 0x100, image.begin() + 0x150);
}

Bytes Game(const std::string& title, uint8_t ram, uint8_t romCode) {
    return RomBuilder(0x8000)
        .Title(title)
        .RomSizeCode(romCode)
        .RamSizeCode(ram)
        .CartType(0x1B)
        .Build();
}

void PackScanSeeds() {
    // Header layout on the 16M chip: the menu, then members one 32 KiB unit apart.
    Bytes pack = {1};
    const Bytes units[] = {HeaderOf(Game("DIZAVO MENU", 2, 0)),
                           HeaderOf(Game("ONE", 2, 0)),
                           HeaderOf(Game("TWO", 0, 0)),
                           HeaderOf(Game("THREE", 3, 1)),
                           Bytes(0x50, 0xFF),
                           HeaderOf(Game("FIVE", 1, 0))};
    for (const auto& u : units) pack.insert(pack.end(), u.begin(), u.end());
    Seed("pack_scan", "pack_16m", pack);
    Bytes small = {0};
    for (int i = 0; i < 3; ++i) {
        const Bytes h = HeaderOf(Game(i == 0 ? "DIZAVO MENU" : "BIG", 3, 0));
        small.insert(small.end(), h.begin(), h.end());
    }
    Seed("pack_scan", "too_many_4m", small);
    // Raw layout on the 64M chip: one game from offset 0.
    Bytes single = {2 | 4};
    const Bytes game = Game("SINGLE", 3, 0);
    single.insert(single.end(), game.begin(), game.begin() + 0x150);
    Seed("pack_scan", "single_64m", single);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SEED_DIR\n", argv[0]);
        return 2;
    }
    gRoot = argv[1];
    RomListSeeds();
    IpsSeeds();
    ZipSeeds();
    EmuCfgSeeds();
    RomInfoSeeds();
    PackScanSeeds();
    return 0;
}

#include "tests/support/rom_builder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zorvex::test {

const uint8_t RomBuilder::kLogo[48] = {
    0xCE, 0xED, 0x66, 0x66, 0xCC, 0x0D, 0x00, 0x0B, 0x03, 0x73, 0x00, 0x83, 0x00, 0x0C, 0x00, 0x0D,
    0x00, 0x08, 0x11, 0x1F, 0x88, 0x89, 0x00, 0x0E, 0xDC, 0xCC, 0x6E, 0xE6, 0xDD, 0xDD, 0xD9, 0x99,
    0xBB, 0xBB, 0x67, 0x63, 0x6E, 0x0E, 0xEC, 0xCC, 0xDD, 0xDC, 0x99, 0x9F, 0xBB, 0xB9, 0x33, 0x3E};

RomBuilder::RomBuilder(size_t size) : image_(size, 0) {
    // A little code-like content so that the image has no trailing fill by default.
    Pattern(0x150, size, 1);
    if (size > 0x100) image_[0x100] = 0x00, image_[0x101] = 0xC3;
    if (size > 0x103) image_[0x102] = 0x50, image_[0x103] = 0x01;
    if (size >= 0x150) {
        image_[0x14B] = 0x01;
    }
}

RomBuilder& RomBuilder::Title(const std::string& title) {
    for (size_t i = 0; i < 16; ++i) image_[0x134 + i] = i < title.size() ? title[i] : 0;
    return *this;
}
RomBuilder& RomBuilder::CartType(uint8_t type) {
    return Set(0x147, type);
}
RomBuilder& RomBuilder::RomSizeCode(uint8_t code) {
    return Set(0x148, code);
}
RomBuilder& RomBuilder::RamSizeCode(uint8_t code) {
    return Set(0x149, code);
}
RomBuilder& RomBuilder::Cgb(uint8_t flag) {
    return Set(0x143, flag);
}
RomBuilder& RomBuilder::Sgb(uint8_t flag) {
    return Set(0x146, flag);
}
RomBuilder& RomBuilder::NewLicensee(const char code[2]) {
    Set(0x144, static_cast<uint8_t>(code[0]));
    return Set(0x145, static_cast<uint8_t>(code[1]));
}
RomBuilder& RomBuilder::OldLicensee(uint8_t code) {
    return Set(0x14B, code);
}
RomBuilder& RomBuilder::Destination(uint8_t code) {
    return Set(0x14A, code);
}

RomBuilder& RomBuilder::Fill(size_t from, uint8_t value) {
    for (size_t i = from; i < image_.size(); ++i) image_[i] = value;
    return *this;
}

RomBuilder& RomBuilder::Pattern(size_t from, size_t to, uint32_t seed) {
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = from; i < to && i < image_.size(); ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        image_[i] = static_cast<uint8_t>(x >> 8);
    }
    return *this;
}

RomBuilder& RomBuilder::Set(size_t offset, uint8_t value) {
    if (offset < image_.size()) image_[offset] = value;
    return *this;
}

RomBuilder& RomBuilder::NoLogo() {
    logo_ = false;
    return *this;
}

RomBuilder& RomBuilder::KeepChecksums() {
    fixChecksums_ = false;
    return *this;
}

std::vector<uint8_t> RomBuilder::Build() const {
    std::vector<uint8_t> out = image_;
    if (out.size() >= 0x134 && logo_)
        std::copy(std::begin(kLogo), std::end(kLogo), out.begin() + 0x104);
    if (out.size() >= 0x150 && fixChecksums_) {
        out[0x14D] = HeaderChecksumOf(out);
        uint16_t sum = GlobalChecksumOf(out);
        out[0x14E] = static_cast<uint8_t>(sum >> 8);
        out[0x14F] = static_cast<uint8_t>(sum & 0xFF);
    }
    return out;
}

uint8_t RomBuilder::HeaderChecksumOf(const std::vector<uint8_t>& image) {
    // The platform's formula over 0x134..0x14C.
    uint8_t x = 0;
    for (size_t i = 0x134; i <= 0x14C; ++i) x = static_cast<uint8_t>(x - image[i] - 1);
    return x;
}

uint16_t RomBuilder::GlobalChecksumOf(const std::vector<uint8_t>& image) {
    uint32_t sum = 0;
    for (size_t i = 0; i < image.size(); ++i)
        if (i != 0x14E && i != 0x14F) sum += image[i];
    return static_cast<uint16_t>(sum);
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    auto parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "zorvex-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string TestRomDir() {
    const char* chosen = std::getenv("ZORVEX_TESTDATA_DIR");
    return std::string(chosen && *chosen ? chosen : ZORVEX_TESTDATA_DIR) + "/roms";
}

bool HaveTestRoms() {
    std::error_code ec;
    return std::filesystem::is_directory(TestRomDir(), ec);
}

}  // namespace zorvex::test

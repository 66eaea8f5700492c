// A pack of varied games, sent to the simulated card through the send job and
// read back bank by bank.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "common/file_io.h"
#include "library/rom_scan.h"
#include "pack/menu_program.h"
#include "pack/pack_builder.h"
#include "pack/pack_list.h"
#include "pack/pack_status.h"
#include "pack/pack_temp_path.h"
#include "ports/link_factory.h"
#include "rom/rom_image.h"
#include "sim/cartridge.h"
#include "tests/support/recording_ui.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

namespace fs = std::filesystem;
using test::RecordingMessageSink;
using test::TempDir;

TEST(PackEndToEnd, SentPackReadsBackFromTheCardUnchanged) {
    TempDir work;
    struct Restore {
        fs::path previous = fs::current_path();
        ~Restore() { fs::current_path(previous); }
    } restore;
    fs::current_path(work.path());
    test::WriteFile(kMenuProgramFile, MakeMenuProgram());

    // Games of the sizes and kinds homebrew comes in (16 KiB to 512 KiB, GB
    // and GBC, with and without save RAM), together too large for a 512 KiB
    // card, added as the desktop program's requester would.
    struct Game {
        const char* file;
        size_t size;
        uint8_t sizeCode, cartType, ramCode, cgb;
    };
    const Game games[] = {
        {"a16k.gb", 0x4000, 0, 0x00, 0, 0x00},    {"b32k.gb", 0x8000, 0, 0x00, 0, 0x00},
        {"c32k.gb", 0x8000, 0, 0x03, 1, 0x00},    {"d32k.gbc", 0x8000, 0, 0x1B, 2, 0x80},
        {"e64k.gb", 0x10000, 1, 0x01, 0, 0x00},   {"f64k.gb", 0x10000, 1, 0x13, 2, 0x00},
        {"g128k.gbc", 0x20000, 2, 0x19, 0, 0xC0}, {"h128k.gbc", 0x20000, 2, 0x1B, 2, 0x80},
        {"i256k.gb", 0x40000, 3, 0x03, 2, 0x00},  {"j512k.gb", 0x80000, 4, 0x1B, 3, 0x00},
    };
    std::vector<std::string> roms;
    uint32_t seed = 1;
    for (const Game& g : games) {
        std::string title = fs::path(g.file).stem().string();
        roms.push_back(work / (std::string("in/") + g.file));
        test::WriteFile(roms.back(), test::RomBuilder(g.size)
                                         .Title(title)
                                         .RomSizeCode(g.sizeCode)
                                         .CartType(g.cartType)
                                         .RamSizeCode(g.ramCode)
                                         .Cgb(g.cgb)
                                         .Pattern(0x150, g.size, ++seed)
                                         .Build());
    }
    RomListModel pack;
    RecordingMessageSink sink;
    for (const std::string& rom : roms) AddRomFile(rom, pack, true, sink);
    ASSERT_EQ(pack.Count(), static_cast<int>(roms.size()))
        << ::testing::PrintToString(sink.Texts());
    PackStatus status = UpdatePackStatus(pack);
    ASSERT_TRUE(status.sendEnabled) << status.caption;
    ASSERT_NE(status.verdict, PackVerdict::Card512K);  // large enough to use many banks

    // An 8 MiB card in the simulated machine.
    fs::create_directory(work / "card");
    {
        std::ofstream ini(work / "card/card.ini");
        ini << "[ports]\nbases=0x378\ncardPort=1\nepp=1\n[card]\nchip=64M\n";
    }
    NullMessageSink warnings;
    auto run = CreateSimulatedLinkRuntime(work / "card", warnings);
    ASSERT_TRUE(run->messageText.empty()) << run->messageText;
    if (!run->cartridge) {
        // A factory that leaves the slot empty: plug the configured card in.
        run->cartridge = std::make_unique<sim::Cartridge>(*sim::FindChip(run->cardConfig.chip));
        run->simPort->SetCartridge(run->cartridge.get());
    }
    CardLink& link = *run->link;

    fs::create_directory(work / "tmp");
    std::string temp = MakePackTempPath(work / "tmp");
    ASSERT_FALSE(temp.empty());
    test::RecordingProgress progress;
    JobMonitor monitor;
    PackBuildUi ui{sink, progress, monitor.cancel, {}, {}};
    SendResult job;
    ASSERT_TRUE(SendPack(temp, pack, ui, [&](const std::string& path) {
        job = link.SendJob(LoadSendImage(path), {}, &monitor);
    })) << ::testing::PrintToString(sink.Texts());
    ASSERT_EQ(job.result, 0) << job.text;

    std::vector<uint8_t> built = test::ReadFile(temp);
    ASSERT_EQ(built.size(), static_cast<size_t>(status.packKiB) * 1024);
    ASSERT_EQ(built.size() % kRomBankSize, 0u);

    const Detection opened = link.OpenCard();
    ASSERT_EQ(opened.result, 0) << opened.text;
    std::vector<uint8_t> card(built.size());
    for (size_t bank = 0; bank < built.size() / kRomBankSize; ++bank)
        link.ReadRomPages(static_cast<int>(bank), card.data() + bank * kRomBankSize, 64);
    link.ReleaseCard();
    EXPECT_TRUE(card == built);

    // The headers chain through the image in list order, as a reader of the
    // card walks it.
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&card[0x134]), 6), "DIZAVO");
    size_t at = size_t{0x8000} << card[0x148];
    for (int row = 0; row < pack.Count(); ++row) {
        ASSERT_LT(at + 0x150, card.size());
        ASSERT_TRUE(HasNintendoLogo(&card[at])) << row;
        EXPECT_EQ(card[at + 0x14D], test::RomBuilder::HeaderChecksumOf(std::vector<uint8_t>(
                                        card.begin() + static_cast<long>(at),
                                        card.begin() + static_cast<long>(at + 0x150))));
        at += size_t{0x8000} << card[at + 0x148];
    }
    EXPECT_EQ(at, card.size());
}

}  // namespace
}  // namespace zorvex

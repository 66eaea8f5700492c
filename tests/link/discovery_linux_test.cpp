// Port discovery from the Linux kernel's parport list, on a prepared /proc tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/linux_port_source.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

void AddPort(const test::TempDir& root, const std::string& name, const std::string& baseAddr) {
    std::filesystem::create_directories(root / name);
    std::ofstream(root / name + "/base-addr") << baseAddr;
}

TEST(DiscoveryLinux, KernelPortsGiveLptNumbersAndBases) {
    test::TempDir root;
    AddPort(root, "parport0", "888\t1912\n");  // base and ECR base, decimal
    AddPort(root, "parport1", "53264\t53256\n");
    AddPort(root, "parport7", "632\n");
    AddPort(root, "parport8", "956\n");    // LPT9: outside the table
    AddPort(root, "parport2", "0\n");      // no I/O base (not a PC-style port)
    AddPort(root, "parport3", "65534\n");  // registers would run past 0xFFFF
    AddPort(root, "parportx", "636\n");
    std::filesystem::create_directories(root / "default");
    std::filesystem::create_directories(root / "parport4");  // no base-addr file
    LinuxPortSource source(root.path());

    std::array<uint16_t, 9> table;
    table.fill(0xEEEE);
    int32_t count = -1;
    source.Discover(table, count);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[1], 0x378);
    EXPECT_EQ(table[2], 0xD010);
    EXPECT_EQ(table[8], 0x278);
    for (size_t n : {3, 4, 5, 6, 7}) EXPECT_EQ(table[n], 0) << n;

    const auto ports = source.Ports();
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].device, "parport0");
    EXPECT_EQ(ports[2].lpt, 8);
    EXPECT_EQ(ports[2].device, "parport7");
}

// Which EPP the kernel runs decides which of its writes the ppdev backend
// may count on: its modes list says whether the chip has EPP registers, and
// whether they are reached through an ECP chip's mode register.
TEST(DiscoveryLinux, ModesTellHowTheKernelRunsEpp) {
    test::TempDir root;
    const char* modes[] = {"PCSPP,TRISTATE,EPP\n", "PCSPP,TRISTATE,COMPAT,EPP,ECP,DMA\n",
                           "PCSPP,TRISTATE,COMPAT,ECP\n", "PCSPP,EPPX\n"};
    for (int k = 0; k < 4; ++k) {
        const std::string name = "parport" + std::to_string(k);
        AddPort(root, name, std::to_string(0x278 + 0x100 * k) + "\n");
        std::ofstream(root / name + "/modes") << modes[k];
    }
    const auto ports = LinuxPortSource(root.path()).Ports();
    ASSERT_EQ(ports.size(), 4u);
    const bool eppChip[] = {true, true, false, false};
    const bool ecpEpp[] = {false, true, false, false};
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(ports[k].eppChip, eppChip[k]) << modes[k];
        EXPECT_EQ(ports[k].ecpEpp, ecpEpp[k]) << modes[k];
    }
}

TEST(DiscoveryLinux, NoParportLayerMeansNoPorts) {
    test::TempDir root;
    for (const std::string& dir : {root / "missing", root.path()}) {
        LinuxPortSource source(dir);
        std::array<uint16_t, 9> table;
        table.fill(0xEEEE);
        int32_t count = -1;
        source.Discover(table, count);
        EXPECT_EQ(count, 0);
        for (auto base : table) EXPECT_EQ(base, 0);
    }
}

}  // namespace
}  // namespace zorvex

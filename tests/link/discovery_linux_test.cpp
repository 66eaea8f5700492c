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

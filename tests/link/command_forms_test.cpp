// Bus cycles and the four flash command forms, checked by the cartridge-bus
// cycles the simulated card issues.
#include <gtest/gtest.h>

#include "tests/support/sim_card_rig.h"

namespace zorvex::test {
namespace {

using C = BusCycle;

class CommandForms : public ::testing::TestWithParam<TransferMode> {
  protected:
    CommandForms() : rig(16, Engaged(GetParam())) { rig.Record(); }
    std::vector<BusCycle> Writes() const {
        std::vector<BusCycle> out;
        for (const auto& c : rig.bus.cycles)
            if (c.kind != C::Read) out.push_back(c);
        return out;
    }
    SimCardRig rig;
};

TEST_P(CommandForms, BankedCommandSelectsTheBankAndTheWindowAddress) {
    rig.link->bus().BankedCommand(0x5555, 0xAA);
    rig.link->bus().BankedCommand(0x2AAA, 0x55);
    const std::vector<BusCycle> expected = {{C::Write, 0x2000, 0x01},
                                            {C::Flash, 0x5555, 0xAA},
                                            {C::Write, 0x2000, 0x00},
                                            {C::Flash, 0x2AAA, 0x55}};
    EXPECT_EQ(Writes(), expected);
    // The flash cycle leaves single-cycle mode with register 3 selected.
    EXPECT_EQ(rig.port.card().mode(), 0x80);
    EXPECT_EQ(rig.port.card().selected(), 3);
}

TEST_P(CommandForms, BankedCommandWritesTheBankInBlockModeToo) {
    // After a block read the mode is still 0x81; the bank write must still land
    // at 0x2000 as a plain bus write.
    rig.link->bus().WriteRegister(2, 0x81);
    rig.link->bus().BankedCommand(0x7FFFF, 0x10);
    const std::vector<BusCycle> expected = {{C::Write, 0x2000, 0x1F}, {C::Flash, 0x7FFF, 0x10}};
    EXPECT_EQ(Writes(), expected);
}

TEST_P(CommandForms, DoubledCommandAddressesTwiceTheWordAddress) {
    rig.link->bus().DoubledCommand(0x5555, 0xAA);
    rig.link->bus().DoubledCommand(0x2AAA, 0x55);
    const std::vector<BusCycle> expected = {{C::Write, 0x2000, 0x02},
                                            {C::Flash, 0x6AAA, 0xAA},
                                            {C::Write, 0x2000, 0x01},
                                            {C::Flash, 0x5554, 0x55}};
    EXPECT_EQ(Writes(), expected);
}

TEST_P(CommandForms, LinearCommandWritesBothBankRegisters) {
    rig.link->bus().LinearCommand(0x7E0000, 0x20);
    rig.link->bus().LinearCommand(0, 0xFF);
    rig.link->bus().LinearCommand(0x12345, 0x70);  // bank 4, offset 0x2345
    const std::vector<BusCycle> expected = {
        {C::Write, 0x3000, 0x01}, {C::Write, 0x2000, 0xF8}, {C::Flash, 0x4000, 0x20},
        {C::Write, 0x3000, 0x00}, {C::Write, 0x2000, 0x00}, {C::Flash, 0x0000, 0xFF},
        {C::Write, 0x3000, 0x00}, {C::Write, 0x2000, 0x04}, {C::Flash, 0x6345, 0x70}};
    EXPECT_EQ(Writes(), expected);
}

TEST_P(CommandForms, DirectCommandTouchesNoBankRegister) {
    rig.link->bus().DirectCommand(0x5555, 0xAA);
    const std::vector<BusCycle> expected = {{C::Flash, 0x5555, 0xAA}};
    EXPECT_EQ(Writes(), expected);
}

TEST_P(CommandForms, SingleBusCycles) {
    rig.link->bus().BusWrite(0x2000, 0x05);
    rig.link->bus().BusWrite(0xA123, 0x42);  // bit 15 is not sent: lands at 0x2123
    rig.link->bus().SetBusAddress(0x4010);
    const uint8_t first = rig.link->bus().ReadHere();
    const uint8_t again = rig.link->bus().ReadHere();  // mode 0x80: the address stays
    rig.link->bus().WriteHere(0x03);
    const std::vector<BusCycle> expected = {{C::Write, 0x2000, 0x05},
                                            {C::Write, 0x2123, 0x42},
                                            {C::Read, 0x4010, first},
                                            {C::Read, 0x4010, again},
                                            {C::Write, 0x4010, 0x03}};
    EXPECT_EQ(rig.bus.cycles, expected);
}

INSTANTIATE_TEST_SUITE_P(Transports, CommandForms, ::testing::Values(TransferSpp, TransferEpp),
                         [](const auto& info) {
                             return info.param == TransferSpp ? "Spp" : "Epp";
                         });

}  // namespace
}  // namespace zorvex::test

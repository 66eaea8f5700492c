// Where CardLink says a card operation begins and ends on the port seam.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/message_sink.h"
#include "link/card_link.h"
#include "link/link_clock.h"
#include "link/port_discovery.h"
#include "sim/cartridge.h"
#include "sim/sim_parallel_port.h"

namespace zorvex {
namespace {

// The simulated port, with every bracket logged and every access checked to
// fall inside the bracket of its own port.
class BracketLog final : public PortIo {
  public:
    explicit BracketLog(sim::SimParallelPort& port) : port_(port) {}
    void Out(uint16_t address, uint8_t value) override {
        Check(address);
        port_.Out(address, value);
    }
    uint8_t In(uint16_t address) override {
        Check(address);
        return port_.In(address);
    }
    bool BeginOperation(uint16_t base) override {
        EXPECT_EQ(open_, 0) << "brackets nest";
        open_ = base;
        log.push_back("begin " + std::to_string(base));
        return true;
    }
    void EndOperation(uint16_t base) override {
        EXPECT_EQ(open_, base);
        open_ = 0;
        log.push_back("end " + std::to_string(base));
    }
    std::vector<std::string> log;

  private:
    void Check(uint16_t address) {
        EXPECT_TRUE(open_ != 0 && address >= open_ && address < open_ + 5)
            << "access at " << address << " outside its port's operation";
    }
    sim::SimParallelPort& port_;
    uint16_t open_ = 0;
};

struct Rig {
    Rig() { port.SetCartridge(&cart); }
    sim::Cartridge cart{*sim::FindChip(16)};
    sim::SimParallelPort port{sim::SimPortSetup{{0x378, 0x278, 0x3BC}, 3, true}};
    BracketLog io{port};
    ListPortSource ports{{0x378, 0x278, 0x3BC}};
    CountingClock clock;
    NullMessageSink warnings;
};

TEST(OperationBracket, EachEntryPointIsOneOperationAndTheScanMovesTheClaim) {
    Rig rig;
    CardLink link(rig.io, rig.ports, rig.clock, rig.warnings);
    EXPECT_EQ(rig.io.log, (std::vector<std::string>{"begin 888", "end 888"}));  // SelectPort(1)

    rig.io.log.clear();
    ASSERT_EQ(link.OpenCard().card.saveBanks(), 16);
    // Every port in turn, each taken while it is probed; the card's port stays
    // taken for the rest of the operation.
    EXPECT_EQ(rig.io.log, (std::vector<std::string>{"begin 888", "end 888", "begin 632", "end 632",
                                                    "begin 956", "end 956"}));

    // A caller's bracket holds the port once across several entry points.
    rig.io.log.clear();
    std::vector<uint8_t> bytes(kSramBankSize);
    {
        CardOperation operation(link.bus());
        ASSERT_EQ(link.OpenCard().card.saveBanks(), 16);
        link.ReadSramBank(0, bytes.data());
        link.WriteSramBank(1, bytes.data());
        link.ReleaseCard();
    }
    // Taken on the port selected last, then moved along the scan.
    EXPECT_EQ(rig.io.log,
              (std::vector<std::string>{"begin 956", "end 956", "begin 888", "end 888", "begin 632",
                                        "end 632", "begin 956", "end 956"}));
    link.ChoosePort(3);
    rig.io.log.clear();
    {
        CardOperation operation(link.bus());
        ASSERT_EQ(link.OpenCard().card.saveBanks(), 16);
        link.ReadSramBank(0, bytes.data());
        link.ReleaseCard();
    }
    EXPECT_EQ(rig.io.log, (std::vector<std::string>{"begin 956", "end 956"}));
}

}  // namespace
}  // namespace zorvex

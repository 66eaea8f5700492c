// How raw port accesses become libieee1284 calls, against a stand-in library.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/ieee1284_port_io.h"

namespace zorvex {
namespace {

// Records every call as text; answers reads from settable values.
class FakeLibrary final : public Ieee1284Calls {
  public:
    explicit FakeLibrary(std::vector<std::string>& log) : log_(log) {}
    Port Find(const std::string& device, uint16_t base) override {
        log_.push_back("find " + device + " " + std::to_string(base));
        return known ? static_cast<Port>(&token_) : nullptr;
    }
    int Open(Port, int flags) override {
        log_.push_back("open " + std::to_string(flags));
        return openResult;
    }
    int Close(Port) override {
        log_.push_back("close");
        return 0;
    }
    int Claim(Port) override {
        log_.push_back("claim");
        return 0;
    }
    void Release(Port) override { log_.push_back("release"); }
    void WriteData(Port, uint8_t v) override { log_.push_back("data " + Hex(v)); }
    int ReadData(Port) override { return dataValue; }
    int ReadStatus(Port) override { return statusValue; }
    void WriteControl(Port, uint8_t v) override { log_.push_back("control " + Hex(v)); }
    int ReadControl(Port) override { return controlValue; }
    ssize_t EppWriteAddr(Port, int flags, const char* b, size_t n) override {
        log_.push_back("epp-addr " + Hex(static_cast<uint8_t>(b[0])) + " n" + std::to_string(n) +
                       " f" + std::to_string(flags));
        return static_cast<ssize_t>(n);
    }
    ssize_t EppWriteData(Port, int flags, const char* b, size_t n) override {
        log_.push_back("epp-data " + Hex(static_cast<uint8_t>(b[0])) + " n" + std::to_string(n) +
                       " f" + std::to_string(flags));
        return static_cast<ssize_t>(n);
    }
    ssize_t EppReadData(Port, int flags, char* b, size_t n) override {
        log_.push_back("epp-read n" + std::to_string(n) + " f" + std::to_string(flags));
        if (eppReadResult == 1) b[0] = static_cast<char>(eppValue);
        return eppReadResult;
    }

    static std::string Hex(uint8_t v) {
        char text[8];
        std::snprintf(text, sizeof text, "%02x", v);
        return text;
    }
    bool known = true;
    int openResult = 0;
    int dataValue = 0, statusValue = 0, controlValue = 0;
    uint8_t eppValue = 0;
    ssize_t eppReadResult = 1;

  private:
    std::vector<std::string>& log_;
    int token_ = 0;
};

struct Rig {
    Rig() {
        auto fake = std::make_unique<FakeLibrary>(log);
        lib = fake.get();
        io = std::make_unique<Ieee1284PortIo>(
            std::vector<KernelPort>{{1, 0x378, "parport0"}, {2, 0x278, "parport1"}},
            std::move(fake));
    }
    std::vector<std::string> Take() { return std::exchange(log, {}); }
    std::vector<std::string> log;
    FakeLibrary* lib = nullptr;
    std::unique_ptr<Ieee1284PortIo> io;
};

using Log = std::vector<std::string>;

TEST(PortIeee1284, FirstAccessOpensExclusivelyAndClaims) {
    Rig rig;
    rig.io->Out(0x378, 0x5A);
    EXPECT_EQ(rig.Take(), (Log{"find parport0 888", "open 1", "claim", "data 5a"}));
    EXPECT_TRUE(rig.io->claimed());
    rig.io->Out(0x378, 0xA5);
    EXPECT_EQ(rig.Take(), (Log{"data a5"}));
}

TEST(PortIeee1284, WritesMapToLibraryCallsInIeee1284Polarity) {
    Rig rig;
    rig.io->Out(0x378, 0);
    rig.Take();
    // Control: nStrobe, nAutoFd and nSelectIn are inverted by the library.
    for (uint8_t hw : {0x00, 0x01, 0x09, 0x03, 0x02, 0x06}) rig.io->Out(0x37A, hw);
    EXPECT_EQ(rig.Take(), (Log{"control 0b", "control 0a", "control 02", "control 08", "control 09",
                               "control 0d"}));
    // The EPP time-out clear has no ppdev call.
    rig.io->Out(0x379, 0x01);
    EXPECT_TRUE(rig.Take().empty());
    // EPP cycles: one byte each, never blocking.
    rig.io->Out(0x37B, 0x12);
    rig.io->Out(0x37C, 0x34);
    EXPECT_EQ(rig.Take(), (Log{"epp-addr 12 n1 f1", "epp-data 34 n1 f1"}));
}

TEST(PortIeee1284, ReadsUndoTheLibraryPolarity) {
    Rig rig;
    rig.lib->statusValue = 0x78 ^ 0x80;  // Busy comes back inverted
    rig.lib->controlValue = 0x09 ^ 0x0B;
    rig.lib->dataValue = 0xC3;
    EXPECT_EQ(rig.io->In(0x379), 0x78);
    EXPECT_EQ(rig.io->In(0x37A), 0x09);
    EXPECT_EQ(rig.io->In(0x378), 0xC3);
    rig.lib->eppValue = 0x9E;
    EXPECT_EQ(rig.io->In(0x37C), 0x9E);
    rig.Take();
    rig.lib->eppReadResult = -3;  // time-out: an absent card reads as an open bus
    EXPECT_EQ(rig.io->In(0x37C), 0xFF);
    EXPECT_EQ(rig.Take(), (Log{"epp-read n1 f1"}));
    rig.lib->statusValue = -8;
    EXPECT_EQ(rig.io->In(0x379), 0xFF);
}

TEST(PortIeee1284, ReleasedStateGivesThePortBack) {
    Rig rig;
    rig.io->Out(0x37A, 0x01);
    rig.Take();
    rig.io->Out(0x37A, 0x04);  // end of a card operation
    EXPECT_EQ(rig.Take(), (Log{"control 0f", "release", "close"}));
    EXPECT_FALSE(rig.io->claimed());
    rig.io->Out(0x37A, 0x01);  // the next operation takes it again
    EXPECT_EQ(rig.Take(), (Log{"open 1", "claim", "control 0a"}));
}

TEST(PortIeee1284, OnePortHeldAtATime) {
    Rig rig;
    rig.io->Out(0x378, 1);
    rig.Take();
    rig.io->Out(0x278, 2);
    EXPECT_EQ(rig.Take(),
              (Log{"release", "close", "find parport1 632", "open 1", "claim", "data 02"}));
    // Addresses outside every known port are not passed on.
    rig.io->Out(0x3BC, 1);
    EXPECT_EQ(rig.io->In(0x3BD), 0xFF);
    EXPECT_TRUE(rig.Take().empty());
    rig.io.reset();
    EXPECT_EQ(rig.Take(), (Log{"release", "close"}));
}

TEST(PortIeee1284, UnopenablePortReadsOpenBusUntilTheNextOperation) {
    Rig rig;
    rig.lib->openResult = -8;
    EXPECT_EQ(rig.io->In(0x379), 0xFF);
    EXPECT_FALSE(rig.io->lastError().empty());
    EXPECT_NE(rig.io->lastError().find("parport0"), std::string::npos);
    rig.Take();
    rig.io->Out(0x378, 1);  // no retry inside the same operation
    EXPECT_EQ(rig.io->In(0x37C), 0xFF);
    EXPECT_TRUE(rig.Take().empty());
    rig.io->Out(0x37A, 0x04);
    rig.lib->openResult = 0;
    rig.io->Out(0x37A, 0x01);
    EXPECT_EQ(rig.Take(), (Log{"open 1", "claim", "control 0a"}));
}

}  // namespace
}  // namespace zorvex

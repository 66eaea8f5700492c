// Every protocol primitive's port trace, over SPP and over EPP, against the
// hand-written traces in golden/ (see golden/README.txt for their notation).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "tests/support/sim_card_rig.h"

namespace zorvex::test {
namespace {

const std::filesystem::path kGolden =
    std::filesystem::path(ZORVEX_SOURCE_DIR) / "tests" / "link" / "golden";
constexpr uint16_t kBase = 0x378;
const char* const kPortNames[] = {"data", "status", "control", "eppaddr", "eppdata"};

std::string Describe(const sim::PortAccess& a) {
    const unsigned offset = a.address - kBase;
    std::ostringstream out;
    out << (a.write ? "out " : "in ") << (offset < 5 ? kPortNames[offset] : "?");
    if (a.write)
        out << " 0x" << std::hex << std::uppercase << (a.value < 16 ? "0" : "") << +a.value;
    return out.str();
}

// Expands golden files into the accesses they stand for.
class GoldenReader {
  public:
    explicit GoldenReader(bool spp) : mode_(spp ? "spp" : "epp") {}

    // `line` is a golden line (a call, usually); failures name the file and line.
    std::vector<std::string> Expand(const std::string& line) {
        std::vector<std::string> out;
        std::vector<std::string> lines{line};
        Run(lines, 0, lines.size(), {}, out, "test case");
        return out;
    }
    std::string error;

  private:
    using Vars = std::map<std::string, std::string>;

    const std::vector<std::string>& Load(const std::string& name) {
        auto it = files_.find(name);
        if (it != files_.end()) return it->second;
        std::filesystem::path path = kGolden / mode_ / (name + ".txt");
        if (!std::filesystem::exists(path)) path = kGolden / "common" / (name + ".txt");
        std::ifstream in(path);
        if (!in) error = "no golden file " + name + ".txt";
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return files_[name] = lines;
    }

    static std::string Substitute(std::string text, const Vars& vars) {
        for (size_t at = text.find('{'); at != std::string::npos; at = text.find('{', at + 1)) {
            const size_t end = text.find('}', at);
            if (end == std::string::npos) break;
            auto it = vars.find(text.substr(at + 1, end - at - 1));
            if (it != vars.end()) text.replace(at, end - at + 1, it->second);
        }
        return text;
    }

    static std::string Hex(unsigned v) {
        char text[8];
        std::snprintf(text, sizeof text, "0x%02X", v);
        return text;
    }

    // The index just past the "}" closing the block that opens at `open`.
    static size_t BlockEnd(const std::vector<std::string>& lines, size_t open, size_t end) {
        int depth = 0;
        for (size_t i = open; i < end; ++i) {
            const std::string& l = lines[i];
            if (l.rfind("repeat", 0) == 0) ++depth;
            if (l == "}" && --depth == 0) return i + 1;
        }
        return end;
    }

    void Run(const std::vector<std::string>& lines, size_t from, size_t to, const Vars& vars,
             std::vector<std::string>& out, const std::string& where) {
        for (size_t i = from; i < to && error.empty(); ++i) {
            const std::string line = Substitute(lines[i], vars);
            std::istringstream words(line);
            std::string word;
            if (!(words >> word) || word[0] == '#') continue;
            if (word == "out" || word == "in") {
                std::string port, value;
                words >> port >> value;
                out.push_back(value.empty()
                                  ? word + " " + port
                                  : word + " " + port + " " + Hex(std::stoul(value, nullptr, 0)));
            } else if (word == "repeat") {
                std::vector<std::string> args;
                for (std::string a; words >> a && a != "{";) args.push_back(a);
                const size_t close = BlockEnd(lines, i, to);
                Vars inner = vars;
                const bool named = args.size() >= 3;
                const unsigned count = std::stoul(args[named ? 2 : 0], nullptr, 0);
                unsigned value = named ? std::stoul(args[1], nullptr, 0) : 0;
                const unsigned step = args.size() >= 4 ? std::stoul(args[3], nullptr, 0) : 1;
                for (unsigned n = 0; n < count; ++n, value += step) {
                    if (named) inner[args[0]] = Hex(value);
                    Run(lines, i + 1, close - 1, inner, out, where);
                }
                i = close - 1;
            } else {
                Vars args;
                for (std::string a; words >> a;) {
                    const size_t eq = a.find('=');
                    args[a.substr(0, eq)] = eq == std::string::npos ? "" : a.substr(eq + 1);
                }
                const auto& callee = Load(word);
                Run(callee, 0, callee.size(), args, out, word);
            }
        }
        (void)where;
    }

    std::string mode_;
    std::map<std::string, std::vector<std::string>> files_;
};

struct Case {
    const char* name;
    uint8_t chip;
    const char* golden;                      // the golden line the primitive must match
    std::function<void(SimCardRig&)> setup;  // runs before recording
    std::function<void(CardLink&)> primitive;
};

// Bank byte i = i & 0xFF, the data every bank-sized golden trace is written for.
const std::vector<uint8_t>& BankBytes() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> b(kRomBankSize);
        for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i);
        return b;
    }();
    return bytes;
}

void Identified(SimCardRig& rig) {
    ASSERT_EQ(rig.Identify(), 0);
}
void LayBank(SimCardRig& rig, int bank) {
    Identified(rig);
    std::copy(BankBytes().begin(), BankBytes().end(),
              rig.cart.chip().contents().begin() + bank * kRomBankSize);
}
// The chip rows' identification in table order, as detection runs it.
FlashType IdentifyRows(CardBus& bus) {
    NullMessageSink quiet;
    FlashSession session{bus, quiet};
    for (const FlashChipSpec& chip : kFlashChips) {
        IdReads reads;
        if (chip.programmer().Identify(session, reads)) return chip.type;
    }
    return FlashNone;
}

// The JEDEC chip erase, so that a poll has a busy chip to wait for.
constexpr std::pair<uint32_t, uint8_t> kChipErase[] = {
    {0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x80}, {0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x10}};

const Case kCases[] = {
    {"SelectRegister", 16, "select_register r=0x03", nullptr,
     [](CardLink& l) { l.bus().SelectRegister(3); }},
    {"WriteRegister", 16, "write_register r=0x01 v=0x5A", nullptr,
     [](CardLink& l) { l.bus().WriteRegister(1, 0x5A); }},
    {"WriteData", 16, "write_data v=0xA5", [](SimCardRig& r) { r.link->bus().SelectRegister(0); },
     [](CardLink& l) { l.bus().WriteData(0xA5); }},
    {"ReadData", 16, "read_data",
     [](SimCardRig& r) {
         r.link->bus().SelectRegister(0);
         r.link->bus().SetControl(0x00);
     },
     [](CardLink& l) { l.bus().ReadData(); }},
    {"EngageCard", 16, "engage_card", nullptr, [](CardLink& l) { l.bus().EngageCard(); }},
    {"ReleaseCard", 16, "release_card", nullptr, [](CardLink& l) { l.ReleaseCard(); }},
    {"ProbeLink", 16, "probe_link", nullptr,
     [](CardLink& l) { EXPECT_EQ(l.bus().ProbeLink(), 0); }},
    {"SetBusAddress", 16, "set_bus_address lo=0x34 hi=0x12", nullptr,
     [](CardLink& l) { l.bus().SetBusAddress(0x1234); }},
    {"BusWrite", 16, "bus_write lo=0x00 hi=0x20 v=0x05", nullptr,
     [](CardLink& l) { l.bus().BusWrite(0x2000, 5); }},
    {"ReadHere", 16, "read_here", nullptr, [](CardLink& l) { l.bus().ReadHere(); }},
    {"WriteHere", 16, "write_here v=0x07",
     [](SimCardRig& r) { r.link->bus().SetBusAddress(0x4000); },
     [](CardLink& l) { l.bus().WriteHere(7); }},
    {"DirectCommand", 4, "direct_command lo=0xAA hi=0x2A v=0x55", nullptr,
     [](CardLink& l) { l.bus().DirectCommand(0x2AAA, 0x55); }},
    {"BankedCommand", 4, "banked_command bank=0x01 hi=0x55 lo=0x55 v=0xAA", nullptr,
     [](CardLink& l) { l.bus().BankedCommand(0x5555, 0xAA); }},
    {"DoubledCommand", 16, "doubled_command bank=0x02 hi=0x6A lo=0xAA v=0xAA", nullptr,
     [](CardLink& l) { l.bus().DoubledCommand(0x5555, 0xAA); }},
    {"LinearCommand", 64, "linear_command top=0x01 bank=0xF8 hi=0x40 lo=0x00 v=0xFF", nullptr,
     [](CardLink& l) { l.bus().LinearCommand(0x7E0000, 0xFF); }},
    {"TogglePoll", 4, "toggle_poll",
     [](SimCardRig& r) {
         Identified(r);
         for (auto [a, v] : kChipErase) r.link->bus().BankedCommand(a, v);
     },
     [](CardLink& l) { EXPECT_EQ(TogglePoll(l.bus()), 0); }},
    {"StatusPoll16M", 16, "status_poll_16m",
     [](SimCardRig& r) {
         Identified(r);
         for (auto [a, v] : kChipErase) r.link->bus().DoubledCommand(a, v);
     },
     [](CardLink& l) {
         NullMessageSink quiet;
         FlashSession session{l.bus(), quiet};
         EXPECT_EQ(StatusPoll16M(session), 0);
     }},
    {"WaitReady64M", 64, "wait_ready_64m",
     [](SimCardRig& r) {
         Identified(r);
         r.link->bus().LinearCommand(0x20000, 0x20);
         r.link->bus().LinearCommand(0x20000, 0xD0);
     },
     [](CardLink& l) { EXPECT_EQ(WaitReady64M(l.bus()), 0); }},
    {"IdentifyFlash4M", 4, "identify_flash_4m", nullptr,
     [](CardLink& l) { EXPECT_EQ(IdentifyRows(l.bus()), Flash4M); }},
    {"IdentifyFlash16M", 16, "identify_flash_16m", nullptr,
     [](CardLink& l) { EXPECT_EQ(IdentifyRows(l.bus()), Flash16M); }},
    {"IdentifyFlash64M", 64, "identify_flash_64m", nullptr,
     [](CardLink& l) { EXPECT_EQ(IdentifyRows(l.bus()), Flash64M); }},
    {"WriteBank4M", 4, "write_bank_4m", Identified,
     [](CardLink& l) { EXPECT_EQ(l.WriteBank(5, BankBytes().data()), 0); }},
    {"WriteBank16M", 16, "write_bank_16m",
     [](SimCardRig& r) {
         Identified(r);
         ASSERT_EQ(r.link->EraseChip(), 0);
     },
     [](CardLink& l) { EXPECT_EQ(l.WriteBank(5, BankBytes().data()), 0); }},
    {"WriteBank64M", 64, "write_bank_64m", Identified,
     [](CardLink& l) { EXPECT_EQ(l.WriteBank(8, BankBytes().data()), 0); }},
    {"VerifyBank4M", 4, "verify_bank bank=0x05", [](SimCardRig& r) { LayBank(r, 5); },
     [](CardLink& l) { EXPECT_EQ(l.VerifyBank(5, BankBytes().data()), 0); }},
    {"VerifyBank16M", 16, "verify_bank bank=0x05", [](SimCardRig& r) { LayBank(r, 5); },
     [](CardLink& l) { EXPECT_EQ(l.VerifyBank(5, BankBytes().data()), 0); }},
    {"VerifyBank64M", 64, "verify_bank bank=0x05", [](SimCardRig& r) { LayBank(r, 5); },
     [](CardLink& l) { EXPECT_EQ(l.VerifyBank(5, BankBytes().data()), 0); }},
    {"ReadSramBank", 16, "read_sram_bank", nullptr,
     [](CardLink& l) {
         std::vector<uint8_t> bytes(kSramBankSize);
         l.ReadSramBank(2, bytes.data());
     }},
    // Save-RAM byte i = i & 0xFF: the first half of a ROM bank's.
    {"WriteSramBank", 16, "write_sram_bank", nullptr,
     [](CardLink& l) { l.WriteSramBank(2, BankBytes().data()); }},
    {"ReadRomPages", 16, "read_rom_pages", [](SimCardRig& r) { LayBank(r, 2); },
     [](CardLink& l) {
         std::vector<uint8_t> buffer(512);
         l.ReadRomPages(2, buffer.data(), 2);
         EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), BankBytes().begin()));
     }},
};

class GoldenTrace : public ::testing::TestWithParam<std::tuple<Case, uint8_t>> {};

TEST_P(GoldenTrace, MatchesTheHandWrittenTrace) {
    const Case& c = std::get<0>(GetParam());
    const bool spp = std::get<1>(GetParam()) == TransferSpp;
    SimCardRig rig(c.chip, Engaged(std::get<1>(GetParam())));
    rig.cart.chip().SetBusyReads({2, 2, 2});
    if (c.setup) c.setup(rig);
    ASSERT_FALSE(HasFatalFailure());
    rig.port.ClearTrace();
    rig.port.StartRecording();
    c.primitive(*rig.link);
    rig.port.StopRecording();

    GoldenReader reader(spp);
    const std::vector<std::string> expected = reader.Expand(c.golden);
    ASSERT_TRUE(reader.error.empty()) << reader.error;
    std::vector<std::string> actual;
    for (const auto& a : rig.port.trace()) actual.push_back(Describe(a));
    if (actual == expected) return;

    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    std::ostringstream diff;
    diff << c.name << " over " << (spp ? "SPP" : "EPP") << " differs from golden '" << c.golden
         << "' at access " << at << " (" << actual.size() << " accesses, golden has "
         << expected.size() << ")\n";
    const size_t from = at < 4 ? 0 : at - 4;
    for (size_t i = from; i < at + 6; ++i) {
        const std::string e = i < expected.size() ? expected[i] : "(end)";
        const std::string a = i < actual.size() ? actual[i] : "(end)";
        diff << (e == a ? "   " : " ! ") << i << ": golden " << e
             << (e == a ? "" : "  | actual " + a) << "\n";
    }
    ADD_FAILURE() << diff.str();
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Case, uint8_t>>& info) {
    return std::string(std::get<0>(info.param).name) +
           (std::get<1>(info.param) == TransferSpp ? "_Spp" : "_Epp");
}

INSTANTIATE_TEST_SUITE_P(Primitives, GoldenTrace,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Values(TransferSpp, TransferEpp)),
                         CaseName);

}  // namespace
}  // namespace zorvex::test

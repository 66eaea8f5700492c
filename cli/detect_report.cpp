#include "cli/detect_report.h"

#include <array>

#include "common/file_io.h"
#include "common/message_sink.h"
#include "link/card_link.h"
#include "link/card_registers.h"
#include "link/chip_programmer.h"
#include "link/flash_chips.h"

namespace zorvex::cli {

namespace {

// The echo probe of detection, step by step, keeping what came back.
bool Echo(CardBus& bus, bool spp, std::string& out) {
    bus.SetSpp(spp);
    bus.EngageCard();
    bus.WriteRegister(card_registers::kRegAddressHigh, card_registers::kEchoHigh);
    bus.WriteRegister(card_registers::kRegAddressLow, card_registers::kEchoLow);
    bus.SelectRegister(card_registers::kRegAddressHigh);
    bus.SetControl(card_registers::kControlRead);
    const uint8_t high = bus.ReadData();
    bus.SelectRegister(card_registers::kRegAddressLow);
    bus.SetControl(card_registers::kControlRead);
    const uint8_t low = bus.ReadData();
    bus.ReleaseCard();
    const bool ok = high == card_registers::kEchoHigh && low == card_registers::kEchoLow;
    out += Format("  %s echo: wrote %02x %02x, read back %02x %02x: %s\n", spp ? "SPP" : "EPP",
                  card_registers::kEchoHigh, card_registers::kEchoLow, high, low,
                  ok ? "ok" : "no answer");
    return ok;
}

// Asks the chip rows in table order, as detection does, until one answers:
// its chip, with what each row read (nothing for the rows after it).
FlashType Identify(CardBus& bus, std::array<IdReads, std::size(kFlashChips)>& reads) {
    NullMessageSink warnings;  // identification raises no warnings
    FlashSession session{bus, warnings};
    bus.EngageCard();
    FlashType chip = FlashNone;
    for (size_t row = 0; row < std::size(kFlashChips) && chip == FlashNone; ++row)
        if (kFlashChips[row].programmer().Identify(session, reads[row]))
            chip = kFlashChips[row].type;
    bus.ReleaseCard();
    return chip;
}

}  // namespace

std::string DetectReport(LinkRuntime& runtime) {
    CardLink& link = *runtime.link;
    std::string out = Format("access: %s\n", PortAccessName(runtime.access));
    if (!runtime.platformNote.empty()) out += runtime.platformNote + "\n";
    if (!runtime.accessNote.empty()) out += "note: " + runtime.accessNote + "\n";
    CardBus& bus = link.bus();
    if (link.PortCount() == 0) {
        out += "no parallel ports found\n";
        const std::string hint = runtime.portIo->AccessProblem(0);
        if (!hint.empty()) out += hint + "\n";
    }
    bool anyCard = false;
    for (int n = 1; n <= link.PortCount(); ++n) {
        const uint16_t base = link.PortBase(n);
        if (base == 0) continue;
        out += Format("LPT%d 0x%04x\n", n, base);
        link.ChoosePort(n);
        CardOperation operation(bus);
        const std::string problem = link.PortProblem();
        if (!problem.empty()) {
            out += "  port cannot be used: " + problem + "\n  verdict: port unusable\n";
            continue;
        }
        const bool spp = Echo(bus, true, out);
        const bool epp = base != card_registers::kSppOnlyBase && Echo(bus, false, out);
        if (base == card_registers::kSppOnlyBase) out += "  EPP echo: not tried at 0x3bc\n";
        if (!spp && !epp) {
            out += "  verdict: no card answers\n";
            continue;
        }
        bus.SetSpp(!epp);
        std::array<IdReads, std::size(kFlashChips)> reads{};
        const FlashType chip = Identify(bus, reads);
        const bool identified = chip != FlashNone;
        // Each family is asked in turn until one answers, so a family after
        // the one found was not asked.
        auto ids = [&reads](const char* family, size_t row) {
            const FlashChipSpec& expected = kFlashChips[row];
            std::string read;
            for (int i = 0; i < reads[row].count; ++i)
                read += Format(" %02x", reads[row].bytes[static_cast<size_t>(i)]);
            return Format("  %s id: expected %02x %02x, read%s\n", family, expected.manufacturerId,
                          expected.deviceId,
                          reads[row].count ? read.c_str() : " nothing (not asked)");
        };
        out += ids("4M", 0);
        out += ids("16M", 1);
        const IdReads& query64 = reads[2];
        if (query64.count == 0) {
            out += "  64M query: not asked\n";
        } else {
            std::string query;
            for (size_t i = 0; i < 16; ++i) query += Format(" %02x", query64.bytes[i]);
            out += Format("  64M query: expected %02x %02x, read%s\n",
                          kFlashChips[2].manufacturerId, kFlashChips[2].deviceId, query.c_str());
        }
        out += Format("  identification: %s\n",
                      identified ? Format("%dM flash", static_cast<int>(chip)).c_str()
                                 : "no flash chip answered");
        out += Format("  verdict: card answers in %s%s\n", epp ? "EPP" : "SPP",
                      identified ? "" : ", but its flash does not");
        anyCard = anyCard || identified;
    }
    out += anyCard ? "result: card found\n" : "result: no usable card\n";
    return out;
}

}  // namespace zorvex::cli

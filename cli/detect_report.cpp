#include "cli/detect_report.h"

#include "common/file_io.h"
#include "link/card_link.h"
#include "link/card_registers.h"
#include "link/flash_chips.h"

namespace zorvex::cli {

namespace {

constexpr uint8_t kEchoHigh = 0x12;  // into card register 1
constexpr uint8_t kEchoLow = 0x34;   // into card register 0

// The echo probe of detection, step by step, keeping what came back.
bool Echo(CardLink& link, bool spp, std::string& out) {
    link.sppMode = spp;
    link.EngageCard();
    link.WriteRegister(card_registers::kRegAddressHigh, kEchoHigh);
    link.WriteRegister(card_registers::kRegAddressLow, kEchoLow);
    link.SelectRegister(card_registers::kRegAddressHigh);
    link.SetControl(card_registers::kControlRead);
    const uint8_t high = link.ReadData();
    link.SelectRegister(card_registers::kRegAddressLow);
    link.SetControl(card_registers::kControlRead);
    const uint8_t low = link.ReadData();
    link.ReleaseCard();
    const bool ok = high == kEchoHigh && low == kEchoLow;
    out += Format("  %s echo: wrote %02x %02x, read back %02x %02x: %s\n", spp ? "SPP" : "EPP",
                  kEchoHigh, kEchoLow, high, low, ok ? "ok" : "no answer");
    return ok;
}

}  // namespace

std::string DetectReport(LinkRuntime& runtime) {
    CardLink& link = *runtime.link;
    std::string out = Format("access: %s\n", PortAccessName(runtime.access));
    if (!runtime.platformNote.empty()) out += runtime.platformNote + "\n";
    if (!runtime.accessNote.empty()) out += "note: " + runtime.accessNote + "\n";
    if (link.portCount == 0) {
        out += "no parallel ports found\n";
        const std::string hint = runtime.portIo->AccessProblem(0);
        if (!hint.empty()) out += hint + "\n";
    }
    bool anyCard = false;
    for (int n = 1; n <= link.portCount; ++n) {
        const uint16_t base = link.portTable[static_cast<size_t>(n)];
        if (base == 0) continue;
        out += Format("LPT%d 0x%04x\n", n, base);
        link.SelectPort(n);
        CardOperation operation(link);
        const std::string problem = link.PortProblem();
        if (!problem.empty()) {
            out += "  port cannot be used: " + problem + "\n  verdict: port unusable\n";
            continue;
        }
        const bool spp = Echo(link, true, out);
        const bool epp = base != card_registers::kSppOnlyBase && Echo(link, false, out);
        if (base == card_registers::kSppOnlyBase) out += "  EPP echo: not tried at 0x3bc\n";
        if (!spp && !epp) {
            out += "  verdict: no card answers\n";
            continue;
        }
        link.sppMode = !epp;
        link.EngageCard();
        const int identified = link.IdentifyFlash();
        link.ReleaseCard();
        // Each family is asked in turn until one answers, so a family after
        // the one found was not asked.
        auto ids = [](const char* family, const FlashChipSpec& chip,
                      const CardLink::JedecIdReads& reads) {
            std::string read;
            for (int i = 0; i < reads.count; ++i)
                read += Format(" %02x", reads.bytes[static_cast<size_t>(i)]);
            return Format("  %s id: expected %02x %02x, read%s\n", family, chip.manufacturerId,
                          chip.deviceId, reads.count ? read.c_str() : " nothing (not asked)");
        };
        out += ids("4M", ChipSpec(Flash4M), link.idReads4M);
        out += ids("16M", ChipSpec(Flash16M), link.idReads16M);
        if (identified == 0 && link.flashType != Flash64M) {
            out += "  64M query: not asked\n";
        } else {
            std::string query;
            for (size_t i = 0; i < 16; ++i) query += Format(" %02x", link.cfiQuery[i]);
            out += Format("  64M query: expected %02x %02x, read%s\n",
                          ChipSpec(Flash64M).manufacturerId, ChipSpec(Flash64M).deviceId,
                          query.c_str());
        }
        out += Format("  identification: %s\n", identified == 0
                                                    ? Format("%dM flash", link.flashType).c_str()
                                                    : "no flash chip answered");
        out += Format("  verdict: card answers in %s%s\n", epp ? "EPP" : "SPP",
                      identified == 0 ? "" : ", but its flash does not");
        anyCard = anyCard || identified == 0;
    }
    out += anyCard ? "result: card found\n" : "result: no usable card\n";
    return out;
}

}  // namespace zorvex::cli

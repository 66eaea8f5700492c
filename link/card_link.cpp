#include "link/card_link.h"

#include "common/file_io.h"

namespace zorvex {

CardLink::CardLink(PortCycles& io, const PortSource& ports, LinkClock& clock, MessageSink& warnings)
    : bus_(io, clock), ports_(ports), warnings_(warnings) {
    // A fresh link has no chip, scans all ports and probes in Auto mode; the
    // registers are those of port 1.
    DiscoverPorts();
    SelectPort(1);
}

CardLink::~CardLink() = default;

void CardLink::DiscoverPorts() {
    portTable_.fill(0);
    int32_t count = 0;
    ports_.Discover(portTable_, count);
    portTable_[0] = 0;
    // The menu and SelectPort address ports 1..portCount while the table is
    // indexed by LPT number. When the LPT numbers found are not exactly
    // 1..portCount (only LPT2, or one number reported twice) every found port
    // must still be reachable and no number may lead past the last one, so the
    // count becomes the highest LPT number that holds a port. Gaps keep base 0,
    // which is never accessed.
    int highest = 0;
    for (int n = 1; n < static_cast<int>(portTable_.size()); ++n) {
        if (portTable_[static_cast<size_t>(n)] != 0) highest = n;
    }
    portCount_ = highest;
}

uint16_t CardLink::PortBase(int n) const {
    if (n < 1 || n > portCount_ || n >= static_cast<int>(portTable_.size())) return 0;
    return portTable_[static_cast<size_t>(n)];
}

void CardLink::SelectPort(int n) {
    if (n < 1 || n > portCount_ || n >= static_cast<int>(portTable_.size())) return;
    portIndex_ = n;
    bus_.SelectBase(portTable_[static_cast<size_t>(n)]);
    CardOperation operation(bus_);
    Settle();
}

void CardLink::ChoosePort(int n) {
    if (n == 0) {
        portIndex_ = 0;
        scanAllPorts_ = true;  // the registers stay those of the selected port
        return;
    }
    // A port the machine does not have becomes port 1, also on a machine
    // without ports, so no message ever names a port that cannot exist.
    if (n < 0 || n > portCount_) n = 1;
    portIndex_ = n;
    scanAllPorts_ = false;
    SelectPort(n);
}

int CardLink::Settle() {
    return bus_.ChooseTransferMode(transferMode_);
}

void CardLink::ReleaseCard() {
    bus_.ReleaseCard();
}

// The LPT number of the port in use. With the "all ports" choice and a single
// port, the index stays 0 while the port itself is selected.
int CardLink::PortNumber() const {
    if (portIndex_ != 0) return portIndex_;
    for (size_t n = 1; n < portTable_.size(); ++n)
        if (portTable_[n] != 0 && portTable_[n] == bus_.base()) return static_cast<int>(n);
    return 0;
}

int32_t CardInfo::capacity() const {
    const FlashChipSpec* chip = chipSpec();
    return chip ? chip->capacity : ChipSpec(Flash64M).capacity;
}

int CardInfo::saveBanks() const {
    const FlashChipSpec* chip = chipSpec();
    return chip ? chip->saveBanks : 0;
}

std::string CardInfo::Text() const {
    return Format("LPT%d (%s, %dM)", port, spp ? "SPP" : "EPP", static_cast<int>(chip));
}

// The detection failure text, with a second line saying why the port could
// not be used when the failure was the port's and not the card's.
static std::string WithPortProblem(std::string text, const std::string& problem) {
    if (!problem.empty()) text += "\n" + problem;
    return text;
}

Detection CardLink::DetectCard(JobMonitor* monitor) {
    CardOperation operation(bus_);
    if (monitor) {
        monitor->percent = 0;
        monitor->cancel = false;
    }
    Detection found;

    if (scanAllPorts_ && portCount_ > 1) {
        bool any = false;
        std::string problems;
        for (int n = 1; n <= portCount_ && n < static_cast<int>(portTable_.size()); ++n) {
            if (portTable_[static_cast<size_t>(n)] == 0) continue;  // a gap: never accessed
            SelectPort(n);
            bus_.EngageCard();
            const int r = Settle();
            bus_.ReleaseCard();
            if (r == 0) {
                any = true;
                break;
            }
            const std::string problem = bus_.PortProblem();
            if (!problem.empty()) problems += (problems.empty() ? "" : "\n") + problem;
        }
        if (!any) {
            found.text = WithPortProblem("Could not detect Ombra Card on any Port", problems);
            return found;
        }
    }

    if (bus_.base() == 0) {
        // "Port 0" would name a port the machine does not have.
        if (portCount_ == 0) {
            found.text = WithPortProblem("Could not detect Ombra Card: no parallel port found",
                                         bus_.AccessProblem(0));
            return found;
        }
        found.text = Format("Could not detect Ombra Card on Port %d", portIndex_);
        return found;
    }
    bus_.EngageCard();
    if (Settle() != 0) {
        bus_.ReleaseCard();
        found.text = WithPortProblem(Format("Could not detect Ombra Card on Port %d", portIndex_),
                                     bus_.PortProblem());
        return found;
    }
    bus_.EngageCard();
    FlashSession session{bus_, warnings_, monitor};
    FlashType chip = FlashNone;
    for (size_t row = 0; row < std::size(kFlashChips); ++row) {
        if (kFlashChips[row].programmer().Identify(session, found.idReads[row])) {
            chip = kFlashChips[row].type;
            break;
        }
    }
    card_ = CardInfo{PortNumber(), bus_.base(), bus_.spp(), chip};
    if (chip == FlashNone) {
        bus_.ReleaseCard();
        found.text = Format("Flash memory not present on Ombra Card on Port %d", portIndex_);
        return found;
    }
    found.card = card_;
    found.result = 0;
    return found;  // left engaged for the caller
}

// --- Programming steps --------------------------------------------------------------

uint8_t CardLink::EraseChip(JobMonitor* monitor) {
    const FlashChipSpec* chip = card_.chipSpec();
    if (!chip) {
        warnings_.ShowMessage("eeprom type error!\a\n", "Warning");
        return 0xFF;
    }
    FlashSession session{bus_, warnings_, monitor};
    return chip->programmer().EraseChip(session);
}

uint8_t CardLink::WriteBank(int bank, const uint8_t* bytes, JobMonitor* monitor,
                            const BankWrite& how) {
    const FlashChipSpec* chip = card_.chipSpec();
    if (!chip) return 0xFF;
    FlashSession session{bus_, warnings_, monitor};
    return chip->programmer().WriteBank(session, bank, bytes, how);
}

uint8_t CardLink::VerifyBank(int bank, const uint8_t* bytes, std::string* error) {
    return zorvex::VerifyBank(bus_, bank, bytes, error);
}

void CardLink::ReadRomPages(int bank, uint8_t* buffer, int pageCount) {
    bus_.ReadRomPages(bank, buffer, pageCount);
}

}  // namespace zorvex

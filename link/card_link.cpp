#include "link/card_link.h"
#include "link/card_registers.h"

namespace zorvex {

using namespace card_registers;

namespace {

// What ProbeLink writes to the two address registers and expects back.
constexpr uint8_t kEchoHigh = 0x12;
constexpr uint8_t kEchoLow = 0x34;

// Status bits 3..6 carry a nibble; Busy (bit 7) and bits 0..2 do not.
uint8_t StatusNibble(uint8_t status) {
    return static_cast<uint8_t>((status >> 3) & 0x0F);
}

}  // namespace

CardLink::CardLink(PortCycles& io, const PortSource& ports, LinkClock& clock, MessageSink& warnings)
    : io_(io), ports_(ports), clock_(clock), warnings_(warnings) {
    // The member initialisers carry a fresh link's defaults (no flash chip,
    // no deep verify, 8 MiB capacity, all ports scanned, Auto transfer mode).
    DiscoverPorts();
    currentPortIndex = 0;
    SelectPort(1);
}

CardLink::~CardLink() = default;

void CardLink::DiscoverPorts() {
    portTable.fill(0);
    portCount = 0;
    ports_.Discover(portTable, portCount);
    portTable[0] = 0;
    // The menu and SelectPort address ports 1..portCount while the table is
    // indexed by LPT number. When the LPT numbers found are not exactly
    // 1..portCount (only LPT2, or one number reported twice) every found port
    // must still be reachable and no number may lead past the last one, so the
    // count becomes the highest LPT number that holds a port. Gaps keep base 0,
    // which is never accessed.
    int32_t highest = 0;
    for (int n = 1; n < static_cast<int>(portTable.size()); ++n) {
        if (portTable[static_cast<size_t>(n)] != 0) highest = n;
    }
    portCount = highest;
}

// --- Raw cycles ----------------------------------------------------------------

void CardLink::SetControl(uint8_t value) {
    io_.Write(currentPortBase, PortRegister::Control, value);
}

void CardLink::SelectRegister(uint8_t reg) {
    SetControl(kControlWrite);
    if (sppMode) {
        SetControl(kControlWrite);
        io_.Write(currentPortBase, PortRegister::Data, reg);
        SetControl(kControlAddrStrobe);
        SetControl(kControlWrite);
    } else {
        SetControl(kControlWrite);
        io_.Write(currentPortBase, PortRegister::EppAddress, reg);
    }
}

void CardLink::WriteRegister(uint8_t reg, uint8_t value) {
    if (sppMode) {
        SetControl(kControlWrite);
        io_.Write(currentPortBase, PortRegister::Data, reg);
        SetControl(kControlAddrStrobe);
        SetControl(kControlWrite);
        WriteData(value);
    } else {
        SetControl(kControlWrite);
        io_.Write(currentPortBase, PortRegister::EppAddress, reg);
        SetControl(kControlWrite);
        io_.Write(currentPortBase, PortRegister::EppData, value);
    }
}

void CardLink::WriteData(uint8_t value) {
    if (sppMode) {
        io_.Write(currentPortBase, PortRegister::Data, value);
        SetControl(kControlDataStrobe);
        SetControl(kControlWrite);
    } else {
        io_.Write(currentPortBase, PortRegister::EppData, value);
    }
}

uint8_t CardLink::ReadData() {
    if (!sppMode) return io_.Read(currentPortBase, PortRegister::EppData);
    SetControl(kControlRead);
    SetControl(kControlReadLow);
    const uint8_t low = io_.Read(currentPortBase, PortRegister::Status);
    SetControl(kControlReadHigh);
    const uint8_t high = io_.Read(currentPortBase, PortRegister::Status);
    SetControl(kControlRead);
    return static_cast<uint8_t>(StatusNibble(high) << 4 | StatusNibble(low));
}

void CardLink::WriteDataRun(const uint8_t* values, int count) {
    if (count <= 0) return;
    if (sppMode) {
        for (int i = 0; i < count; ++i) WriteData(values[i]);
    } else {
        io_.WriteEppData(currentPortBase, values, static_cast<size_t>(count));
    }
}

void CardLink::ReadDataRun(uint8_t* values, int count) {
    if (count <= 0) return;
    if (sppMode) {
        for (int i = 0; i < count; ++i) values[i] = ReadData();
    } else {
        io_.ReadEppData(currentPortBase, values, static_cast<size_t>(count));
    }
}

int CardLink::CompareDataRun(const uint8_t* expected, int count) {
    if (count <= 0) return -1;
    if (sppMode) {
        for (int i = 0; i < count; ++i)
            if (ReadData() != expected[i]) return i;
        return -1;
    }
    const size_t at =
        io_.ReadEppDataFirstDifference(currentPortBase, expected, static_cast<size_t>(count));
    return at == static_cast<size_t>(count) ? -1 : static_cast<int>(at);
}

// --- Card access -------------------------------------------------------------

void CardLink::EngageCard() {
    io_.Write(currentPortBase, PortRegister::Status, kClearEppTimeout);
    WriteRegister(kRegMode, kModeReleased);
    WriteRegister(kRegMode, kModeSingle);
}

void CardLink::ReleaseCard() {
    CardOperation operation(*this);
    WriteRegister(kRegMode, kModeReleased);
    SetControl(kControlReleased);
}

int CardLink::ProbeLink() {
    EngageCard();
    // Both echo values are written before either is read back, so a port that
    // merely returns the last byte written cannot pass.
    WriteRegister(kRegAddressHigh, kEchoHigh);
    WriteRegister(kRegAddressLow, kEchoLow);
    SelectRegister(kRegAddressHigh);
    SetControl(kControlRead);
    if (ReadData() != kEchoHigh) return 1;
    SelectRegister(kRegAddressLow);
    SetControl(kControlRead);
    if (ReadData() != kEchoLow) return 1;
    ReleaseCard();
    return 0;
}

int CardLink::ChooseTransferMode() {
    if (currentPortBase == 0) return 1;  // an empty table entry is never accessed
    if (transferMode == TransferAuto) {
        sppMode = true;
        const bool sppWorked = ProbeLink() == 0;
        if (dataPort == kSppOnlyBase) return sppWorked ? 0 : 1;
        sppMode = false;
        if (ProbeLink() == 0) return 0;  // EPP is preferred whenever both work
        if (sppWorked) {
            sppMode = true;
            ReleaseCard();
            return 0;
        }
        return 1;
    }
    sppMode = transferMode == TransferSpp;
    return ProbeLink();
}

void CardLink::SelectPort(int n) {
    if (n < 1 || n > portCount || n >= static_cast<int>(portTable.size())) return;
    currentPortIndex = static_cast<uint8_t>(n);
    currentPortBase = portTable[static_cast<size_t>(n)];
    dataPort = currentPortBase;
    statusPort = currentPortBase + 1u;
    controlPort = currentPortBase + 2u;
    eppAddressPort = currentPortBase + 3u;
    eppDataPort = currentPortBase + 4u;
    CardOperation operation(*this);
    if (claimedBase_ != currentPortBase) {
        ReleaseClaimedPort();
        ClaimSelectedPort();
    }
    ChooseTransferMode();
}

// --- Operation bracket ------------------------------------------------------------

void CardLink::BeginOperation() {
    if (operationDepth_++ == 0) ClaimSelectedPort();
}

void CardLink::EndOperation() {
    if (operationDepth_ == 0) return;
    if (--operationDepth_ == 0) ReleaseClaimedPort();
}

void CardLink::ClaimSelectedPort() {
    // A port with base 0 is never accessed, so there is nothing to take.
    if (currentPortBase == 0) return;
    claimedBase_ = currentPortBase;
    io_.BeginOperation(claimedBase_);
}

void CardLink::ReleaseClaimedPort() {
    if (claimedBase_ != 0) io_.EndOperation(claimedBase_);
    claimedBase_ = 0;
}

std::string CardLink::PortProblem() const {
    return currentPortBase == 0 ? std::string() : io_.AccessProblem(currentPortBase);
}

// --- Shared helpers --------------------------------------------------------------

RomImage CardLink::LoadRomImage(const std::string& path, int32_t& length, unsigned options) {
    return zorvex::LoadRomImage(path, length, options, messageText);
}

void CardLink::Warn(const std::string& text) {
    warnings_.ShowMessage(text, "Warning");
}

}  // namespace zorvex

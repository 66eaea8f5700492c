#include "link/card_bus.h"

#include "link/card_registers.h"

namespace zorvex {

using namespace card_registers;

namespace {

// Status bits 3..6 carry a nibble; Busy (bit 7) and bits 0..2 do not.
uint8_t StatusNibble(uint8_t status) {
    return static_cast<uint8_t>((status >> 3) & 0x0F);
}

}  // namespace

// --- Register cycles ------------------------------------------------------------

void CardBus::SetControl(uint8_t value) {
    Out(PortRegister::Control, value);
}

void CardBus::SelectRegister(uint8_t reg) {
    SetControl(kControlWrite);
    if (spp_) {
        SetControl(kControlWrite);
        Out(PortRegister::Data, reg);
        SetControl(kControlAddrStrobe);
        SetControl(kControlWrite);
    } else {
        SetControl(kControlWrite);
        Out(PortRegister::EppAddress, reg);
    }
}

void CardBus::WriteRegister(uint8_t reg, uint8_t value) {
    if (spp_) {
        SetControl(kControlWrite);
        Out(PortRegister::Data, reg);
        SetControl(kControlAddrStrobe);
        SetControl(kControlWrite);
        WriteData(value);
    } else {
        SetControl(kControlWrite);
        Out(PortRegister::EppAddress, reg);
        SetControl(kControlWrite);
        Out(PortRegister::EppData, value);
    }
}

void CardBus::WriteData(uint8_t value) {
    if (spp_) {
        Out(PortRegister::Data, value);
        SetControl(kControlDataStrobe);
        SetControl(kControlWrite);
    } else {
        Out(PortRegister::EppData, value);
    }
}

uint8_t CardBus::ReadData() {
    if (!spp_) return In(PortRegister::EppData);
    SetControl(kControlRead);
    SetControl(kControlReadLow);
    const uint8_t low = In(PortRegister::Status);
    SetControl(kControlReadHigh);
    const uint8_t high = In(PortRegister::Status);
    SetControl(kControlRead);
    return static_cast<uint8_t>(StatusNibble(high) << 4 | StatusNibble(low));
}

void CardBus::WriteDataRun(const uint8_t* values, int count) {
    if (count <= 0) return;
    if (spp_) {
        for (int i = 0; i < count; ++i) WriteData(values[i]);
    } else {
        io_.WriteEppData(base_, values, static_cast<size_t>(count));
    }
}

void CardBus::AddressRunAgain(RunStart start) {
    WriteRegister(kRegAddressHigh, start.high);
    WriteRegister(kRegAddressLow, start.low);
    WriteRegister(kRegMode, kModeBlock);
    SelectRegister(kRegData);
    SetControl(kControlRead);
}

void CardBus::ReadDataRun(uint8_t* values, int count, RunStart start) {
    if (count <= 0) return;
    if (spp_) {
        for (int i = 0; i < count; ++i) values[i] = ReadData();
        return;
    }
    if (io_.ReadEppDataFast(base_, values, static_cast<size_t>(count))) return;
    AddressRunAgain(start);
    io_.ReadEppData(base_, values, static_cast<size_t>(count));
}

int CardBus::CompareDataRun(const uint8_t* expected, int count, RunStart start) {
    if (count <= 0) return -1;
    if (spp_) {
        for (int i = 0; i < count; ++i)
            if (ReadData() != expected[i]) return i;
        return -1;
    }
    size_t at = 0;
    if (!io_.ReadEppDataFirstDifferenceFast(base_, expected, static_cast<size_t>(count), at)) {
        AddressRunAgain(start);
        at = io_.ReadEppDataFirstDifference(base_, expected, static_cast<size_t>(count));
    }
    return at == static_cast<size_t>(count) ? -1 : static_cast<int>(at);
}

// --- Card access -------------------------------------------------------------

void CardBus::EngageCard() {
    Out(PortRegister::Status, kClearEppTimeout);
    WriteRegister(kRegMode, kModeReleased);
    WriteRegister(kRegMode, kModeSingle);
}

void CardBus::ReleaseCard() {
    CardOperation operation(*this);
    WriteRegister(kRegMode, kModeReleased);
    SetControl(kControlReleased);
}

int CardBus::ProbeLink() {
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

int CardBus::ChooseTransferMode(uint8_t mode) {
    if (base_ == 0) return 1;  // an empty table entry is never accessed
    if (mode == TransferAuto) {
        spp_ = true;
        const bool sppWorked = ProbeLink() == 0;
        if (base_ == kSppOnlyBase) return sppWorked ? 0 : 1;
        spp_ = false;
        if (ProbeLink() == 0) return 0;  // EPP is preferred whenever both work
        if (sppWorked) {
            spp_ = true;
            ReleaseCard();
            return 0;
        }
        return 1;
    }
    spp_ = mode == TransferSpp;
    return ProbeLink();
}

// --- Operation bracket ------------------------------------------------------------

void CardBus::SelectBase(uint16_t base) {
    base_ = base;
    if (operationDepth_ > 0 && claimedBase_ != base_) {
        Unclaim();
        Claim();
    }
}

void CardBus::BeginOperation() {
    if (operationDepth_++ == 0) Claim();
}

void CardBus::EndOperation() {
    if (operationDepth_ == 0) return;
    if (--operationDepth_ == 0) Unclaim();
}

void CardBus::Claim() {
    // A port with base 0 is never accessed, so there is nothing to take.
    if (base_ == 0) return;
    claimedBase_ = base_;
    io_.BeginOperation(claimedBase_);
}

void CardBus::Unclaim() {
    if (claimedBase_ != 0) io_.EndOperation(claimedBase_);
    claimedBase_ = 0;
}

std::string CardBus::PortProblem() const {
    return base_ == 0 ? std::string() : io_.AccessProblem(base_);
}

// --- Reading ROM --------------------------------------------------------------------

void CardBus::ReadRomPages(int bank, uint8_t* buffer, int pageCount) {
    CardOperation operation(*this);
    if (pageCount > 0x4000 / 256) pageCount = 0x4000 / 256;
    BusWrite(kBusRomBankHigh, static_cast<uint8_t>(bank >> 8));
    BusWrite(kBusRomBankLow, static_cast<uint8_t>(bank & 0xFF));
    for (int p = 0; p < pageCount; ++p) {
        WriteRegister(kRegAddressHigh, PageHigh(bank, p));
        WriteRegister(kRegAddressLow, 0x00);
        WriteRegister(kRegMode, kModeBlock);
        SelectRegister(kRegData);
        SetControl(kControlRead);
        ReadDataRun(buffer, 256, RunStart{PageHigh(bank, p), 0x00});
        buffer += 256;
    }
}

}  // namespace zorvex

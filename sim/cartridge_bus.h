#pragma once

#include <cstdint>

namespace zorvex::sim {

// The Game Boy cartridge bus behind the card's register 3. The simulated
// parallel port's register file turns data cycles on register 3 into these
// calls according to the card's mode register:
//   0x80 single / 0x81 block (address advances): Read, or Write (mapper, save RAM)
//   0x82 flash write / 0x83 block flash write (address advances): Read, or FlashWrite
//   0x00 released: no bus cycle at all
class CartridgeBus {
  public:
    virtual ~CartridgeBus() = default;
    virtual uint8_t Read(uint16_t address) = 0;
    virtual void Write(uint16_t address, uint8_t value) = 0;
    virtual void FlashWrite(uint16_t address, uint8_t value) = 0;
    // The PC let go of the card (mode register 0): the end of every card
    // operation and the start of the next. A card kept on disk saves itself
    // here, so nothing written is lost if the program ends abnormally.
    virtual void Released() {}
};

// A cartridge slot with nothing in it: reads float high.
class EmptyBus final : public CartridgeBus {
  public:
    uint8_t Read(uint16_t) override { return 0xFF; }
    void Write(uint16_t, uint8_t) override {}
    void FlashWrite(uint16_t, uint8_t) override {}
};

}  // namespace zorvex::sim

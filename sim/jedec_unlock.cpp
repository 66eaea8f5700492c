#include "sim/jedec_unlock.h"

#include "sim/jedec_commands.h"

namespace zorvex::sim {

UnlockStep JedecUnlock::Take(uint32_t address, uint8_t value) {
    switch (step_) {
        case 0:
            if (address == jedec::kFirstAddress && value == jedec::Unlock1) {
                step_ = 1;
                return UnlockStep::Waiting;
            }
            return value == jedec::Reset ? UnlockStep::Reset : UnlockStep::Waiting;
        case 1:
            step_ = (address == jedec::kSecondAddress && value == jedec::Unlock2) ? 2 : 0;
            if (step_ == 0) eraseSetup_ = false;
            return UnlockStep::Waiting;
        default:
            step_ = 0;
            if (address != jedec::kFirstAddress) {
                eraseSetup_ = false;
                return UnlockStep::Waiting;
            }
            afterEraseSetup_ = eraseSetup_;
            eraseSetup_ = value == jedec::EraseSetup;
            return UnlockStep::Command;
    }
}

}  // namespace zorvex::sim

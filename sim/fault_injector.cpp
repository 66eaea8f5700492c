#include "sim/fault_injector.h"

#include "link/link_clock.h"

namespace zorvex::sim {

namespace {
constexpr uint64_t kLostAccessMicros = 1;

bool Chance(std::mt19937& rng, double probability) {
    if (probability <= 0.0) return false;
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng) < probability;
}
}  // namespace

FaultInjector::FaultInjector(uint32_t seed) : rng_(seed) {}

void FaultInjector::CorruptReads(uint32_t linear, int times) {
    if (times > 0) {
        corrupt_[linear] = times;
    } else {
        corrupt_.erase(linear);
    }
}

uint8_t FaultInjector::OnArrayRead(uint32_t linear, uint8_t value) {
    if (corrupt_.empty()) return value;
    auto it = corrupt_.find(linear);
    if (it == corrupt_.end()) return value;
    if (--it->second == 0) corrupt_.erase(it);
    ++corruptedReads_;
    const auto flip = static_cast<uint8_t>(std::uniform_int_distribution<int>(1, 255)(rng_));
    return static_cast<uint8_t>(value ^ flip);
}

bool FaultInjector::OnFlashWrite(uint32_t, uint8_t) {
    if (!Chance(rng_, dropProbability_)) return true;
    ++droppedWrites_;
    return false;
}

bool FaultInjector::FailProgram(uint32_t) {
    if (failPrograms_ <= 0) return false;
    --failPrograms_;
    return true;
}

bool FaultInjector::FailErase(uint32_t) {
    if (failErases_ <= 0) return false;
    --failErases_;
    return true;
}

FaultyPort::FaultyPort(PortIo& inner, uint32_t seed) : inner_(inner), rng_(seed) {}

void FaultyPort::UnplugAfter(uint64_t accesses, uint8_t floating) {
    unplugAt_ = accesses_ + accesses;
    floating_ = floating;
}

// A lost access still takes its time on the port: a chip busy while the card
// was out has moved on by the time it is back.
void FaultyPort::Out(uint16_t address, uint8_t value) {
    const bool gone = unplugged();
    ++accesses_;
    if (gone || Chance(rng_, dropProbability_)) {
        SimulatedTime::Advance(kLostAccessMicros);
        return;
    }
    inner_.Out(address, value);
}

uint8_t FaultyPort::In(uint16_t address) {
    const bool gone = unplugged();
    ++accesses_;
    if (gone) {
        SimulatedTime::Advance(kLostAccessMicros);
        return floating_;
    }
    return inner_.In(address);
}

}  // namespace zorvex::sim

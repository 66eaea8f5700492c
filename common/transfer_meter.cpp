#include "common/transfer_meter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace zorvex {

namespace {

constexpr int kBarWidth = 40;
constexpr int kMinBarWidth = 10;
// Below this a speed is mostly the noise of when the first update came.
constexpr double kMinMeasureSeconds = 0.2;

std::string Printf(const char* format, auto... values) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, values...);
    return buffer;
}

// Whole KiB as integers, anything else with one decimal.
std::string KiB(int64_t bytes) {
    if (bytes % 1024 == 0) return Printf("%lld", static_cast<long long>(bytes / 1024));
    return Printf("%.1f", static_cast<double>(bytes) / 1024);
}

std::string Duration(double seconds) {
    if (seconds < 60) return Printf("%.1f s", seconds);
    return FormatClock(seconds);
}

constexpr char kErase[] = "erase";

}  // namespace

std::string SizeText(int64_t bytes) {
    if (bytes >= (int64_t{1} << 20)) {
        std::string mib = Printf("%.2f", static_cast<double>(bytes) / (1 << 20));
        while (mib.back() == '0') mib.pop_back();
        if (mib.back() == '.') mib.pop_back();
        return mib + " MiB";
    }
    return KiB(bytes) + " KiB";
}

std::string DurationText(double seconds) {
    if (seconds < 60) return Printf("%.0f s", seconds);
    return FormatClock(seconds);
}

SecondsClock SteadyClock() {
    return [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
}

std::string FormatClock(double seconds) {
    const long long s = static_cast<long long>(std::max(0.0, seconds) + 0.5);
    if (s >= 3600) return Printf("%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return Printf("%lld:%02lld", s / 60, s % 60);
}

TransferMeter::TransferMeter(SecondsClock clock, int64_t totalWork)
    : clock_(std::move(clock)), started_(clock_()), totalWork_(totalWork) {}

void TransferMeter::Update(const std::string& phase, int64_t done, int64_t total,
                           int64_t workDone) {
    if (phase != phase_) {
        phase_ = phase;
        phaseStarted_ = clock_();
        phaseBase_ = done;
    }
    done_ = done;
    total_ = total;
    workDone_ = workDone;
}

void TransferMeter::Update(const TransferProgress& progress) {
    if (progress.totalWork > 0) totalWork_ = progress.totalWork;
    bank_ = progress.bank;
    banks_ = progress.banks;
    if (!progress.phase.empty())
        Update(progress.phase, progress.done, progress.total, progress.workDone);
}

int TransferMeter::percent() const {
    if (phase_ == kErase) {
        if (total_ <= 0) return 0;
        return static_cast<int>(std::clamp<int64_t>(done_ * 100 / total_, 0, 100));
    }
    if (totalWork_ <= 0) return 0;
    return static_cast<int>(std::clamp<int64_t>(workDone_ * 100 / totalWork_, 0, 100));
}

double TransferMeter::Speed() const {
    if (phase_ == kErase) return -1;
    const double seconds = clock_() - phaseStarted_;
    if (done_ <= phaseBase_ || seconds < kMinMeasureSeconds) return -1;
    return static_cast<double>(done_ - phaseBase_) / seconds;
}

std::string TransferMeter::SpeedText() const {
    const double speed = Speed();
    return speed < 0 ? "-- KiB/s" : Printf("%.1f KiB/s", speed / 1024);
}

std::string TransferMeter::LeftText() const {
    if (phase_ == kErase) {
        // Only the erase is known ahead; it may also run past its typical time.
        if (total_ <= 0) return "--:-- left";
        return FormatClock(static_cast<double>(std::max<int64_t>(total_ - done_, 0)) / 1000) +
               " left";
    }
    const double speed = Speed();
    if (workDone_ >= totalWork_) return FormatClock(0) + " left";
    if (speed > 0)
        return FormatClock(static_cast<double>(totalWork_ - workDone_) / speed) + " left";
    return "--:-- left";
}

std::string TransferMeter::PhaseText() const {
    const std::string of = Printf(" bank %d of %d", bank_ + 1, banks_);
    if (phase_ == kErase) return "Erasing the chip";
    if (phase_ == "write") return "Writing" + (banks_ > 0 ? of : "");
    if (phase_ == "verify") return "Verifying" + (banks_ > 0 ? of : "");
    if (phase_ == "read") return "Reading" + (banks_ > 0 ? of : "");
    if (phase_ == "compare") return "Comparing" + (banks_ > 0 ? of : "");
    return phase_;
}

std::string TransferMeter::Line(int columns) const {
    std::string amount;
    if (phase_ == kErase)
        amount = Printf("%.1f/%.1f s", static_cast<double>(done_) / 1000,
                        static_cast<double>(total_) / 1000);
    else
        amount = Printf("%lld/", static_cast<long long>(done_ / 1024)) + KiB(total_) + " KiB";
    const std::string after =
        Printf("] %3d%%  ", percent()) + amount + "  " + SpeedText() + "  " + LeftText();
    const std::string before = Printf("%-6s [", phase_.c_str());
    int width = kBarWidth;
    // The last column is left free: writing into it wraps some terminals.
    if (columns > 0)
        width = std::clamp(columns - 1 - static_cast<int>(before.size() + after.size()),
                           kMinBarWidth, kBarWidth);
    const int filled = percent() * width / 100;
    return before + std::string(static_cast<size_t>(filled), '#') +
           std::string(static_cast<size_t>(width - filled), ' ') + after;
}

std::string TransferMeter::Summary(const std::string& what, int64_t bytes) const {
    const double seconds = clock_() - started_;
    std::string text = KiB(bytes) + " KiB " + what + " in " + Duration(seconds);
    if (seconds > 0) text += Printf(", %.1f KiB/s", static_cast<double>(bytes) / 1024 / seconds);
    return text;
}

}  // namespace zorvex

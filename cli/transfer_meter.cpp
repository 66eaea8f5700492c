#include "cli/transfer_meter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace zorvex::cli {

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

}  // namespace

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

int TransferMeter::percent() const {
    if (totalWork_ <= 0) return 0;
    return static_cast<int>(std::clamp<int64_t>(workDone_ * 100 / totalWork_, 0, 100));
}

double TransferMeter::Speed() const {
    const double seconds = clock_() - phaseStarted_;
    if (done_ <= phaseBase_ || seconds < kMinMeasureSeconds) return -1;
    return static_cast<double>(done_ - phaseBase_) / seconds;
}

std::string TransferMeter::Line(int columns) const {
    const double speed = Speed();
    const std::string rate = speed < 0 ? "-- KiB/s" : Printf("%.1f KiB/s", speed / 1024);
    std::string left = "--:-- left";
    if (workDone_ >= totalWork_)
        left = FormatClock(0) + " left";
    else if (speed > 0)
        left = FormatClock(static_cast<double>(totalWork_ - workDone_) / speed) + " left";
    const std::string after = Printf("] %3d%%  ", percent()) +
                              Printf("%lld/", static_cast<long long>(done_ / 1024)) + KiB(total_) +
                              " KiB  " + rate + "  " + left;
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

}  // namespace zorvex::cli

#include "cli/progress_display.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace zorvex::cli {

namespace {

constexpr double kRedrawSeconds = 0.1;

// One line at a time is drawn on stderr.
bool gLineOpen = false;

int TerminalColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

}  // namespace

void BreakProgressLine() {
    if (!gLineOpen) return;
    std::fputc('\n', stderr);
    gLineOpen = false;
}

bool ProgressOnTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

ProgressDisplay::ProgressDisplay(int64_t totalWork) : totalWork_(totalWork) {
    if (ProgressOnTerminal() && totalWork != 0)
        meter_.emplace(clock_, std::max<int64_t>(totalWork, 0));
}

void ProgressDisplay::Show(const TransferProgress& progress) {
    if (!meter_ || progress.phase.empty()) return;
    if (progress.totalWork > 0) totalWork_ = progress.totalWork;
    const bool newPhase = progress.phase != meter_->phase();
    meter_->Update(progress);
    const double now = clock_();
    if (newPhase || lastDraw_ < 0 || now - lastDraw_ >= kRedrawSeconds) {
        lastDraw_ = now;
        Draw();
    }
}

void ProgressDisplay::Show(const std::string& phase, int64_t done, int64_t total,
                           int64_t workDone) {
    if (!meter_) return;
    const bool newPhase = phase != meter_->phase();
    meter_->Update(phase, done, total, workDone);
    const double now = clock_();
    if (newPhase || lastDraw_ < 0 || now - lastDraw_ >= kRedrawSeconds) {
        lastDraw_ = now;
        Draw();
    }
}

void ProgressDisplay::Draw() {
    std::string line = meter_->Line(TerminalColumns());
    const size_t length = line.size();
    // A shorter line (a narrower terminal, a shorter phase name) must not
    // leave the end of the longer one behind it. After a message the line
    // starts afresh below it.
    if (gLineOpen && length < lastLength_) line.append(lastLength_ - length, ' ');
    std::fprintf(stderr, "%s%s", gLineOpen ? "\r" : "", line.c_str());
    std::fflush(stderr);
    lastLength_ = length;
    gLineOpen = true;
}

void ProgressDisplay::Finish(bool ok, const std::string& phase, const std::string& what,
                             int64_t bytes) {
    if (!meter_) return;
    if (ok) {
        meter_->Update(phase, bytes, bytes, totalWork_);
        Draw();
        BreakProgressLine();
        std::fprintf(stderr, "%s\n", meter_->Summary(what, bytes).c_str());
    } else {
        BreakProgressLine();
    }
    std::fflush(stderr);
    meter_.reset();
}

}  // namespace zorvex::cli

// zorvex-cli send: writes one ROM image (plain or zipped) to the card, on a
// worker thread as the desktop program does, with a progress bar and Ctrl-C as
// Cancel.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "cli/card_session.h"
#include "cli/cli_command.h"
#include "link/card_link.h"

namespace {

constexpr char kUsage[] =
    "usage: zorvex-cli send FILE [--verify] [--port N] [--mode auto|spp|epp]\n";
constexpr int kBarWidth = 40;

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) {
    gInterrupted = 1;
}

// Ctrl-C asks the job to stop at the next bank. The handler is installed once:
// a second Ctrl-C ends the program the usual way.
class InterruptAsCancel {
  public:
    InterruptAsCancel() {
        gInterrupted = 0;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptAsCancel() { sigaction(SIGINT, &previous_, nullptr); }
    InterruptAsCancel(const InterruptAsCancel&) = delete;
    InterruptAsCancel& operator=(const InterruptAsCancel&) = delete;

  private:
    struct sigaction previous_ {};
};

void DrawBar(int percent) {
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    const int filled = percent * kBarWidth / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(kBarWidth - filled), ' ').c_str(), percent);
    std::fflush(stderr);
}

int RunSend(const std::vector<std::string>& args) {
    zorvex::cli::CardOptions options;
    std::string file;
    bool verify = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const int taken = zorvex::cli::TakeCardOption(args, i, options, "send");
        if (taken < 0) return 2;
        if (taken > 0) continue;
        if (args[i] == "--verify") {
            verify = true;
        } else if (file.empty() && args[i].rfind("--", 0) != 0) {
            file = args[i];
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (file.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    zorvex::cli::StderrMessages messages;
    auto runtime = zorvex::cli::OpenCardRuntime(options, messages);
    if (!runtime) return 1;
    zorvex::CardLink& link = *runtime->link;
    link.deepVerify = verify;

    InterruptAsCancel interrupts;
    const bool bar = ::isatty(STDERR_FILENO) != 0;
    std::atomic<bool> done{false};
    int result = -1;
    // The worker owns the card for the whole job; this thread only reads
    // progressPercent and raises cancelRequested, as the desktop program's
    // timer and Cancel button do.
    std::thread worker([&] {
        result = link.SendJob(file);
        done = true;
    });
    int shown = -1;
    while (!done) {
        // Detection clears cancelRequested, so the request is repeated until
        // the job ends.
        if (gInterrupted) link.cancelRequested = true;
        if (bar && link.progressPercent != shown) {
            shown = link.progressPercent;
            DrawBar(shown);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    worker.join();
    if (bar && shown >= 0) {
        if (result == 0) DrawBar(100);
        std::fputc('\n', stderr);
    }
    if (result != 0) {
        messages.ShowMessage(link.messageText, "Error");
        return 1;
    }
    return 0;
}

const bool registered = zorvex::cli::Register(
    {"send", "send FILE [--verify] [--port N] [--mode auto|spp|epp]   write a ROM to the card",
     &RunSend});

}  // namespace

// zorvex-cli send: writes one ROM image (plain or zipped) to the card, on a
// worker thread as the desktop program does, with a progress line on a
// terminal and Ctrl-C as Cancel.
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "cli/card_session.h"
#include "cli/cli_command.h"
#include "cli/progress_display.h"
#include "link/card_link.h"
#include "rom/rom_image.h"

namespace {

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

// The bytes the job writes: the image padded to whole 32 KiB, then cut to the
// size its content uses, as SendRomFile does. 0 when the file cannot be
// loaded or does not fit the card: the job then fails with its own message.
int64_t BytesToWrite(const std::string& file, int64_t capacity) {
    constexpr int64_t kSizeUnit = 0x8000;
    int32_t length = 0;
    std::string problem;
    zorvex::RomImage image = zorvex::LoadRomImage(file, length, zorvex::LoadFromZip, problem);
    if (!image || length <= 0 || length > capacity) return 0;
    const int64_t padded = (int64_t{length} + kSizeUnit - 1) / kSizeUnit * kSizeUnit;
    image.bytes().resize(static_cast<size_t>(padded), 0xFF);
    return std::min(padded, kSizeUnit << zorvex::UsedSizeCode(image.data(), image.length()));
}

// The job tells only its percent: the write runs from 0 to 100, or to 50 when
// the verify follows from 50 to 100. A 16M chip is erased as a whole before
// the first bank, while the percent still stands at 0.
void ShowSend(zorvex::cli::ProgressDisplay& progress, int percent, int64_t bytes, bool verify,
              bool erase) {
    if (erase && percent == 0) {
        progress.Show("erase", 0, bytes, 0);
        return;
    }
    const int64_t workDone = (verify ? 2 * bytes : bytes) * percent / 100;
    if (!verify || workDone < bytes)
        progress.Show("write", workDone, bytes, workDone);
    else
        progress.Show("verify", workDone - bytes, bytes, workDone);
}

zorvex::cli::CardOptions gOptions;
std::string gFile;
bool gVerify = false;

void DeclareSend(zorvex::cli::Arguments& arguments) {
    arguments.Positional("FILE", gFile, "a ROM image, or a .zip holding one");
    arguments.Flag("--verify", gVerify, "read every bank back after writing (Deep Verify)");
    zorvex::cli::DeclareCardOptions(arguments, gOptions);
}

int RunSend() {
    const zorvex::cli::CardOptions& options = gOptions;
    const std::string& file = gFile;
    const bool verify = gVerify;

    zorvex::cli::StderrMessages messages;
    auto runtime = zorvex::cli::OpenCardRuntime(options, messages);
    if (!runtime) return 1;
    zorvex::CardLink& link = *runtime->link;
    link.deepVerify = verify;

    InterruptAsCancel interrupts;
    int64_t bytes = 0;
    bool erase = false;
    if (zorvex::cli::ProgressOnTerminal()) {
        // The progress line needs the chip (a 16M one is erased first) and the
        // card's size, which only detection tells; the job detects again.
        if (link.DetectCard() == 0) {
            erase = link.flashType == zorvex::Flash16M;
            bytes = BytesToWrite(file, link.capacity);
            link.ReleaseCard();
        }
    }
    zorvex::cli::ProgressDisplay progress(verify ? 2 * bytes : bytes);
    std::atomic<bool> done{false};
    int result = -1;
    // The worker owns the card for the whole job; this thread only reads
    // progressPercent and raises cancelRequested, as the desktop program's
    // timer and Cancel button do.
    std::thread worker([&] {
        result = link.SendJob(file);
        done = true;
    });
    while (!done) {
        // Detection clears cancelRequested, so the request is repeated until
        // the job ends.
        if (gInterrupted) link.cancelRequested = true;
        ShowSend(progress, link.progressPercent, bytes, verify, erase);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    worker.join();
    progress.Finish(result == 0, verify ? "verify" : "write",
                    verify ? "written and verified" : "written", bytes);
    if (result != 0) {
        messages.ShowMessage(link.messageText, "Error");
        return 1;
    }
    return 0;
}

const bool registered =
    zorvex::cli::Register({"send", "write a ROM image to the card", &DeclareSend, &RunSend});

}  // namespace

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

zorvex::cli::CardOptions gOptions;
std::string gFile;
bool gVerify = false;
bool gSkipUnchanged = false;

void DeclareSend(zorvex::cli::Arguments& arguments) {
    arguments.Positional("FILE", gFile, "a ROM image, or a .zip holding one");
    arguments.Flag("--verify", gVerify, "read every bank back after writing (Deep Verify)");
    arguments.Flag("--skip-unchanged", gSkipUnchanged,
                   "read the card first and write only the banks that differ");
    zorvex::cli::DeclareCardOptions(arguments, gOptions);
}

int RunSend() {
    const bool verify = gVerify;
    zorvex::cli::CardSession session(gOptions);
    if (!session) return 1;
    zorvex::CardLink& link = session.link();
    const zorvex::SendImage image = zorvex::LoadSendImage(gFile);

    InterruptAsCancel interrupts;
    // The job reports its phase, bank and sizes as it goes (the desktop's
    // progress window shows the same report).
    zorvex::cli::ProgressDisplay progress(-1);
    zorvex::JobMonitor monitor;
    std::atomic<bool> done{false};
    zorvex::SendResult job;
    // The worker owns the card for the whole job; this thread only reads
    // the job's progress and raises its cancel, as the desktop program's
    // timer and Cancel button do.
    std::thread worker([&] {
        job = link.SendJob(image, zorvex::SendOptions{verify, gSkipUnchanged}, &monitor);
        done = true;
    });
    while (!done) {
        // Detection clears the cancel, so the request is repeated until the
        // job ends.
        if (gInterrupted) monitor.cancel = true;
        progress.Show(monitor.Progress());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    worker.join();
    progress.Show(monitor.Progress());  // where the job ended, however short it was
    progress.Finish(job.result == 0, verify ? "verify" : "write",
                    verify ? "written and verified" : "written", job.report.bytes);
    if (job.result == 0 && job.report.compared)
        std::fprintf(stderr, "%s\n", zorvex::UnchangedBanksText(job.report).c_str());
    if (job.result != 0) {
        session.messages.ShowMessage(job.text, "Error");
        // What the card holds now, when the job had already changed it.
        if (job.report.cardChanged)
            session.messages.ShowMessage(zorvex::SendResultText(job, 0), "Error");
        return 1;
    }
    return 0;
}

const bool registered =
    zorvex::cli::Register({"send", "write a ROM image to the card", &DeclareSend, &RunSend});

}  // namespace

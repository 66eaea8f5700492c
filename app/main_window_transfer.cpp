#include <QFileInfo>
#include <system_error>

#include "app/about_dialog.h"
#include "app/control_ids.h"
#include "app/main_window.h"
#include "app/rom_list_view.h"
#include "library/rom_scan.h"
#include "rom/rom_image.h"

namespace zorvex::app {

// --- Timers ---------------------------------------------------------------------
//
// Two timers share one tick handler and are told apart by identifier: the job
// timer (1, 100 ms) runs only while a transfer runs; the watch timer (2) ticks
// once at once for the start-up work and then every 1000 ms while nothing else
// runs. Every long or modal operation stops the watch timer first.

bool MainWindow::SetTimer(int id, int periodMs) {
    if (options_.failingTimers.count(id)) return false;
    QTimer* timer = id == kJobTimerId ? &jobTimer_ : id == kWatchTimerId ? &watchTimer_ : nullptr;
    if (!timer) return false;
    timer->start(periodMs);
    return true;
}

void MainWindow::KillTimer(int id) {
    if (id == kJobTimerId) jobTimer_.stop();
    if (id == kWatchTimerId) watchTimer_.stop();
}

bool MainWindow::TimerActive(int id) const {
    if (id == kJobTimerId) return jobTimer_.isActive();
    if (id == kWatchTimerId) return watchTimer_.isActive();
    return false;
}

int MainWindow::TimerPeriod(int id) const {
    if (id == kJobTimerId) return jobTimer_.interval();
    if (id == kWatchTimerId) return watchTimer_.interval();
    return -1;
}

MainWindow::WatchTimerPause::WatchTimerPause(MainWindow& window) : window_(window) {
    window_.KillTimer(kWatchTimerId);
}

MainWindow::WatchTimerPause::~WatchTimerPause() {
    window_.SetTimer(kWatchTimerId, kWatchTimerPeriod);
}

// --- The transfer job ------------------------------------------------------------------

void MainWindow::StartTransferJob(const std::string& fileName, const SendNeeds& needs) {
    KillTimer(kWatchTimerId);
    // A finished worker from the previous job is released here at the latest.
    if (job_.thread.joinable() && job_.done) job_.thread.join();
    // Loaded once, here: the progress window names the game from the start,
    // and the worker sends these bytes under the same name.
    job_.fileName = fileName;
    job_.image = LoadSendImage(fileName, needs);
    if (job_.image.name.empty())
        job_.image.name = QFileInfo(QString::fromStdString(fileName)).fileName().toStdString();
    job_.name = job_.image.name;
    job_.result = SendResult{};
    job_.meter.emplace(SteadyClock(), 0);
    job_.started = std::chrono::steady_clock::now();
    progress_->Open(nullptr);
    progress_->SetRange(0, 100);
    progress_->SetPos(0);
    monitor_.percent = 0;
    job_.done = false;
    if (!SetTimer(kJobTimerId, kJobTimerPeriod)) {
        job_.done = true;
        progress_->Close();
        ShowLastError();
        SetTimer(kWatchTimerId, kWatchTimerPeriod);
        return;
    }
    bool started = false;
    if (!options_.failThreadCreation) {
        try {
            // The worker calls the card link only through SendJob. Its only act
            // on the user interface is the error box, which the GUI thread shows
            // on its behalf while the worker waits.
            const SendOptions options{deepVerify_, skipUnchanged_};
            job_.thread = std::thread([this, options] {
                job_.result = link_.SendJob(job_.image, options, &monitor_);
                if (job_.result.result != 0) workerMessages_.ShowMessage(job_.result.text, "Error");
                job_.done = true;
            });
            started = true;
        } catch (const std::system_error& e) {
            errno = e.code().value();
        }
    } else {
        errno = EAGAIN;
    }
    if (!started) {
        KillTimer(kJobTimerId);
        job_.done = true;
        progress_->Close();
        ShowLastError();
        SetTimer(kWatchTimerId, kWatchTimerPeriod);
    }
}

void MainWindow::OnTick(int id) {
    if (id == kJobTimerId && !jobTickBusy_) {
        jobTickBusy_ = true;
        JobTick();
        jobTickBusy_ = false;
    }
    if (id == kWatchTimerId && !watchTickBusy_) {
        watchTickBusy_ = true;
        WatchTick();
        watchTickBusy_ = false;
    }
}

void MainWindow::JobTick() {
    if (!job_.done) {
        const TransferProgress now = monitor_.Progress();
        // The chip erase moves nothing over the cable; the bar shows how much
        // of its typical time has passed instead of standing at 0.
        if (now.phase == "erase" && job_.meter) {
            job_.meter->Update(now);
            progress_->SetPos(job_.meter->percent());
        } else {
            progress_->SetPos(monitor_.percent);
            if (job_.meter) job_.meter->Update(now);
        }
        if (job_.meter) {
            const std::string phase = job_.meter->phase();
            std::string rate;  // nothing to say before the first step
            if (phase == "erase")
                rate = "about " + job_.meter->LeftText();  // no bytes move while it erases
            else if (!phase.empty())
                rate = job_.meter->SpeedText() + ", " + job_.meter->LeftText();
            progress_->ShowJobDetails(QString::fromStdString(job_.name),
                                      phase.empty()
                                          ? QStringLiteral("Looking for the card")
                                          : QString::fromStdString(job_.meter->PhaseText()),
                                      QString::fromStdString(rate));
        }
        return;
    }
    KillTimer(kJobTimerId);
    if (job_.thread.joinable()) job_.thread.join();  // it has finished
    progress_->Close();                              // enables this window again
    SendResult result = job_.result;
    if (result.report.name.empty()) result.report.name = job_.name;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - job_.started).count();
    ShowResult(SendResultText(result, seconds));
    job_.image = SendImage{};  // the bytes are not needed after the job
    job_.meter.reset();
    SetTimer(kWatchTimerId, kWatchTimerPeriod);
}

void MainWindow::WatchTick() {
    LibraryScanUi ui{messages_, *progress_, monitor_.cancel, [this] { UpdateRomListCaption(); }};
    if (!firstTickDone) {
        KillTimer(kWatchTimerId);
        firstTickDone = true;
        StartupPictureDialog picture(this);
        prompts_.RunModal(picture);
        RefreshRomLibrary(kRomDirectory, romListFilePath, libraryRows_, ui);
        libraryView_->SelectRow(0);  // shows its Rom Info and screenshot
        SetTimer(kWatchTimerId, kWatchTimerPeriod);
    }
    if (changeSignalled_) {
        KillTimer(kWatchTimerId);
        changeSignalled_ = false;
        RefreshRomLibrary(kRomDirectory, romListFilePath, libraryRows_, ui);
        if (libraryRows_.Count() == 0) ClearRomInfo();
        SetTimer(kWatchTimerId, kWatchTimerPeriod);
    }
}

}  // namespace zorvex::app

// The window's first start on a folder of new ROMs, against the scan alone.
//
//   WindowFirstScan/files:N   a real MainWindow, shown, from Initialise to the end of
//                             its first watch tick: the start-up picture (answered at
//                             once), the scan of roms/ with the progress window shown,
//                             the list file written, the first row selected
//   ScanAlone/files:N         ScanRomDirectory on the same folder with no window
//
// N is 1,000, 5,000 and 20,000 valid 32 KiB images (the folders hold hard links
// to one set of generated files, which stay in the page cache). Target: the
// window within 3x of the scan alone, and the window's CPU time per file the
// same at 20,000 files as at 1,000.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QProgressBar>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <time.h>
#include <unistd.h>

#include "app/main_window.h"
#include "app/rom_list_view.h"
#include "library/rom_scan.h"
#include "link/card_link.h"
#include "link/link_clock.h"
#include "link/port_io.h"
#include "link/port_source.h"
#include "rom/rom_image.h"

namespace {

namespace fs = std::filesystem;
using namespace zorvex;

constexpr size_t kRomSize = 32 << 10;
constexpr int kMostFiles = 20000;

// A valid image: logo, a title that puts the row anywhere in the name order,
// random content, both checksums right.
std::vector<uint8_t> MakeRom(uint32_t seed) {
    std::vector<uint8_t> image(kRomSize);
    std::mt19937 random(seed);
    for (size_t i = 0; i < kRomSize; i += 4) {
        const uint32_t r = random();
        std::memcpy(&image[i], &r, 4);
    }
    std::copy(kNintendoLogo.begin(), kNintendoLogo.end(), image.begin() + 0x104);
    char title[17] = {};
    std::snprintf(title, sizeof title, "G%08X%05u", static_cast<unsigned>(random()), seed % 100000);
    std::memcpy(&image[0x134], title, 15);
    image[0x143] = 0;
    image[0x146] = 0;
    image[0x147] = 0;
    image[0x148] = 0;
    image[0x149] = 0;
    image[0x14D] = HeaderChecksum(image.data());
    image[0x14E] = image[0x14F] = 0;
    uint16_t sum = 0;
    for (uint8_t b : image) sum = static_cast<uint16_t>(sum + b);
    image[0x14E] = static_cast<uint8_t>(sum >> 8);
    image[0x14F] = static_cast<uint8_t>(sum);
    return image;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
    std::fclose(f);
}

// One working directory per size, each with roms/ and an emu.cfg without
// emulators (a missing one would show a box). The images are written once;
// each folder links to the first of them. Everything lives as long as the program.
class BenchFolders {
  public:
    BenchFolders() {
        root_ = (fs::temp_directory_path() / ("zorvex-window-bench-" + std::to_string(getpid())))
                    .string();
        fs::create_directories(root_ + "/images");
    }
    ~BenchFolders() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    // The working directory holding `files` new images in roms/.
    std::string Dir(int files) {
        const std::string dir = root_ + "/n" + std::to_string(files);
        if (fs::exists(dir)) return dir;
        while (static_cast<int>(images_.size()) < files) {
            char name[32];
            std::snprintf(name, sizeof name, "game%05zu.gb", images_.size());
            WriteBytes(root_ + "/images/" + name, MakeRom(static_cast<uint32_t>(images_.size())));
            images_.emplace_back(name);
        }
        fs::create_directories(dir + "/roms");
        WriteBytes(dir + "/emu.cfg", {'\r', '\n'});
        for (int i = 0; i < files; ++i) {
            const std::string& name = images_[static_cast<size_t>(i)];
            fs::create_hard_link(root_ + "/images/" + name, dir + "/roms/" + name);
        }
        return dir;
    }

  private:
    std::string root_;
    std::vector<std::string> images_;
};

BenchFolders& Folders() {
    static BenchFolders folders;
    return folders;
}

// CPU time of the calling thread: on a busy machine the wall time of both
// sides stretches, this does not.
double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A card link on one port where nothing answers; the scan never touches it.
class NoPorts final : public PortSource {
  public:
    void Discover(std::array<uint16_t, 9>& table, int32_t& count) const override {
        table[1] = 0x378;
        count = 1;
    }
};
class FloatingIo final : public PortIo {
  public:
    void Out(uint16_t, uint8_t) override {}
    uint8_t In(uint16_t) override { return 0xFF; }
};

// Return on the start-up picture at once; any box would be a fault here.
class BenchPrompts final : public app::UiPrompts {
  public:
    void ShowMessage(QWidget*, const std::string& text, const std::string&) override {
        ++messages;
        last = text;
    }
    std::vector<std::string> AskFiles(QWidget*, const FileRequest&) override { return {}; }
    int RunModal(QDialog&) override { return QDialog::Accepted; }
    bool AskYesNo(QWidget*, const std::string& text, const std::string&) override {
        ++messages;
        last = text;
        return false;
    }
    bool OpenFolder(const std::string&) override { return false; }
    int messages = 0;
    std::string last;
};

// Counts what the screen got: paints of the library list and progress-bar updates.
class PaintCounter final : public QObject {
  public:
    QWidget* list = nullptr;
    int paints = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched == list) ++paints;
        return false;
    }
};

// One window's first start on `dir`: constructed and shown outside the timing,
// then timed from Initialise to the end of the first watch tick. False when
// the window could not start or did not list every file.
struct FirstStart {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    int listPaints = 0;
    int rows = 0;
};

bool RunFirstStart(const QString& dir, BenchPrompts& prompts, FirstStart& result) {
    static NoPorts ports;
    static FloatingIo io;
    static CountingClock clock;
    QFile::remove(dir + "/zorvexroms.txt");
    QFile::remove(dir + "/settings.ini");
    app::GuiThreadMessageSink warnings(&prompts);
    CardLink link(io, ports, clock, warnings);
    app::MainWindowOptions options;
    options.settingsIniPath = dir + "/settings.ini";
    auto window = std::make_unique<app::MainWindow>(link, prompts, options);
    window->show();
    QCoreApplication::processEvents();  // the first paint of an empty window
    PaintCounter counter;
    counter.list = window->libraryView()->viewport();
    counter.list->installEventFilter(&counter);

    const double cpuStart = ThreadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    if (!window->Initialise()) return false;
    // The first watch tick does the whole start-up work inside one dispatch.
    while (!window->firstTickDone) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const auto end = std::chrono::steady_clock::now();
    result.cpuSeconds = ThreadCpuSeconds() - cpuStart;
    result.wallSeconds = std::chrono::duration<double>(end - start).count();
    result.listPaints = counter.paints;
    result.rows = window->libraryRows().Count();
    return true;
}

void WindowFirstScan(benchmark::State& state) {
    const int files = static_cast<int>(state.range(0));
    const QString previous = QDir::currentPath();
    BenchPrompts prompts;
    // Qt's one-time work (fonts, style, pictures) is done once per program, by
    // a first start on a few files that is not timed.
    static bool warmedUp = false;
    if (!warmedUp) {
        const QString small = QString::fromStdString(Folders().Dir(10));
        QDir::setCurrent(small);
        FirstStart ignored;
        RunFirstStart(small, prompts, ignored);
        warmedUp = true;
    }
    const QString dir = QString::fromStdString(Folders().Dir(files));
    QDir::setCurrent(dir);
    int paints = 0;
    double cpu = 0;
    for (auto _ : state) {
        FirstStart run;
        if (!RunFirstStart(dir, prompts, run)) {
            state.SkipWithError("the window did not start");
            break;
        }
        state.SetIterationTime(run.wallSeconds);
        cpu += run.cpuSeconds;
        paints = run.listPaints;
        if (run.rows != files) state.SkipWithError("not every file got a row");
    }
    if (prompts.messages != 0) state.SkipWithError(("a box was shown: " + prompts.last).c_str());
    state.counters["files"] = files;
    state.counters["list_paints"] = paints;
    state.counters["thread_cpu_ms"] = cpu * 1e3 / static_cast<double>(state.iterations());
    QDir::setCurrent(previous);
}

void ScanAlone(benchmark::State& state) {
    const int files = static_cast<int>(state.range(0));
    const std::string roms = Folders().Dir(files) + "/roms/";
    NullMessageSink messages;
    NullProgressSink progress;
    std::atomic<bool> cancel{false};
    LibraryScanUi ui{messages, progress, cancel, {}};
    RomListModel list;
    double cpu = 0;
    for (auto _ : state) {
        const double cpuStart = ThreadCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        list.Clear();
        ScanRomDirectory(roms, list, ui);
        const auto end = std::chrono::steady_clock::now();
        cpu += ThreadCpuSeconds() - cpuStart;
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    if (list.Count() != files) state.SkipWithError("not every file got a row");
    state.counters["files"] = files;
    state.counters["thread_cpu_ms"] = cpu * 1e3 / static_cast<double>(state.iterations());
}

// Each size: the scan alone, then the window, so both see the same warm cache.
// A folder is generated when first asked for, outside the timed part.
void Register() {
    for (int files : {1000, 5000, kMostFiles}) {
        const int iterations = files >= kMostFiles ? 2 : 3;
        benchmark::RegisterBenchmark("ScanAlone", ScanAlone)
            ->ArgName("files")
            ->Arg(files)
            ->UseManualTime()
            ->Iterations(iterations)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("WindowFirstScan", WindowFirstScan)
            ->ArgName("files")
            ->Arg(files)
            ->UseManualTime()
            ->Iterations(iterations)
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Register();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Library scan and list file speed.
//
//   ColdScan / ReadAndCrc      a scan of 2,000 new ROM files (about 256 MiB) against
//                              reading and CRC-32-ing the same files alone (target <= 1.3x)
//   WarmRescan / ListAndStat   a rescan of 10,000 unchanged files against listing the
//                              directory with stat alone (target <= 1.5x)
//   ReadRomList10k             reading a 10,000-row list file
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "library/rom_list_file.h"
#include "library/rom_scan.h"
#include "rom/rom_image.h"

namespace {

namespace fs = std::filesystem;
using namespace zorvex;

std::vector<uint8_t> MakeRom(size_t size, uint32_t seed) {
    std::vector<uint8_t> image(size);
    std::mt19937 random(seed);
    for (size_t i = 0; i < size; i += 4) {
        uint32_t r = random();
        std::memcpy(&image[i], &r, std::min<size_t>(4, size - i));
    }
    std::copy(kNintendoLogo.begin(), kNintendoLogo.end(), image.begin() + 0x104);
    std::snprintf(reinterpret_cast<char*>(&image[0x134]), 16, "BENCH%05u", seed);
    image[0x143] = 0;
    return image;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
    std::fclose(f);
}

// The generated directories live as long as the benchmark program.
class BenchFiles {
  public:
    BenchFiles() {
        root_ = (fs::temp_directory_path() / ("zorvex-library-bench-" + std::to_string(getpid())))
                    .string();
        fs::create_directories(root_ + "/big");
        fs::create_directories(root_ + "/many");
        // Mixed sizes averaging 128 KiB: 2,000 files, 256 MiB.
        const size_t sizes[] = {32 << 10, 64 << 10, 128 << 10, 288 << 10};
        for (int i = 0; i < 2000; ++i) {
            std::string path = root_ + "/big/" + std::to_string(i) + ".gb";
            WriteBytes(path, MakeRom(sizes[i % 4], static_cast<uint32_t>(i)));
            bigFiles_.push_back(path);
        }
        for (int i = 0; i < 10000; ++i)
            WriteBytes(root_ + "/many/" + std::to_string(i) + ".gb",
                       MakeRom(0x150, static_cast<uint32_t>(i)));
    }
    ~BenchFiles() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    std::string big() const { return root_ + "/big/"; }
    std::string many() const { return root_ + "/many/"; }
    std::string listFile() const { return root_ + "/zorvexroms.txt"; }
    const std::vector<std::string>& bigFiles() const { return bigFiles_; }

  private:
    std::string root_;
    std::vector<std::string> bigFiles_;
};

BenchFiles& Files() {
    static BenchFiles files;
    return files;
}

struct QuietUi {
    NullMessageSink messages;
    NullProgressSink progress;
    std::atomic<bool> cancel{false};
    LibraryScanUi ui{messages, progress, cancel, {}};
};

void ColdScan(benchmark::State& state) {
    Files();  // generated once, outside the timing
    QuietUi quiet;
    RomListModel list;
    for (auto _ : state) {
        list.Clear();
        ScanRomDirectory(Files().big(), list, quiet.ui);
    }
    if (list.Count() != 2000) state.SkipWithError("not every file got a row");
    state.SetBytesProcessed(state.iterations() * (256ll << 20));
}
BENCHMARK(ColdScan)->Unit(benchmark::kMillisecond)->Iterations(3);

void ReadAndCrc(benchmark::State& state) {
    Files();
    std::vector<uint8_t> buffer;
    for (auto _ : state) {
        uint32_t all = 0;
        for (const std::string& path : Files().bigFiles()) {
            int fd = ::open(path.c_str(), O_RDONLY);
            struct stat st {};
            ::fstat(fd, &st);
            buffer.resize(static_cast<size_t>(st.st_size));
            if (::read(fd, buffer.data(), buffer.size()) != st.st_size) std::abort();
            ::close(fd);
            all ^= Crc32(buffer.data(), buffer.size());
        }
        benchmark::DoNotOptimize(all);
    }
    state.SetBytesProcessed(state.iterations() * (256ll << 20));
}
BENCHMARK(ReadAndCrc)->Unit(benchmark::kMillisecond)->Iterations(3);

// For reference: the ROM check alone, without building rows.
void CheckOnly(benchmark::State& state) {
    Files();
    for (auto _ : state) {
        for (const std::string& path : Files().bigFiles()) {
            RomHeaderSummary summary;
            std::string message;
            benchmark::DoNotOptimize(CheckRomFile(path, summary, message));
        }
    }
    state.SetBytesProcessed(state.iterations() * (256ll << 20));
}
BENCHMARK(CheckOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

// For reference: the same with zlib's CRC-32.
void ReadAndZlibCrc(benchmark::State& state) {
    Files();
    std::vector<uint8_t> buffer;
    for (auto _ : state) {
        uLong all = 0;
        for (const std::string& path : Files().bigFiles()) {
            int fd = ::open(path.c_str(), O_RDONLY);
            struct stat st {};
            ::fstat(fd, &st);
            buffer.resize(static_cast<size_t>(st.st_size));
            if (::read(fd, buffer.data(), buffer.size()) != st.st_size) std::abort();
            ::close(fd);
            all ^= crc32(0, buffer.data(), static_cast<uInt>(buffer.size()));
        }
        benchmark::DoNotOptimize(all);
    }
    state.SetBytesProcessed(state.iterations() * (256ll << 20));
}
BENCHMARK(ReadAndZlibCrc)->Unit(benchmark::kMillisecond)->Iterations(3);

RomListModel& ManyRows() {
    static RomListModel list = [] {
        QuietUi quiet;
        RomListModel rows;
        ScanRomDirectory(Files().many(), rows, quiet.ui);
        return rows;
    }();
    return list;
}

void WarmRescan(benchmark::State& state) {
    QuietUi quiet;
    RomListModel& list = ManyRows();
    for (auto _ : state) ScanRomDirectory(Files().many(), list, quiet.ui);
    if (list.Count() != 10000) state.SkipWithError("rows were lost");
}
BENCHMARK(WarmRescan)->Unit(benchmark::kMillisecond);

void ListAndStat(benchmark::State& state) {
    Files();
    for (auto _ : state) {
        DIR* dir = ::opendir(Files().many().c_str());
        int fd = ::dirfd(dir);
        uint64_t total = 0;
        while (dirent* e = ::readdir(dir)) {
            struct stat st {};
            if (::fstatat(fd, e->d_name, &st, 0) == 0) total += static_cast<uint64_t>(st.st_size);
        }
        ::closedir(dir);
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(ListAndStat)->Unit(benchmark::kMillisecond);

void ReadRomList10k(benchmark::State& state) {
    NullMessageSink messages;
    WriteRomList(Files().listFile(), ManyRows(), messages);
    for (auto _ : state) {
        RomListModel list;
        ReadRomList(Files().listFile(), list, messages);
        if (list.Count() != 10000) state.SkipWithError("rows were lost");
    }
}
BENCHMARK(ReadRomList10k)->Unit(benchmark::kMillisecond);

void WriteRomList10k(benchmark::State& state) {
    NullMessageSink messages;
    for (auto _ : state) WriteRomList(Files().listFile(), ManyRows(), messages);
}
BENCHMARK(WriteRomList10k)->Unit(benchmark::kMillisecond);

// The row model alone: 10,000 rows inserted in an order unrelated to their Names,
// as a cold scan of a large directory inserts them.
void InsertRows10k(benchmark::State& state) {
    std::vector<std::string> names;
    std::mt19937 random(1);
    for (int i = 0; i < 10000; ++i) names.push_back("TITLE" + std::to_string(random()));
    for (auto _ : state) {
        RomListModel list;
        for (const std::string& name : names) {
            int row = list.InsertRow(name);
            for (int f = 1; f < kRomFieldCount; ++f) list.SetField(row, f, "0123456789abcdef0123");
        }
        benchmark::DoNotOptimize(list.Count());
    }
}
BENCHMARK(InsertRows10k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

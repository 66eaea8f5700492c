// CheckRomFile throughput next to zlib's crc32 alone over the same bytes.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "rom/rom_image.h"

namespace {

namespace fs = std::filesystem;
using zorvex::CheckRomFile;
using zorvex::RomHeaderSummary;

struct Corpus {
    std::vector<std::string> paths;
    std::vector<std::vector<uint8_t>> images;
    int64_t bytes = 0;
};

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An 8 MiB image with the logo and varied content, written once to a temp file.
const Corpus& LargeImage() {
    static Corpus corpus = [] {
        Corpus c;
        std::vector<uint8_t> image(8 << 20);
        uint32_t x = 2463534242u;
        for (auto& b : image) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b = static_cast<uint8_t>(x);
        }
        std::copy(zorvex::kNintendoLogo.begin(), zorvex::kNintendoLogo.end(),
                  image.begin() + 0x104);
        std::string path = (fs::temp_directory_path() / "zorvex-bench-8m.gb").string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        c.paths.push_back(path);
        c.bytes = static_cast<int64_t>(image.size());
        c.images.push_back(std::move(image));
        return c;
    }();
    return corpus;
}

const Corpus& RealRoms() {
    static Corpus corpus = [] {
        Corpus c;
        const char* chosen = std::getenv("ZORVEX_TESTDATA_DIR");
        std::string dir = std::string(chosen && *chosen ? chosen : ZORVEX_TESTDATA_DIR) + "/roms";
        std::error_code ec;
        // The real ROMs are optional: without them the corpus stays empty.
        for (auto& entry : fs::directory_iterator(dir, ec)) {
            auto ext = entry.path().extension().string();
            if (ext != ".gb" && ext != ".gbc") continue;
            c.paths.push_back(entry.path().string());
            c.images.push_back(ReadAll(entry.path().string()));
            c.bytes += static_cast<int64_t>(c.images.back().size());
        }
        return c;
    }();
    return corpus;
}

void RunCheck(benchmark::State& state, const Corpus& corpus) {
    RomHeaderSummary summary;
    std::string message;
    for (auto _ : state) {
        for (auto& path : corpus.paths) {
            if (!CheckRomFile(path, summary, message)) state.SkipWithError(message.c_str());
            benchmark::DoNotOptimize(summary);
        }
    }
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
}

void RunCrc(benchmark::State& state, const Corpus& corpus) {
    for (auto _ : state) {
        for (auto& image : corpus.images) {
            uLong crc = crc32_z(0L, image.data(), image.size());
            benchmark::DoNotOptimize(crc);
        }
    }
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
}

void BM_CheckRomFile_8MiB(benchmark::State& state) {
    RunCheck(state, LargeImage());
}
void BM_Crc32Alone_8MiB(benchmark::State& state) {
    RunCrc(state, LargeImage());
}
void BM_CheckRomFile_RealRoms(benchmark::State& state) {
    if (RealRoms().paths.empty()) return state.SkipWithError("no real test ROMs found");
    RunCheck(state, RealRoms());
}
void BM_Crc32Alone_RealRoms(benchmark::State& state) {
    if (RealRoms().paths.empty()) return state.SkipWithError("no real test ROMs found");
    RunCrc(state, RealRoms());
}

BENCHMARK(BM_CheckRomFile_8MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Crc32Alone_8MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckRomFile_RealRoms)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Crc32Alone_RealRoms)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

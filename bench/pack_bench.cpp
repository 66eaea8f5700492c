// Building an 8 MiB DIZavo next to plainly copying the same member files into
// one file: the builder's cost beyond the copy is the header fitting and
// checksum pass over each member.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/progress_sink.h"
#include "pack/menu_program.h"
#include "pack/pack_builder.h"
#include "rom/rom_image.h"

namespace {

namespace fs = std::filesystem;

struct PackCorpus {
    fs::path dir;
    // Seven 1 MiB games and five from 512 KiB down to 32 KiB: with the menu,
    // exactly the 8 MiB of the largest card.
    std::vector<std::string> members;
    int64_t bytes = 0;
    ~PackCorpus() {
        std::error_code ec;
        if (!dir.empty()) fs::remove_all(dir, ec);
    }
};

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Game(size_t size, uint32_t seed) {
    std::vector<uint8_t> image(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : image) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x >> 7);
    }
    std::copy(zorvex::kNintendoLogo.begin(), zorvex::kNintendoLogo.end(), image.begin() + 0x104);
    return image;
}

void Fill(PackCorpus& c) {
    std::string tmpl = (fs::temp_directory_path() / "zorvex-pack-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    c.dir = tmpl;
    fs::current_path(c.dir);
    WriteBytes(zorvex::kMenuProgramFile, zorvex::MakeMenuProgram());
    for (int i = 0; i < 12; ++i) {
        size_t size = i < 7 ? size_t{1} << 20 : size_t{512} << 10 >> (i - 7);
        std::string name = "game" + std::to_string(i) + ".gb";
        WriteBytes(c.dir / name, Game(size, static_cast<uint32_t>(i + 1)));
        c.members.push_back(name);
        c.bytes += static_cast<int64_t>(size);
    }
    c.bytes += 0x8000;
}

// Built once in place; its destructor removes the files at exit.
const PackCorpus& Corpus() {
    static PackCorpus corpus;
    static const bool filled = (Fill(corpus), true);
    (void)filled;
    return corpus;
}

void BM_BuildPack(benchmark::State& state) {
    const PackCorpus& c = Corpus();
    zorvex::NullMessageSink sink;
    zorvex::NullProgressSink progress;
    std::atomic<bool> cancel{false};
    zorvex::PackBuildUi ui{sink, progress, cancel, {}, {}};
    std::string out = (c.dir / "pack.gb").string();
    for (auto _ : state) {
        if (!zorvex::BuildPackFromFiles(out, c.members, ui)) state.SkipWithError("build failed");
    }
    state.SetBytesProcessed(state.iterations() * c.bytes);
}
BENCHMARK(BM_BuildPack)->Unit(benchmark::kMillisecond);

// The floor: read each file whole and append it to one output.
void BM_CopyMembers(benchmark::State& state) {
    const PackCorpus& c = Corpus();
    std::string out = (c.dir / "copy.gb").string();
    std::vector<std::string> files{zorvex::kMenuProgramFile};
    files.insert(files.end(), c.members.begin(), c.members.end());
    std::vector<char> buffer;
    for (auto _ : state) {
        std::FILE* o = std::fopen(out.c_str(), "wb");
        for (const std::string& f : files) {
            std::FILE* in = std::fopen(f.c_str(), "rb");
            buffer.resize(static_cast<size_t>(fs::file_size(f)));
            size_t n = std::fread(buffer.data(), 1, buffer.size(), in);
            std::fclose(in);
            std::fwrite(buffer.data(), 1, n, o);
        }
        std::fclose(o);
    }
    state.SetBytesProcessed(state.iterations() * c.bytes);
}
BENCHMARK(BM_CopyMembers)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

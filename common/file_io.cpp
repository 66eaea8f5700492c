#include "common/file_io.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include <sys/stat.h>

namespace zorvex {

namespace fs = std::filesystem;

namespace {

std::atomic<bool> gFailCreate{false};
std::atomic<bool> gFailCommit{false};
std::atomic<int64_t> gWriteBudget{-1};

bool IsRegularOrMissing(const std::string& path) {
    std::error_code ec;
    auto st = fs::status(path, ec);
    if (ec || st.type() == fs::file_type::not_found) return true;
    return st.type() == fs::file_type::regular;
}

std::string TempNameBeside(const std::string& target) {
    static std::atomic<uint32_t> counter{0};
    std::random_device rd;
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".zorvex-%08x%04x.tmp", rd(),
                  counter.fetch_add(1) & 0xFFFF);
    return target + suffix;
}

}  // namespace

void FileFaults::FailCreate(bool fail) {
    gFailCreate = fail;
}
void FileFaults::FailWritesAfter(int64_t bytes) {
    gWriteBudget = bytes;
}
void FileFaults::FailCommit(bool fail) {
    gFailCommit = fail;
}
void FileFaults::Reset() {
    gFailCreate = false;
    gFailCommit = false;
    gWriteBudget = -1;
}

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path) {
    if (gFailCreate) {
        errno = EACCES;
        return nullptr;
    }
    std::unique_ptr<OutputFile> out(new OutputFile);
    // Write through a link to the file it names, so the link survives.
    std::error_code ec;
    out->target_ = path;
    if (fs::is_symlink(path, ec)) {
        auto resolved = fs::weakly_canonical(path, ec);
        if (!ec) out->target_ = resolved.string();
    }
    if (!IsRegularOrMissing(out->target_)) {
        out->file_ = std::fopen(out->target_.c_str(), "wb");
        if (!out->file_) return nullptr;
        return out;
    }
    // The temporary file must not exist yet ("x"), so nothing planted there is followed.
    for (int attempt = 0; attempt < 16 && !out->file_; ++attempt) {
        out->temp_ = TempNameBeside(out->target_);
        out->file_ = std::fopen(out->temp_.c_str(), "wbx");
        if (!out->file_ && errno != EEXIST) return nullptr;
    }
    if (!out->file_) return nullptr;
    // A replaced file keeps its permissions; a new one gets the usual ones.
    struct stat st {};
    if (::stat(out->target_.c_str(), &st) == 0) {
        ::chmod(out->temp_.c_str(), st.st_mode & 07777);
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(out->temp_.c_str(), 0666 & ~mask);
    }
    return out;
}

OutputFile::~OutputFile() {
    if (!done_) Discard();
}

bool OutputFile::Write(const void* data, size_t length) {
    if (!file_) {
        errno = EBADF;
        return false;
    }
    int64_t budget = gWriteBudget.load();
    if (budget >= 0) {
        if (static_cast<uint64_t>(budget) < length) {
            gWriteBudget = 0;
            errno = ENOSPC;
            return false;
        }
        gWriteBudget = budget - static_cast<int64_t>(length);
    }
    if (length != 0 && std::fwrite(data, 1, length, file_) != length) {
        if (errno == 0) errno = EIO;
        return false;
    }
    written_ += length;
    return true;
}

bool OutputFile::Commit() {
    if (done_ || !file_) {
        errno = EBADF;
        return false;
    }
    bool ok = std::fflush(file_) == 0;
    int err = errno;
    if (std::fclose(file_) != 0 && ok) {
        ok = false;
        err = errno;
    }
    file_ = nullptr;
    if (ok && gFailCommit) {
        ok = false;
        err = ENOSPC;
    }
    if (!ok) {
        Discard();
        errno = err;
        return false;
    }
    if (!temp_.empty()) {
        std::error_code ec;
        fs::rename(temp_, target_, ec);
        if (ec) {
            Discard();
            errno = ec.value();
            return false;
        }
    }
    done_ = true;
    return true;
}

void OutputFile::Discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty() && !done_) {
        std::error_code ec;
        fs::remove(temp_, ec);
    }
    done_ = true;
}

std::string LastErrorText() {
    int err = errno;
    const char* text = std::strerror(err);
    return text ? std::string(text) : Format("Error %d", err);
}

void ShowLastError(MessageSink& sink) {
    sink.ShowMessage(LastErrorText(), "Error");
}

bool WriteBlock(const void* data, size_t length, OutputFile& file, bool quiet, MessageSink& sink) {
    if (file.Write(data, length)) return true;
    ShowLastError(sink);
    if (!quiet) sink.ShowMessage(Format("Error Writing File %s", file.path().c_str()), "Error");
    file.Discard();
    return false;
}

bool WriteWholeFile(const std::string& path, const void* data, size_t length, bool silent,
                    MessageSink& sink) {
    auto file = OutputFile::Create(path);
    if (!file) {
        if (!silent) sink.ShowMessage(Format("Can't create %s", path.c_str()), "Error");
        return false;
    }
    if (!WriteBlock(data, length, *file, silent, sink)) return false;
    if (!file->Commit()) {
        if (!silent) {
            ShowLastError(sink);
            sink.ShowMessage(Format("Error Writing File %s", path.c_str()), "Error");
        }
        return false;
    }
    return true;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, MessageSink& sink) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        sink.ShowMessage(Format("Can't open %s", path.c_str()), "Error");
        return std::nullopt;
    }
    auto fail = [&]() -> std::optional<std::vector<uint8_t>> {
        std::fclose(f);
        sink.ShowMessage(Format("Can't alloc Memory for %s", path.c_str()), "Error");
        return std::nullopt;
    };
    struct stat st {};
    if (::fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return fail();
    uint64_t size = static_cast<uint64_t>(st.st_size);
    if (size == 0 || size > kMaxWholeFile) return fail();
    std::vector<uint8_t> data(size);
    if (std::fread(data.data(), 1, size, f) != size) return fail();
    std::fclose(f);
    return data;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n));
        std::vsnprintf(out.data(), out.size() + 1, format, args);
    }
    va_end(args);
    return out;
}

}  // namespace zorvex

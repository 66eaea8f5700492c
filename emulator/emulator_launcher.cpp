#include "emulator/emulator_launcher.h"

#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

#include "common/file_io.h"
#include "common/private_temp_dir.h"
#include "emulator/command_line.h"
#include "rom/rom_image.h"

namespace zorvex {

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxTemporaryDirectory = 512;

bool IsZipName(const std::string& fileName) {
    size_t dot = fileName.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = fileName.substr(dot);
    if (ext.size() != 4) return false;
    for (auto& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == ".zip";
}

bool WriteAll(int fd, const uint8_t* data, size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, data, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// Creates a file that must not exist yet (so nothing of the owner's is ever
// replaced) and writes data to it; a failed write removes the file again.
// Messages as WriteWholeFile gives them, with shown for "%s".
bool WriteNewFile(const std::string& path, const std::string& shown, const uint8_t* data,
                  size_t length, bool silent, MessageSink& sink) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (!silent) sink.ShowMessage(Format("Can't create %s", shown.c_str()), "Error");
        return false;
    }
    bool ok = WriteAll(fd, data, length);
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(path.c_str());
        errno = error;
        ShowLastError(sink);
        if (!silent) sink.ShowMessage(Format("Error Writing File %s", shown.c_str()), "Error");
    }
    return ok;
}

enum class CopyResult { Copied, TargetTaken, Failed };

// Copies from into a new file to; a partial copy is removed again.
CopyResult CopyToNewFile(const std::string& from, const std::string& to) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return CopyResult::Failed;
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0) {
        bool taken = errno == EEXIST;
        ::close(in);
        return taken ? CopyResult::TargetTaken : CopyResult::Failed;
    }
    bool ok = true;
    uint8_t buffer[64 * 1024];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!WriteAll(out, buffer, static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    ::close(in);
    if (::close(out) != 0) ok = false;
    if (!ok) {
        ::unlink(to.c_str());
        return CopyResult::Failed;
    }
    return CopyResult::Copied;
}

// The ROM path is one argument even when it holds a blank (common in ROM file
// names), so it is quoted then; plain paths keep the plain form.
std::string CommandLine(const EmulatorEntry& entry, const std::string& romPath) {
    return entry.program + " " + entry.preParam + " " + QuoteArgument(romPath) + " " +
           entry.postParam;
}

}  // namespace

std::string EmulatorLauncher::Resolve(const std::string& path) const {
    if (workingDirectory.empty() || (!path.empty() && path.front() == '/')) return path;
    return workingDirectory + "/" + path;
}

std::string EmulatorLauncher::TemporaryDirectory() {
    // By default the user's private directory, never the shared one: there
    // anyone could take the copy's name first and so block every launch.
    std::string dir = temporaryDirectory.empty() ? PrivateTempDirectory() : temporaryDirectory;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    if (dir.empty() || dir.size() > kMaxTemporaryDirectory) {
        sink_.ShowMessage("Temporary Path too long", "Error");
        return {};
    }
    return dir;
}

void EmulatorLauncher::DeleteEmulatorCopy() {
    if (emulatorCopyPath_.empty()) return;
    ::unlink(Resolve(emulatorCopyPath_).c_str());
    emulatorCopyPath_.clear();
}

bool EmulatorLauncher::StartWith(const EmulatorEntry& entry, const std::string& romPath) {
    if (processLauncher_.Start(CommandLine(entry, romPath), workingDirectory)) return true;
    // Without a word the owner would wait for a window that never comes.
    const bool searched = entry.program.find('/') == std::string::npos;
    const std::string reason =
        errno == ENOENT && searched ? "no such program in PATH" : LastErrorText();
    sink_.ShowMessage(
        Format("Can't start the emulator program %s: %s", entry.program.c_str(), reason.c_str()),
        "Error");
    return false;
}

bool EmulatorLauncher::LaunchEmulator(const EmulatorTable& table, int n,
                                      const std::string& fileName) {
    DeleteEmulatorCopy();
    if (n < 0 || n >= table.emulatorCount()) {
        sink_.ShowMessage(Format("Emulator %d not defined!", n), "Error");
        return false;
    }
    const EmulatorEntry& entry = table.Entry(n);
    const std::string romPath = "roms/" + fileName;

    // The command line goes to the emulator whole or not at all.
    auto fits = [&](const std::string& path) {
        size_t length = CommandLine(entry, path).size();
        if (length <= kMaxEmulatorText) return true;
        sink_.ShowMessage(Format("The command line for emulator %d would be %zu characters long; "
                                 "at most %zu are allowed",
                                 n, length, kMaxEmulatorText),
                          "Error");
        return false;
    };

    if (!IsZipName(fileName)) {
        if (!readOnlyStart) return fits(romPath) && StartWith(entry, romPath);
        // The library is on a write-protected medium: the emulator gets a copy
        // it may write beside.
        std::string temp = TemporaryDirectory();
        if (temp.empty()) return false;
        std::string copy = temp + fileName;
        if (copy.size() > kMaxEmulatorText) {
            sink_.ShowMessage("Temporary Path too long", "Error");
            return false;
        }
        if (!fits(copy)) return false;
        switch (CopyToNewFile(Resolve(romPath), copy)) {
            case CopyResult::Copied:
                break;
            case CopyResult::TargetTaken:
                sink_.ShowMessage(Format("Can't create %s", copy.c_str()), "Error");
                return false;
            case CopyResult::Failed:
                return false;
        }
        emulatorCopyPath_ = copy;
        return StartWith(entry, copy);
    }

    std::string messageText;
    int32_t length = 0;
    const std::string archive = Resolve(romPath);
    RomImage image = LoadRomImage(archive, length, LoadFromZip, messageText);
    if (!image) {
        // The message names the archive as the library does, "roms/" + its name,
        // not by the working directory it was found in.
        size_t at = messageText.find(archive);
        if (archive != romPath && at != std::string::npos)
            messageText.replace(at, archive.size(), romPath);
        sink_.ShowMessage(messageText, "Error");
        return false;
    }
    // Always ".gb", also for a ".gbc" member.
    std::string name = fs::path(fileName).stem().string() + ".gb";
    std::string copy = name;
    if (!WriteNewFile(Resolve(copy), copy, image.data(), static_cast<size_t>(length), true,
                      sink_)) {
        // Read-only working directory, or the owner has a file of that name.
        std::string temp = TemporaryDirectory();
        if (temp.empty()) return false;
        copy = temp + name;
        if (copy.size() > kMaxEmulatorText) {
            sink_.ShowMessage("Temporary Path too long", "Error");
            return false;
        }
        if (!WriteNewFile(copy, copy, image.data(), static_cast<size_t>(length), false, sink_)) {
            return false;
        }
    }
    emulatorCopyPath_ = copy;
    if (!fits(copy)) {
        DeleteEmulatorCopy();
        return false;
    }
    return StartWith(entry, copy);
}

}  // namespace zorvex

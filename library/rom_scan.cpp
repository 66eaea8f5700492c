#include "library/rom_scan.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <set>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "common/file_io.h"
#include "library/rom_entry_format.h"
#include "library/rom_list_file.h"

namespace zorvex {

namespace {

bool HasSaveExtension(const char* name) {
    size_t n = std::strlen(name);
    if (n < 4) return false;
    const char* ext = name + n - 4;
    return ext[0] == '.' && std::tolower(static_cast<unsigned char>(ext[1])) == 's' &&
           std::tolower(static_cast<unsigned char>(ext[2])) == 'a' &&
           std::tolower(static_cast<unsigned char>(ext[3])) == 'v';
}

void CaptionChanged(LibraryScanUi& ui) {
    if (ui.captionChanged) ui.captionChanged();
}

// The File Attributes part of a key, before the file name.
constexpr size_t kFileKeyPrefix = 32;

// Passes messages on unless told to keep quiet.
class QuietableSink final : public MessageSink {
  public:
    explicit QuietableSink(MessageSink& sink) : sink_(sink) {}
    void ShowMessage(const std::string& text, const std::string& caption) override {
        if (!quiet) sink_.ShowMessage(text, caption);
    }
    bool quiet = false;

  private:
    MessageSink& sink_;
};

}  // namespace

std::string RomListCaption(int rowCount) {
    if (rowCount == 0) return "RomList (Empty)";
    if (rowCount == 1) return "RomList (1 Rom)";
    return Format("RomList (%d Roms)", rowCount);
}

bool SetRowField(RomListModel& list, int& row, int field, const std::string& text, int mode,
                 const char* fieldName, MessageSink& sink) {
    bool stored = true;
    if (mode == 0) {
        row = list.InsertRow(text);
        stored = row >= 0;
    } else if (mode == 1) {
        stored = list.SetField(row, field, text);
    }
    if (!stored) sink.ShowMessage(Format("Error at InsertItem(%s)", fieldName), "Error");
    return stored;
}

bool AddRomFile(const std::string& path, RomListModel& list, bool keepFullPath, MessageSink& sink) {
    RomEntry entry;
    std::string messageText;
    if (!BuildRomEntry(path, keepFullPath, entry, messageText)) {
        sink.ShowMessage(messageText, "Error");
        return false;
    }
    int row = -1;
    for (int field = 0; field < kRomFieldCount; ++field) {
        if (!SetRowField(list, row, field, entry[field], field == 0 ? 0 : 1,
                         kBuilderFieldNames[field], sink)) {
            if (row >= 0) list.RemoveRow(row);
            return false;
        }
    }
    return true;
}

bool ScanRomDirectory(const std::string& directory, RomListModel& list, LibraryScanUi& ui) {
    std::string prefix = directory;
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';

    DIR* dir = ::opendir(prefix.empty() ? "." : prefix.c_str());
    if (!dir) {
        ShowLastError(ui.messages);
        CaptionChanged(ui);
        return false;
    }
    // One listing gives every file's key (32 hex digits of time and size, then
    // the name); the rows are then matched against a hash set of those keys, so
    // an unchanged library costs one stat and one lookup per file.
    std::vector<std::string> listed;
    // A bad file is reported once, not at every rescan; a changed one has a
    // new key and is reported again. Files gone or changed are forgotten.
    std::set<std::string>& reported = list.reportedFiles();
    std::set<std::string> stillReported;
    auto reportOnce = [&](const std::string& key, auto&& show) {
        if (reported.count(key) == 0) show();
        stillReported.insert(key);
    };
    int dirFd = ::dirfd(dir);
    while (dirent* e = ::readdir(dir)) {
        const char* name = e->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        if (HasSaveExtension(name)) continue;
        struct stat st {};
        // Links are followed as the loader follows them; fifos, sockets and
        // devices would block or mean nothing to the ROM check.
        if (::fstatat(dirFd, name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        FileFacts facts{WindowsFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec),
                        static_cast<uint64_t>(st.st_size)};
        std::string key = FileAttributesText(facts).append(name);
        if (!IsStorableFileName(name)) {
            reportOnce(key, [&] {
                ui.messages.ShowMessage(
                    Format("%s%s can't be listed: its name contains \"|\" or a line break",
                           prefix.c_str(), name),
                    "Error");
            });
            continue;
        }
        listed.push_back(std::move(key));
    }
    ::closedir(dir);

    std::unordered_set<std::string_view> keys(listed.begin(), listed.end(), listed.size());
    // Rows whose key is not (or no longer) in the set are gone, changed or
    // duplicates; each matched key is taken out so a second row for it drops.
    std::string rowKey;
    for (int row = 0; row < list.Count();) {
        const RomEntry& entry = list.Row(row);
        rowKey.assign(entry[FieldFileAttributes]).append(entry[FieldFileName]);
        if (keys.erase(rowKey) != 0) {
            ++row;
        } else {
            list.RemoveRow(row);
        }
    }

    std::vector<const std::string*> added;  // keys in `listed`
    for (const std::string& key : listed)
        if (keys.count(key) != 0) added.push_back(&key);
    if (!added.empty()) {
        // Name order makes the order of messages and of a cancelled scan predictable.
        std::sort(added.begin(), added.end(), [](const std::string* a, const std::string* b) {
            return a->compare(kFileKeyPrefix, std::string::npos, *b, kFileKeyPrefix,
                              std::string::npos) < 0;
        });
        ui.progress.Open();
        ui.progress.SetCaption("Scanning Roms");
        ui.progress.SetRange(0, static_cast<int>(added.size()));
        ui.progress.SetPos(0);
        ui.cancelRequested = false;
        QuietableSink sink(ui.messages);
        size_t j = 0;
        for (; j < added.size(); ++j) {
            // Tried again every time (a file made readable keeps its key), but
            // its message is shown only the first time.
            const std::string& key = *added[j];
            sink.quiet = reported.count(key) != 0;
            if (!AddRomFile(prefix + key.substr(kFileKeyPrefix), list, false, sink))
                stillReported.insert(key);
            if (ui.cancelRequested) break;
            ui.progress.PumpMessages();
            ui.progress.SetPos(static_cast<int>(j));
            if (j % 4 == 0) CaptionChanged(ui);
        }
        ui.progress.Close();
        // Files a cancelled scan did not get to stay as reported as they were.
        for (++j; j < added.size(); ++j)
            if (reported.count(*added[j]) != 0) stillReported.insert(*added[j]);
    }
    reported = std::move(stillReported);
    CaptionChanged(ui);
    return true;
}

bool RefreshRomLibrary(const std::string& directory, const std::string& listPath,
                       RomListModel& list, LibraryScanUi& ui) {
    bool scanned = ScanRomDirectory(directory, list, ui);
    bool written = WriteRomList(listPath, list, ui.messages);
    return scanned && written;
}

bool RescanRomDirectory(const std::string& directory, const std::string& listPath,
                        RomListModel& list, LibraryScanUi& ui) {
    // Asked for by the owner: every bad file is reported again.
    list.Clear();
    list.reportedFiles().clear();
    return RefreshRomLibrary(directory, listPath, list, ui);
}

}  // namespace zorvex

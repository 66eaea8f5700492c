#include "library/rom_list_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <sys/stat.h>

#include "library/rom_entry_format.h"

namespace zorvex {

namespace {

// A list file of this size would hold millions of rows; anything larger is
// treated like a failed allocation instead of being read into memory.
constexpr uint64_t kMaxListFileSize = 256u << 20;

constexpr const char kHeaderLine0[] = ";Zorvex romlist file\r\n";
constexpr const char kHeaderLine1[] =
    ";romname|size|filename|crc|attributes|screenshotname|FileAttr\r\n";

// False for a row the reader could not take back as it is: an empty field
// before the last, or a Name of nothing but blanks and line breaks (which the
// reader passes over), stops the reading at that record, and an untitled ROM
// sorts first, so the whole list would be lost at every start; a "|" would
// shift the fields and a line break in the last field would start a record.
// Such a row is left out of the file and is simply built again by the next
// scan.
bool Storable(const RomEntry& entry) {
    for (int field = 0; field < kRomFieldCount - 1; ++field) {
        const std::string& cell = entry[field];
        if (cell.empty() || cell.find('|') != std::string::npos) return false;
    }
    if (entry[FieldName].find_first_not_of(" \r\n") == std::string::npos) return false;
    return entry[FieldFileAttributes].find_first_of("\r\n") == std::string::npos;
}

void ShowError(MessageSink& sink, const std::string& text) {
    sink.ShowMessage(text, "Error");
}

// Reads the records of a list file's text into a list; see ReadRomList.
class RomListParser {
  public:
    RomListParser(const char* text, size_t length, RomListModel& list, MessageSink& sink)
        : text_(text), end_(text + length), list_(list), sink_(sink) {}

    bool Run() {
        const char* p = text_;
        while (p < end_) {
            char c = *p;
            if (c == '\n') {
                ++line_;
                ++p;
            } else if (c == '\r' || c == ' ') {
                ++p;
            } else if (c == ';') {
                while (p < end_ && *p != '\r' && *p != '\n') ++p;
                if (p == end_) break;
                if (*p == '\n') ++line_;
                ++p;
            } else if (!ReadRecord(p)) {
                if (row_ >= 0) list_.RemoveRow(row_);
                return false;
            }
        }
        return true;
    }

  private:
    bool ReadRecord(const char*& p) {
        row_ = -1;
        for (int field = 0; field < kRomFieldCount; ++field) {
            const char* start = p;
            const char* stop;
            if (field < kRomFieldCount - 1) {
                if (p == end_ || *p == '|') {
                    Fail(Format("Empty %s at Line %d", kReaderFieldNames[field], line_));
                    return false;
                }
                stop = static_cast<const char*>(std::memchr(p, '|', end_ - p));
                if (!stop) {
                    Fail(Format("Unexpected end of file at line %d", line_));
                    return false;
                }
                p = stop + 1;
            } else {
                stop = p;
                while (stop < end_ && *stop != '\r' && *stop != '\n') ++stop;
                p = stop;
                if (p < end_) {
                    if (*p == '\n') ++line_;
                    ++p;
                }
            }
            if (!Store(field, std::string(start, stop))) return false;
        }
        row_ = -1;
        return true;
    }

    bool Store(int field, const std::string& text) {
        bool stored;
        if (field == FieldName) {
            row_ = list_.InsertRow(text);
            stored = row_ >= 0;
        } else {
            stored = list_.SetField(row_, field, text);
        }
        if (!stored)
            Fail(Format("Error at InsertItem(%s) at line %d", kReaderFieldNames[field], line_));
        return stored;
    }

    void Fail(const std::string& text) { ShowError(sink_, text); }

    const char* text_;
    const char* end_;
    RomListModel& list_;
    MessageSink& sink_;
    int line_ = 0;
    int row_ = -1;  // the row of the record being read, removed again if it fails
};

}  // namespace

bool ReadRomList(const std::string& path, RomListModel& list, MessageSink& sink) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    struct stat st {};
    if (::fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return false;
    }
    uint64_t length = static_cast<uint64_t>(st.st_size);
    std::vector<char> text;
    try {
        if (length > kMaxListFileSize) throw std::bad_alloc();
        text.resize(length + 1);
    } catch (const std::bad_alloc&) {
        std::fclose(f);
        ShowError(sink,
                  Format("Can't alloc Memory for Romlist (%lld)", static_cast<long long>(length)));
        return false;
    }
    size_t got = length ? std::fread(text.data(), 1, length, f) : 0;
    std::fclose(f);
    if (got != length) {
        ShowError(sink, Format("Read Error (%s)", path.c_str()));
        return false;
    }
    return RomListParser(text.data(), length, list, sink).Run();
}

bool WriteLine(const void* data, size_t length, OutputFile& file, int line, MessageSink& sink) {
    if (file.Write(data, length)) return true;
    ShowLastError(sink);
    ShowError(sink, Format("Error Writing Line %d in File %s", line, file.path().c_str()));
    file.Discard();
    return false;
}

bool WriteRomList(const std::string& path, const RomListModel& list, MessageSink& sink) {
    auto file = OutputFile::Create(path);
    if (!file) {
        ShowError(sink, Format("Can't create %s", path.c_str()));
        return false;
    }
    if (!WriteLine(kHeaderLine0, sizeof kHeaderLine0 - 1, *file, 0, sink)) return false;
    if (!WriteLine(kHeaderLine1, sizeof kHeaderLine1 - 1, *file, 1, sink)) return false;
    int line = 1;
    std::string text;
    for (int row = 0; row < list.Count(); ++row) {
        const RomEntry& entry = list.Row(row);
        if (!Storable(entry)) continue;
        ++line;
        text.clear();
        for (int field = 0; field < kRomFieldCount; ++field) {
            const std::string& cell = entry[field];
            text.append(cell, 0, std::min(cell.size(), kMaxFieldLength));
            text += field < kRomFieldCount - 1 ? "|" : "\r\n";
        }
        if (!WriteLine(text.data(), text.size(), *file, line, sink)) return false;
    }
    // The lines are buffered, so a full disk may show only now; the previous
    // list file then stays as it was.
    if (!file->Commit()) {
        ShowLastError(sink);
        ShowError(sink, Format("Error Writing Line %d in File %s", line, path.c_str()));
        return false;
    }
    return true;
}

}  // namespace zorvex

#include "emulator/emulator_table.h"

#include <optional>
#include <string_view>

#include "common/file_io.h"

namespace zorvex {

namespace {

// The value of the key's first occurrence, or nothing when the key is absent.
std::optional<std::string_view> FindValue(std::string_view text, const std::string& key) {
    size_t at = text.find(key);
    if (at == std::string_view::npos) return std::nullopt;
    size_t start = at + key.size();
    size_t end = text.find('\r', start);
    if (end == std::string_view::npos) end = text.size();
    return text.substr(start, end - start);
}

}  // namespace

bool EmulatorTable::Load(const std::string& path, MessageSink& sink) {
    count_ = 0;
    current_ = 0;
    auto text = ReadWholeFile(path, sink);
    if (!text) return false;
    Parse(text->data(), text->size(), path, sink);
    return true;
}

void EmulatorTable::Parse(const uint8_t* text, size_t length, const std::string& source,
                          MessageSink& sink) {
    count_ = 0;
    current_ = 0;
    std::string_view view(reinterpret_cast<const char*>(text), length);
    for (int i = 1; i <= kMaxEmulators; ++i) {
        const std::string keys[4] = {Format("emu%dtitle=", i), Format("emu%dname=", i),
                                     Format("emu%dpreparam=", i), Format("emu%dpostparam=", i)};
        std::string_view values[4];
        bool complete = true;
        for (int k = 0; k < 4 && complete; ++k) {
            auto value = FindValue(view, keys[k]);
            if (!value) {
                complete = false;
            } else if (value->size() > kMaxEmulatorText) {
                // A longer value cannot be passed on whole; refuse the emulator.
                sink.ShowMessage(Format("%s in %s is longer than %zu characters; emulator %d is "
                                        "not used",
                                        keys[k].c_str(), source.c_str(), kMaxEmulatorText, i),
                                 "Error");
                complete = false;
            } else {
                values[k] = *value;
            }
        }
        if (!complete) continue;
        EmulatorEntry& entry = entries_[static_cast<size_t>(count_)];
        entry.menuLabel = Format("&%d ", count_);
        entry.menuLabel.append(values[0]);
        entry.program.assign(values[1]);
        entry.preParam.assign(values[2]);
        entry.postParam.assign(values[3]);
        ++count_;
    }
    for (int k = count_; k < kMaxEmulators; ++k) entries_[static_cast<size_t>(k)] = {};
}

bool EmulatorTable::SelectEmulator(int index) {
    if (index < 0 || index >= count_) return false;
    current_ = index;
    return true;
}

}  // namespace zorvex

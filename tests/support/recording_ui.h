#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "common/file_requester.h"
#include "common/message_sink.h"
#include "common/progress_sink.h"

namespace zorvex::test {

// Records every message box: (text, caption).
class RecordingMessageSink final : public MessageSink {
  public:
    void ShowMessage(const std::string& text, const std::string& caption) override {
        messages.emplace_back(text, caption);
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (auto& m : messages) out.push_back(m.first);
        return out;
    }
    std::vector<std::pair<std::string, std::string>> messages;
};

// Answers file requesters from a script; records what was asked.
class ScriptedFileRequester final : public FileRequester {
  public:
    std::vector<std::string> Ask(const FileRequest& request) override {
        asked.push_back(request);
        if (answers.empty()) return {};
        auto next = answers.front();
        answers.pop_front();
        return next;
    }
    void Answer(std::vector<std::string> paths) { answers.push_back(std::move(paths)); }
    void Cancel() { answers.push_back({}); }
    std::deque<std::vector<std::string>> answers;
    std::vector<FileRequest> asked;
};

// Records progress calls; can set a cancel flag at a chosen position.
class RecordingProgress final : public ProgressSink {
  public:
    bool Open() override {
        ++opens;
        open = true;
        return true;
    }
    void SetCaption(const std::string& c) override { captions.push_back(c); }
    void SetRange(int low, int high) override { ranges.emplace_back(low, high); }
    void SetPos(int pos) override { positions.push_back(pos); }
    void PumpMessages() override { ++pumps; }
    void Close() override {
        ++closes;
        open = false;
    }
    int opens = 0, closes = 0, pumps = 0;
    bool open = false;
    std::vector<std::string> captions;
    std::vector<std::pair<int, int>> ranges;
    std::vector<int> positions;
};

}  // namespace zorvex::test

#include "sim/violation_log.h"

#include <atomic>

namespace zorvex::sim {

namespace {
std::atomic<ViolationLog::Handler> handler{nullptr};
}  // namespace

void ViolationLog::SetHandler(Handler h) {
    handler.store(h);
}

void ViolationLog::Record(const std::string& text) {
    ++count_;
    if (entries_.size() < kKept) entries_.push_back(text);
    if (expected_) return;
    if (const Handler h = handler.load()) h(text);
}

}  // namespace zorvex::sim

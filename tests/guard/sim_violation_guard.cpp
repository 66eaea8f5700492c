// Linked into every test program: a protocol step the simulated card would not
// take as meant fails the test that made it, whichever rig the test built.
#include <gtest/gtest.h>

#include "sim/violation_log.h"

namespace {

void FailRunningTest(const std::string& text) {
    ADD_FAILURE() << "simulated card: " << text;
}

const bool installed = [] {
    zorvex::sim::ViolationLog::SetHandler(&FailRunningTest);
    return true;
}();

}  // namespace

#pragma once

#include <string>

namespace zorvex::test {

// What a failed card job (a Detection, a SendResult) says; one that did not
// fail reads "(result N)", so a single comparison checks both.
template <typename Job>
std::string FailureText(const Job& job) {
    return job.result == -1 ? job.text : "(result " + std::to_string(job.result) + ")";
}

}  // namespace zorvex::test

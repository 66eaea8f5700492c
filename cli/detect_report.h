#pragma once

#include <string>

#include "ports/link_factory.h"

namespace zorvex::cli {

// The diagnostic report of "zorvex-cli detect --report": every port, how it
// is reached, the SPP and EPP echo probes with the bytes read back, the flash
// identification, and the verdict, as plain text an owner can paste into a
// bug report.
std::string DetectReport(LinkRuntime& runtime);

}  // namespace zorvex::cli

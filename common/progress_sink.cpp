#include "common/progress_sink.h"

#include "common/file_io.h"

namespace zorvex {

std::string PercentText(int pos, int low, int high) {
    // An empty range (a one-row slot transfer) would divide by zero: show it done.
    if (high <= low) return "100%";
    long long p = (static_cast<long long>(pos) - low) * 100 / (static_cast<long long>(high) - low);
    if (p != 100) p %= 100;
    return Format("%lld%c", p, '%');
}

}  // namespace zorvex

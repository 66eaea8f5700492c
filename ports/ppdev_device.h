#pragma once

#include <cstdint>
#include <string>

#include "ports/system_calls.h"

namespace zorvex {

// One kernel parallel-port device (/dev/parportN) through the ppdev
// interface: opened once per run at its first claim, claimed exclusively for
// one card operation at a time, closed when the run ends.
//
// The device is opened with O_NONBLOCK, so that an EPP cycle the card does not
// answer ends with the kernel's time-out instead of a read that waits forever,
// and no fcntl is needed around the transfers.
class PpdevDevice {
  public:
    PpdevDevice(SystemCalls& calls, std::string path);
    ~PpdevDevice();
    PpdevDevice(const PpdevDevice&) = delete;
    PpdevDevice& operator=(const PpdevDevice&) = delete;

    // Opens the device if it is not open yet, then PPCLAIM. False with
    // problem() set when either fails; the next Claim tries again, since the
    // owner may have fixed the cause in between.
    bool Claim();
    void Release();
    bool claimed() const { return claimed_; }
    // The device node is missing (ppdev not loaded, or no such port).
    bool missing() const { return missing_; }
    const std::string& path() const { return path_; }
    const std::string& problem() const { return problem_; }

    // Raw register access in the register's own polarity (what ppdev takes).
    void WriteData(uint8_t value);
    void WriteControl(uint8_t value);
    uint8_t ReadData();
    uint8_t ReadStatus();
    uint8_t ReadControl();
    // Data lines driven by the port (false) or left to the peripheral (true).
    void SetDataReversed(bool reversed);
    // The IEEE 1284 mode the device's read/write use; a PPSETMODE only when
    // it changes. No line moves on a mode change.
    void SetMode(int mode);
    // The kernel's fast EPP reads (PP_FASTREAD) on or off; a PPSETFLAGS only
    // when it changes. The flag belongs to the open device, not the claim.
    void SetFastRead(bool on);
    // One EPP cycle through read/write in the current mode: true when the
    // peripheral answered before the kernel's time-out.
    bool EppWrite(uint8_t value);
    bool EppRead(uint8_t& value);
    // A run of EPP cycles in one read/write: what the call returned (the
    // cycles done before the first one the peripheral did not answer, 0 or
    // -EAGAIN when that was the first, another -errno when no cycle ran).
    // A fast read of more than one byte that went unanswered somewhere
    // returns -EIO, and none of its bytes.
    ssize_t EppWriteRun(const uint8_t* values, size_t count);
    ssize_t EppReadRun(uint8_t* values, size_t count);

  private:
    bool OpenOnce();
    std::string Explain(const char* stage, int error) const;

    SystemCalls& calls_;
    std::string path_;
    int fd_ = -1;
    bool claimed_ = false;
    bool missing_ = false;
    int mode_ = -1;          // unknown until set in this claim
    bool fastRead_ = false;  // a new open starts without flags
    std::string problem_;
};

}  // namespace zorvex

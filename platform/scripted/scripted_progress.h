// The progress display for tests: every drawing call is recorded as one line
// of text, and a test can make the next pump report a Ctrl-C.
#pragma once

#include <string>
#include <vector>

namespace hoard::scripted {

// Forgets the recorded calls and any queued interrupt.
void ResetProgress();
// The next PumpOneMessage reports an interrupt (one per call queued).
void QueueInterrupt();

// One line per call, in order:
//   "labels WORKING|LEFT|ELAPSED", "count I N", "percent P TEXT", "times LEFT ELAPSED"
//   (LEFT is "-" without an estimate), "item TEXT", "pump", "wait 1" or
//   "wait 0", "end".
const std::vector<std::string>& ProgressCalls();
// The same without the "pump" and "count" lines.
std::vector<std::string> ProgressDrawing();

}  // namespace hoard::scripted

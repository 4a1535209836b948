// The batch's progress figures and the abort request.
#pragma once

#include <cstdint>

namespace hoard {

struct ProgressState {
  int32_t total = 0;    // files in the batch; 0 for a single file from the dialog
  int32_t current = 0;  // 1-based index of the file being converted
  int32_t start = 0;    // wall-clock seconds when the batch started
};

// One per process.
ProgressState& Progress();
// Set by the abort button (or Ctrl-C); read before each file and while a page
// is rewritten.
extern volatile int AbortRequested;

}  // namespace hoard

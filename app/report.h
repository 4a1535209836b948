// The message at the end of a batch.
#pragma once

#include <cstddef>

namespace hoard::app {

// The text for n broken files, with or without the offer to open the
// detection log. False when it does not fit.
bool FormatFinalReport(int brokenCount, bool offerLog, char* out, size_t capacity);

// Nothing for 0; otherwise tells the count and, when a detection log was
// written, offers to open it.
void ShowFinalReport(int brokenCount);

}  // namespace hoard::app

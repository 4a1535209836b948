// The message at the end of a batch.
#pragma once

#include <cstddef>

#include "base/messages.h"
#include "store/pstring.h"

namespace hoard::app {

// The text for n broken files, with or without the offer to open the
// detection log. False when it does not fit.
bool FormatFinalReport(int brokenCount, bool offerLog, char* out, size_t capacity);

// The names of the cache files the batch left in the cache folder, after
// their count, one a line. False when it does not fit (cut there).
// Each name is followed by the words of its reason when `reasons` is given.
bool FormatLeftBehind(size_t count, const PName* names, size_t named, char* out,
                      size_t capacity, const messages::Text* reasons = nullptr);

// Nothing for 0 broken files and none left behind; otherwise tells the
// count of broken files and, when a detection log was written, offers to
// open it, and names the files left in the cache folder.
void ShowFinalReport(int brokenCount);

}  // namespace hoard::app

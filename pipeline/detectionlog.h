// The detection log "h-hoard.csv": the list of broken files of a batch.
#pragma once

#include "store/fileref.h"

namespace hoard {

// Closes the log of the batch. True when a log file was written; `out` then
// names it.
bool CloseDetectionLog(FileRef& out);

}  // namespace hoard

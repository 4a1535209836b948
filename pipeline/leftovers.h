// What a killed run leaves behind: files under their unfinished names
// (store/files.h), anywhere below the cache folder. The next batch puts each
// in place or removes it before it converts anything.
#pragma once

#include <cstddef>

#include "store/fileref.h"

namespace hoard {

struct LeftoverRepairs {
  size_t placed = 0;   // a whole new file took its own name, which was free
  size_t removed = 0;  // an unfinished file beside its own, untouched file
  size_t interruptedRewrites = 0;  // of those, pages of the mirror
};

// Walks the folder of `cacheFile` and every folder below it, never through a
// link. An unfinished file whose own name is free was whole (a file takes
// its own name only after it is whole) and takes it; one beside its own
// file is removed, as that file is untouched, except the detection log's,
// which holds the latest run's lines and replaces the older log.
LeftoverRepairs RepairUnfinishedFiles(const FileRef& cacheFile);

// Told the path of each mirror page whose rewrite a killed run left
// unfinished: the page is whole, but its links are as they were.
void SetInterruptedRewriteObserver(void (*observer)(const char* pagePath));

}  // namespace hoard

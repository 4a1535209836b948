// One cache file from its log entry to its place in the mirror.
#pragma once

#include "store/cachelog.h"
#include "store/fileref.h"

namespace hoard {

// Results the run loop reads.
inline constexpr int kConvertDone = 0;
inline constexpr int kConvertStop = 1;
inline constexpr int kConvertBroken = 2;

// Converts one cache file. The first call of a batch loads the cache log
// beside the file into `log`.
int ConvertCacheFile(const FileRef& file, CacheLog& log);

// Told of every cache file that was looked up: the entry, or null when the
// log does not list the file. For the programs' listing of the cache.
using LookupObserver = void (*)(const FileRef& file, const CacheLogEntry* entry);
void SetLookupObserver(LookupObserver observer);

}  // namespace hoard

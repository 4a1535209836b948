// The programs' listing of a cache: one line per cache file that was looked
// up in the cache log.
#pragma once

#include <cstdio>

#include "store/cachelog.h"
#include "store/fileref.h"

namespace hoard::app {

// name, URL, MIME type and type code, TAB-separated; '-' three times for a
// file the log does not list. The bytes are written as they are (Shift_JIS).
void WriteLookupLine(std::FILE* out, const FileRef& file, const CacheLogEntry* entry);
// The same on standard output, flushed: the observer both programs install.
void PrintLookup(const FileRef& file, const CacheLogEntry* entry);

}  // namespace hoard::app

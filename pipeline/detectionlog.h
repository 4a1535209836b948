// The detection log "h-hoard.csv": the broken files of a batch, one CSV line
// each, written beside the cache files. Its first two columns are those of a
// cache log (URL, cache name), so it can be read back as one.
//
// One writer per process. The file is created at the first broken file, so a
// batch without any leaves an older log untouched; once a create or a write
// has failed, the log stays silent until the process ends.
#pragma once

#include <cstdint>
#include <string_view>

#include "store/fileref.h"
#include "store/types.h"

namespace hoard {

inline constexpr std::string_view kDetectionLogName = "h-hoard.csv";
// The header line the pipeline sets up; its LF is written as CR LF.
inline constexpr const char* kDetectionLogHeader =
    "# -- Hoard-Hoard v2.1 --,cache,size,date,type\n";
// The longest line that is written, line end included. A longer URL is cut.
inline constexpr size_t kDetectionLineBytes = 1024;

// Remembers where the log goes (the cache file's folder, "h-hoard.csv") and
// the header to write when it is created. The handle and the failure state
// are left as they are.
void SetUpDetectionLog(const FileRef& cacheFile, const char* header);

// The detection log's name, ASCII case folded.
bool IsDetectionLogName(std::string_view name);

// Formats and writes one line: the URL (with "http://" in front when it has
// no http or https scheme of its own; nothing when it is empty or null), the
// cache name, the size, the date and the type. Creates the log first at the
// first call of the process. The number of characters formatted, or 0 when
// nothing was written.
int WriteDetectionLine(std::string_view cacheName, TypeCode type, const char* url, int64_t size,
                       const DateRec& date);

// Closes the log. True when it had been opened: `out`, when given, then names
// it. Otherwise nothing is changed. The log is not opened again in this
// process.
bool CloseDetectionLog(FileRef* out);
inline bool CloseDetectionLog(FileRef& out) { return CloseDetectionLog(&out); }

// Back to the state at program start: closes an open log and forgets its
// place, its header and any failure.
void ResetDetectionLog();

}  // namespace hoard

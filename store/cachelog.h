// The browser's cache log: which URL each cache file came from. Finds the log
// beside the cache files, loads it whole, refuses what is not a cache log,
// indexes it in place and answers lookups by cache file name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/prompts.h"
#include "store/fileref.h"
#include "store/pstring.h"
#include "store/types.h"

namespace hoard {

// Log kinds by file name; 0 in a question means any kind.
inline constexpr int kLogAnyKind = 0;
inline constexpr int kLogOwn = 1;           // "HHoard log..."
inline constexpr int kLogFatDatabase = 2;   // "FAT.DB..." or "....DB"
inline constexpr int kLogBrowserIndex = 3;  // "CCHMGR20.DAT..."

bool IsLogFileName(std::string_view name, int kind);
bool IsVisitManagerFile(std::string_view name);

// The naming families of the browser's cache files.
// Begins with "cache" (ASCII case ignored): the own log's family.
bool IsCachePrefixedName(std::string_view name);
// 8 bytes, or 9 to 13 with '.' 9th; begins with "JCH" (ASCII case ignored):
// the browser cache index's family.
bool IsJchName(std::string_view name);
// 8 bytes, or 9 to 13 with '.' 9th; 'M' or 'm' first; no '.' in bytes 2..8:
// the FAT database's family.
bool IsMName(std::string_view name);

struct CacheLogIndexEntry;
struct CacheLogHashSlot;

enum class CacheLogState { kNotLoaded, kLoaded, kWithoutLog };

// The loaded log of one run. Starts not loaded; ReleaseCacheLog frees it.
struct CacheLog {
  CacheLogState state = CacheLogState::kNotLoaded;
  FileRef ref;             // the file that was loaded
  char* block = nullptr;   // the whole file, written into by the index
  uint64_t size = 0;
  // Built at the first lookup: entries in file order, ending with an empty
  // one, and a hash table over the folded cache names for the first entry of
  // each name.
  CacheLogIndexEntry* entries = nullptr;
  size_t entryCount = 0;
  CacheLogHashSlot* slots = nullptr;
  size_t slotCount = 0;
  bool indexed = false;
  size_t crCount = 0;  // CR bytes in the block
};

void ReleaseCacheLog(CacheLog& log);

// The answer of one lookup.
struct CacheLogEntry {
  const char* url = nullptr;  // field 1, NUL-terminated inside the block
  PName cacheName;            // the decoded field 2 (cut at 63 bytes)
  const char* mimeType = "";
  TypeCode type = kTypeNone;
};

// For the first cache file of a run: true (skip this file) when it is itself
// a log; otherwise `logRef` is its folder with the name "CCHMGR20.DAT".
bool DefaultCacheLogRef(const FileRef& firstFile, FileRef& logRef);

enum class LoadResult { kLoaded, kWithoutLog, kAbort };
// Loads and checks the log, asking the user where it is missing or unfit.
// `logRef` may be changed to the file the user chose. On kLoaded the block
// and its size are in `log`.
// The current directory is never changed.
LoadResult LoadCacheLog(FileRef& logRef, CacheLog& log, Prompts& prompts);

// True when a cache file the log does not list belongs to the log's family
// all the same (its entry is gone): by the kind of the log's own name, or,
// when the log has more than one line, by the family of the cache name in its
// first entry. Builds the index when it is not built yet.
bool IsStaleCacheFile(std::string_view name, CacheLog& log);

// True when a line of the log with more than two fields ends with
// `cacheName` (normalised, ASCII case folded): the URL of that line holds
// commas, and the file is the log's though no lookup finds it.
bool ListedAfterCommas(CacheLog& log, std::string_view cacheName);

// The log a run names itself: DefaultCacheLogRef answers it instead of the
// file beside the first cache file. Null forgets it.
void SetCacheLogForRun(const FileRef* logRef);

enum class LookupResult { kFound, kNotFound, kNoIndex };
// The first line of the log whose cache name equals `cacheName` (normalised,
// ASCII case folded). Builds the index at the first call.
LookupResult LookupCacheFile(CacheLog& log, std::string_view cacheName, CacheLogEntry& out);

}  // namespace hoard

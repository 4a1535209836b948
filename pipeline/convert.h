// One cache file from its log entry to its place in the mirror.
#pragma once

#include <array>
#include <cstddef>

#include "base/runcontext.h"
#include "store/cachelog.h"
#include "store/fileref.h"
#include "store/types.h"

namespace hoard {

// What one conversion came to, for the run loop: done (converted, or left
// alone), the batch must stop, or the file was found broken.
enum class ConvertResult { kDone, kStop, kBroken };
inline constexpr ConvertResult kConvertDone = ConvertResult::kDone;
inline constexpr ConvertResult kConvertStop = ConvertResult::kStop;
inline constexpr ConvertResult kConvertBroken = ConvertResult::kBroken;

// Converts one cache file: looks its URL up in the cache log (loaded beside
// the file by the first call of a batch), makes its folders inside the cache
// folder, renames it to its local name and moves it into place with any
// stored header cut, then rewrites the page or checks the image. A file the
// log does not list is handled where it lies. Every failure leaves the file
// whole, in the cache folder or in the mirror.
// Everything the conversion reads from its run (options, progress and stop
// requests, the prompts) comes in `run`.
ConvertResult ConvertCacheFile(const FileRef& file, CacheLog& log, const RunContext& run);

// The results of resolving an entry's path.
enum class ResolveResult { kStop, kReady, kUnlisted, kBroken };
inline constexpr ResolveResult kResolveStop = ResolveResult::kStop;
inline constexpr ResolveResult kResolveReady = ResolveResult::kReady;
inline constexpr ResolveResult kResolveUnlisted = ResolveResult::kUnlisted;
inline constexpr ResolveResult kResolveBroken = ResolveResult::kBroken;

inline constexpr size_t kPathBytes = 1024;

// Looks the file up and builds its relative local path from the URL (site
// rules, redirect unwrapping, domain conversion). `url` gets the URL the
// detection log names (shortened and unwrapped), `path` the path.
ResolveResult ResolveEntryPath(const FileRef& file, CacheLog& log, CacheLogEntry& entry,
                               TypeCode& kind, char (&url)[kPathBytes], char (&path)[kPathBytes],
                               const RunContext& run);

// A URL whose host has no '/' after it ("http://host", "http://host?x=1")
// names the host's own page: the '/' is put in. False for a path that names
// no place.
bool GiveHostItsFolder(char (&path)[kPathBytes]);

// The mirror already holds a non-empty copy newer than the cache file: the
// cache file is deleted and true returned. Otherwise any mirror copy is
// deleted so the move can take its place.
bool KeepNewerOutput(const FileRef& file, const FileRef& destination);

// Puts a file that was moved into the mirror back into the cache folder under
// its cache name.
void RestoreCacheFile(const FileRef& file, const FileRef& destination,
                      std::string_view cacheName);

// Told of every cache file that was looked up: its entry, or null when the
// log does not list it. The programs' listing of a cache.
using LookupObserver = void (*)(const FileRef& file, const CacheLogEntry* entry);
void SetLookupObserver(LookupObserver observer);
// Only look the files up and tell the observer; nothing is converted.
void SetListOnly(bool listOnly);

// Forgets the batch's set-up, as before a new batch. For tests.
void ResetConversionRun();

// The cache files of the batch that could not be placed in the mirror and
// stay in the cache folder under their cache names: a URL that names no
// place (no host, an empty folder name), or whose place already holds another
// URL's file or a page's backup. The final report names them.
inline constexpr size_t kMaxLeftBehindNamed = 16;
struct LeftBehind {
  size_t count = 0;
  std::array<PName, kMaxLeftBehindNamed> names;  // the first ones
};
const LeftBehind& FilesLeftBehind();

}  // namespace hoard

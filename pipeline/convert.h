// One cache file from its log entry to its place in the mirror.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/messages.h"
#include "base/runcontext.h"
#include "store/cachelog.h"
#include "store/fileref.h"
#include "store/types.h"

namespace hoard {

// What one conversion came to, for the run loop: done (converted, or left
// alone), the batch must stop, the file was found broken, or the name was no
// cache file (gone since its folder was listed, or a folder).
enum class ConvertResult { kDone, kStop, kBroken, kNoFile };
inline constexpr ConvertResult kConvertDone = ConvertResult::kDone;
inline constexpr ConvertResult kConvertStop = ConvertResult::kStop;
inline constexpr ConvertResult kConvertBroken = ConvertResult::kBroken;
inline constexpr ConvertResult kConvertNoFile = ConvertResult::kNoFile;

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
// `image`, when given, holds the file's bytes read whole for the early
// image check.
struct ReadImage;
ResolveResult ResolveEntryPath(const FileRef& file, CacheLog& log, CacheLogEntry& entry,
                               TypeCode& kind, char (&url)[kPathBytes], char (&path)[kPathBytes],
                               const RunContext& run, ReadImage* image = nullptr);

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
bool ListOnly();

// Forgets the batch's set-up, as before a new batch. For tests.
void ResetConversionRun();

// Why a cache file stayed in the cache folder under its cache name.
enum class LeftReason : uint8_t {
  kNoPlace,          // the URL names no place (no host, an empty folder name)
  kPlaceTaken,       // another URL's file or a page's backup holds its place
  kNameTaken,        // its local name is another file's in the cache folder
  kFolderBlocked,    // its folder would have to be where a link or file is
  kLinkFile,         // the cache file is a link
  kLinkLoop,         // the cache file is a link that leads round in a loop
  kLinkToFolder,     // the cache file is a link to a folder
  kUnreadable,       // it could not be read or moved (`error` says why)
  kUrlWithCommas,    // the cache log's line for it has commas in its URL
};
inline constexpr size_t kLeftReasonCount = 9;

// The cache files of the batch that could not be placed in the mirror and
// stay in the cache folder under their cache names, each with its reason.
// The final report names them.
inline constexpr size_t kMaxLeftBehindNamed = 16;
struct LeftBehind {
  size_t count = 0;
  std::array<PName, kMaxLeftBehindNamed> names;  // the first ones
  std::array<LeftReason, kMaxLeftBehindNamed> reasons{};
  std::array<ResultCode, kMaxLeftBehindNamed> errors{};  // for kUnreadable
  std::array<size_t, kLeftReasonCount> byReason{};
};
const LeftBehind& FilesLeftBehind();
// Told of every file as it is left in the cache folder, with its reason and,
// for kUnreadable, the platform's error.
using LeftBehindObserver = void (*)(std::string_view cacheName, LeftReason reason, int error);
void SetLeftBehindObserver(LeftBehindObserver observer);
// The words of a reason in the message table.
messages::Text LeftReasonText(LeftReason reason);
// The reason in the words the manifest and the plan write, whatever the
// language of the messages.
std::string_view LeftReasonWords(LeftReason reason);

// What the conversions of the process did, over every batch, for a front end
// that sums a run up. ResetConversionCounts starts again from nothing.
struct ConversionCounts {
  size_t moved = 0;         // cache files moved into the mirror
  size_t rewritten = 0;     // pages whose links were rewritten
  size_t headersCut = 0;    // moved files that lost a stored header
  size_t leftBehind = 0;    // cache files that stayed in the cache folder
  std::array<size_t, kLeftReasonCount> byReason{};
};
const ConversionCounts& RunCounts();
void ResetConversionCounts();

}  // namespace hoard

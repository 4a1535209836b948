#include "pipeline/convert.h"

#include <algorithm>
#include <cstring>

#include "base/runcontext.h"
#include "html/rewriter.h"
#include "pipeline/brokenimages.h"
#include "pipeline/detectionlog.h"
#include "pipeline/outputfolders.h"
#include "store/contentcheck.h"
#include "store/domaintable.h"
#include "store/files.h"
#include "store/pstring.h"
#include "urlmap/infoseek.h"
#include "urlmap/longhost.h"
#include "urlmap/redirect.h"
#include "urlmap/siterules.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

LookupObserver gObserver = nullptr;
bool gListOnly = false;

void Tell(const FileRef& file, const CacheLogEntry* entry) {
  if (gObserver != nullptr) gObserver(file, entry);
}

// Copies a NUL-terminated text into a path buffer, cut to fit.
void CopyPath(char (&out)[kPathBytes], const char* text) {
  const size_t length = std::min(std::strlen(text), kPathBytes - 1);
  std::memmove(out, text, length);
  out[length] = '\0';
}

// The first file of a batch sets up the detection log and loads the cache
// log beside it. False when this file is to be passed over; `stop` when the
// batch must end.
bool SetUpBatch(const FileRef& file, CacheLog& log, Prompts& prompts, bool& stop) {
  stop = false;
  SetUpDetectionLog(file, kDetectionLogHeader);
  const std::string_view name = file.name.View();
  if (IsDetectionLogName(name) || IsVisitManagerFile(name)) return false;
  FileRef logRef;
  if (DefaultCacheLogRef(file, logRef)) return false;
  if (LoadCacheLog(logRef, log, prompts) == LoadResult::kAbort) {
    stop = true;
    return false;
  }
  return true;
}

bool Exists(const FileRef& ref) {
  CPath path;
  return FileRefToCPath(ref, path) && FileExists(path.data());
}

// Whether two references name one file (ASCII case folded, as on Windows).
bool SamePlace(const FileRef& a, const FileRef& b) {
  CPath first;
  CPath second;
  return FileRefToCPath(a, first) && FileRefToCPath(b, second) &&
         PStringEqualNoCase(first.data(), second.data());
}

// The whole-URL site rules, tried in order; the first that applies decides
// whether redirect unwrapping and the domain table still run.
enum class SiteRuleOutcome { kNone, kFinal, kDomainOnly };

SiteRuleOutcome ApplyWholeUrlRules(char (&path)[kPathBytes], const char* url) {
  if (UnwrapChannelRedirect(path, kPathBytes, url) != 0) return SiteRuleOutcome::kFinal;
  if (InfoseekUrlTest(path, kPathBytes, url) != 0) return SiteRuleOutcome::kFinal;
  if (RewriteBookmarkUrl(path, kPathBytes, url) != 0) return SiteRuleOutcome::kDomainOnly;
  if (RewriteDirectoryLookup(path, kPathBytes, url) != 0) return SiteRuleOutcome::kDomainOnly;
  return SiteRuleOutcome::kNone;
}

// A file the log does not list stays where it is: a page of the user's own is
// rewritten in place, an image checked.
ConvertResult ConvertUnlisted(const FileRef& file, CacheLog& log, int64_t size,
                              const DateRec& date, const RunContext& run) {
  const std::string_view name = file.name.View();
  const int mode = run.options.BrokenImageMode;
  if (log.size > 1 && IsStaleCacheFile(name, log)) {
    run.progress.Tick(0, 0);
    return kConvertDone;
  }
  const TypeCode kind = TypeOfFile(file, mode);
  if (kind == kTypeText) {
    bool repaired = false;
    if (RewriteHtmlFile(file, "", run.options, run.progress, repaired) != 0) return kConvertStop;
    if (repaired) {
      WriteDetectionLine(name, kTypeText, "", size, date);
      return kConvertBroken;
    }
    run.progress.Tick(0, 0);
    return kConvertDone;
  }
  if (CheckAndDisposeImage(file, kind, mode)) {
    WriteDetectionLine(name, kind, "", size, date);
    return kConvertBroken;
  }
  run.progress.Tick(0, 0);
  return kConvertDone;
}

// Moves a listed file into the mirror and then rewrites or checks it.
ConvertResult ConvertListed(FileRef file, TypeCode kind, const char* url,
                            char (&path)[kPathBytes], int64_t size, const DateRec& date,
                            const RunContext& run) {
  FileRef folder;
  const char* rest = nullptr;
  if (CreateOutputFolders(file, folder, path + LinkSchemeLength(path), rest, run.prompts) ==
      kFoldersStop) {
    return kConvertStop;
  }
  char restBuffer[kPathBytes];
  CopyPath(restBuffer, *rest == '\0' ? kFolderPageName.data() : rest);
  char localText[kLocalNameBufferBytes];
  localText[0] = '\0';
  MapUrlToLocalPath(localText, sizeof localText, restBuffer, sizeof restBuffer, kMapFileName);

  PName cacheName = file.name;
  const std::string_view localName(localText);
  if (localName.empty() || localName.size() > kMaxNameBytes) return kConvertDone;
  FileRef destination = folder;
  SetFileRefName(destination, localName);
  // A URL that names the cache folder itself leaves the file where it is.
  if (SamePlace(file, destination)) return kConvertDone;

  // The cache file takes its local name inside the cache folder first. A file
  // of that name already there is another file of the cache (or of the
  // user's): it is never replaced, and this file waits under its cache name.
  if (localName != cacheName.View()) {
    FileRef inCache = file;
    SetFileRefName(inCache, localName);
    if (Exists(inCache)) return kConvertDone;
    if (RenameFileRef(file, localName) != kNoError) return kConvertDone;
    file = inCache;
  }
  if (KeepNewerOutput(file, destination)) {
    run.progress.Tick(0, 0);
    return kConvertDone;
  }
  if (MoveStripped(file, folder, kStripMacBinary | kStripHttpHeader) != kNoError) {
    // Back under its cache name, so that a later run takes it again.
    if (localName != cacheName.View()) RenameFileRef(file, cacheName.View());
    return kConvertDone;
  }

  if (kind == kTypeText) {
    bool repaired = false;
    const int rewritten = RewriteHtmlFile(destination, path, run.options, run.progress, repaired);
    if (rewritten == 1 || rewritten == kVolumeFull) {
      RestoreCacheFile(file, destination, cacheName.View());
      return kConvertStop;
    }
    if (rewritten != 0) return kConvertStop;
    if (repaired) {
      WriteDetectionLine(cacheName.View(), kTypeText, url, size, date);
      return kConvertBroken;
    }
    return kConvertDone;
  }
  if (kind == kTypeGif || kind == kTypeJpeg) {
    if (CheckAndDisposeImage(destination, kind, run.options.BrokenImageMode)) {
      WriteDetectionLine(cacheName.View(), kind, url, size, date);
      return kConvertBroken;
    }
  }
  return kConvertDone;
}

}  // namespace

void SetLookupObserver(LookupObserver observer) { gObserver = observer; }

void SetListOnly(bool listOnly) { gListOnly = listOnly; }

void ResetConversionRun() { ResetDetectionLog(); }

ResolveResult ResolveEntryPath(const FileRef& file, CacheLog& log, CacheLogEntry& entry,
                               TypeCode& kind, char (&url)[kPathBytes], char (&path)[kPathBytes],
                               const RunContext& run) {
  run.progress.Tick(0, 0);
  const LookupResult found = LookupCacheFile(log, file.name.View(), entry);
  if (found == LookupResult::kNoIndex || run.progress.StopRequested()) return kResolveStop;
  if (found != LookupResult::kFound || entry.url == nullptr || entry.url[0] == '\0' ||
      entry.mimeType == nullptr || entry.mimeType[0] == '\0') {
    return kResolveUnlisted;
  }
  const int mode = run.options.BrokenImageMode;
  kind = entry.type != kTypeNone ? entry.type : TypeOfFile(file, mode);
  CopyPath(path, entry.url);
  if (EarlyImageCheck(file, kind, mode)) {
    CopyPath(url, entry.url);
    run.progress.Tick(0, 0);
    return kResolveBroken;
  }
  CopyPath(url, ShortenLongHost(entry.url));

  const SiteRuleOutcome rule = ApplyWholeUrlRules(path, url);
  if (rule == SiteRuleOutcome::kNone) {
    CopyPath(path, url);
    RedirectCursors cursors;
    cursors.source = url;
    cursors.output = path;
    cursors.outputCapacity = kPathBytes;
    if (UnwrapRedirect(cursors) != 0) {
      // The detection log names the target: from where the unwrapping left
      // the cursor, or whole when the cursor went past the redirector's end.
      CopyPath(url, cursors.targetStart != nullptr ? cursors.targetStart : cursors.source);
    }
  }
  if (rule != SiteRuleOutcome::kFinal) ApplyDomainConversion(path, kPathBytes);
  run.progress.ShowCurrentItem(path + LinkSchemeLength(path));
  return kResolveReady;
}

bool KeepNewerOutput(const FileRef& file, const FileRef& destination) {
  if (FileSizeOf(destination) > 0) {
    FileTime ours = 0;
    FileTime theirs = 0;
    GetModificationTime(file, ours);
    GetModificationTime(destination, theirs);
    if (theirs > ours) {
      DeleteFileRef(file);
      return true;
    }
  }
  DeleteFileRef(destination);
  return false;
}

void RestoreCacheFile(const FileRef& file, const FileRef& destination,
                      std::string_view cacheName) {
  FileRef inMirror = destination;
  SetFileRefName(inMirror, file.name.View());
  FileRef cacheFolder = file;
  cacheFolder.name = PName{};
  if (Move(inMirror, cacheFolder) != kNoError) return;
  if (file.name.View() != cacheName) RenameFileRef(file, cacheName);
}

ConvertResult ConvertCacheFile(const FileRef& file, CacheLog& log, const RunContext& run) {
  if (log.state == CacheLogState::kNotLoaded) {
    bool stop = false;
    if (!SetUpBatch(file, log, run.prompts, stop)) return stop ? kConvertStop : kConvertDone;
  }
  const std::string_view name = file.name.View();
  if (gListOnly) {
    if (IsLogFileName(name, kLogAnyKind) || IsDetectionLogName(name)) return kConvertDone;
    run.progress.Tick(0, 0);
    CacheLogEntry entry;
    const LookupResult found = LookupCacheFile(log, name, entry);
    if (found == LookupResult::kNoIndex || run.progress.StopRequested()) return kConvertStop;
    if (found == LookupResult::kFound) {
      run.progress.ShowCurrentItem(entry.url + LinkSchemeLength(entry.url));
    }
    Tell(file, found == LookupResult::kFound ? &entry : nullptr);
    return kConvertDone;
  }
  if (EnsureDomainTable(run.prompts) == DomainLoadResult::kAbort) return kConvertStop;

  FileTime modified = 0;
  GetModificationTime(file, modified);
  DateRec date;
  FileTimeToDateRec(modified, date);
  if (IsLogFileName(name, kLogAnyKind) || IsDetectionLogName(name)) return kConvertDone;
  const int64_t size = static_cast<int64_t>(FileSizeOf(file));

  CacheLogEntry entry;
  TypeCode kind = kTypeNone;
  char url[kPathBytes] = {};
  char path[kPathBytes] = {};
  const ResolveResult resolved = ResolveEntryPath(file, log, entry, kind, url, path, run);
  if (resolved == kResolveStop) return kConvertStop;
  Tell(file, resolved == kResolveUnlisted ? nullptr : &entry);
  switch (resolved) {
    case kResolveBroken:
      WriteDetectionLine(name, kind, url, size, date);
      return kConvertBroken;
    case kResolveUnlisted:
      return ConvertUnlisted(file, log, size, date, run);
    default:
      return ConvertListed(file, kind, url, path, size, date, run);
  }
}

}  // namespace hoard

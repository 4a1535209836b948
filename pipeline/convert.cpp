#include "pipeline/convert.h"

#include "app/progress.h"
#include "store/pstring.h"

namespace hoard {
namespace {

constexpr std::string_view kDetectionLogName = "h-hoard.csv";

LookupObserver gObserver = nullptr;

// The first file of a run finds and loads the cache log beside it. False when
// this file is to be passed over; `stop` when the run must end.
bool SetUpRun(const FileRef& file, CacheLog& log, bool& stop) {
  stop = false;
  const std::string_view name = file.name.View();
  if (PStringEqualNoCase(name, kDetectionLogName) || IsVisitManagerFile(name)) return false;
  FileRef logRef;
  if (DefaultCacheLogRef(file, logRef)) return false;
  if (LoadCacheLog(logRef, log) == LoadResult::kAbort) {
    stop = true;
    return false;
  }
  return true;
}

// The URL without its "scheme://" (or "scheme:"), for the display.
std::string_view AfterScheme(std::string_view url) {
  const size_t colon = url.find(':');
  if (colon == std::string_view::npos || url.substr(0, colon).find('/') != std::string_view::npos) {
    return url;
  }
  url.remove_prefix(colon + 1);
  while (!url.empty() && url.front() == '/') url.remove_prefix(1);
  return url;
}

}  // namespace

void SetLookupObserver(LookupObserver observer) { gObserver = observer; }

int ConvertCacheFile(const FileRef& file, CacheLog& log) {
  if (log.state == CacheLogState::kNotLoaded) {
    bool stop = false;
    if (!SetUpRun(file, log, stop)) return stop ? kConvertStop : kConvertDone;
  }
  const std::string_view name = file.name.View();
  if (IsLogFileName(name, kLogAnyKind) || PStringEqualNoCase(name, kDetectionLogName)) {
    return kConvertDone;
  }
  // The display advances and one pending window message is served before
  // the lookup, so that an abort confirmed now stops this file.
  ProgressTick(Progress());
  CacheLogEntry entry;
  const LookupResult found = LookupCacheFile(log, name, entry);
  if (found == LookupResult::kNoIndex || AbortRequested != 0) return kConvertStop;
  if (found == LookupResult::kFound) ShowCurrentItem(AfterScheme(entry.url));
  if (gObserver != nullptr) gObserver(file, found == LookupResult::kFound ? &entry : nullptr);
  return kConvertDone;
}

}  // namespace hoard

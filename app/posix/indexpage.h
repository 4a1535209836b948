// The mirror's front door, written beside the detection log after a run:
// "h-hoard-index.html", the hosts of the mirror and under each its pages
// with their titles, then the links of the mirror whose targets the cache
// never held ("not in the cache"), grouped by host with counts; and the same
// list as "h-hoard-missing.csv".
//
// Both files are recognised as the program's own by their first line; a
// file of either name that does not begin so is the user's and is left as it
// is. Each is written through a temporary file in the same folder and a
// rename, so a failure leaves the previous file whole.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/run.h"
#include "pipeline/reportfiles.h"

namespace hoard::app {

using hoard::kIndexPageName;
using hoard::kMissingListName;
// The first line of each: the program's mark.
inline constexpr std::string_view kIndexPageMark =
    "<!DOCTYPE html>\n<!-- hoard-hoard mirror index -->\n";
inline constexpr std::string_view kMissingListHeader = "url,host,links,linked_from\n";

// One target the cache never held: its URL, its host, how many links name
// it and from which pages (mirror paths, percent-encoded, in order).
struct MissingTarget {
  std::string url;
  std::string host;
  size_t links = 0;
  std::vector<std::string> pages;
};

struct MirrorIndexResult {
  size_t hosts = 0;
  size_t pages = 0;
  size_t missingLinks = 0;
  std::vector<MissingTarget> missing;  // by host, then URL
  bool indexWritten = false;
  bool listWritten = false;
  std::string problems;  // one line per file left alone or not written
};

// Reads the mirror inside `cacheFolder` (its sub-folders; the cache files
// at its top are no part of it) and writes both files there.
MirrorIndexResult WriteMirrorIndex(const std::string& cacheFolder);

// The folder whose mirror a run of `args` built: a folder argument itself,
// else the folder of the first file. Empty when there is none.
std::string CacheFolderOfRun(const ArgList& args);

// After a conversion run of `args` that was not stopped: writes both files
// beside the detection log. Only a file left alone or not written is named,
// on standard error; the run's summary stays its only other line there.
void WriteIndexAfterRun(const ArgList& args);

}  // namespace hoard::app

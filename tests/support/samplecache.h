// A cache folder that holds one of every kind of file a batch meets, for
// the tests that fail or kill a batch: the special sample cache (pages with
// stored headers and MacBinary headers, broken and wrapped images, an
// over-long host, a board's query-string name, a log line naming a cache
// file twice) and, added to it, an EUC-JP page with LF line ends, two cache
// files of one URL (the older one loses its place), and a host folder that
// is a link to a sibling folder outside the cache folder.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace hoard::test {

struct SampleCache {
  std::filesystem::path cache;    // root / "cache"
  std::filesystem::path sibling;  // root / "sibling", where the link leads
};

// Builds the sample under `root`, which must exist and be empty.
SampleCache BuildSampleCache(const std::filesystem::path& root);

// The cache names a batch of the sample may delete with the broken-image
// deletion setting: the broken images and the older copy of a URL.
inline constexpr const char* kSampleDeletable[] = {"JCH00005.GIF", "JCH00007.JPG",
                                                   "JCH00012.HTM"};

// Every entry below `root`, by relative path: a file's bytes, a link's
// target, or a mark for a folder. Links are not followed.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& root);

}  // namespace hoard::test

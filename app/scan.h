// Finding the cache files of a folder: the naming families of the browser's
// cache files and the folder scan.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

#include "app/run.h"
#include "store/cachelog.h"
#include "store/fileref.h"

namespace hoard::app {

// The naming families (IsCachePrefixedName, IsJchName, IsMName) are the cache
// log's: store/cachelog.h.

// Decides, name by name in the folder's order, which names are cache files:
// the first name of a known family fixes the folder's family, and from then
// on only names of that family are taken.
class CacheNameFilter {
 public:
  bool Take(std::string_view name);

 private:
  bool (*family_)(std::string_view) = nullptr;
};

inline constexpr size_t kScanStoreBytes = 256 * 1024;

// The names of one folder's cache files, back to back with NULs, in a store
// of its own; the argument list points into it.
struct ScanStore {
  char* bytes = nullptr;  // kScanStoreBytes, from AllocBlock
  size_t used = 0;
};
bool AllocScanStore(ScanStore& store);
void FreeScanStore(ScanStore& store);

// Scans `folder` (a folder reference, empty name) for the cache files of the
// folder's naming family, at most 1000, in the platform's order. Tells the
// user when there is none. Returns the count.
size_t CollectCacheFiles(const FileRef& folder, ScanStore& store, ArgList& args);

// The names a run has already handed to the conversion: a later batch of the
// same folder passes them over, so a file that stayed is never taken again.
using TriedNames = std::unordered_set<std::string>;

// CollectCacheFiles for a batch after the first: at most `limit` names, none
// of `tried`, and nobody told when there is none.
size_t CollectUntried(const FileRef& folder, ScanStore& store, ArgList& args, size_t limit,
                      const TriedNames& tried);

// How many cache files of the folder's naming family the folder holds.
size_t CountCacheFiles(const FileRef& folder);

// The name the file system stores for `path` (its long name); 0 and an empty
// name when the file is not found or the name does not fit `capacity` with
// its NUL.
size_t FindLongName(const char* path, char* name, size_t capacity);

}  // namespace hoard::app

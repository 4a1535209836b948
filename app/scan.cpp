#include "app/scan.h"

#include <algorithm>
#include <cstring>

#include "base/messages.h"
#include "platform/fs.h"
#include "platform/ui.h"
#include "store/files.h"
#include "store/pstring.h"

namespace hoard::app {
namespace {

using SchemeTest = bool (*)(std::string_view);
// The order in which the first matching entry fixes the folder's family.
constexpr SchemeTest kSchemeTests[] = {IsCachePrefixedName, IsJchName, IsMName};

}  // namespace

bool CacheNameFilter::Take(std::string_view name) {
  if (name.size() > kMaxNameBytes || PStringEqualNoCase(name, "Finder.dat")) return false;
  if (family_ != nullptr) return family_(name);
  for (SchemeTest test : kSchemeTests) {
    if (test(name)) {
      family_ = test;
      return true;
    }
  }
  return false;
}

bool AllocScanStore(ScanStore& store) {
  store.bytes = static_cast<char*>(AllocBlock(kScanStoreBytes));
  store.used = 0;
  return store.bytes != nullptr;
}

void FreeScanStore(ScanStore& store) {
  FreeAndClear(store.bytes);
  store.used = 0;
}

namespace {

// Walks the folder's entries in the platform's order and hands each cache
// file's name to `take` until it answers false.
template <typename Take>
void WalkCacheFiles(const FileRef& folder, Take take) {
  FileRef pattern = folder;
  CPath patternPath;
  platform::FindHandle find = platform::kNoHandle;
  platform::FoundEntry entry{};
  if (SetFileRefName(pattern, "*.*") && FileRefToCPath(pattern, patternPath)) {
    find = platform::FindFirst(patternPath.data(), entry);
  }
  CacheNameFilter filter;
  bool more = find != platform::kNoHandle;
  while (more) {
    const std::string_view name(entry.name);
    if (filter.Take(name) && !take(name)) break;
    more = platform::FindNext(find, entry);
  }
  if (find != platform::kNoHandle) platform::FindEnd(find);
}

size_t Collect(const FileRef& folder, ScanStore& store, ArgList& args, size_t limit,
               const TriedNames* tried) {
  args.count = 0;
  store.used = 0;
  limit = std::min(limit, kMaxArguments);
  if (limit == 0) return 0;
  WalkCacheFiles(folder, [&](std::string_view name) {
    if ((tried == nullptr || tried->count(std::string(name)) == 0) &&
        store.used + name.size() + 1 <= kScanStoreBytes) {
      char* copy = store.bytes + store.used;
      std::memcpy(copy, name.data(), name.size());
      copy[name.size()] = '\0';
      store.used += name.size() + 1;
      args.items[args.count++] = copy;
    }
    return args.count < limit;
  });
  return args.count;
}

}  // namespace

size_t CollectCacheFiles(const FileRef& folder, ScanStore& store, ArgList& args) {
  if (Collect(folder, store, args, kMaxArguments, nullptr) == 0) {
    platform::ShowMessage(messages::ProgramCaption(),
                          messages::Get(messages::Text::kNoCacheFiles),
                          platform::Icon::kWarning, platform::Buttons::kOk);
  }
  return args.count;
}

size_t CollectUntried(const FileRef& folder, ScanStore& store, ArgList& args, size_t limit,
                      const TriedNames& tried) {
  return Collect(folder, store, args, limit, &tried);
}

size_t CountCacheFiles(const FileRef& folder) {
  size_t count = 0;
  WalkCacheFiles(folder, [&](std::string_view) {
    ++count;
    return true;
  });
  return count;
}

size_t FindLongName(const char* path, char* name, size_t capacity) {
  if (capacity == 0) return 0;
  name[0] = '\0';
  platform::FoundEntry entry{};
  platform::FindHandle find = platform::FindFirst(path, entry);
  if (find == platform::kNoHandle) return 0;
  platform::FindEnd(find);
  const size_t length = std::strlen(entry.name);
  if (length + 1 > capacity) return 0;
  std::memcpy(name, entry.name, length + 1);
  return length;
}

}  // namespace hoard::app

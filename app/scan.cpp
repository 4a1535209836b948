#include "app/scan.h"

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

size_t CollectCacheFiles(const FileRef& folder, ScanStore& store, ArgList& args) {
  args.count = 0;
  FileRef pattern = folder;
  CPath patternPath;
  platform::FindHandle find = platform::kNoHandle;
  platform::FoundEntry entry{};
  if (SetFileRefName(pattern, "*.*") && FileRefToCPath(pattern, patternPath)) {
    find = platform::FindFirst(patternPath.data(), entry);
  }
  CacheNameFilter filter;
  bool more = find != platform::kNoHandle;
  while (more && args.count < kMaxArguments) {
    const std::string_view name(entry.name);
    if (filter.Take(name) && store.used + name.size() + 1 <= kScanStoreBytes) {
      char* copy = store.bytes + store.used;
      std::memcpy(copy, name.data(), name.size());
      copy[name.size()] = '\0';
      store.used += name.size() + 1;
      args.items[args.count++] = copy;
    }
    more = platform::FindNext(find, entry);
  }
  if (find != platform::kNoHandle) platform::FindEnd(find);
  if (args.count == 0) {
    platform::ShowMessage(messages::ProgramCaption(),
                          messages::Get(messages::Text::kNoCacheFiles),
                          platform::Icon::kWarning, platform::Buttons::kOk);
  }
  return args.count;
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

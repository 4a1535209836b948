#include "pipeline/leftovers.h"

#include <cstring>
#include <string_view>

#include "pipeline/detectionlog.h"
#include "platform/fs.h"
#include "store/files.h"
#include "store/pstring.h"
#include "store/sparefile.h"

namespace hoard {
namespace {

// Deeper mirrors than this are not walked; no URL makes one.
constexpr int kMaxDepth = 40;

// `folder` + separator + `name` into `out`; false when it does not fit.
bool JoinPath(const char* folder, std::string_view name, CPath& out) {
  const size_t length = std::strlen(folder);
  if (length + 1 + name.size() + 1 > out.size()) return false;
  std::memcpy(out.data(), folder, length);
  out[length] = PathSeparator();
  std::memcpy(out.data() + length + 1, name.data(), name.size());
  out[length + 1 + name.size()] = '\0';
  return true;
}

bool Occupied(const char* path) {
  return platform::IsLink(path) || platform::IsFolder(path) || FileExists(path);
}

void (*gInterruptedRewrite)(const char*) = nullptr;

void RepairOne(const char* folder, std::string_view name, const char* path, int depth,
               LeftoverRepairs& repairs) {
  const std::string_view own = name.substr(0, name.size() - kUnfinishedSuffix.size());
  CPath ownPath;
  if (own.empty() || !JoinPath(folder, own, ownPath)) return;
  if (!Occupied(ownPath.data())) {
    if (platform::MovePath(path, ownPath.data())) ++repairs.placed;
    return;
  }
  if (IsDetectionLogName(own)) {
    if (platform::IsLink(ownPath.data()) || !platform::DeletePath(ownPath.data())) return;
    if (platform::MovePath(path, ownPath.data())) ++repairs.placed;
    return;
  }
  if (!platform::DeletePath(path)) return;
  ++repairs.removed;
  // Below the cache folder an unfinished file is a page's rewrite (a cut
  // copy of a cache file is made beside it, in the cache folder).
  if (depth > 0) {
    ++repairs.interruptedRewrites;
    if (gInterruptedRewrite != nullptr) gInterruptedRewrite(ownPath.data());
  }
}

void Walk(const char* folder, int depth, LeftoverRepairs& repairs) {
  CPath pattern;
  if (depth > kMaxDepth || !JoinPath(folder, "*.*", pattern)) return;
  platform::FoundEntry entry{};
  platform::FindHandle find = platform::FindFirst(pattern.data(), entry);
  for (bool more = find != platform::kNoHandle; more; more = platform::FindNext(find, entry)) {
    const std::string_view name(entry.name);
    if (name == "." || name == "..") continue;
    // A spare a killed run left holds a replaced page's old text.
    if (!entry.isFolder && name == kSpareFileName) {
      CPath path;
      if (JoinPath(folder, name, path)) platform::DeletePath(path.data());
      continue;
    }
    const bool unfinished =
        name.size() > kUnfinishedSuffix.size() &&
        name.substr(name.size() - kUnfinishedSuffix.size()) == kUnfinishedSuffix;
    // Only a folder to walk or an unfinished file needs a look for a link.
    if (!entry.isFolder && !unfinished) continue;
    CPath path;
    if (!JoinPath(folder, name, path) || platform::IsLink(path.data())) continue;
    if (entry.isFolder) {
      Walk(path.data(), depth + 1, repairs);
    } else {
      RepairOne(folder, name, path.data(), depth, repairs);
    }
  }
  if (find != platform::kNoHandle) platform::FindEnd(find);
}

}  // namespace

void SetInterruptedRewriteObserver(void (*observer)(const char* pagePath)) {
  gInterruptedRewrite = observer;
}

LeftoverRepairs RepairUnfinishedFiles(const FileRef& cacheFile) {
  LeftoverRepairs repairs;
  FileRef folderRef = cacheFile;
  CPath folder;
  if (!SetFileRefName(folderRef, "") || !FileRefToCPath(folderRef, folder)) return repairs;
  // The folder text ends with its separator; the walk adds its own.
  size_t length = std::strlen(folder.data());
  while (length > 1 && folder[length - 1] == PathSeparator()) folder[--length] = '\0';
  Walk(folder.data(), 0, repairs);
  return repairs;
}

}  // namespace hoard

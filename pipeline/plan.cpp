#include "pipeline/plan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <string>

#include "base/ascii.h"
#include "html/linkrules.h"
#include "pipeline/brokenimages.h"
#include "pipeline/convert.h"
#include "pipeline/manifest.h"
#include "pipeline/outputfolders.h"
#include "platform/fs.h"
#include "store/contentcheck.h"
#include "store/files.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

// What the batch so far would have made of a path, over what the disk holds.
struct Planned {
  enum Kind { kFolder, kFile, kGone } kind = kGone;
  FileTime time = 0;
  uint64_t size = 0;
};
std::map<std::string, Planned> gPlanned;
// The places the batch would have filled, with the URL path of each. Places
// compare with ASCII case folded, as the conversion compares them.
std::map<std::string, std::string> gPlacedUrls;

std::string PlaceKey(const std::string& path) {
  std::string key = path;
  for (char& c : key) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
  return key;
}

std::string Joined(const std::string& folder, std::string_view name) {
  std::string path = folder;
  path.append(name);
  return path;
}

std::string FolderPath(const FileRef& ref) {
  FileRef folder = ref;
  SetFileRefName(folder, "");
  CPath path;
  return FileRefToCPath(folder, path) ? std::string(path.data()) : std::string();
}

const Planned* PlannedAt(const std::string& path) {
  const auto found = gPlanned.find(path);
  return found == gPlanned.end() ? nullptr : &found->second;
}

bool IsLinkAt(const std::string& path) {
  return PlannedAt(path) == nullptr && platform::IsLink(path.c_str());
}

bool IsFolderAt(const std::string& path) {
  if (const Planned* planned = PlannedAt(path)) return planned->kind == Planned::kFolder;
  return !platform::IsLink(path.c_str()) && platform::IsFolder(path.c_str());
}

bool IsFileAt(const std::string& path) {
  if (const Planned* planned = PlannedAt(path)) return planned->kind == Planned::kFile;
  return FileExists(path.c_str());
}

// The time and size of the file at `path`, as the batch would have left it.
Planned FileAt(const std::string& path) {
  if (const Planned* planned = PlannedAt(path)) return *planned;
  Planned found;
  FileRef ref;
  if (ParseFileRef(path, NativePathStyle(), ref) != kNoError) return found;
  found.kind = Planned::kFile;
  found.size = FileSizeOf(ref);
  GetModificationTime(ref, found.time);
  return found;
}

// Whether the move would cut a MacBinary or stored HTTP header, and the
// size left after it.
bool WouldCutHeader(const FileRef& file, uint64_t& sizeAfter) {
  constexpr uint32_t kHeadBytes = 256;
  constexpr uint32_t kMacBinaryBytes = 128;
  sizeAfter = FileSizeOf(file);
  FileHandle handle = kNullHandle;
  if (OpenRead(file, handle) != kNoError) return false;
  OpenFile open(handle);
  std::array<unsigned char, kHeadBytes> head{};
  uint32_t got = static_cast<uint32_t>(std::min<uint64_t>(sizeAfter, kHeadBytes));
  if (ReadBytes(handle, got, head.data()) != kNoError) return false;
  uint32_t skip = 0;
  uint32_t length = 0;
  if (got >= kMacBinaryBytes && IsMacBinaryHeader(head.data(), sizeAfter, length)) {
    sizeAfter = length;
    return true;
  }
  if (FindStoredHttpHeader(head.data(), got, skip, length)) {
    sizeAfter -= skip;
    return true;
  }
  return false;
}

void Leave(std::string_view why) { NoteFate(FileAction::kLeave, why); }

void NoteAt(FileAction action, std::string_view detail, const std::string& place) {
  FileRef ref;
  if (ParseFileRef(place, NativePathStyle(), ref) == kNoError) {
    NoteFate(action, detail, ref, true);
  } else {
    NoteFate(action, detail);
  }
}

// The folders of `path` below the cache folder, as CreateOutputFolders
// would make them. False when the file would stay in the cache folder.
bool PlanFolders(const FileRef& file, const char* path, std::string& folder, const char*& rest) {
  const std::string cacheFolder = FolderPath(file);
  FolderName name{};
  size_t length = 0;
  for (const char* scan = path; NextOutputFolder(scan, name, length);) {
    if (length == 0) return false;
  }
  folder = cacheFolder;
  size_t depth = file.folder.length;
  const char separator = PathSeparator();
  for (;;) {
    const char* const before = path;
    if (!NextOutputFolder(path, name, length)) {
      rest = path;
      return true;
    }
    if (depth + length + 1 > kMaxPathBytes) {
      rest = IsPathSeparator(static_cast<unsigned char>(*before)) ? before + 1 : before;
      return true;
    }
    const std::string inside = Joined(folder, std::string_view(name.data(), length));
    if (IsLinkAt(inside)) return false;
    if (!IsFolderAt(inside) && IsFileAt(inside)) {
      // A plain file in the way becomes the new folder's page.
      const std::string page = inside + separator + std::string(kFolderPageName);
      gPlanned[page] = FileAt(inside);
      FileRef from;
      FileRef to;
      if (ParseFileRef(inside, NativePathStyle(), from) == kNoError &&
          ParseFileRef(page, NativePathStyle(), to) == kNoError) {
        NoteFileMoved(from, to);
      }
    }
    gPlanned[inside] = Planned{Planned::kFolder, 0, 0};
    folder = inside + separator;
    depth += length + 1;
  }
}

void PlanListed(const FileRef& file, TypeCode kind, char (&path)[kPathBytes],
                const RunContext& run) {
  const std::string cacheFolder = FolderPath(file);
  if (!GiveHostItsFolder(path)) return Leave(LeftReasonWords(LeftReason::kNoPlace));
  std::string folder;
  const char* rest = nullptr;
  if (!PlanFolders(file, path + LinkSchemeLength(path), folder, rest)) {
    return Leave(LeftReasonWords(PathHasEmptyFolderName(path + LinkSchemeLength(path))
                                     ? LeftReason::kNoPlace
                                     : LeftReason::kFolderBlocked));
  }
  if (folder == cacheFolder) return Leave(LeftReasonWords(LeftReason::kNoPlace));
  char restBuffer[kPathBytes];
  const char* restText = *rest == '\0' ? kFolderPageName.data() : rest;
  const size_t restLength = std::min(std::strlen(restText), kPathBytes - 1);
  std::memmove(restBuffer, restText, restLength);
  restBuffer[restLength] = '\0';
  char localText[kLocalNameBufferBytes];
  localText[0] = '\0';
  MapUrlToLocalPath(localText, sizeof localText, restBuffer, sizeof restBuffer, kMapFileName);
  const std::string_view localName(localText);
  if (localName.empty() || localName.size() > kMaxNameBytes) return Leave(LeftReasonWords(LeftReason::kNoPlace));

  std::string_view placedName = localName;
  const std::string named = Joined(folder, localName);
  if (!IsLinkAt(named) && IsFolderAt(named)) {
    folder = named + PathSeparator();
    placedName = kFolderPageName;
  }
  const std::string destination = Joined(folder, placedName);
  const auto placed = gPlacedUrls.find(PlaceKey(destination));
  if ((placed != gPlacedUrls.end() && placed->second != path) || IsLinkAt(destination)) {
    return Leave(LeftReasonWords(LeftReason::kPlaceTaken));
  }
  const std::string cachePath = Joined(cacheFolder, file.name.View());
  if (placedName != file.name.View()) {
    const std::string inCache = Joined(cacheFolder, placedName);
    if (IsFileAt(inCache) || IsLinkAt(inCache))
      return Leave(LeftReasonWords(LeftReason::kNameTaken));
  }
  const Planned ours = FileAt(cachePath);
  gPlanned[cachePath] = Planned{};
  if (IsFileAt(destination)) {
    const Planned theirs = FileAt(destination);
    if (theirs.size > 0 && theirs.time > ours.time) {
      NoteFate(FileAction::kDelete, "the mirror holds a newer copy");
      return;
    }
  }
  uint64_t sizeAfter = 0;
  const bool cut = WouldCutHeader(file, sizeAfter);
  gPlanned[destination] = Planned{Planned::kFile, ours.time, sizeAfter};
  gPlacedUrls[PlaceKey(destination)] = path;
  if (kind == kTypeText) return NoteAt(FileAction::kRewrite, "", destination);
  const int mode = run.options.BrokenImageMode;
  if ((kind == kTypeGif || kind == kTypeJpeg) && IsBrokenImageFile(file, kind, mode)) {
    if (DisposalWord(mode) != "kept") {
      gPlanned[destination] = Planned{};
      NoteFate(FileAction::kBrokenImage, DisposalWord(mode));
      return;
    }
    return NoteAt(FileAction::kBrokenImage, DisposalWord(mode), destination);
  }
  NoteAt(cut ? FileAction::kMoveCutHeader : FileAction::kMove, "", destination);
}

}  // namespace

void PlanCacheFile(const FileRef& file, CacheLog& log, ResolveResult resolved, TypeCode kind,
                   char (&path)[kPathBytes], const RunContext& run) {
  const int mode = run.options.BrokenImageMode;
  switch (resolved) {
    case kResolveBroken:
      NoteFate(FileAction::kBrokenImage, DisposalWord(mode));
      return;
    case kResolveUnlisted: {
      if (ListedAfterCommas(log, file.name.View())) {
        return Leave(LeftReasonWords(LeftReason::kUrlWithCommas));
      }
      if (log.size > 1 && IsStaleCacheFile(file.name.View(), log)) return;
      const TypeCode type = TypeOfFile(file, mode);
      if (type == kTypeText) {
        NoteFate(FileAction::kRewrite, "in place, not in the cache log");
      } else if (IsBrokenImageFile(file, type, mode)) {
        NoteFate(FileAction::kBrokenImage, DisposalWord(mode));
      }
      return;
    }
    default:
      PlanListed(file, kind, path, run);
      return;
  }
}

void ResetPlan() {
  gPlanned.clear();
  gPlacedUrls.clear();
}

}  // namespace hoard

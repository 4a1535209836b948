#include "pipeline/outputfolders.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>

#include "base/ascii.h"
#include "base/messages.h"
#include "platform/fs.h"
#include "store/files.h"
#include "store/textconv.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

using messages::Text;

bool StartsWithTilde(const char* text) {
  return text[0] == '%' && text[1] == '7' && (text[2] == 'E' || text[2] == 'e');
}

// A separator ends a component outside a query. A '\' counts as one as it
// does in the URL scan: not right after a first byte 0x81..0x9F (it is then
// that character's second byte), nor as the last byte or before '"'.
bool IsComponentBreak(const char* p, const char* componentStart) {
  if (*p == '/' || *p == ':') return true;
  if (*p != '\\') return false;
  const bool secondByte = p > componentStart && IsSjisLeadLow(static_cast<unsigned char>(p[-1]));
  return p[1] != '\0' && p[1] != '"' && !secondByte;
}

void ShowFolderMessage(int error, Prompts& prompts) {
  std::array<char, 160> text{};
  const char* base = messages::Get(Text::kFolderErrorNumber);
  if (platform::IsNotFound(error)) {
    base = messages::Get(Text::kFolderNoLongNames);
  } else if (platform::IsVolumeFull(error)) {
    base = messages::Get(Text::kFolderDiskFull);
  } else if (platform::IsAccessDenied(error) || platform::IsReadOnlyVolume(error)) {
    // Said in words rather than as a number.
    base = messages::Get(Text::kFolderCannotBeMade);
    size_t length = std::min(std::strlen(base), text.size() - 1);
    std::memcpy(text.data(), base, length);
    ErrorInWords(error, text.data() + length, text.size() - length);
    prompts.ShowWarning(messages::ProgramCaption(), text.data());
    return;
  }
  size_t length = std::min(std::strlen(base), text.size() - 1);
  std::memcpy(text.data(), base, length);
  if (base == messages::Get(Text::kFolderErrorNumber)) {
    const auto done = std::to_chars(text.data() + length, text.data() + text.size() - 1, error);
    length = static_cast<size_t>(done.ptr - text.data());
  }
  text[length] = '\0';
  prompts.ShowWarning(messages::ProgramCaption(), text.data());
}

// Turns the plain file `name` into a folder of that name holding the file as
// "index.html". false (and the file where it was) when that cannot be done.
bool MakeFolderInPlaceOfFile(const char* name) {
  constexpr char kAside[] = "~hoard-hoard.tmp";
  constexpr std::string_view kIndex = kFolderPageName;
  if (FileExists(kAside) || !platform::MovePath(name, kAside)) return false;
  if (!platform::MakeFolder(name)) {
    platform::MovePath(kAside, name);
    return false;
  }
  CPath inside{};
  const size_t length = std::strlen(name);
  if (length + 1 + kIndex.size() + 1 > inside.size()) return false;
  std::memcpy(inside.data(), name, length);
  inside[length] = PathSeparator();
  std::memcpy(inside.data() + length + 1, kIndex.data(), kIndex.size());
  inside[length + 1 + kIndex.size()] = '\0';
  // Should this last step fail, the file stays beside the folder under the
  // aside name: still there for the user.
  return platform::MovePath(kAside, inside.data());
}

FolderPageMove gLastMove;

// Makes `name` (relative to the current directory) an existing folder and
// enters it. kFoldersStop: the batch stops. kFoldersUnplaceable: a link
// stands where the folder should be; nothing is made or entered through it,
// since it may lead out of the cache folder. `movedFile`: a plain file of
// that name became the folder's index.html.
FolderResult EnterFolder(const char* name, Prompts& prompts, bool& movedFile) {
  movedFile = false;
  // An empty name (two separators in a row) can be neither made nor entered.
  const bool empty = name[0] == '\0';
  if (empty) {
    if (!platform::MakeFolder(name)) ShowFolderMessage(platform::LastError(), prompts);
    return kFoldersStop;
  }
  if (platform::IsLink(name)) return kFoldersUnplaceable;
  if (platform::IsFolder(name)) {
    return platform::EnterFolderNoLink(name) ? kFoldersReady : kFoldersStop;
  }
  if (FileExists(name)) {
    // A plain file of that name is in the way: most often the page of a URL
    // without its closing '/' ("host/a" beside "host/a/b.html"), mirrored
    // earlier. It is never deleted: it becomes the new folder's index.html.
    movedFile = MakeFolderInPlaceOfFile(name);
    return movedFile && platform::EnterFolderNoLink(name) ? kFoldersReady : kFoldersStop;
  }
  if (!platform::MakeFolder(name)) {
    ShowFolderMessage(platform::LastError(), prompts);
  }
  return platform::EnterFolderNoLink(name) ? kFoldersReady : kFoldersStop;
}

}  // namespace

const char* AppendComponent(PName& buffer, const char* source) {
  if ((buffer.Empty() || buffer.View().back() == '/') && StartsWithTilde(source)) {
    buffer.Append("~");
    source += 3;
  }
  const char* const start = source;
  bool inQuery = false;
  bool idMark = false;
  while (*source != '\0' && buffer.length < kMaxNameBytes) {
    if (!inQuery && IsComponentBreak(source, start)) break;
    if (MatchAt(source, "id=")) {
      source += 3;
      idMark = true;
      continue;
    }
    if (idMark && *source == '&') break;
    if (*source == '?') {
      buffer.Append("_");
      inQuery = true;
      ++source;
      continue;
    }
    if (MatchAt(source, "%20")) {
      buffer.Append(" ");
      source += 3;
      continue;
    }
    buffer.Append(std::string_view(source, 1));
    ++source;
  }
  // The rest of a query is dropped.
  if (inQuery) source += std::strlen(source);
  return source;
}

bool NextOutputFolder(const char*& path, FolderName& name, size_t& length) {
  if (IsPathSeparator(static_cast<unsigned char>(*path))) ++path;
  PName buffer;
  const char* next = AppendComponent(buffer, path);
  if (!IsComponentBreak(next, path)) {
    name[0] = '\0';
    length = 0;
    return false;
  }
  length = MapFolderName(buffer.View(), name.data(), name.size());
  path = next;
  return true;
}

namespace {

// Whether a folder of the path would have an empty name. Such a path names
// no place in the mirror; it is found before anything is made, so that the
// file can stay in the cache folder and the batch go on.
bool HasEmptyFolderName(const char* path) {
  FolderName name{};
  size_t length = 0;
  while (NextOutputFolder(path, name, length)) {
    if (length == 0) return true;
  }
  return false;
}

}  // namespace

bool PathHasEmptyFolderName(const char* path) { return HasEmptyFolderName(path); }

namespace {

// Chains of folders a batch has made or entered already: the files of a
// site share a few folders, and walking them again for every file costs a
// dozen calls. Forgotten when a folder or link moves.
struct ReadyChains {
  bool kept = false;
  uint64_t changes = 0;
  std::unordered_set<std::string> chains;
};
constexpr size_t kMaxReadyChains = 4096;
ReadyChains gReady;

// The folders `path` comes to below `destination`'s, named as the walk
// names them, without touching the disk; returns where `rest` would point.
const char* NameChain(FileRef& destination, const char* path) {
  const char separator = PathSeparator();
  for (;;) {
    const char* const before = path;
    FolderName name{};
    size_t length = 0;
    if (!NextOutputFolder(path, name, length)) return path;
    if (destination.folder.length + length + 1 > kMaxPathBytes) {
      return IsPathSeparator(static_cast<unsigned char>(*before)) ? before + 1 : before;
    }
    destination.folder.Append(std::string_view(name.data(), length));
    destination.folder.Append(std::string_view(&separator, 1));
  }
}

bool KnownReady(FileRef& destination, const char* path, const char*& rest) {
  if (!gReady.kept) return false;
  if (gReady.changes != platform::FolderChangeCount()) {
    gReady.chains.clear();
    gReady.changes = platform::FolderChangeCount();
    return false;
  }
  FileRef named = destination;
  const char* namedRest = NameChain(named, path);
  if (gReady.chains.count(std::string(named.folder.View())) == 0) return false;
  destination = named;
  rest = namedRest;
  return true;
}

void NoteReady(const FileRef& destination) {
  if (!gReady.kept) return;
  if (gReady.chains.size() >= kMaxReadyChains) gReady.chains.clear();
  gReady.chains.emplace(destination.folder.View());
}

}  // namespace

void KeepReadyFolders(bool keep) {
  gReady.kept = keep;
  gReady.chains.clear();
  gReady.changes = platform::FolderChangeCount();
}

FolderResult CreateOutputFolders(const FileRef& cacheFile, FileRef& destination,
                                 const char* path, const char*& rest, Prompts& prompts) {
  destination = cacheFile;
  SetFileRefName(destination, "");
  gLastMove.moved = false;
  if (HasEmptyFolderName(path)) return kFoldersUnplaceable;
  if (KnownReady(destination, path, rest)) return kFoldersReady;
  const char* const pathStart = path;
  FileRef savedFolder;
  GetCurrentFolderRef(savedFolder);
  // Folders are made relative to the current directory: one that cannot be
  // made the cache folder makes none (they would be made wherever it is).
  if (SetCurrentFolderFromRef(cacheFile) != kNoError) return kFoldersStop;
  const char separator = PathSeparator();

  FolderResult result = kFoldersReady;
  for (;;) {
    const char* const before = path;
    FolderName name{};
    size_t length = 0;
    if (!NextOutputFolder(path, name, length)) {
      rest = path;
      break;
    }
    // A chain deeper than a folder reference can hold ends here: the
    // component is handed back with the rest.
    if (destination.folder.length + length + 1 > kMaxPathBytes) {
      rest = IsPathSeparator(static_cast<unsigned char>(*before)) ? before + 1 : before;
      break;
    }
    bool movedFile = false;
    const FolderResult entered = EnterFolder(name.data(), prompts, movedFile);
    if (entered != kFoldersReady) {
      result = entered;
      break;
    }
    if (movedFile) {
      gLastMove.moved = true;
      gLastMove.oldPlace = destination;
      SetFileRefName(gLastMove.oldPlace, std::string_view(name.data(), length));
      gLastMove.pathEnd = static_cast<size_t>(path - pathStart);
    }
    destination.folder.Append(std::string_view(name.data(), length));
    destination.folder.Append(std::string_view(&separator, 1));
  }
  // Also after a failure: the rest of the program keeps its current directory.
  SetCurrentFolderFromRef(savedFolder);
  if (result == kFoldersReady && !gLastMove.moved) NoteReady(destination);
  return result;
}

const FolderPageMove& LastFolderPageMove() { return gLastMove; }

}  // namespace hoard

#include "pipeline/convert.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>

#include "base/messages.h"
#include "base/runcontext.h"
#include "html/linkrules.h"
#include "html/pagefile.h"
#include "html/rewriter.h"
#include "pipeline/brokenimages.h"
#include "pipeline/detectionlog.h"
#include "pipeline/leftovers.h"
#include "pipeline/manifest.h"
#include "pipeline/outputfolders.h"
#include "pipeline/plan.h"
#include "pipeline/reportfiles.h"
#include "platform/fs.h"
#include "store/contentcheck.h"
#include "store/domaintable.h"
#include "store/files.h"
#include "store/pstring.h"
#include "urlmap/longhost.h"
#include "urlmap/redirect.h"
#include "urlmap/siterules.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

LookupObserver gObserver = nullptr;
bool gListOnly = false;
LeftBehind gLeftBehind;
ConversionCounts gCounts;
LeftBehindObserver gLeftObserver = nullptr;

// The files this batch placed in the mirror, so that the keep-newer step
// only ever replaces a copy of the same URL. A place and its URL are kept as
// hashes; a place that holds a page's backup, no URL's file, has kNoUrl.
struct PlacedFile {
  uint64_t place = 0;
  uint64_t url = 0;
  bool rewritten = false;  // a page whose links were rewritten
};
constexpr size_t kMaxPlacedFiles = 4096;
constexpr uint64_t kNoUrl = 0;
struct PlacedFiles {
  std::array<PlacedFile, kMaxPlacedFiles> rows;
  size_t count = 0;
};
PlacedFiles gPlaced;

void ResetBatchRecords() {
  gLeftBehind.count = 0;
  gPlaced.count = 0;
  ResetPlan();
}

}  // namespace

std::string_view LeftReasonWords(LeftReason reason) {
  constexpr std::string_view kWords[] = {
      "no place for its URL",       "its place holds another file",
      "its name is taken in the cache folder", "its folder would be where a link or file is",
      "a link",                     "a link that leads round in a loop",
      "a link to a folder",         "it could not be read or moved",
      "its URL has commas",
  };
  static_assert(std::size(kWords) == kLeftReasonCount);
  return kWords[static_cast<size_t>(reason)];
}

namespace {

// The file stays in the cache folder under its cache name; the final report
// names it with the reason.
void LeaveBehind(std::string_view cacheName, LeftReason reason, ResultCode error = kNoError) {
  NoteFate(FileAction::kLeave, LeftReasonWords(reason));
  if (PlanOnly()) return;
  const size_t at = gLeftBehind.count;
  if (at < kMaxLeftBehindNamed) {
    gLeftBehind.names[at].Assign(cacheName);
    gLeftBehind.reasons[at] = reason;
    gLeftBehind.errors[at] = error;
  }
  ++gLeftBehind.count;
  ++gLeftBehind.byReason[static_cast<size_t>(reason)];
  ++gCounts.leftBehind;
  ++gCounts.byReason[static_cast<size_t>(reason)];
  if (gLeftObserver != nullptr) gLeftObserver(cacheName, reason, error);
}

// Why a cache file that is a link stays: a link is never followed, but the
// report tells a loop and a link to a folder from a link to a file.
LeftReason LinkReason(const FileRef& ref) {
  CPath path;
  if (!FileRefToCPath(ref, path)) return LeftReason::kLinkFile;
  platform::SetLastError(0);
  if (platform::IsFolder(path.data())) return LeftReason::kLinkToFolder;
  const int error = platform::LastError();
  if (error != 0 && !platform::IsNotFound(error)) return LeftReason::kLinkLoop;
  return LeftReason::kLinkFile;
}

// What one open of a cache file read: its last-write time and size, and
// its bytes: the whole file for a page or an image to check (which the
// rewrite and the checks then take as they are), else its first block (all
// the move needs to find a header to cut).
// No bytes when they could not be read: the later steps read for themselves.
struct CacheFileRead {
  FileTime created = 0;
  FileTime modified = 0;
  int64_t size = 0;
  Block bytes;
  size_t length = 0;
  bool whole = false;
  bool privateFile = false;  // a plain file of one name, owned as a new one would be
  bool timesKnown = false;
};
constexpr uint64_t kFirstBlockBytes = 256;

// Whether the file can be read (the platform's error when not); a link is
// never opened.
// `wholeUpTo`: the largest file read whole (0: none).
ResultCode ReadCacheFile(const FileRef& ref, uint64_t wholeUpTo, CacheFileRead& read) {
  CPath path;
  if (!FileRefToCPath(ref, path)) return kGeneralFailure;
  const platform::Handle handle =
      platform::OpenPath(path.data(), platform::OpenMode::kReadNoLink);
  if (handle == platform::kNoHandle) {
    const int error = platform::LastError();
    return error != 0 ? error : kGeneralFailure;
  }
  const OpenFile holder(handle);
  uint64_t creation = 0;
  uint64_t lastWrite = 0;
  read.timesKnown = platform::GetTimes(handle, &creation, &lastWrite);
  if (read.timesKnown) {
    read.created = creation;
    read.modified = lastWrite;
  }
  uint64_t length = 0;
  platform::SizeOf(handle, length);
  read.size = static_cast<int64_t>(length);
  read.privateFile = platform::IsPrivatePlainFile(handle);
  const bool whole = length <= wholeUpTo;
  const uint64_t wanted = whole ? length : std::min(length, kFirstBlockBytes);
  if (wanted == 0) return kNoError;
  read.bytes.reset(static_cast<unsigned char*>(AllocBlock(static_cast<size_t>(wanted) + 1)));
  uint32_t count = static_cast<uint32_t>(wanted);
  if (!read.bytes || ReadBytes(handle, count, read.bytes.get()) != kNoError) {
    read.bytes.reset();
    return kNoError;
  }
  read.length = count;
  read.whole = whole && count == length;
  return kNoError;
}

uint64_t HashBytes(std::string_view bytes, bool foldCase) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    if (foldCase && c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    hash = (hash ^ c) * 1099511628211ull;
  }
  return hash == kNoUrl ? 1 : hash;
}

// Places compare as on Windows, ASCII case folded.
uint64_t PlaceKey(const FileRef& ref) {
  CPath path;
  return FileRefToCPath(ref, path) ? HashBytes(path.data(), true) : 0;
}

void RecordPlaced(const FileRef& ref, uint64_t url) {
  const uint64_t place = PlaceKey(ref);
  for (size_t i = 0; i < gPlaced.count; ++i) {
    if (gPlaced.rows[i].place == place) {
      gPlaced.rows[i].url = url;
      return;
    }
  }
  if (gPlaced.count < kMaxPlacedFiles) gPlaced.rows[gPlaced.count++] = {place, url};
}

PlacedFile* FindPlaced(const FileRef& ref) {
  const uint64_t place = PlaceKey(ref);
  for (size_t i = 0; i < gPlaced.count; ++i) {
    if (gPlaced.rows[i].place == place) return &gPlaced.rows[i];
  }
  return nullptr;
}

// Whether this batch put another URL's file, or a backup, where `url` is to
// go. A file the batch did not place (an earlier run's copy) counts as the
// same URL's older copy.
bool TakenByAnotherUrl(const FileRef& destination, uint64_t url) {
  const uint64_t place = PlaceKey(destination);
  for (size_t i = 0; i < gPlaced.count; ++i) {
    if (gPlaced.rows[i].place == place) return gPlaced.rows[i].url != url;
  }
  return false;
}

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
  ResetBatchRecords();
  // What a killed run left is put right before anything else is touched.
  if (!PlanOnly() && !gListOnly) RepairUnfinishedFiles(file);
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

// The disk filled while `fileName` was written: the user is told which file
// and why, whatever the batch does next.
void TellDiskFull(std::string_view fileName, Prompts& prompts) {
  std::array<char, 160> text{};
  const std::string_view head = messages::Get(messages::Text::kDiskFullCannotWrite);
  const size_t headLength = std::min(head.size(), text.size() - 1);
  std::memcpy(text.data(), head.data(), headLength);
  const size_t nameLength = std::min(fileName.size(), text.size() - 1 - headLength);
  std::memcpy(text.data() + headLength, fileName.data(), nameLength);
  text[headLength + nameLength] = '\0';
  prompts.ShowWarning(messages::ProgramCaption(), text.data());
}

// A link is never moved, replaced or rewritten: what it leads to may lie
// outside the cache folder.
bool IsLinkRef(const FileRef& ref) {
  CPath path;
  return FileRefToCPath(ref, path) && platform::IsLink(path.data());
}

// What is at a reference's place, in one look that never follows a link.
enum class Found { kNothing, kLink, kOther };
Found LookAt(const FileRef& ref) {
  CPath path;
  if (!FileRefToCPath(ref, path)) return Found::kOther;
  platform::SetLastError(0);
  if (platform::IsLink(path.data())) return Found::kLink;
  return platform::IsNotFound(platform::LastError()) ? Found::kNothing : Found::kOther;
}

// Nothing at all (no file, folder or link) is at the place. Most places of a
// new mirror are free, and then none of their other checks needs the disk.
bool NothingAt(const FileRef& ref) { return LookAt(ref) == Found::kNothing; }

// When `name` inside `folder` is a folder, `folder` becomes that folder.
bool EnterExistingFolder(FileRef& folder, std::string_view name) {
  FileRef inside = folder;
  SetFileRefName(inside, name);
  CPath path;
  if (!FileRefToCPath(inside, path) || platform::IsLink(path.data()) ||
      !platform::IsFolder(path.data())) {
    return false;
  }
  if (folder.folder.length + name.size() + 1 > kMaxPathBytes) return false;
  const char separator = PathSeparator();
  folder.folder.Append(name);
  folder.folder.Append(std::string_view(&separator, 1));
  return true;
}

}  // namespace

// A URL whose host has no '/' after it ("http://host", "http://host?x=1")
// names the host's own page, as a browser asks for it: the '/' is put in.
// False for a path that names no place: a scheme-less name that is no host
// ("notes.html"), or one that no longer fits.
bool GiveHostItsFolder(char (&path)[kPathBytes]) {
  const size_t scheme = LinkSchemeLength(path);
  char* const host = path + scheme;
  const size_t hostLength = std::strcspn(host, "/\\?#");
  if (host[hostLength] == '/' || host[hostLength] == '\\') return true;
  if (hostLength == 0) return false;
  if (scheme == 0 && !IsHostName(std::string_view(host, hostLength))) return false;
  const size_t length = std::strlen(path);
  if (length + 1 >= kPathBytes) return false;
  std::memmove(host + hostLength + 1, host + hostLength, length - scheme - hostLength + 1);
  host[hostLength] = '/';
  return true;
}

namespace {

// The whole-URL site rules decide whether redirect unwrapping and the domain
// table still run: after the channel redirector or a search-service address
// neither does, after a bookmark or directory lookup only the domain table.
enum class SiteRuleOutcome { kNone, kFinal, kDomainOnly };

SiteRuleOutcome RunWholeUrlRules(char (&path)[kPathBytes], const char* url) {
  switch (ApplyWholeUrlRules(path, kPathBytes, url)) {
    case WholeUrlRule::kChannelRedirect:
    case WholeUrlRule::kInfoseek:
      return SiteRuleOutcome::kFinal;
    case WholeUrlRule::kBookmark:
    case WholeUrlRule::kDirectoryLookup:
      return SiteRuleOutcome::kDomainOnly;
    case WholeUrlRule::kNone:
      break;
  }
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
    const int rewritten = RewriteHtmlFile(file, "", run.options, run.progress, repaired);
    if (rewritten == kVolumeFull) TellDiskFull(name, run.prompts);
    if (rewritten != 0) return kConvertStop;
    NoteFate(FileAction::kRewrite, "in place, not in the cache log");
    if (repaired) {
      WriteDetectionLine(name, kTypeText, "", size, date);
      return kConvertBroken;
    }
    run.progress.Tick(0, 0);
    return kConvertDone;
  }
  if (CheckAndDisposeImage(file, kind, mode)) {
    NoteFate(FileAction::kBrokenImage, DisposalWord(mode));
    WriteDetectionLine(name, kind, "", size, date);
    return kConvertBroken;
  }
  run.progress.Tick(0, 0);
  return kConvertDone;
}

// The backup this batch made of the page at `page`: its first free name
// then the stepped ones, the first the batch recorded as a backup.
bool FindBackupOf(const FileRef& page, FileRef& backup) {
  constexpr std::string_view kSteps = "k123456789";
  PName name = BackupNameFor(page.name.View());
  backup = page;
  for (const char step : kSteps) {
    name.bytes[name.length - 1] = step;
    SetFileRefName(backup, name.View());
    const PlacedFile* placed = FindPlaced(backup);
    if (placed != nullptr && placed->url == kNoUrl) return true;
  }
  return false;
}

// A page of this batch became a folder's index.html when a later URL needed
// its name as a folder ("host/a" before "host/a/b.html"): its links were
// written for its old place. It is rewritten again from its original text,
// for its URL, which the path names up to that folder.
void RewriteMovedPage(const char* path, const RunContext& run) {
  const FolderPageMove& move = LastFolderPageMove();
  if (!move.moved) return;
  PlacedFile* placed = FindPlaced(move.oldPlace);
  if (placed == nullptr || placed->url == kNoUrl) return;
  FileRef page = move.oldPlace;
  const char separator = PathSeparator();
  page.folder.Append(move.oldPlace.name.View());
  page.folder.Append(std::string_view(&separator, 1));
  SetFileRefName(page, kFolderPageName);
  if (TypeOfFile(page, run.options.BrokenImageMode) != kTypeText) return;
  if (placed->rewritten) {
    // Its original text is its backup, beside its old place.
    FileRef backup;
    if (!FindBackupOf(move.oldPlace, backup)) return;
    FileRef folder = page;
    SetFileRefName(folder, "");
    if (Move(backup, folder) != kNoError) return;
    FileRef original = folder;
    SetFileRefName(original, backup.name.View());
    // The rewritten text is only derived from the original: it gives way.
    DeleteFileRef(page);
    if (RenameFileRef(original, kFolderPageName) != kNoError) return;
    if (PlacedFile* old = FindPlaced(backup)) old->place = 0;
  }
  char url[kPathBytes];
  const size_t length = std::min(LinkSchemeLength(path) + move.pathEnd, kPathBytes - 1);
  std::memcpy(url, path, length);
  url[length] = '\0';
  RewriteReport report;
  RewriteHtmlPage(page, url, run.options, run.progress, report);
  placed->place = PlaceKey(page);
  placed->rewritten = report.rewritten;
  if (report.rewritten && !run.options.DeleteBackup) RecordPlaced(report.backup, kNoUrl);
}

// Moves a listed file into the mirror and then rewrites or checks it.
ConvertResult ConvertListed(FileRef file, TypeCode kind, const char* url,
                            char (&path)[kPathBytes], CacheFileRead& read, ReadImage& image,
                            const DateRec& date, const RunContext& run) {
  const int64_t size = read.size;
  PName cacheName = file.name;
  if (!GiveHostItsFolder(path)) {
    LeaveBehind(cacheName.View(), LeftReason::kNoPlace);
    return kConvertDone;
  }
  FileRef folder;
  const char* rest = nullptr;
  const FolderResult folders =
      CreateOutputFolders(file, folder, path + LinkSchemeLength(path), rest, run.prompts);
  if (folders == kFoldersStop) return kConvertStop;
  RewriteMovedPage(path, run);
  NoteFolderPage(LastFolderPageMove());
  // A path without any folder would leave the file beside the cache files,
  // where its local name may be the cache file itself.
  if (folders == kFoldersUnplaceable) {
    LeaveBehind(cacheName.View(), PathHasEmptyFolderName(path + LinkSchemeLength(path))
                                      ? LeftReason::kNoPlace
                                      : LeftReason::kFolderBlocked);
    return kConvertDone;
  }
  if (folder.folder.View() == file.folder.View()) {
    LeaveBehind(cacheName.View(), LeftReason::kNoPlace);
    return kConvertDone;
  }
  char restBuffer[kPathBytes];
  CopyPath(restBuffer, *rest == '\0' ? kFolderPageName.data() : rest);
  char localText[kLocalNameBufferBytes];
  localText[0] = '\0';
  MapUrlToLocalPath(localText, sizeof localText, restBuffer, sizeof restBuffer, kMapFileName);

  const std::string_view localName(localText);
  if (localName.empty() || localName.size() > kMaxNameBytes) {
    LeaveBehind(cacheName.View(), LeftReason::kNoPlace);
    return kConvertDone;
  }
  // The place is first taken to be free and the move made without a look at
  // it, never replacing anything; whatever then stands in the way (the move
  // refused, a name taken) sends the file through the looks below.
  std::string_view placedName;
  FileRef destination;
  uint64_t urlKey = 0;
  uint64_t placedSize = 0;
  ResultCode moved = kNoError;
  for (bool assumed = true;; assumed = false) {
    placedName = localName;
    destination = folder;
    SetFileRefName(destination, placedName);
    const bool free = assumed || NothingAt(destination);
    // A URL without its closing '/' whose name is a folder already (its
    // files came first): the file is that folder's page.
    if (!free && EnterExistingFolder(folder, localName)) {
      placedName = kFolderPageName;
      destination = folder;
      SetFileRefName(destination, placedName);
    }
    // Two URLs that come to one name: the one placed first stays whole, and
    // so does this one, in the cache folder.
    urlKey = HashBytes(path, false);
    if (TakenByAnotherUrl(destination, urlKey) || (!free && IsLinkRef(destination))) {
      if (assumed) continue;
      LeaveBehind(cacheName.View(), LeftReason::kPlaceTaken);
      return kConvertDone;
    }
    // A file of the local name already in the cache folder is another file
    // of the cache (or of the user's): this file waits under its cache name.
    if (placedName != cacheName.View()) {
      FileRef inCache = file;
      SetFileRefName(inCache, placedName);
      if (!NothingAt(inCache) && (Exists(inCache) || IsLinkRef(inCache))) {
        if (assumed) continue;
        LeaveBehind(cacheName.View(), LeftReason::kNameTaken);
        return kConvertDone;
      }
    }
    if (!free && KeepNewerOutput(file, destination)) {
      NoteFate(FileAction::kDelete, "the mirror holds a newer copy");
      run.progress.Tick(0, 0);
      return kConvertDone;
    }
    // The file keeps its cache name until it takes its place in the mirror,
    // in one step: a run killed at any moment leaves it where a later run
    // finds it.
    const SourceHead head{read.bytes.get(), read.length,  static_cast<uint64_t>(size),
                          read.timesKnown,   read.created, read.modified,
                          read.privateFile};
    moved = MoveStrippedAs(file, destination, kStripMacBinary | kStripHttpHeader, &placedSize,
                           read.bytes ? &head : nullptr, !assumed);
    if (moved == kNoError || !assumed || NothingAt(destination)) break;
  }
  if (moved != kNoError) {
    if (moved == kVolumeFull) TellDiskFull(cacheName.View(), run.prompts);
    LeaveBehind(cacheName.View(), LeftReason::kUnreadable, moved);
    return kConvertDone;
  }
  RecordPlaced(destination, urlKey);
  ++gCounts.moved;
  const bool cut = static_cast<int64_t>(placedSize) < size;
  if (cut) ++gCounts.headersCut;
  NoteFate(kind == kTypeText ? FileAction::kRewrite
           : cut             ? FileAction::kMoveCutHeader
                             : FileAction::kMove,
           "", destination, true);

  if (kind == kTypeText) {
    // Read whole, the page in the mirror is the bytes read, or the part of
    // them after the header cut (a copy the move made, no one else's): the
    // rewrite takes them.
    LoadedPage loaded;
    const bool asRead = read.whole && !cut;
    bool taken = asRead;
    if (asRead) {
      loaded.lastWrite = read.modified;
      TakePageBytes(std::move(read.bytes), read.length, loaded);
    } else if (read.whole && read.timesKnown) {
      uint32_t skip = 0;
      uint32_t length = 0;
      FindHeaderCut(read.bytes.get(),
                    static_cast<uint32_t>(std::min<uint64_t>(read.length, kFirstBlockBytes)),
                    read.length, kStripMacBinary | kStripHttpHeader, skip, length);
      if (length == placedSize && static_cast<uint64_t>(skip) + length <= read.length) {
        std::memmove(read.bytes.get(), read.bytes.get() + skip, length);
        loaded.lastWrite = read.modified;
        TakePageBytes(std::move(read.bytes), length, loaded);
        taken = true;
      }
    }
    // Every folder between the cache folder and the page's was made or
    // entered as a plain folder, never through a link.
    PageFacts facts;
    facts.loaded = taken ? &loaded : nullptr;
    facts.oldPagePrivate = (asRead && read.privateFile) || cut;
    const std::string_view cacheFolder = file.folder.View();
    const std::string_view pageFolder = destination.folder.View();
    if (pageFolder.substr(0, cacheFolder.size()) == cacheFolder) {
      facts.plainFolderLevels = static_cast<int>(
          std::count(pageFolder.begin() + cacheFolder.size(), pageFolder.end(), PathSeparator()));
    }
    RewriteReport report;
    const int rewritten =
        RewriteHtmlPage(destination, path, run.options, run.progress, report, facts);
    if (rewritten == kVolumeFull) TellDiskFull(destination.name.View(), run.prompts);
    if (rewritten == 1 || rewritten == kVolumeFull) {
      RestoreCacheFile(file, destination, cacheName.View());
      FileRef back = file;
      SetFileRefName(back, cacheName.View());
      NoteFate(FileAction::kLeave, "the batch was stopped", back, false);
      return kConvertStop;
    }
    if (rewritten != 0) return kConvertStop;
    if (report.rewritten) {
      ++gCounts.rewritten;
      if (PlacedFile* placed = FindPlaced(destination)) placed->rewritten = true;
      if (!run.options.DeleteBackup) RecordPlaced(report.backup, kNoUrl);
    }
    if (report.repaired) {
      WriteDetectionLine(cacheName.View(), kTypeText, url, size, date);
      return kConvertBroken;
    }
    return kConvertDone;
  }
  if (kind == kTypeGif || kind == kTypeJpeg) {
    // Moved as it was read: the answer for the bytes read holds.
    if (CheckAndDisposeImage(destination, kind, run.options.BrokenImageMode,
                             read.whole && !cut ? &image : nullptr)) {
      NoteFate(FileAction::kBrokenImage, DisposalWord(run.options.BrokenImageMode), destination,
               Exists(destination));
      WriteDetectionLine(cacheName.View(), kind, url, size, date);
      return kConvertBroken;
    }
  }
  return kConvertDone;
}

}  // namespace

void SetLookupObserver(LookupObserver observer) { gObserver = observer; }

void SetListOnly(bool listOnly) { gListOnly = listOnly; }
bool ListOnly() { return gListOnly; }

void ResetConversionRun() {
  ResetDetectionLog();
  ResetBatchRecords();
}

const LeftBehind& FilesLeftBehind() { return gLeftBehind; }

void SetLeftBehindObserver(LeftBehindObserver observer) { gLeftObserver = observer; }

messages::Text LeftReasonText(LeftReason reason) {
  using messages::Text;
  constexpr Text kTexts[] = {Text::kLeftNoPlace,      Text::kLeftPlaceTaken,
                             Text::kLeftNameTaken,    Text::kLeftFolderBlocked,
                             Text::kLeftLinkFile,     Text::kLeftLinkLoop,
                             Text::kLeftLinkToFolder, Text::kLeftUnreadable,
                             Text::kLeftUrlWithCommas};
  static_assert(std::size(kTexts) == kLeftReasonCount);
  return kTexts[static_cast<size_t>(reason)];
}

const ConversionCounts& RunCounts() { return gCounts; }

void ResetConversionCounts() { gCounts = ConversionCounts{}; }

ResolveResult ResolveEntryPath(const FileRef& file, CacheLog& log, CacheLogEntry& entry,
                               TypeCode& kind, char (&url)[kPathBytes], char (&path)[kPathBytes],
                               const RunContext& run, ReadImage* image) {
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
  if (PlanOnly() ? EarlyImageBroken(file, kind, mode) : EarlyImageCheck(file, kind, mode, image)) {
    CopyPath(url, entry.url);
    run.progress.Tick(0, 0);
    return kResolveBroken;
  }
  CopyPath(url, ShortenLongHost(entry.url));
  FoldHostCase(url);

  const SiteRuleOutcome rule = RunWholeUrlRules(path, url);
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
  FileRef inCache = file;
  if (!SetFileRefName(inCache, cacheName)) return;
  MoveStrippedAs(destination, inCache, 0);
}

ConvertResult ConvertCacheFile(const FileRef& file, CacheLog& log, const RunContext& run) {
  if (log.state == CacheLogState::kNotLoaded) {
    bool stop = false;
    if (!SetUpBatch(file, log, run.prompts, stop)) return stop ? kConvertStop : kConvertDone;
  }
  const std::string_view name = file.name.View();
  if (gListOnly) {
    if (IsLogFileName(name, kLogAnyKind) || IsRunReportName(name)) return kConvertDone;
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

  if (IsLogFileName(name, kLogAnyKind) || IsRunReportName(name)) return kConvertDone;
  // One open tells whether the file can be read, its time and its size,
  // and reads it (a page or an image to check whole). A cache file that is
  // a link stays where it is, named in the report; so does one that cannot
  // be read: nothing of it could reach the mirror. A name gone since its
  // folder was listed, or a folder named like a cache file (which Windows
  // refuses to open as a file), is no cache file.
  CacheLogEntry listed;
  const bool inLog = !PlanOnly() && LookupCacheFile(log, name, listed) == LookupResult::kFound;
  const TypeCode listedType = inLog ? listed.type : kTypeNone;
  const bool image = (listedType == kTypeGif || listedType == kTypeJpeg) &&
                     ImageDetectionOn(run.options.BrokenImageMode);
  const uint64_t wholeUpTo = listedType == kTypeText ? kMaxPageBytes
                             : image                 ? kMaxImageBytes
                                                     : 0;
  CacheFileRead read;
  if (const ResultCode unreadable = ReadCacheFile(file, wholeUpTo, read); unreadable != kNoError) {
    const Found found = LookAt(file);
    if (found == Found::kLink) {
      BeginFate(file, nullptr, kTypeNone, 0);
      LeaveBehind(name, LinkReason(file));
      return kConvertDone;
    }
    CPath path;
    if (found == Found::kNothing ||
        (FileRefToCPath(file, path) && platform::IsFolder(path.data()))) {
      return kConvertNoFile;
    }
    BeginFate(file, nullptr, kTypeNone, 0);
    LeaveBehind(name, LeftReason::kUnreadable, unreadable);
    return kConvertDone;
  }
  const int64_t size = read.size;
  DateRec date;
  FileTimeToDateRec(read.modified, date);

  CacheLogEntry entry;
  TypeCode kind = kTypeNone;
  char url[kPathBytes] = {};
  char path[kPathBytes] = {};
  ReadImage readImage;
  if (image && read.whole) {
    readImage.bytes = read.bytes.get();
    readImage.size = read.length;
  }
  const ResolveResult resolved =
      ResolveEntryPath(file, log, entry, kind, url, path, run, &readImage);
  if (resolved == kResolveStop) return kConvertStop;
  Tell(file, resolved == kResolveUnlisted ? nullptr : &entry);
  BeginFate(file, resolved == kResolveUnlisted ? nullptr : &entry, kind, size);
  if (PlanOnly()) {
    PlanCacheFile(file, log, resolved, kind, path, run);
    return kConvertDone;
  }
  switch (resolved) {
    case kResolveBroken:
      NoteFate(FileAction::kBrokenImage, DisposalWord(run.options.BrokenImageMode));
      WriteDetectionLine(name, kind, url, size, date);
      return kConvertBroken;
    case kResolveUnlisted:
      // A line whose URL holds commas names its cache file in a later field:
      // the file is the log's, yet no place can be trusted for it.
      if (ListedAfterCommas(log, name)) {
        LeaveBehind(name, LeftReason::kUrlWithCommas);
        return kConvertDone;
      }
      return ConvertUnlisted(file, log, size, date, run);
    default:
      return ConvertListed(file, kind, url, path, read, readImage, date, run);
  }
}

}  // namespace hoard

#include "app/run.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "app/cachehint.h"
#include "app/progress.h"
#include "app/prompts.h"
#include "app/report.h"
#include "app/scan.h"
#include "base/messages.h"
#include "html/rewriter.h"
#include "pipeline/convert.h"
#include "pipeline/leftovers.h"
#include "pipeline/manifest.h"
#include "pipeline/outputfolders.h"
#include "platform/fs.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "store/cachelog.h"
#include "store/domaintable.h"
#include "store/files.h"
#include "store/sparefile.h"

namespace hoard::app {
namespace {

// At most the first 510 bytes of a folder argument are taken.
constexpr size_t kMaxFolderArgumentBytes = 510;

RunOutcome gOutcome;
FolderMode gFolderMode;
void (*gBatchEnd)() = nullptr;

// An argument that no file reference can hold is named to the user once and
// passed over.
void ReportTooLong(const char* path) {
  ++gOutcome.passedOver;
  std::array<char, 1024> text{};
  const char* head = messages::Get(messages::Text::kPathTooLong);
  size_t length = 0;
  for (const char* piece : {head, path}) {
    const size_t n = std::min(std::strlen(piece), text.size() - 1 - length);
    std::memcpy(text.data() + length, piece, n);
    length += n;
  }
  text[length] = '\0';
  platform::ShowMessage(messages::ProgramCaption(), text.data(), platform::Icon::kWarning,
                        platform::Buttons::kOk);
}

struct Batch {
  ArgList* args = nullptr;
  bool folderMode = false;
  FileRef folder;
  CacheLog log;
  int brokenCount = 0;
  ConvertResult lastResult = kConvertDone;
};

// One argument of the list: its full path, its reference under its long
// name, and the conversion.
void ConvertArgument(Batch& batch, const char* argument) {
  // A named file that is not there is missed. A name of the folder's scan
  // goes on whatever it is now: the conversion passes over one gone since or
  // a folder, and names a link or a file it cannot read with its reason.
  if (!batch.folderMode && !FileExists(argument)) {
    ++gOutcome.passedOver;
    return;
  }

  CPath fullPath;
  if (batch.folderMode) {
    size_t length = 0;
    FileRef inFolder = batch.folder;
    inFolder.name = PName{};
    if (!BuildPath(inFolder, NativePathStyle(), "", fullPath.data(), fullPath.size(), length) ||
        length + std::strlen(argument) + 1 > fullPath.size()) {
      ReportTooLong(argument);
      return;
    }
    std::memcpy(fullPath.data() + length, argument, std::strlen(argument) + 1);
  } else {
    const size_t length = std::strlen(argument);
    if (length + 1 > fullPath.size()) {
      ReportTooLong(argument);
      return;
    }
    std::memcpy(fullPath.data(), argument, length + 1);
  }

  FileRef file;
  // The file was looked for above: its reference is only parsed here.
  if (ParseFileRef(fullPath.data(), NativePathStyle(), file) == kBadName ||
      MakeAbsolute(file) != kNoError) {
    ReportTooLong(fullPath.data());
    return;
  }
  // A scan's names are the listing's own, long already.
  std::array<char, kMaxPathBytes + 1> longName{};
  if (!batch.folderMode &&
      FindLongName(fullPath.data(), longName.data(), longName.size()) > 0 &&
      file.name.View() != std::string_view(longName.data())) {
    // A long name that no reference can hold keeps the name as given.
    SetFileRefName(file, longName.data());
  }

  batch.lastResult = ConvertCacheFile(file, batch.log, ProcessRunContext());
  if (batch.lastResult == kConvertNoFile) {
    batch.lastResult = kConvertDone;
    return;
  }
  ++gOutcome.converted;
  if (batch.lastResult == kConvertBroken) ++batch.brokenCount;
}

// One batch; the progress counts `before` files done of `total` (the batch's
// own count when 0).
int RunBatch(Batch& batch, size_t before = 0, size_t total = 0) {
  ProgressState& progress = Progress();
  progress.total = static_cast<int32_t>(total != 0 ? total : batch.args->count);
  if (before == 0) progress.start = static_cast<int32_t>(platform::NowSeconds());
  platform::ShowWaitCursor(true);
  KeepFolderAnswers(true);
  KeepReadyFolders(true);
  KeepSpareFile(true);
  for (size_t index = 1; index <= batch.args->count; ++index) {
    progress.current = static_cast<int32_t>(before + index);
    ConvertArgument(batch, batch.args->items[index - 1]);
    if (batch.lastResult == kConvertStop) break;
  }
  KeepFolderAnswers(false);
  KeepReadyFolders(false);
  KeepSpareFile(false);
  platform::ShowWaitCursor(false);
  platform::EndProgress();
  if (batch.lastResult != kConvertStop) ShowFinalReport(batch.brokenCount);
  gOutcome.stopped = batch.lastResult == kConvertStop;
  gOutcome.brokenCount += batch.brokenCount;
  ++gOutcome.batches;
  ReleaseCacheLog(batch.log);
  return 0;
}

// Every cache file of a folder (a reference with an empty name, absolute):
// one batch, or batch after batch in the whole-folder mode. Every name a
// batch was given is remembered, so a file that stays in the cache folder is
// never taken again and the run always ends.
int RunFolder(Batch& batch) {
  ScanStore store;
  if (!AllocScanStore(store)) return 0;
  ArgList found;
  batch.args = &found;
  batch.folderMode = true;
  int exitCode = 0;
  // What a killed run left is put right before the scan, even when it left
  // no cache file to convert (a plan or a listing changes nothing).
  if (!PlanOnly() && !ListOnly()) RepairUnfinishedFiles(batch.folder);
  const bool defaultMode = !gFolderMode.whole && gFolderMode.batchLimit >= kMaxArguments;
  if (defaultMode) {
    if (CollectCacheFiles(batch.folder, store, found) > 0) exitCode = RunBatch(batch);
    FreeScanStore(store);
    return exitCode;
  }
  const size_t total = gFolderMode.whole ? CountCacheFiles(batch.folder) : 0;
  TriedNames tried;
  size_t done = 0;
  for (;;) {
    if (CollectUntried(batch.folder, store, found, gFolderMode.batchLimit, tried) == 0) {
      if (done == 0) CollectCacheFiles(batch.folder, store, found);  // tells there is none
      break;
    }
    for (size_t i = 0; i < found.count; ++i) tried.emplace(found.items[i]);
    batch.brokenCount = 0;
    batch.lastResult = kConvertDone;
    exitCode = RunBatch(batch, done, std::max(total, done + found.count));
    done += found.count;
    if (gBatchEnd != nullptr) gBatchEnd();
    if (!gFolderMode.whole || gOutcome.stopped) break;
  }
  FreeScanStore(store);
  return exitCode;
}

// The open-file dialog for a cache file or folder, starting at the hint;
// false when the user chose nothing.
bool AskForCacheFile(messages::Text title, std::array<char, kCacheHintCapacity>& path) {
  using messages::Text;
  const platform::FileFilter filters[] = {
      {messages::Get(Text::kCacheFilterText), messages::Get(Text::kCacheFilterPattern)},
      {messages::Get(Text::kCgiFilterText), messages::Get(Text::kCgiFilterPattern)},
      {messages::Get(Text::kAllFilesText), messages::Get(Text::kAllFilesPattern)},
  };
  ReadCacheFolderHint(path.data(), path.size());
  // The dialog's buffer holds 256 bytes.
  constexpr size_t kDialogPathCapacity = 256;
  path[kDialogPathCapacity - 1] = '\0';
  FileRef current;
  GetCurrentFolderRef(current);
  const bool chosen = platform::AskOpenFile(messages::Get(title), filters, std::size(filters),
                                            path.data(), kDialogPathCapacity);
  // The dialog may change the current directory; the run must not see that.
  SetCurrentFolderFromRef(current);
  return chosen;
}

// Where the process started; see StartFolder.
FileRef gStartFolder;

// One argument that names a folder rather than a file.
bool IsFolderArgument(const char* argument) {
  // Opening a folder as a file is refused with access denied; a file that is
  // refused for its permissions is no folder all the same.
  return !FileExists(argument) && platform::IsAccessDenied(platform::LastError()) &&
         platform::IsFolder(argument);
}

}  // namespace

void SplitCommandLine(char* text, ArgList& out) {
  out.count = 0;
  if (text == nullptr || *text == '\0') return;
  out.items[out.count++] = text;
  for (char* p = text; *p != '\0' && out.count < kMaxArguments; ++p) {
    if (*p == ' ') {
      *p = '\0';
      out.items[out.count++] = p + 1;
    }
  }
}

int RunArguments(ArgList& args) {
  gOutcome = RunOutcome{};
  if (args.count == 0) return 0;
  Batch batch;
  batch.args = &args;
  if (args.count != 1 || !IsFolderArgument(args.items[0])) return RunBatch(batch);

  // Folder mode: the folder's cache files become the argument list.
  std::array<char, kMaxFolderArgumentBytes + 2> folderPath{};
  size_t length = std::min(std::strlen(args.items[0]), kMaxFolderArgumentBytes);
  std::memcpy(folderPath.data(), args.items[0], length);
  if (length == 0 || folderPath[length - 1] != PathSeparator()) folderPath[length++] = PathSeparator();
  folderPath[length] = '\0';
  if (MakeFileRef(folderPath.data(), batch.folder) == kBadName ||
      MakeAbsolute(batch.folder) != kNoError) {
    ReportTooLong(folderPath.data());
    return 0;
  }
  return RunFolder(batch);
}

int RunFileChoice() {
  gOutcome = RunOutcome{};
  std::array<char, kCacheHintCapacity> path{};
  if (!AskForCacheFile(messages::Text::kChooseCacheFileTitle, path)) return 0;
  SaveCacheFolderHint(path.data());
  // One file alone: the progress shows no percentage (the total stays 0).
  Progress().start = static_cast<int32_t>(platform::NowSeconds());
  FileRef file;
  if (MakeFileRef(path.data(), file) == kBadName || MakeAbsolute(file) != kNoError) {
    ReportTooLong(path.data());
    return 0;
  }
  CacheLog log;
  const ConvertResult result = ConvertCacheFile(file, log, ProcessRunContext());
  gOutcome.stopped = result == kConvertStop;
  gOutcome.converted = result == kConvertNoFile ? 0 : 1;
  gOutcome.brokenCount = result == kConvertBroken ? 1 : 0;
  platform::EndProgress();
  if (result != kConvertStop) ShowFinalReport(result == kConvertBroken ? 1 : 0);
  ReleaseCacheLog(log);
  return 0;
}

int RunFolderChoice() {
  gOutcome = RunOutcome{};
  std::array<char, kCacheHintCapacity> path{};
  if (!AskForCacheFile(messages::Text::kChooseCacheFolderTitle, path)) return 0;
  SaveCacheFolderHint(path.data());
  // Any file of the folder was chosen: the folder is scanned.
  Batch batch;
  if (MakeFileRef(path.data(), batch.folder) == kBadName) {
    ReportTooLong(path.data());
    return 0;
  }
  batch.folder.name = PName{};
  if (MakeAbsolute(batch.folder) != kNoError) {
    ReportTooLong(path.data());
    return 0;
  }
  return RunFolder(batch);
}

const RunOutcome& LastRunOutcome() { return gOutcome; }

void SetBatchEndObserver(void (*observer)()) { gBatchEnd = observer; }

void SetFolderMode(const FolderMode& mode) { gFolderMode = mode; }

void RememberStartFolder() {
  GetCurrentFolderRef(gStartFolder);
  // The domain table is looked for there.
  hoard::RememberStartFolder(gStartFolder);
}

const FileRef& StartFolder() { return gStartFolder; }

}  // namespace hoard::app

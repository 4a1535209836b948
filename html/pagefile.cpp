#include "html/pagefile.h"

#include <cstring>

#include "html/linkrules.h"
#include "platform/fs.h"
#include "store/contentcheck.h"
#include "store/files.h"
#include "store/pstring.h"
#include "store/sparefile.h"

namespace hoard {
namespace {

constexpr size_t kHeadBytes = 256;
constexpr size_t kMacBinaryBytes = 128;

// A zero byte is allowed only before LF, CR or '<', or between ".html" and
// a double quote; anything else is not a page.
bool LooksLikeText(const unsigned char* head, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (head[i] != 0) continue;
    if (i + 1 < length) {
      const unsigned char next = head[i + 1];
      if (next == '\n' || next == '\r' || next == '<') continue;
      if (next == '"' && i >= 6 && std::memcmp(head + i - 5, ".html", 5) == 0) continue;
    }
    return false;
  }
  return true;
}

}  // namespace

void TakePageBytes(Block raw, size_t size, LoadedPage& page) {
  unsigned char* bytes = raw.get();
  if (bytes == nullptr) return;
  // The header the browser's Mac ancestry left in front of some pages.
  if (size >= kMacBinaryBytes && HasMacBinaryFields(bytes, MacBinaryNames::kLenient)) {
    page.hadMacBinary = true;
    size -= kMacBinaryBytes;
    std::memmove(bytes, bytes + kMacBinaryBytes, size);
  }
  if (!LooksLikeText(bytes, size < kHeadBytes ? size : kHeadBytes)) return;
  if (size >= kHeadBytes) {
    size_t trimmed = 0;
    while (size > 0 && trimmed < kHeadBytes && bytes[size - 1] == 0) {
      --size;
      ++trimmed;
    }
  }
  // A terminating NUL, so that helpers taking C text never read past the
  // page.
  bytes[size] = 0;
  page.block = std::move(raw);
  page.size = size;
}

int LoadPage(const FileRef& file, LoadedPage& page) {
  FileHandle opened = kNullHandle;
  const ResultCode openResult = OpenRead(file, opened);
  if (openResult != kNoError || opened == kNullHandle) {
    if (openResult != kNoError) return openResult;
    const int error = platform::LastError();
    return error != 0 ? error : kGeneralFailure;
  }
  const OpenFile holder(opened);
  const FileHandle handle = holder.get();

  platform::GetTimes(handle, nullptr, &page.lastWrite);
  const uint64_t length = FileLength(handle);
  if (length == 0 || length > kMaxPageBytes) return kNoError;
  // Read whole in one go, with room for the NUL after it.
  Block raw(static_cast<unsigned char*>(AllocBlock(static_cast<size_t>(length) + 1)));
  if (!raw) return kNoError;
  uint32_t count = static_cast<uint32_t>(length);
  if (const ResultCode read = ReadBytes(handle, count, raw.get()); read != kNoError) return read;
  TakePageBytes(std::move(raw), count, page);
  return kNoError;
}

FileRef BackupRef(const PageScan& scan) {
  FileRef backup = scan.file;
  SetFileRefName(backup, scan.backupName.View());
  return backup;
}

int RestoreOldPage(PageScan& scan) {
  scan.pending.clear();
  if (!scan.outputOpened) return kNoError;
  if (scan.output != kNullHandle) CloseFile(scan.output);
  scan.output = kNullHandle;
  scan.outputOpened = false;
  // The page itself was never touched: only the unfinished new one goes.
  FileRef unfinished;
  if (!UnfinishedRefOf(scan.file, unfinished)) return kBadName;
  return DeleteFileRef(unfinished);
}

namespace {
int FlushPending(PageScan& scan);
}  // namespace

int FinishPageOutput(PageScan& scan) {
  if (!scan.outputOpened) return scan.result;
  if (FlushPending(scan) != 0) return scan.result;
  FileRef unfinished;
  UnfinishedRefOf(scan.file, unfinished);
  // The new page keeps the old one's time (a failure to set it is no reason
  // to keep the old text). Written over the spare, it ends where it ends.
  platform::SetTimes(scan.output, nullptr, &scan.pageTime);
  const bool cut = !scan.outputOverSpare || platform::SetLength(scan.output, scan.outputBytes);
  const bool flushed = cut && platform::Flush(scan.output);
  const int flushError = platform::LastError();
  CloseFile(scan.output);
  scan.output = kNullHandle;
  scan.outputOpened = false;
  if (!flushed) {
    DeleteFileRef(unfinished);
    return FailPage(scan, platform::IsVolumeFull(flushError) ? kVolumeFull : kGeneralFailure);
  }
  // The new page is whole on the disk. Without a backup it takes the old
  // one's place in one rename.
  if (!scan.keepBackup) {
    const ResultCode replaced = ReplaceWithUnfinished(unfinished, scan.file, scan.oldPagePrivate);
    if (replaced != kNoError) {
      DeleteFileRef(unfinished);
      return FailPage(scan, replaced);
    }
    return kNoError;
  }
  // Otherwise the old one becomes its backup and the new one takes the
  // name: the backup is first a second name of the old page, which the new
  // one then replaces in one rename, so that the page's name never stands
  // free. Killed between the two, a run leaves the old page with its backup
  // and the new one under its unfinished name, which the next run removes,
  // naming the page.
  CPath pagePath;
  CPath backupPath;
  if (FileRefToCPath(scan.file, pagePath) && FileRefToCPath(BackupRef(scan), backupPath) &&
      platform::LinkPath(pagePath.data(), backupPath.data())) {
    const ResultCode replaced = RenameFileRef(unfinished, scan.file.name.View());
    if (replaced != kNoError) {
      DeleteFileRef(BackupRef(scan));
      DeleteFileRef(unfinished);
      return FailPage(scan, replaced);
    }
    return kNoError;
  }
  // Where the file system has no second names: killed between the two
  // renames, a run leaves the backup and the whole new page under its
  // unfinished name, which the next run puts in place.
  const ResultCode aside = RenameFileRef(scan.file, scan.backupName.View());
  if (aside != kNoError) {
    DeleteFileRef(unfinished);
    return FailPage(scan, aside);
  }
  const ResultCode placed = RenameFileRef(unfinished, scan.file.name.View());
  if (placed != kNoError) {
    RenameFileRef(BackupRef(scan), scan.file.name.View());
    DeleteFileRef(unfinished);
    return FailPage(scan, placed);
  }
  return kNoError;
}

int FailPage(PageScan& scan, int result) {
  if (scan.result == 0) scan.result = result;
  return scan.result;
}

namespace {

// The size at which pending bytes go out to the file.
constexpr size_t kWriteChunkBytes = size_t{1} << 20;

// Hands the pending bytes to the file. A page half written is worse than the
// old one: on failure the old one stays.
int FlushPending(PageScan& scan) {
  size_t done = 0;
  while (done < scan.pending.size()) {
    const size_t left = scan.pending.size() - done;
    uint32_t n = static_cast<uint32_t>(left < kWriteChunkBytes ? left : kWriteChunkBytes);
    const uint32_t asked = n;
    const ResultCode written = WriteBytes(scan.output, n, scan.pending.data() + done);
    if (written != kNoError || n != asked) {
      const int restored = RestoreOldPage(scan);
      if (written == kVolumeFull) {
        return FailPage(scan, restored == 0 ? kVolumeFull : kGeneralFailure);
      }
      return FailPage(scan, kGeneralFailure);
    }
    done += n;
    scan.outputBytes += n;
  }
  scan.pending.clear();
  return 0;
}

int WriteRaw(PageScan& scan, const void* bytes, size_t count) {
  if (count == 0) return 0;
  const auto* from = static_cast<const unsigned char*>(bytes);
  scan.pending.insert(scan.pending.end(), from, from + count);
  return scan.pending.size() >= kWriteChunkBytes ? FlushPending(scan) : 0;
}

}  // namespace

namespace {

bool RefExists(const FileRef& ref) {
  CPath path;
  return FileRefToCPath(ref, path) && FileExists(path.data());
}

// A backup never replaces another file of the mirror (the file of a URL
// ending ".bk" beside the page whose backup takes that name): its last byte
// is stepped until the name is free. False when none is.
bool ChooseFreeBackupName(PageScan& scan) {
  constexpr std::string_view kSteps = "123456789";
  scan.backupName = BackupNameFor(scan.file.name.View());
  for (size_t step = 0;; ++step) {
    if (!PStringEqualNoCase(scan.backupName.View(), scan.file.name.View()) &&
        !RefExists(BackupRef(scan))) {
      return true;
    }
    if (step == kSteps.size()) return false;
    scan.backupName.bytes[scan.backupName.length - 1] = kSteps[step];
  }
}

}  // namespace

int OpenPageOutput(PageScan& scan) {
  if (scan.outputOpened) return 0;
  if (scan.keepBackup && !ChooseFreeBackupName(scan)) return kNameExists;
  FileRef unfinished;
  if (!UnfinishedRefOf(scan.file, unfinished)) return kBadName;
  FileHandle handle = kNullHandle;
  const ResultCode created = CreateWriteUnfinished(unfinished, handle, scan.outputOverSpare);
  scan.outputBytes = 0;
  if (created != kNoError || handle == kNullHandle) {
    // The page keeps its own name; a later change tries again.
    return created != kNoError ? created : kGeneralFailure;
  }
  scan.output = handle;
  scan.outputOpened = true;
  return 0;
}

int WriteUpTo(PageScan& scan, size_t end) {
  if (scan.result != 0) return scan.result;
  if (end > scan.size) end = scan.size;
  if (end <= scan.flushed) return 0;
  if (!scan.outputOpened && OpenPageOutput(scan) != 0) return FailPage(scan, kStopped);
  const int result = WriteRaw(scan, scan.text + scan.flushed, end - scan.flushed);
  if (result == 0) scan.flushed = end;
  return result;
}

int WriteBytesOut(PageScan& scan, std::string_view bytes) {
  if (scan.result != 0) return scan.result;
  if (!scan.outputOpened && OpenPageOutput(scan) != 0) return FailPage(scan, kStopped);
  return WriteRaw(scan, bytes.data(), bytes.size());
}

}  // namespace hoard

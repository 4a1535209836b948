#include "store/files.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/messages.h"
#include "platform/shell.h"
#include "store/contentcheck.h"
#include "store/sparefile.h"

namespace hoard {
namespace {

using platform::OpenMode;

// The platform's error number for a failure, never 0 (a failed call whose
// error the platform did not say is still a failure).
ResultCode PlatformError() {
  const int error = platform::LastError();
  return error != 0 ? error : kGeneralFailure;
}

FileHandle OpenRef(const FileRef& ref, OpenMode mode) {
  CPath path;
  if (!FileRefToCPath(ref, path)) return kNullHandle;
  return platform::OpenPath(path.data(), mode);
}

}  // namespace

ResultCode DeleteFileRef(const FileRef& ref) {
  CPath path;
  if (!FileRefToCPath(ref, path)) return kBadName;
  return platform::DeletePath(path.data()) ? kNoError : PlatformError();
}

ResultCode RenameFileRef(const FileRef& ref, std::string_view newName) {
  FileRef target = ref;
  CPath from;
  CPath to;
  if (!SetFileRefName(target, newName) || !FileRefToCPath(ref, from) ||
      !FileRefToCPath(target, to)) {
    return kBadName;
  }
  // A file renamed to its own name stays as it is: the replacing retry below
  // would otherwise delete the file itself.
  if (std::strcmp(from.data(), to.data()) == 0) return kNoError;
  return platform::ReplacePath(from.data(), to.data()) ? kNoError : PlatformError();
}

ResultCode ReplaceFileRef(FileRef& target, std::string_view sourceName) {
  const ResultCode deleted = DeleteFileRef(target);
  if (deleted != kNoError) return deleted;
  FileRef source = target;
  if (!SetFileRefName(source, sourceName)) return kBadName;
  const ResultCode renamed = RenameFileRef(source, target.name.View());
  target = source;
  return renamed;
}

uint64_t FileSizeOf(const FileRef& ref) {
  FileHandle handle = OpenRef(ref, OpenMode::kRead);
  if (handle == kNullHandle) return 0;
  const uint64_t size = FileLength(handle);
  CloseFile(handle);
  return size;
}

bool FileExists(const char* path) {
  FileHandle handle = platform::OpenPath(path, OpenMode::kRead);
  if (handle == kNullHandle) return false;
  platform::Close(handle);
  return true;
}

void GetModificationTime(const FileRef& ref, FileTime& out) {
  FileHandle handle = OpenRef(ref, OpenMode::kRead);
  if (handle == kNullHandle) return;
  FileTime lastWrite = 0;
  if (platform::GetTimes(handle, nullptr, &lastWrite)) out = lastWrite;
  CloseFile(handle);
}

void SetModificationTime(const FileRef& ref, FileTime time) {
  FileHandle handle = OpenRef(ref, OpenMode::kReadWrite);
  if (handle == kNullHandle) return;
  platform::SetTimes(handle, nullptr, &time);
  CloseFile(handle);
}

void FileTimeToDateRec(FileTime time, DateRec& out) {
  constexpr int64_t kTicksPerSecond = 10'000'000;
  constexpr int64_t kSecondsPerDay = 86'400;
  const int64_t seconds = static_cast<int64_t>(time / kTicksPerSecond);
  const int64_t days = seconds / kSecondsPerDay;
  const int64_t secondOfDay = seconds % kSecondsPerDay;
  // 1601-01-01 was a Monday.
  out.weekday = static_cast<int16_t>((days + 1) % 7 + 1);
  out.hour = static_cast<int16_t>(secondOfDay / 3600);
  out.minute = static_cast<int16_t>(secondOfDay / 60 % 60);
  out.second = static_cast<int16_t>(secondOfDay % 60);
  // Days to a civil date, counted in 400-year eras from 0000-03-01.
  constexpr int64_t kDaysFromEraStartTo1601 = 584'694;
  const int64_t z = days + kDaysFromEraStartTo1601;
  const int64_t era = z / 146'097;
  const int64_t dayOfEra = z - era * 146'097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  out.year = static_cast<int16_t>(year);
  out.month = static_cast<int16_t>(month);
  out.day = static_cast<int16_t>(day);
}

void RecycleFile(const FileRef& ref, unsigned flags) {
  CPath path;
  if (!FileRefToCPath(ref, path)) return;
  platform::RecycleToBin(path.data(), (flags & 1) == 0);
}

void ErrorInWords(int error, char* out, size_t capacity) {
  using messages::Text;
  if (capacity == 0) return;
  const char* words = nullptr;
  if (error == kVolumeFull || platform::IsVolumeFull(error)) {
    words = messages::Get(Text::kErrorDiskFull);
  } else if (error == kNoSuchFile || platform::IsNotFound(error)) {
    words = messages::Get(Text::kErrorNotFound);
  } else if (error > 0 && platform::IsAccessDenied(error)) {
    words = messages::Get(Text::kErrorAccessDenied);
  } else if (error > 0 && platform::IsReadOnlyVolume(error)) {
    words = messages::Get(Text::kErrorReadOnly);
  }
  if (words != nullptr) {
    const size_t length = std::min(std::strlen(words), capacity - 1);
    std::memcpy(out, words, length);
    out[length] = '\0';
    return;
  }
  std::snprintf(out, capacity, "%s%d", messages::Get(Text::kErrorNumber), error);
}

ResultCode OpenRead(const FileRef& ref, FileHandle& out) {
  out = OpenRef(ref, OpenMode::kRead);
  return kNoError;
}

ResultCode OpenReadOrAsk(const FileRef& ref, FileHandle& out, FileKind kind, Prompts& prompts,
                         MissingAnswer& answer) {
  out = OpenRef(ref, OpenMode::kRead);
  if (out != kNullHandle) return kNoError;
  // A file that is there but cannot be opened is not "not found": the user
  // is told why first.
  const int error = platform::LastError();
  if (error != 0 && !platform::IsNotFound(error)) {
    std::array<char, 256> text{};
    const std::string_view name = ref.name.View();
    const size_t length = std::min(name.size(), text.size() - 3);
    std::memcpy(text.data(), name.data(), length);
    std::memcpy(text.data() + length, ": ", 2);
    ErrorInWords(error, text.data() + length + 2, text.size() - length - 2);
    prompts.ShowWarning(messages::ProgramCaption(), text.data());
  }
  answer = prompts.AskForMissingFile(ref.name.View(), kind);
  return 1;
}

ResultCode OpenReadWrite(const FileRef& ref, FileHandle& out) {
  out = OpenRef(ref, OpenMode::kReadWrite);
  return kNoError;
}

ResultCode CreateWrite(const FileRef& ref, FileHandle& out) {
  CPath path;
  out = kNullHandle;
  if (!FileRefToCPath(ref, path)) return kBadName;
  out = platform::OpenPath(path.data(), OpenMode::kCreateAlways);
  return out != kNullHandle ? kNoError : PlatformError();
}

ResultCode OpenAppend(const FileRef& ref, FileHandle& out) {
  CPath path;
  out = kNullHandle;
  if (!FileRefToCPath(ref, path)) return kBadName;
  out = platform::OpenPath(path.data(), OpenMode::kOpenAlways);
  if (out == kNullHandle) return PlatformError();
  if (!platform::SeekEnd(out)) {
    CloseFile(out);
    out = kNullHandle;
    return kGeneralFailure;
  }
  return kNoError;
}

FileHandle OpenPathRead(const char* path) { return platform::OpenPath(path, OpenMode::kRead); }

FileHandle OpenPathWriteAlways(const char* path) {
  return platform::OpenPath(path, OpenMode::kOpenAlways);
}

ResultCode ReadBytes(FileHandle handle, uint32_t& count, void* buffer) {
  if (handle == kNullHandle) {
    count = 0;
    return kGeneralFailure;
  }
  return platform::ReadFrom(handle, buffer, count) ? kNoError : PlatformError();
}

ResultCode WriteBytes(FileHandle handle, uint32_t& count, const void* buffer) {
  if (handle == kNullHandle) {
    count = 0;
    return kGeneralFailure;
  }
  const uint32_t wanted = count;
  if (!platform::WriteTo(handle, buffer, count)) {
    const int error = platform::LastError();
    return platform::IsVolumeFull(error) ? kVolumeFull : PlatformError();
  }
  // A write that stops short without an error ran out of room.
  return count < wanted ? kVolumeFull : kNoError;
}

uint64_t FileLength(FileHandle handle) {
  uint64_t size = 0;
  if (handle == kNullHandle || !platform::SizeOf(handle, size)) return 0;
  return size;
}

void CloseFile(FileHandle handle) {
  if (handle != kNullHandle) platform::Close(handle);
}

bool UnfinishedRefOf(const FileRef& ref, FileRef& out) {
  out = ref;
  PName name = ref.name;
  return name.Append(kUnfinishedSuffix) && SetFileRefName(out, name.View());
}

ResultCode FinishUnfinished(FileHandle handle, const FileRef& ref) {
  FileRef unfinished;
  if (!UnfinishedRefOf(ref, unfinished)) {
    CloseFile(handle);
    return kBadName;
  }
  ResultCode result = kNoError;
  if (handle == kNullHandle) {
    result = kGeneralFailure;
  } else if (!platform::Flush(handle)) {
    const int error = platform::LastError();
    result = platform::IsVolumeFull(error) ? kVolumeFull : PlatformError();
  }
  CloseFile(handle);
  if (result == kNoError) result = RenameFileRef(unfinished, ref.name.View());
  if (result != kNoError) DeleteFileRef(unfinished);
  return result;
}

void* AllocBlock(size_t size) { return std::malloc(size == 0 ? 1 : size); }

void FreeBlock(void* block) { std::free(block); }

namespace {

constexpr uint32_t kHeadBytes = 256;
constexpr uint32_t kMacBinaryHeaderBytes = 128;

// How a failed move ended: the platform's error and whether a partial
// destination was made.
struct MoveOutcome {
  ResultCode result = kNoError;
  int error = 0;
  uint64_t placed = 0;  // the size of the file at its new place
};

MoveOutcome Failed() {
  MoveOutcome outcome;
  outcome.error = platform::LastError();
  outcome.result = outcome.error != 0 ? outcome.error : kGeneralFailure;
  return outcome;
}

}  // namespace

void FindHeaderCut(const unsigned char* head, uint32_t got, uint64_t size, unsigned stripFlags,
                   uint32_t& skip, uint32_t& length) {
  skip = 0;
  length = 0;
  uint32_t dataLength = 0;
  if ((stripFlags & kStripMacBinary) != 0 && got >= kMacBinaryHeaderBytes &&
      IsMacBinaryHeader(head, size, dataLength)) {
    skip = kMacBinaryHeaderBytes;
    length = dataLength;
  } else if ((stripFlags & kStripHttpHeader) != 0) {
    // Only a header that ends within the first block is found; the body is
    // the rest of the whole file, not just of that block.
    if (FindStoredHttpHeader(head, got, skip, length)) {
      length = static_cast<uint32_t>(std::min<uint64_t>(size - skip, UINT32_MAX));
    } else {
      skip = 0;
    }
  }
}

namespace {

// `path` with the unfinished suffix; false when it does not fit.
bool UnfinishedPathOf(const char* path, CPath& out) {
  const size_t length = std::strlen(path);
  if (length + kUnfinishedSuffix.size() >= out.size()) return false;
  std::memcpy(out.data(), path, length);
  std::memcpy(out.data() + length, kUnfinishedSuffix.data(), kUnfinishedSuffix.size());
  out[length + kUnfinishedSuffix.size()] = '\0';
  return true;
}

// The whole cut copy, open as `copy`, takes its place in the mirror: its
// times set (when known), put on the disk, renamed to `destinationPath`;
// then the source goes, kept as the batch's spare when `sourcePrivate`. On
// failure the copy is removed and the source stays whole.
MoveOutcome PlaceCutCopy(FileHandle copy, const char* copyPath, const char* destinationPath,
                         const char* sourcePath, const FileTime* times, bool sourcePrivate,
                         uint32_t length) {
  if (times != nullptr) platform::SetTimes(copy, &times[0], &times[1]);
  if (!platform::Flush(copy)) {
    MoveOutcome outcome = Failed();
    if (platform::IsVolumeFull(outcome.error)) outcome.result = kVolumeFull;
    CloseFile(copy);
    platform::DeletePath(copyPath);
    return outcome;
  }
  CloseFile(copy);
  if (!platform::MovePlainFile(copyPath, destinationPath)) {
    const MoveOutcome outcome = Failed();
    platform::DeletePath(copyPath);
    return outcome;
  }
  if (!DeleteOrKeepAsSpare(sourcePath, sourcePrivate)) return Failed();
  MoveOutcome moved;
  moved.placed = length;
  return moved;
}

// The cut copy written whole from the bytes the caller read. The copy is
// made as below, under the source's unfinished name, from the batch's spare
// file when it has one.
MoveOutcome MoveCutFromKnown(const char* sourcePath, const char* copyPath,
                             const char* destinationPath, const SourceHead& known, uint32_t skip,
                             uint32_t length) {
  if (static_cast<uint64_t>(skip) + length > known.size) {
    // The file is shorter than its header said.
    MoveOutcome outcome;
    outcome.result = kGeneralFailure;
    return outcome;
  }
  FileHandle copy = OpenSpareAs(copyPath);
  const bool overSpare = copy != kNullHandle;
  if (!overSpare) copy = platform::OpenPath(copyPath, OpenMode::kCreateAlways);
  if (copy == kNullHandle) return Failed();
  uint32_t count = length;
  ResultCode wrote = count > 0 ? WriteBytes(copy, count, known.bytes + skip) : kNoError;
  if (wrote == kNoError && overSpare && !platform::SetLength(copy, length)) wrote = PlatformError();
  if (wrote != kNoError) {
    MoveOutcome outcome = Failed();
    outcome.result = wrote;
    CloseFile(copy);
    platform::DeletePath(copyPath);
    return outcome;
  }
  const FileTime times[2] = {known.creation, known.lastWrite};
  return PlaceCutCopy(copy, copyPath, destinationPath, sourcePath, times, known.isPrivate, length);
}

MoveOutcome MoveOnce(const char* sourcePath, const char* destinationPath, unsigned stripFlags,
                     const SourceHead* known) {
  // Nothing to cut in what the caller read: the file moves as it is.
  const uint64_t wanted = known != nullptr ? std::min<uint64_t>(known->size, kHeadBytes) : 0;
  if (known != nullptr && known->bytes != nullptr && known->length >= wanted) {
    uint32_t skip = 0;
    uint32_t length = 0;
    const uint32_t got = static_cast<uint32_t>(wanted);
    FindHeaderCut(known->bytes, got, known->size, stripFlags, skip, length);
    if (skip == 0) {
      if (!platform::MovePath(sourcePath, destinationPath)) return Failed();
      MoveOutcome moved;
      moved.placed = known->size;
      return moved;
    }
    CPath copyPath;
    if (known->timesKnown && known->length >= known->size &&
        UnfinishedPathOf(sourcePath, copyPath)) {
      return MoveCutFromKnown(sourcePath, copyPath.data(), destinationPath, *known, skip, length);
    }
  }
  FileHandle source = platform::OpenPath(sourcePath, OpenMode::kRead);
  if (source == kNullHandle) return Failed();
  const uint64_t size = FileLength(source);
  std::array<unsigned char, kHeadBytes> head{};
  uint32_t got = static_cast<uint32_t>(std::min<uint64_t>(size, kHeadBytes));
  if (ReadBytes(source, got, head.data()) != 0) {
    MoveOutcome outcome = Failed();
    CloseFile(source);
    return outcome;
  }

  uint32_t skip = 0;
  uint32_t length = 0;
  FindHeaderCut(head.data(), got, size, stripFlags, skip, length);

  if (skip == 0) {
    CloseFile(source);
    if (!platform::MovePath(sourcePath, destinationPath)) return Failed();
    MoveOutcome moved;
    moved.placed = size;
    return moved;
  }

  // The cut copy is made beside the source under the source's unfinished
  // name and takes its place in the mirror only once it is whole on the
  // disk; the source goes last. A run killed on the way leaves the source
  // whole under its own name, with at most an unfinished copy beside it
  // (which the next run removes) or the whole copy already in the mirror.
  CPath copyPath;
  if (!UnfinishedPathOf(sourcePath, copyPath)) {
    CloseFile(source);
    MoveOutcome outcome;
    outcome.result = kBadName;
    return outcome;
  }
  FileHandle destination = platform::OpenPath(copyPath.data(), OpenMode::kCreateAlways);
  if (destination == kNullHandle) {
    MoveOutcome outcome = Failed();
    CloseFile(source);
    return outcome;
  }
  // Anything that goes wrong from here removes the partial copy: the source
  // is still whole where it was, and a truncated file must not pass for a
  // converted one.
  auto abandon = [&](MoveOutcome outcome) {
    CloseFile(destination);
    CloseFile(source);
    platform::DeletePath(copyPath.data());
    return outcome;
  };

  const uint64_t end = static_cast<uint64_t>(skip) + length;
  uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(got, end) - skip);
  if (count > 0 && WriteBytes(destination, count, head.data() + skip) != kNoError) {
    return abandon(Failed());
  }
  uint64_t consumed = got;
  std::array<unsigned char, kHeadBytes> block{};
  while (consumed < end) {
    uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(kHeadBytes, end - consumed));
    uint32_t read = want;
    if (ReadBytes(source, read, block.data()) != 0) return abandon(Failed());
    if (read == 0) {
      // The file is shorter than its header said.
      MoveOutcome outcome;
      outcome.result = kGeneralFailure;
      return abandon(outcome);
    }
    uint32_t written = read;
    const ResultCode wrote = WriteBytes(destination, written, block.data());
    if (wrote != kNoError) {
      MoveOutcome outcome = Failed();
      outcome.result = wrote;
      return abandon(outcome);
    }
    consumed += read;
  }

  FileTime times[2] = {};
  const bool timesKnown = platform::GetTimes(source, &times[0], &times[1]);
  CloseFile(source);
  return PlaceCutCopy(destination, copyPath.data(), destinationPath, sourcePath,
                      timesKnown ? times : nullptr, false, length);
}

}  // namespace

ResultCode MoveStripped(const FileRef& source, const FileRef& destination, unsigned stripFlags) {
  FileRef target = destination;
  if (!SetFileRefName(target, source.name.View())) return kBadName;
  return MoveStrippedAs(source, target, stripFlags);
}

ResultCode MoveStrippedAs(const FileRef& source, const FileRef& target, unsigned stripFlags,
                          uint64_t* placedSize, const SourceHead* known, bool replace) {
  CPath sourcePath;
  CPath destinationPath;
  if (!FileRefToCPath(source, sourcePath) || !FileRefToCPath(target, destinationPath)) {
    return kBadName;
  }
  MoveOutcome outcome = MoveOnce(sourcePath.data(), destinationPath.data(), stripFlags, known);
  if (outcome.result != kNoError) {
    if (!replace || !platform::IsAlreadyExists(outcome.error)) return outcome.result;
    if (!platform::DeletePath(destinationPath.data())) return PlatformError();
    outcome = MoveOnce(sourcePath.data(), destinationPath.data(), stripFlags, known);
  }
  if (outcome.result == kNoError && placedSize != nullptr) *placedSize = outcome.placed;
  return outcome.result;
}

}  // namespace hoard

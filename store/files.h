// The file layer: whole-file operations on references, opens, reads and
// writes on handles, file times, the recycle bin and the move that cuts a
// wrapper header off a cache file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/prompts.h"
#include "platform/fs.h"
#include "store/fileref.h"
#include "store/types.h"

namespace hoard {

using FileHandle = platform::Handle;
inline constexpr FileHandle kNullHandle = platform::kNoHandle;

ResultCode DeleteFileRef(const FileRef& ref);
// Renames inside the folder; a file under the new name is replaced in one
// step (no moment passes with neither file under it).
ResultCode RenameFileRef(const FileRef& ref, std::string_view newName);
// Deletes the target, then renames `sourceName` in the same folder to the
// target's name. On return the reference's name is `sourceName`.
ResultCode ReplaceFileRef(FileRef& target, std::string_view sourceName);
uint64_t FileSizeOf(const FileRef& ref);
bool FileExists(const char* path);
void GetModificationTime(const FileRef& ref, FileTime& out);
void SetModificationTime(const FileRef& ref, FileTime time);
// UTC as it is; weekday 1 = Sunday.
void FileTimeToDateRec(FileTime time, DateRec& out);
// Bit 0 of flags clear: quietly to the recycle bin.
void RecycleFile(const FileRef& ref, unsigned flags);


// Opens. Every open but the asking one reports failure by a null handle.
// The platform's error number `error` in words, in the message table's
// language: permission denied, disk full, read-only file system, not found,
// or "error number N". Written into `out`, cut to fit.
void ErrorInWords(int error, char* out, size_t capacity);

ResultCode OpenRead(const FileRef& ref, FileHandle& out);
// On failure: a null handle, the user's answer to the missing-file prompt,
// and result 1.
ResultCode OpenReadOrAsk(const FileRef& ref, FileHandle& out, FileKind kind, Prompts& prompts,
                         MissingAnswer& answer);
ResultCode OpenReadWrite(const FileRef& ref, FileHandle& out);
ResultCode CreateWrite(const FileRef& ref, FileHandle& out);
ResultCode OpenAppend(const FileRef& ref, FileHandle& out);
FileHandle OpenPathRead(const char* path);
FileHandle OpenPathWriteAlways(const char* path);

// kNoError, or the platform error (kGeneralFailure when it named none);
// count in: wanted, out: transferred.
ResultCode ReadBytes(FileHandle handle, uint32_t& count, void* buffer);
// kNoError, kVolumeFull, or the platform error.
ResultCode WriteBytes(FileHandle handle, uint32_t& count, const void* buffer);
uint64_t FileLength(FileHandle handle);
void CloseFile(FileHandle handle);

// A file written whole is written under its unfinished name (its own name
// and this suffix, in the same folder), put on the disk and only then
// renamed to its own name: a run killed at any moment leaves the old file or
// the new one under the name, never a part of one. A file of an unfinished
// name found later is what a killed run left.
inline constexpr std::string_view kUnfinishedSuffix = ".hoard-unfinished";
// The unfinished name of `ref`; false when it does not fit.
bool UnfinishedRefOf(const FileRef& ref, FileRef& out);
// Flushes and closes `handle` (always closed), then renames the unfinished
// file over `ref`, replacing a file of that name. kNoError or the failing
// call's error; on failure the unfinished file is deleted.
ResultCode FinishUnfinished(FileHandle handle, const FileRef& ref);

// An open file that is closed when its holder goes out of scope.
class OpenFile {
 public:
  OpenFile() = default;
  explicit OpenFile(FileHandle handle) : handle_(handle) {}
  ~OpenFile() { CloseFile(handle_); }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  FileHandle get() const { return handle_; }
  bool IsOpen() const { return handle_ != kNullHandle; }
  // Closes now; later calls and the destructor do nothing more.
  void Close() {
    CloseFile(handle_);
    handle_ = kNullHandle;
  }

 private:
  FileHandle handle_ = kNullHandle;
};

// File-sized blocks.
void* AllocBlock(size_t size);
void FreeBlock(void* block);
template <typename T>
void FreeAndClear(T*& slot) {
  if (slot != nullptr) FreeBlock(slot);
  slot = nullptr;
}

// What to cut in front of the content when moving.
inline constexpr unsigned kStripMacBinary = 1;
inline constexpr unsigned kStripHttpHeader = 2;
// Moves the source into the destination's folder under the source's name,
// cutting a MacBinary header and/or a stored HTTP header as the flags allow.
// On failure the source stays where it was, whole.
ResultCode MoveStripped(const FileRef& source, const FileRef& destination, unsigned stripFlags);
// The same into `target`, a whole reference (folder and name): the file
// takes its new name in the same step as its new folder, so that no moment
// finds it under a name no later run knows. `placedSize`, when given, is set
// to the file's size at its new place.
// `known`, when given, is what the caller read of the source (its size
// and first bytes): when they hold nothing to cut the source is not opened
// again. Without `replace` a file at `target` is never deleted: the move
// fails with the platform's error instead.
// With the whole file and its times known the cut copy is written from
// them, and the source, when `isPrivate` (a plain file of one name owned as a
// new one would be), becomes the batch's spare file rather than deleted.
struct SourceHead {
  const unsigned char* bytes = nullptr;
  size_t length = 0;  // the first block of the file, or the whole when shorter
  uint64_t size = 0;
  bool timesKnown = false;
  uint64_t creation = 0;
  uint64_t lastWrite = 0;
  bool isPrivate = false;
};
// What to cut in front of a file of `size` bytes whose first `got` bytes
// (at most a block) are `head`: `skip` bytes, keeping `length` after them.
// skip 0: nothing.
void FindHeaderCut(const unsigned char* head, uint32_t got, uint64_t size, unsigned stripFlags,
                   uint32_t& skip, uint32_t& length);
ResultCode MoveStrippedAs(const FileRef& source, const FileRef& target, unsigned stripFlags,
                          uint64_t* placedSize = nullptr, const SourceHead* known = nullptr,
                          bool replace = true);
inline ResultCode Move(const FileRef& source, const FileRef& destination) {
  return MoveStripped(source, destination, 0);
}

}  // namespace hoard

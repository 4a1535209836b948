// The file system as the rest of the system sees it: paths are NUL-terminated
// byte texts in the platform's own form, handles are opaque, and every
// failing call leaves its error number for LastError().
#pragma once

#include <cstddef>
#include <cstdint>

namespace hoard::platform {

using Handle = void*;
inline constexpr Handle kNoHandle = nullptr;

enum class OpenMode {
  kRead,         // existing file only, read access
  kReadNoLink,   // the same, but a link at the path's end is never opened
  kReadWrite,    // existing file only, read and write access
  kCreateAlways, // write access, created empty (an existing file is truncated)
  kOpenAlways,   // write access, opened or created, never truncated
  kWriteExisting,  // write access, an existing plain file only, written over in place
};

// The platform's error number of the most recent failing call below.
int LastError();
void SetLastError(int error);
// Classifications of error numbers the core must tell apart.
bool IsAlreadyExists(int error);
bool IsAccessDenied(int error);  // a folder opened as a file gives this too
bool IsVolumeFull(int error);
bool IsNotFound(int error);
bool IsReadOnlyVolume(int error);

// kNoHandle on failure. A folder never opens as a file. A mode that writes
// never follows a link at the path's end: a cache folder can hold links to
// anywhere, and what they lead to is not ours to change.
Handle OpenPath(const char* path, OpenMode mode);
// count in: bytes wanted; out: bytes transferred. false on failure.
bool ReadFrom(Handle handle, void* buffer, uint32_t& count);
bool WriteTo(Handle handle, const void* buffer, uint32_t& count);
// false (and size 0) for a bad handle.
bool SizeOf(Handle handle, uint64_t& size);
bool SeekEnd(Handle handle);
// Cuts or extends the file to `size` bytes.
bool SetLength(Handle handle, uint64_t size);
// Puts what was written to the handle on the disk before returning.
bool Flush(Handle handle);
void Close(Handle handle);

// File times are the Windows 64-bit count of 100 ns since 1601-01-01 UTC on
// both platforms. A null pointer leaves that time alone. Where the platform
// keeps no creation time it is read as the last-write time and not set.
bool GetTimes(Handle handle, uint64_t* creation, uint64_t* lastWrite);
bool SetTimes(Handle handle, const uint64_t* creation, const uint64_t* lastWrite);

// Fails when `to` exists.
bool MovePath(const char* from, const char* to);
// Moves `from` to `to` in one step: a file at `to` is replaced, and no
// moment passes with neither under `to`. Fails for a folder at `to`.
bool ReplacePath(const char* from, const char* to);
// Swaps the names of two files in one step: no moment passes with either
// name free. For two plain files only (a folder changes nothing the
// interface knows of folders). false, with nothing changed, where the file
// system or the platform cannot.
bool SwapPaths(const char* first, const char* second);
// Gives the plain file at `existing` the second name `name` (a hard link):
// both names then show the same bytes. Fails when `name` exists, or where
// the file system has no such names.
bool LinkPath(const char* existing, const char* name);
// MovePath for a plain file this program made or opened as one: the move
// needs no look at what moved. Fails when `to` exists.
bool MovePlainFile(const char* from, const char* to);
// Whether the open file is a plain file of one name, owned by this program's
// user and group, with the access a file made new gets: a file whose bytes
// may be replaced without changing what anyone else sees.
bool IsPrivatePlainFile(Handle handle);
bool DeletePath(const char* path);
bool MakeFolder(const char* path);
bool IsFolder(const char* path);
// Counts that grow whenever, through this interface, a folder may have been
// made (FoldersMadeCount), or a folder or link may have been renamed or taken
// away (FolderChangeCount). While the second stays the same, a path that
// IsFolder found to be a folder still is one; while both do, one that it
// found not to be still is not (unless something else changed the disk).
uint64_t FoldersMadeCount();
uint64_t FolderChangeCount();
// The last component of the n-th folder made (n from 1 to
// FoldersMadeCount()), while it is among the last kMadeFolderNamesKept;
// null when it is not, or when the call may have made other folders too.
// The text stays until the next folder is made.
inline constexpr uint64_t kMadeFolderNamesKept = 64;
const char* MadeFolderName(uint64_t n);
// Whether the path's last component is itself a link (a symbolic link or,
// where the platform has them, a reparse point), never following it.
bool IsLink(const char* path);
// Makes the folder `name` (relative to the current directory) current, but
// never through a link: false for a link, whatever it leads to.
bool EnterFolderNoLink(const char* name);

// The current directory without a trailing separator (a POSIX root stays
// "/"). false when it does not fit into `capacity` bytes with its NUL.
bool GetCurrentFolder(char* buffer, size_t capacity);
bool SetCurrentFolder(const char* path);

// Folder listing in the platform's order. The pattern is a folder path with a
// last component that may hold '*' and '?' ("*.*" matches every name, as on
// Windows); "." and ".." may be reported.
inline constexpr size_t kMaxFoundName = 260;
struct FoundEntry {
  char name[kMaxFoundName];  // NUL-terminated; a longer name is never reported
  bool isFolder;
};
using FindHandle = void*;
FindHandle FindFirst(const char* pattern, FoundEntry& entry);  // kNoHandle: none
bool FindNext(FindHandle handle, FoundEntry& entry);
void FindEnd(FindHandle handle);

}  // namespace hoard::platform

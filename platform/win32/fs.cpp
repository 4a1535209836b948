// The file system on Windows: the kernel's ANSI calls, every error number
// taken right after the call that failed.
#include "platform/fs.h"

#include <windows.h>

#include <cstring>

#include "platform/madefolders.h"

namespace hoard::platform {
namespace {

int gLastError = 0;

// Keeps the system's error number of the call that has just failed.
void NoteFailure() { gLastError = static_cast<int>(::GetLastError()); }

HANDLE ToNative(Handle handle) {
  return handle == kNoHandle ? INVALID_HANDLE_VALUE : static_cast<HANDLE>(handle);
}

FILETIME ToFileTime(uint64_t ticks) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

uint64_t FromFileTime(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Copies a found name when it fits; false for a name that must not be
// reported.
bool TakeFound(const WIN32_FIND_DATAA& data, FoundEntry& entry) {
  size_t length = ::strnlen(data.cFileName, sizeof data.cFileName);
  if (length >= kMaxFoundName) return false;
  std::memcpy(entry.name, data.cFileName, length);
  entry.name[length] = '\0';
  entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return true;
}

}  // namespace

int LastError() { return gLastError; }
void SetLastError(int error) { gLastError = error; }

bool IsAlreadyExists(int error) {
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}
bool IsAccessDenied(int error) { return error == ERROR_ACCESS_DENIED; }
bool IsVolumeFull(int error) {
  return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}
bool IsReadOnlyVolume(int error) { return error == ERROR_WRITE_PROTECT; }

bool IsNotFound(int error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

Handle OpenPath(const char* path, OpenMode mode) {
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case OpenMode::kRead:
      break;
    case OpenMode::kReadNoLink: {
      const DWORD attributes = ::GetFileAttributesA(path);
      if (attributes != INVALID_FILE_ATTRIBUTES &&
          (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        gLastError = ERROR_CANT_RESOLVE_FILENAME;
        return kNoHandle;
      }
      break;
    }
    case OpenMode::kReadWrite:
      access = GENERIC_READ | GENERIC_WRITE;
      break;
    case OpenMode::kCreateAlways:
      access = GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
    case OpenMode::kOpenAlways:
      access = GENERIC_WRITE;
      disposition = OPEN_ALWAYS;
      break;
    case OpenMode::kWriteExisting:
      access = GENERIC_WRITE;
      break;
  }
  // No sharing: another program holding the file open makes the open fail.
  HANDLE handle = ::CreateFileA(path, access, 0, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    NoteFailure();
    return kNoHandle;
  }
  return handle;
}

bool ReadFrom(Handle handle, void* buffer, uint32_t& count) {
  DWORD done = 0;
  if (handle == kNoHandle) {
    count = 0;
    gLastError = ERROR_INVALID_HANDLE;
    return false;
  }
  if (!::ReadFile(ToNative(handle), buffer, count, &done, nullptr)) {
    NoteFailure();
    count = done;
    return false;
  }
  count = done;
  return true;
}

bool WriteTo(Handle handle, const void* buffer, uint32_t& count) {
  DWORD done = 0;
  if (handle == kNoHandle) {
    count = 0;
    gLastError = ERROR_INVALID_HANDLE;
    return false;
  }
  if (!::WriteFile(ToNative(handle), buffer, count, &done, nullptr)) {
    NoteFailure();
    count = done;
    return false;
  }
  count = done;
  return true;
}

bool SizeOf(Handle handle, uint64_t& size) {
  size = 0;
  if (handle == kNoHandle) {
    gLastError = ERROR_INVALID_HANDLE;
    return false;
  }
  LARGE_INTEGER native;
  if (!::GetFileSizeEx(ToNative(handle), &native)) {
    NoteFailure();
    return false;
  }
  size = static_cast<uint64_t>(native.QuadPart);
  return true;
}

bool Flush(Handle handle) {
  if (handle == kNoHandle) {
    gLastError = ERROR_INVALID_HANDLE;
    return false;
  }
  if (!::FlushFileBuffers(ToNative(handle))) {
    NoteFailure();
    return false;
  }
  return true;
}

bool SetLength(Handle handle, uint64_t size) {
  if (handle == kNoHandle) {
    gLastError = ERROR_INVALID_HANDLE;
    return false;
  }
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  if (!::SetFilePointerEx(ToNative(handle), at, nullptr, FILE_BEGIN) ||
      !::SetEndOfFile(ToNative(handle))) {
    NoteFailure();
    return false;
  }
  return true;
}

bool SeekEnd(Handle handle) {
  if (handle == kNoHandle) {
    gLastError = ERROR_INVALID_HANDLE;
    return false;
  }
  LONG high = 0;
  DWORD low = ::SetFilePointer(ToNative(handle), 0, &high, FILE_END);
  // With a high half given, the low half may be all ones on success: only
  // the error number tells.
  if (low == INVALID_SET_FILE_POINTER) {
    DWORD error = ::GetLastError();
    if (error != NO_ERROR) {
      gLastError = static_cast<int>(error);
      return false;
    }
  }
  return true;
}

void Close(Handle handle) {
  if (handle == kNoHandle) return;
  ::CloseHandle(ToNative(handle));
}

bool GetTimes(Handle handle, uint64_t* creation, uint64_t* lastWrite) {
  if (handle == kNoHandle) {
    gLastError = ERROR_INVALID_HANDLE;
    return false;
  }
  FILETIME created;
  FILETIME written;
  if (!::GetFileTime(ToNative(handle), &created, nullptr, &written)) {
    NoteFailure();
    return false;
  }
  if (creation != nullptr) *creation = FromFileTime(created);
  if (lastWrite != nullptr) *lastWrite = FromFileTime(written);
  return true;
}

bool SetTimes(Handle handle, const uint64_t* creation, const uint64_t* lastWrite) {
  if (handle == kNoHandle) {
    gLastError = ERROR_INVALID_HANDLE;
    return false;
  }
  FILETIME created = ToFileTime(creation != nullptr ? *creation : 0);
  FILETIME written = ToFileTime(lastWrite != nullptr ? *lastWrite : 0);
  // A null time pointer leaves that time as it is.
  if (!::SetFileTime(ToNative(handle), creation != nullptr ? &created : nullptr, nullptr,
                     lastWrite != nullptr ? &written : nullptr)) {
    NoteFailure();
    return false;
  }
  return true;
}

namespace {
MadeFolderNames gMadeNames;
uint64_t gFolderChanges = 0;
}  // namespace

namespace {

// Only a folder (or a reparse point, which may lead to one) moving changes
// which paths are folders.
void NoteMoved(const char* to) {
  const DWORD attributes = ::GetFileAttributesA(to);
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
    ++gFolderChanges;
  }
}

}  // namespace

bool MovePath(const char* from, const char* to) {
  if (!::MoveFileA(from, to)) {
    NoteFailure();
    return false;
  }
  NoteMoved(to);
  return true;
}

bool ReplacePath(const char* from, const char* to) {
  if (!::MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING)) {
    NoteFailure();
    return false;
  }
  NoteMoved(to);
  return true;
}

// No call swaps two names in one step here.
bool SwapPaths(const char* /*first*/, const char* /*second*/) {
  gLastError = ERROR_NOT_SUPPORTED;
  return false;
}

bool LinkPath(const char* existing, const char* name) {
  if (!::CreateHardLinkA(name, existing, nullptr)) {
    NoteFailure();
    return false;
  }
  return true;
}

bool MovePlainFile(const char* from, const char* to) { return MovePath(from, to); }

// Never asked for: a file's bytes are never reused where names cannot be
// swapped.
bool IsPrivatePlainFile(Handle /*handle*/) { return false; }

uint64_t FoldersMadeCount() { return gMadeNames.Count(); }

const char* MadeFolderName(uint64_t n) { return gMadeNames.Name(n); }

uint64_t FolderChangeCount() { return gFolderChanges; }

bool DeletePath(const char* path) {
  if (!::DeleteFileA(path)) {
    NoteFailure();
    return false;
  }
  return true;
}

bool MakeFolder(const char* path) {
  gMadeNames.Note(path);
  if (!::CreateDirectoryA(path, nullptr)) {
    NoteFailure();
    return false;
  }
  return true;
}

bool IsFolder(const char* path) {
  DWORD attributes = ::GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    NoteFailure();
    return false;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool GetCurrentFolder(char* buffer, size_t capacity) {
  if (capacity == 0) return false;
  buffer[0] = '\0';
  // The ANSI call never reports more than MAX_PATH bytes; the larger buffer
  // leaves room for the answer "too small" to be told apart.
  char native[MAX_PATH * 2];
  DWORD length = ::GetCurrentDirectoryA(sizeof native, native);
  if (length == 0) {
    NoteFailure();
    return false;
  }
  if (length >= sizeof native) {
    gLastError = ERROR_INSUFFICIENT_BUFFER;
    return false;
  }
  // A drive's root is reported as "C:\": the separator goes.
  if (length > 0 && native[length - 1] == '\\') --length;
  if (length >= capacity) {
    gLastError = ERROR_INSUFFICIENT_BUFFER;
    return false;
  }
  std::memcpy(buffer, native, length);
  buffer[length] = '\0';
  return true;
}

bool IsLink(const char* path) {
  DWORD attributes = ::GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    NoteFailure();
    return false;
  }
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool EnterFolderNoLink(const char* name) {
  if (IsLink(name)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    NoteFailure();
    return false;
  }
  return SetCurrentFolder(name);
}

bool SetCurrentFolder(const char* path) {
  if (!::SetCurrentDirectoryA(path)) {
    NoteFailure();
    return false;
  }
  return true;
}

FindHandle FindFirst(const char* pattern, FoundEntry& entry) {
  WIN32_FIND_DATAA data;
  HANDLE handle = ::FindFirstFileA(pattern, &data);
  if (handle == INVALID_HANDLE_VALUE) {
    NoteFailure();
    return kNoHandle;
  }
  if (TakeFound(data, entry)) return handle;
  // The first name does not fit: the listing starts with the next that does.
  while (::FindNextFileA(handle, &data)) {
    if (TakeFound(data, entry)) return handle;
  }
  NoteFailure();
  ::FindClose(handle);
  return kNoHandle;
}

bool FindNext(FindHandle handle, FoundEntry& entry) {
  if (handle == kNoHandle) {
    gLastError = ERROR_INVALID_HANDLE;
    return false;
  }
  WIN32_FIND_DATAA data;
  while (::FindNextFileA(static_cast<HANDLE>(handle), &data)) {
    if (TakeFound(data, entry)) return true;
  }
  NoteFailure();
  return false;
}

void FindEnd(FindHandle handle) {
  if (handle == kNoHandle) return;
  ::FindClose(static_cast<HANDLE>(handle));
}

}  // namespace hoard::platform

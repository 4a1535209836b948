// The file system on POSIX: open(2) descriptors behind the opaque handles,
// errno behind LastError, Windows file times converted to and from timespec,
// and a folder listing that matches names the way Windows does.
#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/madefolders.h"
#include "platform/posix/faults.h"
#include "platform/posix/paths.h"
#include "platform/posix/pattern.h"

namespace hoard::platform {
namespace {

int gLastError = 0;

// The error of the call that just failed, kept for LastError.
bool Fail() {
  gLastError = errno;
  return false;
}
bool FailWith(int error) {
  gLastError = error;
  return false;
}

// Faults armed by a test or a kill asked for by the environment
// (platform/posix/faults.h).
struct Faults {
  bool armed = false;
  uint64_t calls = 0;
  uint64_t failAt = 0;
  int error = 0;
  uint64_t killAt = 0;
  int killSignal = SIGKILL;
};

Faults ReadKillPlan() {
  Faults plan;
  const char* text = getenv("HOARD_HOARD_KILL_AT_CALL");
  if (text == nullptr || *text == '\0') return plan;
  char* end = nullptr;
  const unsigned long long at = std::strtoull(text, &end, 10);
  if (at == 0) return plan;
  if (*end == ':') {
    const long signal = std::strtol(end + 1, nullptr, 10);
    if (signal > 0 && signal < NSIG) plan.killSignal = static_cast<int>(signal);
  }
  plan.killAt = at;
  plan.armed = true;
  return plan;
}

Faults gFaults = ReadKillPlan();

enum class Injected { kNone, kFail, kKill };

// Counts one counted call and says what becomes of it.
Injected CountCall() {
  if (!gFaults.armed) return Injected::kNone;
  const uint64_t n = ++gFaults.calls;
  if (n == gFaults.killAt) return Injected::kKill;
  if (n == gFaults.failAt) return Injected::kFail;
  return Injected::kNone;
}

void KillSelf() {
  raise(gFaults.killSignal);
  // A signal the process catches or ignores lets it go on.
}

// For a counted call that is not a write: true when it is to fail (its error
// is set); a kill happens here, before the call.
bool FailsHere() {
  switch (CountCall()) {
    case Injected::kNone: return false;
    case Injected::kKill: KillSelf(); return false;
    case Injected::kFail: gLastError = gFaults.error; return true;
  }
  return false;
}

// The descriptor lives in the handle as fd + 1 so that descriptor 0 is not
// the null handle.
Handle HandleOf(int fd) { return reinterpret_cast<Handle>(static_cast<intptr_t>(fd) + 1); }
int FdOf(Handle handle) { return static_cast<int>(reinterpret_cast<intptr_t>(handle) - 1); }

int OpenFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::kRead: return O_RDONLY;
    case OpenMode::kReadNoLink: return O_RDONLY | O_NOFOLLOW;
    case OpenMode::kReadWrite: return O_RDWR | O_NOFOLLOW;
    case OpenMode::kCreateAlways: return O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW;
    case OpenMode::kOpenAlways: return O_WRONLY | O_CREAT | O_NOFOLLOW;
    case OpenMode::kWriteExisting: return O_WRONLY | O_NOFOLLOW;
  }
  return O_RDONLY;
}

// Windows ticks (100 ns since 1601) and the Unix epoch.
constexpr uint64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;

uint64_t TicksOf(const timespec& time) {
  int64_t seconds = static_cast<int64_t>(time.tv_sec) + kSecondsFrom1601To1970;
  if (seconds < 0) return 0;
  return static_cast<uint64_t>(seconds) * kTicksPerSecond + static_cast<uint64_t>(time.tv_nsec) / 100;
}

timespec TimespecOf(uint64_t ticks) {
  timespec time{};
  time.tv_sec = static_cast<time_t>(static_cast<int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970);
  time.tv_nsec = static_cast<long>((ticks % kTicksPerSecond) * 100);
  return time;
}

// Rename that never replaces: the kernel's no-replace flag where the file
// system has it; otherwise a hard link (which refuses an existing target) and
// an unlink; for folders and file systems without links, a check and a plain
// rename.
bool RenameNoReplace(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
  if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return Fail();
#endif
  struct stat info;
  if (lstat(from, &info) != 0) return Fail();
  if (!S_ISDIR(info.st_mode)) {
    if (link(from, to) == 0) {
      if (unlink(from) == 0) return true;
      int error = errno;
      unlink(to);
      return FailWith(error);
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) return Fail();
  }
  if (lstat(to, &info) == 0) return FailWith(EEXIST);
  if (rename(from, to) != 0) return Fail();
  return true;
}

// A listing is read whole and handed out in name order (ASCII letters folded,
// as a Windows volume lists them), so that a folder scan takes its cache
// files in the same order on every run and every file system.
struct FindState {
  dirent** names = nullptr;
  int count = 0;
  int next = 0;
  int folderFd = -1;
  char pattern[kMaxFoundName] = {};
  char folderPath[4096] = {};
};

unsigned char FoldForOrder(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

int CompareNames(const dirent** a, const dirent** b) {
  const auto* x = reinterpret_cast<const unsigned char*>((*a)->d_name);
  const auto* y = reinterpret_cast<const unsigned char*>((*b)->d_name);
  for (size_t i = 0;; ++i) {
    const unsigned char fx = FoldForOrder(x[i]);
    const unsigned char fy = FoldForOrder(y[i]);
    if (fx != fy) return fx < fy ? -1 : 1;
    if (x[i] == '\0') break;
  }
  return std::strcmp((*a)->d_name, (*b)->d_name);
}

void FreeFindState(FindState* state) {
  for (int i = 0; i < state->count; ++i) std::free(state->names[i]);
  std::free(state->names);
  if (state->folderFd >= 0) close(state->folderFd);
  delete state;
}

// Fills `entry` with the next name that matches; false at the end.
bool NextMatch(FindState& state, FoundEntry& entry) {
  while (state.next < state.count) {
    const dirent* found = state.names[state.next++];
    size_t length = std::strlen(found->d_name);
    if (length >= kMaxFoundName) continue;
    if (!MatchesWindowsPattern(state.pattern, found->d_name)) continue;
    std::memcpy(entry.name, found->d_name, length + 1);
    if (found->d_type == DT_DIR) {
      entry.isFolder = true;
    } else if (found->d_type == DT_UNKNOWN || found->d_type == DT_LNK) {
      struct stat info;
      entry.isFolder = state.folderFd >= 0 &&
                       fstatat(state.folderFd, found->d_name, &info, 0) == 0 &&
                       S_ISDIR(info.st_mode);
    } else {
      entry.isFolder = false;
    }
    return true;
  }
  return FailWith(ENOENT);
}

}  // namespace

void ArmFaults(uint64_t failAt, int error) {
  gFaults.armed = true;
  gFaults.calls = 0;
  gFaults.failAt = failAt;
  gFaults.error = error;
}

void DisarmFaults() {
  gFaults.armed = gFaults.killAt != 0;
  gFaults.failAt = 0;
}

uint64_t CountedFileCalls() { return gFaults.calls; }

namespace {

// What the open of the last file opened for reading found: a batch asks
// for the size and time of the file it just opened again and again. Any
// change through this interface forgets it.
struct OpenedStatus {
  int fd = -1;
  struct stat info {};
};
OpenedStatus gOpened;

// The path of the last file opened, in any mode, that was a plain file
// then; forgotten like the status above, and at a change of folder, and
// never kept for a path that does not fit.
struct OpenedPath {
  bool kept = false;
  char path[4096] = {};
};
OpenedPath gOpenedPath;

void ForgetOpened() {
  gOpened.fd = -1;
  gOpenedPath.kept = false;
}

void KeepOpenedPath(const char* path) {
  const size_t length = std::strlen(path);
  gOpenedPath.kept = length < sizeof gOpenedPath.path;
  if (gOpenedPath.kept) std::memcpy(gOpenedPath.path, path, length + 1);
}

bool IsLastOpenedFile(const char* path) {
  return gOpenedPath.kept && std::strcmp(path, gOpenedPath.path) == 0;
}

bool StatusOf(Handle handle, struct stat& info) {
  if (FdOf(handle) == gOpened.fd) {
    info = gOpened.info;
    return true;
  }
  return fstat(FdOf(handle), &info) == 0;
}

}  // namespace

int LastError() { return gLastError; }
void SetLastError(int error) { gLastError = error; }

bool IsAlreadyExists(int error) { return error == EEXIST; }
bool IsAccessDenied(int error) { return error == EACCES || error == EPERM || error == EISDIR; }
bool IsVolumeFull(int error) { return error == ENOSPC || error == EDQUOT; }
bool IsNotFound(int error) { return error == ENOENT || error == ENOTDIR; }
bool IsReadOnlyVolume(int error) { return error == EROFS; }

Handle OpenPath(const char* path, OpenMode mode) {
  // Opened non-blocking so that a FIFO in a cache folder cannot hang the run;
  // ordinary blocking I/O is restored right after.
  if (FailsHere()) return kNoHandle;
  const bool reading = mode == OpenMode::kRead || mode == OpenMode::kReadNoLink;
  if (!reading) ForgetOpened();
  int fd;
  // A file made new is a plain file: it needs no look at what it is.
  if (mode == OpenMode::kCreateAlways) {
    do {
      fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
      KeepOpenedPath(path);
      return HandleOf(fd);
    }
    if (errno != EEXIST) {
      Fail();
      return kNoHandle;
    }
  }
  do {
    fd = open(path, OpenFlags(mode) | O_CLOEXEC | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    Fail();
    return kNoHandle;
  }
  // A file written over is one this program made or opened as a plain file
  // (a folder does not open for writing).
  if (mode == OpenMode::kWriteExisting) {
    KeepOpenedPath(path);
    return HandleOf(fd);
  }
  struct stat info;
  if (fstat(fd, &info) != 0) {
    Fail();
    close(fd);
    return kNoHandle;
  }
  if (S_ISDIR(info.st_mode)) {
    close(fd);
    FailWith(EISDIR);
    return kNoHandle;
  }
  // A regular file reads and writes the same either way: only a device or
  // FIFO needs blocking I/O back.
  if (S_ISREG(info.st_mode)) {
    if (reading) gOpened = OpenedStatus{fd, info};
    KeepOpenedPath(path);
    return HandleOf(fd);
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    Fail();
    close(fd);
    return kNoHandle;
  }
  return HandleOf(fd);
}

bool ReadFrom(Handle handle, void* buffer, uint32_t& count) {
  uint32_t wanted = count;
  count = 0;
  if (handle == kNoHandle) return FailWith(EBADF);
  if (FailsHere()) return false;
  auto* bytes = static_cast<unsigned char*>(buffer);
  while (count < wanted) {
    ssize_t got = read(FdOf(handle), bytes + count, wanted - count);
    if (got < 0) {
      if (errno == EINTR) continue;
      return Fail();
    }
    if (got == 0) break;
    count += static_cast<uint32_t>(got);
  }
  return true;
}

bool WriteTo(Handle handle, const void* buffer, uint32_t& count) {
  uint32_t wanted = count;
  count = 0;
  if (handle == kNoHandle) return FailWith(EBADF);
  gOpened.fd = -1;
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  switch (CountCall()) {
    case Injected::kNone: break;
    case Injected::kFail: return FailWith(gFaults.error);
    case Injected::kKill:
      // Killed in the middle of the write: half of it is on the disk.
      if (wanted > 1) {
        const ssize_t put = write(FdOf(handle), bytes, wanted / 2);
        if (put > 0) count = static_cast<uint32_t>(put);
      }
      KillSelf();
      break;
  }
  while (count < wanted) {
    ssize_t put = write(FdOf(handle), bytes + count, wanted - count);
    if (put < 0) {
      if (errno == EINTR) continue;
      return Fail();
    }
    if (put == 0) return FailWith(ENOSPC);
    count += static_cast<uint32_t>(put);
  }
  return true;
}

bool SizeOf(Handle handle, uint64_t& size) {
  size = 0;
  if (handle == kNoHandle) return FailWith(EBADF);
  struct stat info;
  if (!StatusOf(handle, info)) return Fail();
  size = static_cast<uint64_t>(info.st_size);
  return true;
}

bool SeekEnd(Handle handle) {
  if (handle == kNoHandle) return FailWith(EBADF);
  if (lseek(FdOf(handle), 0, SEEK_END) < 0) return Fail();
  return true;
}

bool SetLength(Handle handle, uint64_t size) {
  if (handle == kNoHandle) return FailWith(EBADF);
  if (FailsHere()) return false;
  gOpened.fd = -1;
  int done;
  do {
    done = ftruncate(FdOf(handle), static_cast<off_t>(size));
  } while (done != 0 && errno == EINTR);
  return done == 0 || Fail();
}

bool Flush(Handle handle) {
  if (handle == kNoHandle) return FailWith(EBADF);
  if (FailsHere()) return false;
  int done;
  do {
    done = fsync(FdOf(handle));
  } while (done != 0 && errno == EINTR);
  return done == 0 || Fail();
}

void Close(Handle handle) {
  if (handle == kNoHandle) return;
  if (FdOf(handle) == gOpened.fd) gOpened.fd = -1;
  close(FdOf(handle));
}

bool GetTimes(Handle handle, uint64_t* creation, uint64_t* lastWrite) {
  if (handle == kNoHandle) return FailWith(EBADF);
  struct stat info;
  if (!StatusOf(handle, info)) return Fail();
  uint64_t written = TicksOf(info.st_mtim);
  if (creation != nullptr) *creation = written;
  if (lastWrite != nullptr) *lastWrite = written;
  return true;
}

bool SetTimes(Handle handle, const uint64_t* /*creation: not kept here*/, const uint64_t* lastWrite) {
  if (handle == kNoHandle) return FailWith(EBADF);
  if (lastWrite == nullptr) return true;
  if (FailsHere()) return false;
  gOpened.fd = -1;
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1] = TimespecOf(*lastWrite);
  if (futimens(FdOf(handle), times) != 0) return Fail();
  return true;
}

namespace {
MadeFolderNames gMadeNames;
uint64_t gFolderChanges = 0;
}  // namespace

// Only a folder (or a link, which may lead to one) moving changes which
// paths are folders: a move of the file this interface last opened, as a
// plain file, needs no look at what moved.
void NoteMoved(bool knownFile, const char* to) {
  if (knownFile) return;
  struct stat info;
  if (lstat(to, &info) != 0 || !S_ISREG(info.st_mode)) ++gFolderChanges;
}

bool MovePath(const char* from, const char* to) {
  const bool knownFile = IsLastOpenedFile(from);
  ForgetOpened();
  if (FailsHere() || !RenameNoReplace(from, to)) return false;
  NoteMoved(knownFile, to);
  return true;
}

bool ReplacePath(const char* from, const char* to) {
  const bool knownFile = IsLastOpenedFile(from);
  ForgetOpened();
  if (FailsHere()) return false;
  if (rename(from, to) != 0) return Fail();
  NoteMoved(knownFile, to);
  return true;
}

bool SwapPaths(const char* first, const char* second) {
  ForgetOpened();
  if (FailsHere()) return false;
#ifdef RENAME_EXCHANGE
  if (renameat2(AT_FDCWD, first, AT_FDCWD, second, RENAME_EXCHANGE) != 0) return Fail();
  return true;
#else
  return FailWith(ENOSYS);
#endif
}

bool LinkPath(const char* existing, const char* name) {
  ForgetOpened();
  if (FailsHere()) return false;
  if (link(existing, name) != 0) return Fail();
  return true;
}

bool MovePlainFile(const char* from, const char* to) {
  ForgetOpened();
  return !FailsHere() && RenameNoReplace(from, to);
}

bool IsPrivatePlainFile(Handle handle) {
  // What a file made new gets, asked once: the umask can only be read by
  // setting it.
  static const struct Own {
    uid_t user = geteuid();
    gid_t group = getegid();
    mode_t access = [] {
      const mode_t mask = umask(0);
      umask(mask);
      return static_cast<mode_t>(0666 & ~mask);
    }();
  } own;
  struct stat info;
  return handle != kNoHandle && StatusOf(handle, info) && S_ISREG(info.st_mode) &&
         info.st_nlink == 1 && info.st_uid == own.user && info.st_gid == own.group &&
         (info.st_mode & 07777) == own.access;
}

void NoteFolderMade(const char* path) { gMadeNames.Note(path); }

uint64_t FoldersMadeCount() { return gMadeNames.Count(); }

const char* MadeFolderName(uint64_t n) { return gMadeNames.Name(n); }

uint64_t FolderChangeCount() { return gFolderChanges; }

bool DeletePath(const char* path) {
  ForgetOpened();
  if (FailsHere()) return false;
  if (unlink(path) != 0) return Fail();
  return true;
}

bool MakeFolder(const char* path) {
  ForgetOpened();
  if (FailsHere()) return false;
  NoteFolderMade(path);
  if (mkdir(path, 0777) != 0) return Fail();
  return true;
}

bool IsFolder(const char* path) {
  struct stat info;
  if (stat(path, &info) != 0) return Fail();
  return S_ISDIR(info.st_mode);
}

bool IsLink(const char* path) {
  struct stat info;
  if (lstat(path, &info) != 0) return Fail();
  return S_ISLNK(info.st_mode);
}

bool EnterFolderNoLink(const char* name) {
  ForgetOpened();
  if (FailsHere()) return false;
  int fd;
  do {
    fd = open(name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return Fail();
  const bool entered = fchdir(fd) == 0;
  if (!entered) Fail();
  close(fd);
  return entered;
}

bool GetCurrentFolder(char* buffer, size_t capacity) {
  if (capacity == 0) return FailWith(ERANGE);
  if (getcwd(buffer, capacity) == nullptr) {
    buffer[0] = '\0';
    return Fail();
  }
  return true;
}

bool SetCurrentFolder(const char* path) {
  ForgetOpened();
  if (FailsHere()) return false;
  if (chdir(path) != 0) return Fail();
  return true;
}

FindHandle FindFirst(const char* pattern, FoundEntry& entry) {
  entry.name[0] = '\0';
  entry.isFolder = false;
  if (FailsHere()) return kNoHandle;
  auto* state = new (std::nothrow) FindState;
  if (state == nullptr) {
    FailWith(ENOMEM);
    return kNoHandle;
  }
  const char* slash = std::strrchr(pattern, '/');
  const char* last = slash != nullptr ? slash + 1 : pattern;
  size_t folderLength = slash != nullptr ? static_cast<size_t>(slash - pattern) : 0;
  if (slash == pattern) folderLength = 1;  // the root itself
  size_t lastLength = std::strlen(last);
  if (folderLength >= sizeof state->folderPath || lastLength >= sizeof state->pattern) {
    delete state;
    FailWith(ENAMETOOLONG);
    return kNoHandle;
  }
  if (slash == nullptr) {
    std::memcpy(state->folderPath, ".", 2);
  } else {
    std::memcpy(state->folderPath, pattern, folderLength);
    state->folderPath[folderLength] = '\0';
  }
  std::memcpy(state->pattern, last, lastLength + 1);
  // A name without wildcards that is there as written needs no listing: the
  // batch asks for each of its files by name, and listing a folder of
  // thousands of cache files once a file made a batch quadratic.
  if (lastLength > 0 && std::strpbrk(last, "*?") == nullptr) {
    struct stat info;
    if (fstatat(AT_FDCWD, pattern, &info, AT_SYMLINK_NOFOLLOW) == 0) {
      std::memcpy(entry.name, last, lastLength + 1);
      struct stat target;
      entry.isFolder = S_ISDIR(info.st_mode) ||
                       (S_ISLNK(info.st_mode) && stat(pattern, &target) == 0 &&
                        S_ISDIR(target.st_mode));
      return state;  // nothing more to hand out
    }
  }
  state->count = scandir(state->folderPath, &state->names, nullptr, CompareNames);
  if (state->count < 0) {
    Fail();
    state->count = 0;
    FreeFindState(state);
    return kNoHandle;
  }
  state->folderFd = open(state->folderPath, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (!NextMatch(*state, entry)) {
    FreeFindState(state);
    return kNoHandle;
  }
  return state;
}

bool FindNext(FindHandle handle, FoundEntry& entry) {
  if (handle == kNoHandle) return FailWith(EBADF);
  return NextMatch(*static_cast<FindState*>(handle), entry);
}

void FindEnd(FindHandle handle) {
  if (handle == kNoHandle) return;
  FreeFindState(static_cast<FindState*>(handle));
}

}  // namespace hoard::platform

#include "platform/posix/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/fs.h"

namespace hoard::platform {
namespace {

constexpr int kMaxCollisions = 100000;

bool AbsolutePath(const char* path, PathText& out) {
  if (path[0] == '/') return out.Assign(path);
  char current[kMaxPosixPath];
  if (getcwd(current, sizeof current) == nullptr) return false;
  return out.Assign(current) && (out.length == 1 || out.Append("/")) && out.Append(path);
}

// The folder the file lives in, and its own name, with trailing separators
// dropped.
bool SplitPath(PathText& path, std::string_view& folder, std::string_view& name) {
  while (path.length > 1 && path.text[path.length - 1] == '/') path.text[--path.length] = '\0';
  std::string_view whole{path.text, path.length};
  size_t slash = whole.rfind('/');
  if (slash == std::string_view::npos || slash + 1 == whole.size()) return false;
  folder = whole.substr(0, slash == 0 ? 1 : slash);
  name = whole.substr(slash + 1);
  return name != "." && name != "..";
}

// The highest folder above the file that is still on the file's device.
bool TopFolderOf(std::string_view folder, dev_t device, PathText& out) {
  if (!out.Assign(folder)) return false;
  while (out.length > 1) {
    std::string_view text{out.text, out.length};
    size_t slash = text.rfind('/');
    PathText parent;
    if (!parent.Assign(text.substr(0, slash == 0 ? 1 : slash))) return false;
    struct stat info;
    if (stat(parent.text, &info) != 0 || info.st_dev != device) return true;
    out = parent;
  }
  return true;
}

bool AppendNumber(PathText& out, unsigned long number) {
  char digits[24];
  int length = std::snprintf(digits, sizeof digits, "%lu", number);
  return length > 0 && out.Append({digits, static_cast<size_t>(length)});
}

// A trash folder on the file's volume: the administrator's shared ".Trash"
// (a real folder with the sticky bit) holding one folder per user, else our
// own ".Trash-UID", which must be ours and no link.
bool VolumeTrash(std::string_view top, PathText& out) {
  struct stat info;
  PathText shared;
  if (shared.Assign(top) && (shared.length == 1 || shared.Append("/")) && shared.Append(".Trash") &&
      lstat(shared.text, &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0) {
    out = shared;
    if (out.Append("/") && AppendNumber(out, geteuid()) && MakeFolders(out.text, 0700)) return true;
  }
  if (!out.Assign(top) || !(out.length == 1 || out.Append("/")) || !out.Append(".Trash-") ||
      !AppendNumber(out, geteuid())) {
    return false;
  }
  NoteFolderMade();
  if (mkdir(out.text, 0700) != 0 && errno != EEXIST) return false;
  return lstat(out.text, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid();
}

bool ChooseTrash(std::string_view folder, dev_t device, PathText& out) {
  struct stat info;
  if (UserBaseFolder("XDG_DATA_HOME", ".local/share", out) && out.Append("/Trash") &&
      MakeFolders(out.text, 0700) && stat(out.text, &info) == 0 && info.st_dev == device) {
    return true;
  }
  PathText top;
  return TopFolderOf(folder, device, top) && VolumeTrash({top.text, top.length}, out);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(put));
  }
  return true;
}

bool WriteInfo(int fd, const PathText& encodedPath, std::time_t deleted) {
  std::tm local{};
  char date[32];
  if (localtime_r(&deleted, &local) == nullptr ||
      std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local) == 0) {
    return false;
  }
  return WriteAll(fd, "[Trash Info]\nPath=") &&
         WriteAll(fd, {encodedPath.text, encodedPath.length}) &&
         WriteAll(fd, "\nDeletionDate=") && WriteAll(fd, date) && WriteAll(fd, "\n");
}

}  // namespace

bool PercentEncodePath(const char* path, PathText& out) {
  constexpr char kHex[] = "0123456789ABCDEF";
  out.Assign("");
  for (const char* at = path; *at != '\0'; ++at) {
    unsigned char c = static_cast<unsigned char>(*at);
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      if (!out.Append({at, 1})) return false;
    } else {
      char escape[3] = {'%', kHex[c >> 4], kHex[c & 15]};
      if (!out.Append({escape, 3})) return false;
    }
  }
  return true;
}

bool MoveToTrash(const char* path, std::time_t deleted) {
  PathText absolute;
  std::string_view folder, name;
  if (!AbsolutePath(path, absolute) || !SplitPath(absolute, folder, name)) {
    SetLastError(EINVAL);
    return false;
  }
  struct stat file;
  if (lstat(absolute.text, &file) != 0) {
    SetLastError(errno);
    return false;
  }
  PathText trash, encoded;
  if (!ChooseTrash(folder, file.st_dev, trash) || !PercentEncodePath(absolute.text, encoded)) {
    SetLastError(errno != 0 ? errno : EACCES);
    return false;
  }
  PathText files, infos;
  if (!files.Assign(trash.text) || !files.Append("/files") || !MakeFolders(files.text, 0700) ||
      !infos.Assign(trash.text) || !infos.Append("/info") || !MakeFolders(infos.text, 0700)) {
    SetLastError(errno);
    return false;
  }

  for (int number = 1; number <= kMaxCollisions; ++number) {
    PathText target, info;
    bool built = target.Assign(files.text) && target.Append("/") && target.Append(name) &&
                 info.Assign(infos.text) && info.Append("/") && info.Append(name);
    if (number > 1) {
      built = built && target.Append(".") && AppendNumber(target, number) && info.Append(".") &&
              AppendNumber(info, number);
    }
    if (!built || !info.Append(".trashinfo")) {
      SetLastError(ENAMETOOLONG);
      return false;
    }
    // The record claims the name; a name taken by either part is skipped.
    int fd = open(info.text, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      SetLastError(errno);
      return false;
    }
    struct stat taken;
    if (lstat(target.text, &taken) == 0) {
      close(fd);
      unlink(info.text);
      continue;
    }
    bool recorded = WriteInfo(fd, encoded, deleted);
    if (close(fd) != 0) recorded = false;
    if (!recorded) {
      SetLastError(errno != 0 ? errno : EIO);
      unlink(info.text);
      return false;
    }
    if (!MovePath(absolute.text, target.text)) {
      int error = LastError();
      unlink(info.text);
      SetLastError(error);
      return false;
    }
    return true;
  }
  SetLastError(EEXIST);
  return false;
}

}  // namespace hoard::platform

#include "app/posix/outputcopy.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace hoard::app {
namespace {

// A descriptor closed at the end of its scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// The real path of `path`; of its folder and its own name when it does not
// exist yet. Empty when neither can be found.
std::string RealPathOf(const std::string& path) {
  if (char* real = realpath(path.c_str(), nullptr)) {
    std::string text(real);
    std::free(real);
    return text;
  }
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  const std::string parent = slash == std::string::npos ? "." : trimmed.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
  char* real = realpath(parent.c_str(), nullptr);
  if (real == nullptr || name.empty() || name == "." || name == "..") {
    std::free(real);
    return {};
  }
  std::string text(real);
  std::free(real);
  if (text.back() != '/') text.push_back('/');
  return text + name;
}

bool IsInside(const std::string& path, const std::string& folder) {
  if (path == folder) return true;
  const std::string prefix = folder.back() == '/' ? folder : folder + "/";
  return path.compare(0, prefix.size(), prefix) == 0;
}

// Opens a file or folder of the cache for reading without changing its
// access time where the system allows that.
int OpenForReading(int folder, const char* name, int flags) {
  const int fd = openat(folder, name, flags | O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOATIME);
  if (fd >= 0 || errno != EPERM) return fd;
  return openat(folder, name, flags | O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
}

bool CopyBytes(int from, int to, off_t size) {
  if (ioctl(to, FICLONE, from) == 0) return true;
  off_t done = 0;
  while (done < size) {
    const ssize_t n =
        copy_file_range(from, nullptr, to, nullptr, static_cast<size_t>(size - done), 0);
    if (n <= 0) break;
    done += n;
  }
  if (done == size) return true;
  // No copy_file_range here (another file system, an old kernel): bytes.
  if (lseek(from, done, SEEK_SET) != done || lseek(to, done, SEEK_SET) != done) return false;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t n = read(from, buffer.data(), buffer.size());
    if (n == 0) return true;
    if (n < 0) return false;
    for (ssize_t written = 0; written < n;) {
      const ssize_t w = write(to, buffer.data() + written, static_cast<size_t>(n - written));
      if (w <= 0) return false;
      written += w;
    }
  }
}

bool CopyFolder(int from, int to, const std::string& where, std::string& why);

bool CopyEntry(int from, int to, const char* name, const std::string& where, std::string& why) {
  struct stat info = {};
  const std::string path = where + "/" + name;
  if (fstatat(from, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
    why = path + ": " + std::strerror(errno);
    return false;
  }
  const timespec times[2] = {info.st_atim, info.st_mtim};
  if (S_ISLNK(info.st_mode)) {
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t n = readlinkat(from, name, target.data(), target.size() - 1);
    if (n < 0 ||
        symlinkat(std::string(target.data(), static_cast<size_t>(n)).c_str(), to, name) != 0) {
      why = path + ": " + std::strerror(errno);
      return false;
    }
    utimensat(to, name, times, AT_SYMLINK_NOFOLLOW);
    return true;
  }
  if (S_ISDIR(info.st_mode)) {
    if (mkdirat(to, name, 0700) != 0) {
      why = path + ": " + std::strerror(errno);
      return false;
    }
    const Fd source(OpenForReading(from, name, O_DIRECTORY));
    const Fd target(openat(to, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (source.get() < 0 || target.get() < 0) {
      why = path + ": " + std::strerror(errno);
      return false;
    }
    if (!CopyFolder(source.get(), target.get(), path, why)) return false;
    fchmod(target.get(), info.st_mode & 07777);
    futimens(target.get(), times);
    return true;
  }
  if (!S_ISREG(info.st_mode)) return true;  // a device or pipe is no cache file
  const Fd source(OpenForReading(from, name, 0));
  const Fd target(openat(to, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (source.get() < 0 || target.get() < 0 ||
      !CopyBytes(source.get(), target.get(), info.st_size) ||
      fchmod(target.get(), info.st_mode & 07777) != 0 || futimens(target.get(), times) != 0) {
    why = path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool CopyFolder(int from, int to, const std::string& where, std::string& why) {
  const int listing = dup(from);
  DIR* folder = listing >= 0 ? fdopendir(listing) : nullptr;
  if (folder == nullptr) {
    if (listing >= 0) close(listing);
    why = where + ": " + std::strerror(errno);
    return false;
  }
  std::vector<std::string> names;
  while (const dirent* entry = readdir(folder)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
      names.emplace_back(entry->d_name);
    }
  }
  closedir(folder);
  for (const std::string& name : names) {
    if (!CopyEntry(from, to, name.c_str(), where, why)) return false;
  }
  return true;
}

}  // namespace

OutputCheck CheckOutputFolder(const std::string& cacheFolder, const std::string& outputFolder,
                              std::string& why) {
  const std::string cache = RealPathOf(cacheFolder);
  const std::string output = RealPathOf(outputFolder);
  if (cache.empty() || output.empty()) {
    why = "the output folder's parent folder does not exist";
    return OutputCheck::kRefused;
  }
  if (IsInside(output, cache)) {
    why = output == cache ? "the output folder is the cache folder itself"
                          : "the output folder is inside the cache folder";
    return OutputCheck::kRefused;
  }
  struct stat info = {};
  std::string trimmed = outputFolder;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  if (lstat(trimmed.c_str(), &info) != 0) {
    if (errno == ENOENT) return OutputCheck::kUsable;
    why = std::strerror(errno);
    return OutputCheck::kRefused;
  }
  if (S_ISLNK(info.st_mode)) {
    why = "the output folder is a link";
    return OutputCheck::kRefused;
  }
  if (!S_ISDIR(info.st_mode)) {
    why = "the output folder is a file";
    return OutputCheck::kRefused;
  }
  DIR* folder = opendir(trimmed.c_str());
  if (folder == nullptr) {
    why = std::strerror(errno);
    return OutputCheck::kRefused;
  }
  bool empty = true;
  while (const dirent* entry = readdir(folder)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
      empty = false;
  }
  closedir(folder);
  if (!empty) {
    why = "the output folder is not empty";
    return OutputCheck::kRefused;
  }
  return OutputCheck::kUsable;
}

bool CopyCacheFolder(const std::string& cacheFolder, const std::string& outputFolder,
                     std::string& why) {
  struct stat info = {};
  const Fd source(OpenForReading(AT_FDCWD, cacheFolder.c_str(), O_DIRECTORY));
  if (source.get() < 0 || fstat(source.get(), &info) != 0) {
    why = cacheFolder + ": " + std::strerror(errno);
    return false;
  }
  if (mkdir(outputFolder.c_str(), 0700) != 0 && errno != EEXIST) {
    why = outputFolder + ": " + std::strerror(errno);
    return false;
  }
  const Fd target(open(outputFolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (target.get() < 0) {
    why = outputFolder + ": " + std::strerror(errno);
    return false;
  }
  if (!CopyFolder(source.get(), target.get(), cacheFolder, why)) return false;
  const timespec times[2] = {info.st_atim, info.st_mtim};
  fchmod(target.get(), info.st_mode & 07777);
  futimens(target.get(), times);
  return true;
}

int TurnToOutputFolder(const std::string& outputFolder, bool planOnly, ArgList& args,
                       std::vector<std::string>& storage) {
  constexpr int kExitNotAllConverted = 1;
  constexpr int kExitUsage = 2;
  struct stat info = {};
  const bool folderArgument =
      args.count == 1 && stat(args.items[0], &info) == 0 && S_ISDIR(info.st_mode);
  std::string cacheFolder;
  for (size_t i = 0; i < args.count && !folderArgument; ++i) {
    // The folder the argument names, not one a link leads to.
    const std::string argument = args.items[i];
    const size_t slash = argument.rfind('/');
    std::string folder =
        RealPathOf(slash == std::string::npos ? "." : argument.substr(0, slash + 1));
    if (!folder.empty() && folder.back() != '/') folder.push_back('/');
    if (!cacheFolder.empty() && folder != cacheFolder) {
      std::fputs("hoard-hoard: with --output, every cache file must lie in one cache folder\n",
                 stderr);
      return kExitUsage;
    }
    cacheFolder = folder;
  }
  if (folderArgument) cacheFolder = RealPathOf(args.items[0]);
  std::string why;
  if (CheckOutputFolder(cacheFolder, outputFolder, why) == OutputCheck::kRefused) {
    std::fprintf(stderr, "hoard-hoard: --output %s: %s\n", outputFolder.c_str(), why.c_str());
    return kExitUsage;
  }
  if (planOnly) return -1;
  if (!CopyCacheFolder(cacheFolder, outputFolder, why)) {
    std::fprintf(stderr, "hoard-hoard: the cache folder could not be copied: %s\n", why.c_str());
    return kExitNotAllConverted;
  }
  std::string base = outputFolder;
  if (base.back() != '/') base.push_back('/');
  storage.clear();
  storage.reserve(args.count);
  for (size_t i = 0; i < args.count; ++i) {
    if (folderArgument) {
      storage.push_back(base);
    } else {
      const std::string argument = args.items[i];
      const size_t slash = argument.rfind('/');
      storage.push_back(base +
                        (slash == std::string::npos ? argument : argument.substr(slash + 1)));
    }
  }
  for (size_t i = 0; i < args.count; ++i) args.items[i] = storage[i].data();
  return -1;
}

}  // namespace hoard::app

#include "platform/posix/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace hoard::platform {

bool PathText::Append(std::string_view part) {
  if (part.size() >= kMaxPosixPath - length) return false;
  std::memcpy(text + length, part.data(), part.size());
  length += part.size();
  text[length] = '\0';
  return true;
}

bool UserBaseFolder(const char* variable, const char* homeRelative, PathText& out) {
  out.Assign("");
  if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/') {
    return out.Assign(value);
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') {
    const passwd* account = getpwuid(geteuid());
    home = account != nullptr ? account->pw_dir : nullptr;
  }
  if (home == nullptr || home[0] != '/') return false;
  return out.Assign(home) && out.Append("/") && out.Append(homeRelative);
}

bool MakeFolders(const char* path, mode_t mode) {
  NoteFolderMade();
  struct stat info;
  if (stat(path, &info) == 0) return S_ISDIR(info.st_mode);
  PathText partial;
  if (!partial.Assign(path)) return false;
  // Create each missing ancestor in turn, then the folder itself.
  for (size_t i = 1; i < partial.length; ++i) {
    if (partial.text[i] != '/') continue;
    partial.text[i] = '\0';
    if (mkdir(partial.text, 0777) != 0 && errno != EEXIST) return false;
    partial.text[i] = '/';
  }
  if (mkdir(path, mode) != 0 && errno != EEXIST) return false;
  return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace hoard::platform

// Facts about the user on POSIX: the configuration folder stands in for the
// Windows folder, the account name for the log-on name.
#include "platform/system.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/posix/paths.h"

namespace hoard::platform {

bool GetSettingsFolder(char* buffer, size_t capacity) {
  if (capacity == 0) return false;
  buffer[0] = '\0';
  PathText folder;
  if (!UserBaseFolder("XDG_CONFIG_HOME", ".config", folder) || !folder.Append("/hoard-hoard")) {
    return false;
  }
  if (!MakeFolders(folder.text, 0700)) return false;
  if (folder.length >= capacity) return false;
  std::memcpy(buffer, folder.text, folder.length + 1);
  return true;
}

bool GetLogonName(char* buffer, size_t capacity) {
  if (capacity == 0) return false;
  buffer[0] = '\0';
  const char* name = nullptr;
  if (const passwd* account = getpwuid(geteuid()); account != nullptr) name = account->pw_name;
  if (name == nullptr || name[0] == '\0') name = std::getenv("USER");
  if (name == nullptr || name[0] == '\0') name = std::getenv("LOGNAME");
  if (name == nullptr || name[0] == '\0') return false;
  size_t length = std::strlen(name);
  if (length >= capacity) return false;
  std::memcpy(buffer, name, length + 1);
  return true;
}

int64_t NowSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

}  // namespace hoard::platform

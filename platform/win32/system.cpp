// Facts about the user and the machine on Windows.
#include "platform/system.h"

#include <windows.h>

namespace hoard::platform {

bool GetSettingsFolder(char* buffer, size_t capacity) {
  if (capacity == 0) return false;
  buffer[0] = '\0';
  UINT length = ::GetWindowsDirectoryA(buffer, static_cast<UINT>(capacity));
  // Too small a buffer is answered with the size it would need, NUL included.
  if (length == 0 || length >= capacity) {
    buffer[0] = '\0';
    return false;
  }
  // A Windows folder at a drive's root ends with its separator.
  if (buffer[length - 1] == '\\') buffer[length - 1] = '\0';
  return true;
}

bool GetLogonName(char* buffer, size_t capacity) {
  if (capacity == 0) return false;
  buffer[0] = '\0';
  DWORD size = static_cast<DWORD>(capacity);
  if (!::GetUserNameA(buffer, &size)) {
    buffer[0] = '\0';
    return false;
  }
  return true;
}

int64_t NowSeconds() {
  // The file-time clock, counted from 1970 like time() elsewhere.
  constexpr uint64_t kTicksPerSecond = 10000000;
  constexpr uint64_t kSecondsFrom1601To1970 = 11644473600;
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<int64_t>(ticks / kTicksPerSecond) -
         static_cast<int64_t>(kSecondsFrom1601To1970);
}

}  // namespace hoard::platform

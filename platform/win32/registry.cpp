// String values under HKEY_CURRENT_USER.
#include "platform/registry.h"

#include <windows.h>

#include <cstring>

namespace hoard::platform {

bool ReadUserString(const char* key, const char* name, char* buffer, size_t capacity) {
  if (capacity == 0) return false;
  buffer[0] = '\0';
  HKEY opened;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(capacity);
  LONG status = ::RegQueryValueExA(opened, name, nullptr, &type,
                                   reinterpret_cast<BYTE*>(buffer), &size);
  ::RegCloseKey(opened);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    buffer[0] = '\0';
    return false;
  }
  // The stored bytes need not end with a NUL; one must fit after them.
  if (size > 0 && buffer[size - 1] == '\0') return true;
  if (size >= capacity) {
    buffer[0] = '\0';
    return false;
  }
  buffer[size] = '\0';
  return true;
}

bool WriteUserString(const char* key, const char* name, const char* value) {
  HKEY created;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &created, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  DWORD size = static_cast<DWORD>(std::strlen(value) + 1);
  LONG status = ::RegSetValueExA(created, name, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(value), size);
  ::RegCloseKey(created);
  return status == ERROR_SUCCESS;
}

}  // namespace hoard::platform

// The Windows shell: "open" on a document, and the recycle bin.
#include "platform/shell.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace hoard::platform {

static_assert((FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_SIMPLEPROGRESS) == 0x154);
static_assert(FOF_ALLOWUNDO == 0x40);

bool OpenDocument(const char* path) {
  HINSTANCE result = ::ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
  // Values up to 32 are error numbers.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool RecycleToBin(const char* path, bool quiet) {
  // The shell takes a list of paths, each ended by a NUL, the list by a
  // second one.
  char from[MAX_PATH + 2];
  size_t length = std::strlen(path);
  if (length > MAX_PATH) return false;
  std::memcpy(from, path, length);
  from[length] = '\0';
  from[length + 1] = '\0';

  SHFILEOPSTRUCTA operation = {};
  operation.hwnd = nullptr;
  operation.wFunc = FO_DELETE;
  operation.pFrom = from;
  operation.pTo = nullptr;
  operation.fFlags = quiet ? static_cast<FILEOP_FLAGS>(FOF_ALLOWUNDO | FOF_NOCONFIRMATION |
                                                       FOF_SILENT | FOF_SIMPLEPROGRESS)
                           : static_cast<FILEOP_FLAGS>(FOF_ALLOWUNDO);
  return ::SHFileOperationA(&operation) == 0 && !operation.fAnyOperationsAborted;
}

}  // namespace hoard::platform

// The Windows user interface: message boxes and the open-file dialog.
#include "platform/ui.h"

#include <windows.h>
#include <commdlg.h>

#include <array>
#include <cstring>

namespace hoard::platform {
namespace {

HWND gDialogOwner = nullptr;

static_assert(static_cast<int>(Answer::kOk) == IDOK);
static_assert(static_cast<int>(Answer::kCancel) == IDCANCEL);
static_assert(static_cast<int>(Answer::kYes) == IDYES);
static_assert(static_cast<int>(Answer::kNo) == IDNO);

UINT IconStyle(Icon icon) {
  switch (icon) {
    case Icon::kWarning:
      return MB_ICONWARNING;
    case Icon::kError:
      return MB_ICONERROR;
    case Icon::kInformation:
      return MB_ICONINFORMATION;
  }
  return MB_ICONWARNING;
}

UINT ButtonStyle(Buttons buttons) {
  switch (buttons) {
    case Buttons::kOk:
      return MB_OK;
    case Buttons::kYesNo:
      return MB_YESNO;
    case Buttons::kYesNoCancel:
      return MB_YESNOCANCEL;
  }
  return MB_OK;
}

// The dialog's filter: each display text and pattern ended by a NUL, the
// list by one more. Pairs that do not fit are left out.
inline constexpr size_t kFilterCapacity = 1024;
using FilterText = std::array<char, kFilterCapacity>;

void BuildFilter(const FileFilter* filters, size_t count, FilterText& out) {
  size_t used = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t textLength = std::strlen(filters[i].text);
    size_t patternLength = std::strlen(filters[i].pattern);
    // Both texts with their NULs, and the list's closing NUL after them.
    if (used + textLength + 1 + patternLength + 1 + 1 > out.size()) break;
    std::memcpy(out.data() + used, filters[i].text, textLength + 1);
    used += textLength + 1;
    std::memcpy(out.data() + used, filters[i].pattern, patternLength + 1);
    used += patternLength + 1;
  }
  out[used] = '\0';
  // An empty list still needs its second NUL.
  if (used == 0) out[1] = '\0';
}

}  // namespace

Answer ShowMessage(const char* caption, const char* text, Icon icon, Buttons buttons) {
  int answer = ::MessageBoxA(nullptr, text, caption, IconStyle(icon) | ButtonStyle(buttons));
  switch (answer) {
    case IDOK:
      return Answer::kOk;
    case IDCANCEL:
      return Answer::kCancel;
    case IDYES:
      return Answer::kYes;
    case IDNO:
      return Answer::kNo;
    default:
      // The box could not be shown: the answer that loses nothing.
      return buttons == Buttons::kOk ? Answer::kOk : Answer::kNo;
  }
}

bool AskOpenFile(const char* title, const FileFilter* filters, size_t filterCount,
                 char* path, size_t capacity) {
  if (capacity == 0) return false;
  // The initial text must end inside the buffer the dialog writes to.
  path[capacity - 1] = '\0';
  FilterText filter;
  BuildFilter(filters, filterCount, filter);

  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = gDialogOwner;
  dialog.lpstrFilter = filter.data();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = capacity > 0xFFFF ? 0xFFFF : static_cast<DWORD>(capacity);
  dialog.lpstrTitle = title;
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  return ::GetOpenFileNameA(&dialog) != 0;
}

void SetDialogOwner(void* window) { gDialogOwner = static_cast<HWND>(window); }

}  // namespace hoard::platform

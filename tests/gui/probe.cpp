// A small Windows program the GUI tests run beside HoardHoard.exe under the
// same Wine server: it finds the program's windows and reads what a user
// sees in them (which boxes are ticked, where a control or the close box
// is, where a window stands), so that the test script can click there and
// check the state. It only reads; the clicks and keys come from xdotool.
//
//   probe windows                         every visible top-level window
//   probe wait SECONDS CLASS [TITLE]      waits for such a window; its rectangle
//   probe gone SECONDS CLASS [TITLE]      waits until there is none
//   probe rect CLASS [TITLE]              "left top right bottom"
//   probe client CLASS [TITLE]            the client area's screen rectangle
//   probe desktop                         the desktop's rectangle
//   probe checks CLASS TITLE ID...        "ID=0|1" per control
//   probe control CLASS TITLE ID          the control's centre on the screen
//   probe hit CLASS TITLE close|sysmenu   a screen point of the close box or the
//                                         system-menu box
//   probe text CLASS TITLE ID             the control's text (UTF-8)
//
// Exit code 0 on success, 1 when the window or control is not there, 2 for a
// wrong command line. Built with -municode: the arguments arrive as the
// wide text Wine made of the UTF-8 command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

std::string Utf8(const wchar_t* wide) {
  char buffer[1024];
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, buffer, sizeof buffer, nullptr,
                                           nullptr);
  return length > 0 ? std::string(buffer) : std::string();
}

struct Search {
  std::wstring windowClass;
  std::wstring title;
  bool anyTitle;
  HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM data) {
  Search& search = *reinterpret_cast<Search*>(data);
  if (!::IsWindowVisible(window)) return TRUE;
  wchar_t text[512] = L"";
  ::GetClassNameW(window, text, 512);
  if (search.windowClass != text) return TRUE;
  ::GetWindowTextW(window, text, 512);
  if (!search.anyTitle && search.title != text) return TRUE;
  search.found = window;
  return FALSE;
}

HWND Find(const wchar_t* windowClass, const wchar_t* title) {
  Search search{windowClass, title != nullptr ? title : L"", title == nullptr, nullptr};
  ::EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK List(HWND window, LPARAM) {
  if (!::IsWindowVisible(window)) return TRUE;
  wchar_t windowClass[256] = L"";
  wchar_t title[512] = L"";
  ::GetClassNameW(window, windowClass, 256);
  ::GetWindowTextW(window, title, 512);
  RECT rect;
  ::GetWindowRect(window, &rect);
  std::printf("%s\t%s\t%ld %ld %ld %ld\n", Utf8(windowClass).c_str(), Utf8(title).c_str(),
              rect.left, rect.top, rect.right, rect.bottom);
  return TRUE;
}

void PrintRect(const RECT& rect) {
  std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
}

// A screen point of the window's close box or system-menu box, found by
// asking the window what lies under points of its title bar.
bool HitPoint(HWND window, LRESULT wanted, POINT& out) {
  RECT rect;
  ::GetWindowRect(window, &rect);
  for (LONG y = rect.top + 2; y < rect.top + 40 && y < rect.bottom; y += 2) {
    for (LONG x = rect.left + 2; x < rect.right - 1; x += 2) {
      const LRESULT hit = ::SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y));
      if (hit != wanted) continue;
      // The middle of the run of points that hit it on this row.
      LONG end = x;
      while (end + 2 < rect.right &&
             ::SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(end + 2, y)) == wanted) {
        end += 2;
      }
      out.x = (x + end) / 2;
      out.y = y + 4;
      return true;
    }
  }
  return false;
}

int Usage() {
  std::fputs("usage: probe windows|wait|gone|rect|client|desktop|checks|control|hit|text ...\n",
             stderr);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  const std::wstring command = argv[1];
  if (command == L"windows") {
    ::EnumWindows(List, 0);
    return 0;
  }
  if (command == L"desktop") {
    RECT rect;
    ::GetWindowRect(::GetDesktopWindow(), &rect);
    PrintRect(rect);
    return 0;
  }
  if (command == L"wait" || command == L"gone") {
    if (argc < 4) return Usage();
    const DWORD limit = static_cast<DWORD>(_wtof(argv[2]) * 1000);
    const wchar_t* title = argc > 4 ? argv[4] : nullptr;
    const DWORD start = ::GetTickCount();
    for (;;) {
      HWND window = Find(argv[3], title);
      if (command == L"wait" && window != nullptr) {
        RECT rect;
        ::GetWindowRect(window, &rect);
        PrintRect(rect);
        return 0;
      }
      if (command == L"gone" && window == nullptr) return 0;
      if (::GetTickCount() - start > limit) return 1;
      ::Sleep(100);
    }
  }
  if (argc < 3) return Usage();
  const wchar_t* title = argc > 3 ? argv[3] : nullptr;
  HWND window = Find(argv[2], title);
  if (window == nullptr) {
    std::fprintf(stderr, "probe: no window of class %s%s%s\n", Utf8(argv[2]).c_str(),
                 title ? " titled " : "", title ? Utf8(title).c_str() : "");
    return 1;
  }
  if (command == L"rect") {
    RECT rect;
    ::GetWindowRect(window, &rect);
    PrintRect(rect);
    return 0;
  }
  if (command == L"client") {
    RECT rect;
    ::GetClientRect(window, &rect);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    std::printf("%ld %ld %ld %ld\n", origin.x, origin.y, origin.x + rect.right,
                origin.y + rect.bottom);
    return 0;
  }
  if (command == L"checks") {
    for (int i = 4; i < argc; ++i) {
      const int id = _wtoi(argv[i]);
      if (::GetDlgItem(window, id) == nullptr) {
        std::fprintf(stderr, "probe: no control %d\n", id);
        return 1;
      }
      const LRESULT state = ::SendDlgItemMessageW(window, id, BM_GETCHECK, 0, 0);
      std::printf("%s%d=%d", i > 4 ? " " : "", id, state == BST_CHECKED ? 1 : 0);
    }
    std::printf("\n");
    return 0;
  }
  if (command == L"control" || command == L"text") {
    if (argc < 5) return Usage();
    HWND control = ::GetDlgItem(window, _wtoi(argv[4]));
    if (control == nullptr) return 1;
    if (command == L"text") {
      wchar_t text[512] = L"";
      ::GetWindowTextW(control, text, 512);
      std::printf("%s\n", Utf8(text).c_str());
      return 0;
    }
    RECT rect;
    ::GetWindowRect(control, &rect);
    std::printf("%ld %ld\n", (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    return 0;
  }
  if (command == L"hit") {
    if (argc < 5) return Usage();
    const LRESULT wanted = std::wcscmp(argv[4], L"close") == 0 ? HTCLOSE : HTSYSMENU;
    POINT point;
    if (!HitPoint(window, wanted, point)) return 1;
    std::printf("%ld %ld\n", point.x, point.y);
    return 0;
  }
  return Usage();
}

// The main window: the progress window of a batch, with its abort button and
// the About item in its system menu. Progress itself is drawn by the
// platform's progress display; here are the window's messages.
#include <windows.h>

#include "app/progress.h"
#include "app/win32/frontend.h"
#include "base/messages.h"
#include "platform/ui.h"

namespace hoard::app::win32 {
namespace {

constexpr int kIdQuitButton = 30001;
constexpr UINT kIdAboutItem = 40001;
// The menu keys' work, posted to the window itself.
constexpr UINT kOpenAboutBox = WM_APP + 1;
constexpr UINT kOpenSpecialSettings = WM_APP + 2;

struct Box {
  int left;
  int top;
  int width;
  int height;
};
constexpr Box kMainWindow{75, 100, 400, 210};
constexpr Box kQuitButton{240, 130, 80, 25};

HINSTANCE gInstance = nullptr;
int gShowCommand = SW_SHOWNORMAL;

void OnCreate(HWND window, const CREATESTRUCTA& creation) {
  HMENU systemMenu = ::GetSystemMenu(window, FALSE);
  ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuA(systemMenu, MF_STRING, kIdAboutItem,
                messages::Get(messages::Text::kAboutMenuItem));
  ::DrawMenuBar(window);
  ::CreateWindowA("button", messages::Get(messages::Text::kButtonQuit), WS_CHILD | WS_VISIBLE,
                  kQuitButton.left, kQuitButton.top, kQuitButton.width, kQuitButton.height,
                  window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdQuitButton)),
                  creation.hInstance, nullptr);
  ::InvalidateRect(window, nullptr, TRUE);
  ::SetFocus(window);
}

// A key pressed while the system menu is open that no item answers to:
// A opens the About box, T the special settings. The key never chooses an
// item: the menu closes, and the box or dialog opens as the next message,
// when the menu no longer holds the mouse.
LRESULT OnMenuCharacter(HWND window, char key) {
  if (key == 'A' || key == 'a') {
    ::PostMessageA(window, kOpenAboutBox, 0, 0);
  } else if (key == 'T' || key == 't') {
    ::PostMessageA(window, kOpenSpecialSettings, 0, 0);
  } else {
    return MAKELRESULT(0, MNC_IGNORE);
  }
  return MAKELRESULT(0, MNC_CLOSE);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate(window, *reinterpret_cast<const CREATESTRUCTA*>(lParam));
      return 0;
    case WM_PAINT: {
      // The white background is all; progress is drawn as it changes.
      PAINTSTRUCT paint;
      ::BeginPaint(window, &paint);
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) != kIdQuitButton) break;
      // Only a confirmed abort stops the batch; the next file sees it.
      if (ConfirmAbort()) ::DestroyWindow(window);
      return 0;
    case WM_RBUTTONUP:
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    case WM_SIZE:
    case WM_CHAR:
      return 0;
    case WM_MENUSELECT:
      // The About box opens as soon as its item is highlighted, not only
      // when it is chosen. The menu closes first: while it is open it holds
      // the mouse, and the box could not be clicked.
      if (LOWORD(wParam) == kIdAboutItem && HIWORD(wParam) != 0xFFFF) {
        ::EndMenu();
        ::PostMessageA(window, kOpenAboutBox, 0, 0);
      }
      return 0;
    case WM_MENUCHAR:
      return OnMenuCharacter(window, static_cast<char>(LOWORD(wParam)));
    case kOpenAboutBox:
      ShowAboutBox();
      return 0;
    case kOpenSpecialSettings:
      RunSpecialSettings();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void RememberStartUp(HINSTANCE instance, int showCommand) {
  gInstance = instance;
  gShowCommand = showCommand;
}

HINSTANCE Instance() { return gInstance; }

int ShowCommand() { return gShowCommand; }

bool RegisterMainWindowClass() {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = gInstance;
  windowClass.hIcon = ::LoadIconA(gInstance, MAKEINTRESOURCEA(101));
  windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
  windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = messages::ProgramCaption();
  return ::RegisterClassA(&windowClass) != 0;
}

HWND CreateMainWindow() {
  HWND window = ::CreateWindowExA(0, messages::ProgramCaption(), messages::ProgramCaption(),
                                  WS_OVERLAPPEDWINDOW, kMainWindow.left, kMainWindow.top,
                                  kMainWindow.width, kMainWindow.height, nullptr, nullptr,
                                  gInstance, nullptr);
  if (window == nullptr) return nullptr;
  ::ShowWindow(window, gShowCommand);
  ::UpdateWindow(window);
  return window;
}

void ShowAboutBox() {
  platform::ShowMessage(messages::ProgramCaption(), messages::Get(messages::Text::kAboutCredit),
                        platform::Icon::kWarning, platform::Buttons::kOk);
}

int RunResident() {
  MSG message = {};
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace hoard::app::win32

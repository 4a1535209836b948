// The main dialog (resource 101) and the special-settings dialog (resource
// 103): modeless, each served by its own message loop until it is destroyed.
#include <windows.h>

#include <array>

#include "app/mainmenu.h"
#include "app/options.h"
#include "app/win32/frontend.h"
#include "base/messages.h"
#include "platform/shell.h"
#include "platform/ui.h"

namespace hoard::app::win32 {
namespace {

constexpr int kMainDialogResource = 101;
constexpr int kSpecialDialogResource = 103;

// What the main dialog decided before it was destroyed.
struct MainDialogOutcome {
  bool decided = false;
  ButtonAction action = ButtonAction::kNone;
  MainChoice choice = MainChoice::kCannotShow;
};

MainDialogOutcome gMainOutcome;

template <size_t N>
void SetCheckBoxes(HWND dialog, const CheckBoxRow (&boxes)[N]) {
  std::array<bool, N> ticked{};
  CheckBoxStates(boxes, ticked.data());
  for (size_t i = 0; i < N; ++i) {
    ::CheckDlgButton(dialog, boxes[i].controlId, ticked[i] ? BST_CHECKED : BST_UNCHECKED);
  }
}

template <size_t N>
void ApplyDialogCheckBoxes(HWND dialog, const CheckBoxRow (&boxes)[N]) {
  std::array<bool, N> ticked{};
  for (size_t i = 0; i < N; ++i) {
    ticked[i] = ::IsDlgButtonChecked(dialog, boxes[i].controlId) == BST_CHECKED;
  }
  ApplyCheckBoxes(boxes, ticked.data());
}

void InitMainDialog(HWND dialog) {
  SetCheckBoxes(dialog, kMainCheckBoxes);
  // A mode no button stands for selects none.
  const int radio = RadioIdForMode(CurrentOptions().BrokenImageMode);
  if (radio != 0) ::CheckDlgButton(dialog, radio, BST_CHECKED);
  ::SetDlgItemTextA(dialog, kIdSpecialButton, messages::Get(messages::Text::kButtonSpecial));
  CentreOnDesktop(dialog);
}

void ApplyMainDialog(HWND dialog) {
  ApplyDialogCheckBoxes(dialog, kMainCheckBoxes);
  int mode = -1;
  for (const RadioRow& radio : kBrokenImageRadios) {
    if (::IsDlgButtonChecked(dialog, radio.controlId) == BST_CHECKED) mode = radio.mode;
  }
  ApplyBrokenImageMode(mode);
}

// Every choosing button, and the close box as the quit button: the options
// are applied and the dialog ends.
void Decide(HWND dialog, int controlId) {
  MainChoice choice = MainChoice::kCannotShow;
  const ButtonAction action = ActionOfButton(controlId, choice);
  if (action == ButtonAction::kNone) return;
  ApplyMainDialog(dialog);
  gMainOutcome = MainDialogOutcome{true, action, choice};
  ::DestroyWindow(dialog);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  switch (message) {
    case WM_INITDIALOG:
      InitMainDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      if (LOWORD(wParam) == kIdManualButton) {
        OpenOnlineManual();
        return TRUE;
      }
      Decide(dialog, LOWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      Decide(dialog, kIdQuitButton);
      return TRUE;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK SpecialDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  switch (message) {
    case WM_INITDIALOG:
      SetCheckBoxes(dialog, kSpecialCheckBoxes);
      CentreOnDesktop(dialog);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      if (LOWORD(wParam) == kIdOkButton) {
        ApplyDialogCheckBoxes(dialog, kSpecialCheckBoxes);
        ::DestroyWindow(dialog);
      } else if (LOWORD(wParam) == kIdCancelButton) {
        ::DestroyWindow(dialog);
      }
      return TRUE;
    case WM_CLOSE:
      ::DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

// The dialog's own loop: until the quit message its destruction posts.
void ServeDialog(HWND dialog) {
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (::IsWindow(dialog) && ::IsDialogMessageA(dialog, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  // A quit message from elsewhere (the main window closed) ends the loop
  // with the dialog still open.
  if (::IsWindow(dialog)) ::DestroyWindow(dialog);
}

void ShowDialogFailure(messages::Text text) {
  platform::ShowMessage(messages::ProgramCaption(), messages::Get(text), platform::Icon::kError,
                        platform::Buttons::kOk);
}

}  // namespace

MainChoice RunMainDialog() {
  for (;;) {
    gMainOutcome = MainDialogOutcome{};
    HWND dialog = ::CreateDialogParamA(Instance(), MAKEINTRESOURCEA(kMainDialogResource), nullptr,
                                       MainDialogProc, 0);
    if (dialog == nullptr) {
      ShowDialogFailure(messages::Text::kMainDialogFailed);
      return MainChoice::kCannotShow;
    }
    ::ShowWindow(dialog, ShowCommand());
    ServeDialog(dialog);
    if (!gMainOutcome.decided) return MainChoice::kCannotShow;
    if (gMainOutcome.action != ButtonAction::kSpecialSettings) return gMainOutcome.choice;
    // Special settings, then the main dialog afresh with the options as
    // they now are.
    RunSpecialSettings();
  }
}

void RunSpecialSettings() {
  HWND dialog = ::CreateDialogParamA(Instance(), MAKEINTRESOURCEA(kSpecialDialogResource),
                                     nullptr, SpecialDialogProc, 0);
  if (dialog == nullptr) {
    ShowDialogFailure(messages::Text::kDialogFailed);
    return;
  }
  ::ShowWindow(dialog, ShowCommand());
  ServeDialog(dialog);
}

void CentreOnDesktop(HWND window) {
  RECT desktop;
  RECT own;
  if (!::GetWindowRect(::GetDesktopWindow(), &desktop) || !::GetWindowRect(window, &own)) return;
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  ::MoveWindow(window, (desktop.right - width) / 2, (desktop.bottom - height) / 2, width, height,
               TRUE);
  ::ShowWindow(window, SW_SHOW);
}

void OpenOnlineManual() { platform::OpenDocument(kOnlineManualAddress); }

}  // namespace hoard::app::win32

// The Windows desktop program's pieces: the main window (progress, abort
// button, About box), the main and special-settings dialogs, resident mode.
#pragma once

#include <windows.h>

#include "app/mainmenu.h"

namespace hoard::app::win32 {

// The instance and the show command the program was started with.
void RememberStartUp(HINSTANCE instance, int showCommand);
HINSTANCE Instance();
int ShowCommand();

// The main window: its class (named by the caption) and the window itself,
// 400 x 210 at 75, 100, shown and updated. Null when it cannot be created.
bool RegisterMainWindowClass();
HWND CreateMainWindow();

// The main dialog until the user's choice; special settings run in between.
MainChoice RunMainDialog();
// The special-settings dialog until it is closed.
void RunSpecialSettings();
// Moves a window to the middle of the desktop, keeping its size, and shows it.
void CentreOnDesktop(HWND window);
// Opens the online manual in the user's web browser.
void OpenOnlineManual();
void ShowAboutBox();

// Stays resident: serves the main window until the quit message; its code
// is the exit code.
int RunResident();

}  // namespace hoard::app::win32

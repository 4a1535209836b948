// The Windows desktop program's way in: the main window, the options, then
// the files of the command line or the main dialog's choice.
#include <windows.h>

#include <array>
#include <cstring>

#include "app/listing.h"
#include "app/options.h"
#include "app/run.h"
#include "app/win32/frontend.h"
#include "base/messages.h"
#include "pipeline/convert.h"
#include "platform/ui.h"
#include "store/files.h"

namespace {

// The caption of every message box and the main window's class and title;
// the short one stays when the string table lacks it.
void LoadCaption(HINSTANCE instance) {
  constexpr int kCaptionCapacity = 64;
  std::array<char, kCaptionCapacity> caption{};
  if (::LoadStringA(instance, hoard::messages::kIdCaption, caption.data(), kCaptionCapacity) > 0) {
    hoard::messages::SetProgramCaption(caption.data());
  }
}

int RunChoice(hoard::app::MainChoice choice) {
  using hoard::app::MainChoice;
  switch (choice) {
    case MainChoice::kFolder:
      return hoard::app::RunFolderChoice();
    case MainChoice::kFile:
      return hoard::app::RunFileChoice();
    case MainChoice::kResident:
      return hoard::app::win32::RunResident();
    case MainChoice::kQuit:
    case MainChoice::kCannotShow:
      break;
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
  namespace win32 = hoard::app::win32;
  win32::RememberStartUp(instance, showCommand);
  if (previous == nullptr) {
    LoadCaption(instance);
    win32::RegisterMainWindowClass();
  }
  HWND mainWindow = win32::CreateMainWindow();
  hoard::platform::SetProgressWindow(mainWindow);
  hoard::platform::SetDialogOwner(mainWindow);
  hoard::app::RememberStartFolder();

  const size_t length = commandLine == nullptr ? 0 : std::strlen(commandLine);
  char* copy = static_cast<char*>(hoard::AllocBlock(length + 1));
  if (copy == nullptr) return 0;
  if (length > 0) std::memcpy(copy, commandLine, length);
  copy[length] = '\0';
  hoard::app::ArgList args;
  hoard::app::SplitCommandLine(copy, args);

  // A settings file that cannot be created ends the program silently.
  int exitCode = 0;
  if (hoard::LoadOptions()) {
    // A desktop program has no console of its own; where it was started from
    // one that keeps its output (Wine, a redirected run), the listing of the
    // cache arrives there.
    hoard::SetLookupObserver(hoard::app::PrintLookup);
    exitCode = args.count > 0 ? hoard::app::RunArguments(args)
                              : RunChoice(win32::RunMainDialog());
  }
  hoard::FreeBlock(copy);
  return exitCode;
}

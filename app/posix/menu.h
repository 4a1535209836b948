// The main dialog and the special-settings dialog as terminal menus: the same
// buttons, check boxes and broken-image choice, read as lines typed at the
// terminal and kept in the same settings file.
#pragma once

#include <cstdio>

#include "app/mainmenu.h"

namespace hoard::app {

struct MenuTerminal {
  std::FILE* in;        // where the lines are typed
  std::FILE* out;       // where the menus are shown
  const char* codeset;  // the terminal's encoding
};

// Shows the main menu until the user chooses folder, file or quit (the end
// of input counts as quit). The options are applied on every choice, as the
// dialog applies them on every button; special settings run in between.
MainChoice RunMainMenu(const MenuTerminal& terminal);

// The special-settings menu: OK applies the six options, cancel (or the end
// of input) leaves them as they were.
void RunSpecialSettingsMenu(const MenuTerminal& terminal);

}  // namespace hoard::app

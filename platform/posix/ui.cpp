// The user interface on POSIX: message boxes and the open-file dialog as
// prompts on the terminal. Standard input decides whether anyone can answer.
#include "platform/ui.h"

#include <unistd.h>

#include <cstdio>

#include "platform/posix/terminal.h"
#include "platform/posix/ui_progress.h"

namespace hoard::platform {
namespace {

Terminal StandardTerminal() {
  return Terminal{stdin, stderr, isatty(STDIN_FILENO) != 0, TerminalCodeset()};
}

}  // namespace

Answer ShowMessage(const char* caption, const char* text, Icon icon, Buttons buttons) {
  EndProgressLineIfShown();
  return AskOnTerminal(StandardTerminal(), caption, text, icon, buttons);
}

bool AskOpenFile(const char* title, const FileFilter* filters, size_t filterCount, char* path,
                 size_t capacity) {
  EndProgressLineIfShown();
  return AskPathOnTerminal(StandardTerminal(), title, filters, filterCount, path, capacity);
}

void SetDialogOwner(void* /*window: terminal prompts have no owner*/) {}

}  // namespace hoard::platform

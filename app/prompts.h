// The core's questions put to the user through the platform's user interface
// (platform/ui.h): the Windows dialogs in the desktop program, menus and
// prompts in the terminal program, queued answers in the tests. One object
// per process.
#pragma once

#include "base/prompts.h"
#include "base/runcontext.h"

namespace hoard {

Prompts& UiPrompts();

// The run context of this process: its options (app/options.h), its progress
// display (app/progress.h) and the prompts above.
RunContext ProcessRunContext();

}  // namespace hoard

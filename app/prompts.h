// The core's questions put to the user through the platform's user interface
// (platform/ui.h): the Windows dialogs in the desktop program, menus and
// prompts in the terminal program, queued answers in the tests. One object
// per process.
#pragma once

#include "base/prompts.h"
#include "base/runcontext.h"

namespace hoard {

Prompts& UiPrompts();

// When nobody can answer (the terminal program without a terminal), a cache
// log that is missing, unreadable or unfit ends the run with a message rather
// than going on without it: without the log every page would be rewritten as
// a file of the user's own, its links wrong for good once the log is back.
// The Windows program always asks.
void SetNobodyToAnswer(bool nobody);

// The run context of this process: its options (app/options.h), its progress
// display (app/progress.h) and the prompts above.
RunContext ProcessRunContext();

}  // namespace hoard

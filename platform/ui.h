// The only way the core reaches the user. Every text here is CP932 bytes.
#pragma once

#include <cstddef>

namespace hoard::platform {

enum class Icon { kWarning, kError, kInformation };
enum class Buttons { kOk, kYesNo, kYesNoCancel };
// The values are those of the Windows message box.
enum class Answer { kOk = 1, kCancel = 2, kYes = 6, kNo = 7 };

// A modal message box without an owner window. Where nobody can answer (no
// terminal), the answer that loses nothing and never blocks is taken: OK for
// a notice, No for every question.
Answer ShowMessage(const char* caption, const char* text, Icon icon, Buttons buttons);

struct FileFilter {
  const char* text;     // what the user sees
  const char* pattern;  // ';'-separated patterns
};

// The open-file dialog: the first filter selected, an existing file and path
// required, the read-only box hidden. `path` holds the initial file text on
// entry and the chosen path on return (capacity bytes with its NUL). false
// when the user cancelled or the dialog failed.
bool AskOpenFile(const char* title, const FileFilter* filters, size_t filterCount,
                 char* path, size_t capacity);

// The window that owns the open-file dialogs (the main window); null for none.
void SetDialogOwner(void* window);

// --- The progress display: drawn into the main window on Windows, one
// redrawn line on a terminal elsewhere. The core decides what changed
// (app/progress); these only draw it. Texts are CP932.

// The window the progress is drawn into (the main window); null for none.
void SetProgressWindow(void* window);
// The three fixed labels: processing, estimated time left, elapsed time.
void DrawProgressLabels(const char* working, const char* timeLeftLabel, const char* elapsedLabel);
// The percentage (its five-byte text "nnn %") and the bar.
void DrawProgressPercent(int percent, const char* percentText);
// Which file of how many: the terminal line shows it before the percentage;
// the Windows main window has no place for it.
void DrawProgressCount(int current, int total);
// Two eight-byte "HH:MM:SS" texts; `timeLeft` is null while there is no
// estimate.
void DrawProgressTimes(const char* timeLeft, const char* elapsed);
// The current item (a host name) under the bar.
void DrawCurrentItem(const char* text, size_t length);

enum class PumpEvent {
  kNothing,    // nothing pending, or one window message served
  kInterrupt,  // the user pressed Ctrl-C on the terminal since the last call
};
// Serves at most one pending message: on Windows takes one window message of
// the thread and dispatches it (the abort button, repaints, the system menu);
// on a terminal reports a pending Ctrl-C.
PumpEvent PumpOneMessage();

// The wait cursor while a batch of files runs.
void ShowWaitCursor(bool wait);
// The batch is over: a terminal ends its progress line and lets Ctrl-C end
// the program again.
void EndProgress();

}  // namespace hoard::platform

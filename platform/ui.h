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

}  // namespace hoard::platform

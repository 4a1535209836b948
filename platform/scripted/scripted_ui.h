// The user interface for tests: a test queues the answers a user would give
// and reads back every message and dialog that was shown.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"

namespace hoard::scripted {

struct ShownMessage {
  std::string caption;
  std::string text;
  platform::Icon icon;
  platform::Buttons buttons;
};

struct ShownDialog {
  std::string title;
  std::vector<platform::FileFilter> filters;
  std::string initialPath;
};

// Forgets queued answers and everything shown.
void Reset();
// The next message box gets this answer. With none queued a message box gets
// the answer a user without a terminal would give (OK, or No).
void QueueAnswer(platform::Answer answer);
// The next open-file dialog returns this path; an empty text cancels it. With
// none queued the dialog is cancelled.
void QueueOpenFile(const std::string& path);

const std::vector<ShownMessage>& Messages();
const std::vector<ShownDialog>& Dialogs();

}  // namespace hoard::scripted

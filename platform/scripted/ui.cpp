// The scripted user interface: answers come from queues the test fills, and
// everything shown is recorded. No terminal, no window.
#include <cstring>
#include <deque>
#include <list>
#include <utility>

#include "platform/scripted/scripted_ui.h"

namespace hoard {
namespace {

struct ScriptState {
  std::deque<platform::Answer> answers;
  std::deque<std::string> openFiles;
  std::vector<scripted::ShownMessage> messages;
  std::vector<scripted::ShownDialog> dialogs;
  // Copies of the filter texts the recorded dialogs point at: the caller's
  // own texts may be gone by the time the test reads them.
  std::list<std::string> filterTexts;
};

ScriptState& State() {
  static ScriptState state;
  return state;
}

const char* Keep(const char* text) {
  if (text == nullptr) return nullptr;
  return State().filterTexts.emplace_back(text).c_str();
}

}  // namespace

namespace scripted {

void Reset() { State() = ScriptState{}; }

void QueueAnswer(platform::Answer answer) { State().answers.push_back(answer); }

void QueueOpenFile(const std::string& path) { State().openFiles.push_back(path); }

const std::vector<ShownMessage>& Messages() { return State().messages; }

const std::vector<ShownDialog>& Dialogs() { return State().dialogs; }

}  // namespace scripted

namespace platform {

Answer ShowMessage(const char* caption, const char* text, Icon icon, Buttons buttons) {
  ScriptState& state = State();
  state.messages.push_back({caption != nullptr ? caption : "", text != nullptr ? text : "", icon, buttons});
  if (state.answers.empty()) return buttons == Buttons::kOk ? Answer::kOk : Answer::kNo;
  Answer answer = state.answers.front();
  state.answers.pop_front();
  return answer;
}

bool AskOpenFile(const char* title, const FileFilter* filters, size_t filterCount, char* path,
                 size_t capacity) {
  ScriptState& state = State();
  scripted::ShownDialog shown;
  shown.title = title != nullptr ? title : "";
  for (size_t i = 0; i < filterCount; ++i) {
    shown.filters.push_back({Keep(filters[i].text), Keep(filters[i].pattern)});
  }
  shown.initialPath = path != nullptr ? path : "";
  state.dialogs.push_back(std::move(shown));
  if (state.openFiles.empty()) return false;
  std::string chosen = std::move(state.openFiles.front());
  state.openFiles.pop_front();
  // A path the caller's buffer cannot hold fails as the real dialog does.
  if (chosen.empty() || path == nullptr || chosen.size() >= capacity) return false;
  std::memcpy(path, chosen.c_str(), chosen.size() + 1);
  return true;
}

void SetDialogOwner(void* /*window*/) {}

}  // namespace platform
}  // namespace hoard

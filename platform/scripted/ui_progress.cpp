// The scripted progress display: records what would be drawn.
#include <string>
#include <vector>

#include "platform/scripted/scripted_progress.h"
#include "platform/ui.h"

namespace hoard {
namespace {

struct ProgressScript {
  std::vector<std::string> calls;
  int interrupts = 0;
};

ProgressScript& Script() {
  static ProgressScript script;
  return script;
}

}  // namespace

namespace scripted {

void ResetProgress() { Script() = ProgressScript{}; }

void QueueInterrupt() { ++Script().interrupts; }

const std::vector<std::string>& ProgressCalls() { return Script().calls; }

std::vector<std::string> ProgressDrawing() {
  std::vector<std::string> drawing;
  for (const std::string& call : Script().calls) {
    if (call != "pump" && call.rfind("count ", 0) != 0) drawing.push_back(call);
  }
  return drawing;
}

}  // namespace scripted

namespace platform {

void SetProgressWindow(void* /*window*/) {}

void DrawProgressLabels(const char* working, const char* timeLeftLabel, const char* elapsedLabel) {
  Script().calls.push_back(std::string("labels ") + working + "|" + timeLeftLabel + "|" +
                           elapsedLabel);
}

void DrawProgressPercent(int percent, const char* percentText) {
  Script().calls.push_back("percent " + std::to_string(percent) + " " + percentText);
}

void DrawProgressCount(int current, int total) {
  Script().calls.push_back("count " + std::to_string(current) + " " + std::to_string(total));
}

void DrawProgressTimes(const char* timeLeft, const char* elapsed) {
  Script().calls.push_back(std::string("times ") + (timeLeft != nullptr ? timeLeft : "-") + " " +
                           elapsed);
}

void DrawCurrentItem(const char* text, size_t length) {
  Script().calls.push_back("item " + std::string(text, length));
}

PumpEvent PumpOneMessage() {
  ProgressScript& script = Script();
  script.calls.push_back("pump");
  if (script.interrupts == 0) return PumpEvent::kNothing;
  --script.interrupts;
  return PumpEvent::kInterrupt;
}

void ShowWaitCursor(bool wait) { Script().calls.push_back(wait ? "wait 1" : "wait 0"); }

void EndProgress() { Script().calls.push_back("end"); }

}  // namespace platform
}  // namespace hoard

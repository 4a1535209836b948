// The progress display on POSIX: one line on standard error, redrawn in
// place when standard error is a terminal (nothing otherwise), and Ctrl-C
// taken as a request to stop that the next progress call puts to the user.
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/posix/progress_line.h"
#include "platform/posix/terminal.h"
#include "platform/posix/ui_progress.h"
#include "platform/ui.h"

namespace hoard::platform {
namespace {

constexpr size_t kDefaultColumns = 80;

struct TerminalProgress {
  ProgressLine line;
  bool shown = false;  // a line is on the screen and not yet ended
  bool armed = false;  // Ctrl-C is caught
  bool suspended = false;  // wiped for other output, to be drawn again
};

TerminalProgress gProgress;
volatile sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) { gInterrupted = 1; }

// Ctrl-C is caught only where someone can answer the question it raises.
// The catch lasts for one Ctrl-C: a second one before the question has been
// answered ends the program as usual.
void Arm() {
  if (gProgress.armed || isatty(STDIN_FILENO) == 0) return;
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  if (sigaction(SIGINT, &action, nullptr) == 0) gProgress.armed = true;
}

void Disarm() {
  if (!gProgress.armed) return;
  signal(SIGINT, SIG_DFL);
  gProgress.armed = false;
}

std::string ForTerminal(const char* cp932, size_t length) {
  std::string text;
  ConvertForTerminal(std::string_view(cp932, length), TerminalCodeset(), text);
  return text;
}

std::string ForTerminal(const char* cp932) {
  return ForTerminal(cp932, std::char_traits<char>::length(cp932));
}

size_t TerminalColumns() {
  struct winsize size = {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return kDefaultColumns;
}

void Redraw() {
  if (isatty(STDERR_FILENO) == 0) return;
  const std::string text = ComposeProgressLine(gProgress.line, TerminalColumns(), TerminalCodeset());
  // Back to the line's start, the line, and the rest of the old one cleared.
  std::fputc('\r', stderr);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputs("\x1b[K", stderr);
  std::fflush(stderr);
  gProgress.shown = true;
}

}  // namespace

void EndProgressLineIfShown() {
  if (!gProgress.shown) return;
  std::fputc('\n', stderr);
  std::fflush(stderr);
  gProgress.shown = false;
}

void SuspendProgressLine() {
  if (!gProgress.shown) return;
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
  gProgress.shown = false;
  gProgress.suspended = true;
}

void ResumeProgressLine() {
  if (!gProgress.suspended) return;
  gProgress.suspended = false;
  Redraw();
}

void SetProgressWindow(void* /*window: the terminal has none*/) {}

void DrawProgressLabels(const char* working, const char* timeLeftLabel, const char* elapsedLabel) {
  ProgressLine& line = gProgress.line;
  const bool first = line.working.empty();
  line.working = ForTerminal(working);
  line.timeLeftLabel = ForTerminal(timeLeftLabel);
  line.elapsedLabel = ForTerminal(elapsedLabel);
  // The labels come at every call until the first percentage: draw once.
  if (first) Redraw();
}

void DrawProgressPercent(int percent, const char* percentText) {
  gProgress.line.percent = percent;
  gProgress.line.percentText = ForTerminal(percentText);
  Redraw();
}

void DrawProgressCount(int current, int total) {
  gProgress.line.current = current;
  gProgress.line.total = total;
}

void DrawProgressTimes(const char* timeLeft, const char* elapsed) {
  if (timeLeft != nullptr) gProgress.line.timeLeft = ForTerminal(timeLeft);
  gProgress.line.elapsed = ForTerminal(elapsed);
  Redraw();
}

void DrawCurrentItem(const char* text, size_t length) {
  gProgress.line.item = ForTerminal(text, length);
  Redraw();
}

PumpEvent PumpOneMessage() {
  if (gInterrupted != 0) {
    gInterrupted = 0;
    // The catch is spent; the question comes now and a second Ctrl-C during
    // it ends the program. The next call catches again.
    gProgress.armed = false;
    return PumpEvent::kInterrupt;
  }
  Arm();
  return PumpEvent::kNothing;
}

void ShowWaitCursor(bool /*wait: a terminal has no cursor shape*/) {}

void EndProgress() {
  gProgress.suspended = false;
  EndProgressLineIfShown();
  Disarm();
  gInterrupted = 0;
}

}  // namespace hoard::platform

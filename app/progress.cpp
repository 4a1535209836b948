#include "app/progress.h"

#include "base/messages.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace hoard {
namespace {

// What the display shows now, so that only changes are drawn. Set once per
// process: the labels are drawn at every call until the first percentage is.
struct ProgressDisplay {
  int32_t lastPercent = -1;
  int64_t lastElapsed = -1;
  int32_t lastCurrent = -1;
};

ProgressDisplay gDisplay;

class DisplayedProgress final : public ProgressSink {
 public:
  void Tick(uint32_t partSize, uint32_t partPosition) override {
    UpdateProgress(Progress(), partSize, partPosition);
  }
  void ShowCurrentItem(std::string_view text) override { hoard::ShowCurrentItem(text); }
  bool StopRequested() override { return AbortRequested != 0; }
};

void PutTwoDigits(int64_t value, char* out) {
  out[0] = static_cast<char>('0' + value / 10);
  out[1] = static_cast<char>('0' + value % 10);
}

}  // namespace

volatile int AbortRequested = 0;

ProgressState& Progress() {
  static ProgressState state;
  return state;
}

ProgressSink& ProcessProgress() {
  static DisplayedProgress sink;
  return sink;
}

int32_t ProgressFraction(const ProgressState& state, int32_t scale, uint32_t partSize,
                         uint32_t partPosition) {
  // A batch without files has no fraction (the single-file mode never asks).
  if (state.total <= 0) return 0;
  int64_t value = 0;
  if (state.current != 1) value = int64_t{state.current - 1} * scale / state.total;
  if (scale > state.total && partSize != 0) {
    value += int64_t{partPosition} * scale / partSize / state.total;
  }
  return static_cast<int32_t>(value);
}

HmsText FormatHms(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  int64_t hours = seconds / 3600;
  if (hours >= 100) hours %= 100;
  HmsText text{};
  PutTwoDigits(hours, text.data());
  text[2] = ':';
  PutTwoDigits(seconds % 3600 / 60, text.data() + 3);
  text[5] = ':';
  PutTwoDigits(seconds % 60, text.data() + 6);
  text[kHmsBytes] = '\0';
  return text;
}

PercentText FormatPercent(int32_t percent) {
  if (percent < 0) percent = 0;
  if (percent > 999) percent = 999;
  PercentText text{};
  text[0] = percent < 100 ? ' ' : static_cast<char>('0' + percent / 100);
  text[1] = percent < 10 ? ' ' : static_cast<char>('0' + percent / 10 % 10);
  text[2] = static_cast<char>('0' + percent % 10);
  text[3] = ' ';
  text[4] = '%';
  text[kPercentTextBytes] = '\0';
  return text;
}

int64_t EstimateTimeLeft(int64_t elapsed, int32_t perMille) {
  if (perMille <= 10) return -1;
  // Each quotient is taken before the next multiplication, as the figures
  // have always been worked out; the finer scale near the end keeps the last
  // minutes from reading as nothing.
  if (perMille <= 900) return elapsed * ((1000 - perMille) * 100 / perMille) / 100;
  const int64_t left = elapsed * ((1000 - perMille) * 1000 / perMille) / 1000;
  return left < 1 ? 1 : left;
}

std::string_view CurrentItemOf(std::string_view text) {
  const size_t slash = text.find('/');
  if (slash != std::string_view::npos) text = text.substr(0, slash);
  if (text.size() > kMaxCurrentItemBytes) text = text.substr(0, kMaxCurrentItemBytes);
  return text;
}

void UpdateProgress(const ProgressState& state, uint32_t partSize, uint32_t partPosition) {
  using messages::Text;
  if (gDisplay.lastPercent == -1) {
    platform::DrawProgressLabels(messages::Get(Text::kLabelWorking),
                                 messages::Get(Text::kLabelTimeLeft),
                                 messages::Get(Text::kLabelElapsed));
  }
  if (platform::PumpOneMessage() == platform::PumpEvent::kInterrupt) ConfirmAbort();
  if (state.total == 0) return;

  if (state.current != gDisplay.lastCurrent) {
    platform::DrawProgressCount(state.current, state.total);
    gDisplay.lastCurrent = state.current;
  }
  const int32_t percent = ProgressFraction(state, 100, partSize, partPosition);
  if (percent != gDisplay.lastPercent) {
    const PercentText text = FormatPercent(percent);
    platform::DrawProgressPercent(percent, text.data());
    gDisplay.lastPercent = percent;
  }
  if (percent == 0) return;

  const int64_t elapsed = platform::NowSeconds() - state.start;
  if (elapsed == gDisplay.lastElapsed) return;
  gDisplay.lastElapsed = elapsed;
  const int64_t left = EstimateTimeLeft(elapsed, ProgressFraction(state, 1000, partSize, partPosition));
  const HmsText leftText = FormatHms(left);
  const HmsText elapsedText = FormatHms(elapsed);
  platform::DrawProgressTimes(left < 0 ? nullptr : leftText.data(), elapsedText.data());
}

void ShowCurrentItem(std::string_view text) {
  const std::string_view item = CurrentItemOf(text);
  platform::DrawCurrentItem(item.data(), item.size());
}

bool ConfirmAbort() {
  const platform::Answer answer =
      platform::ShowMessage(messages::ProgramCaption(), messages::Get(messages::Text::kReallyQuit),
                            platform::Icon::kWarning, platform::Buttons::kYesNo);
  if (answer != platform::Answer::kYes) return false;
  AbortRequested = 1;
  return true;
}

void ResetProgressDisplay() { gDisplay = ProgressDisplay{}; }

}  // namespace hoard

// The process's progress figures, the abort request, and the progress display
// both front ends draw: percentage, bar, current host, elapsed time and the
// estimate of the time left. The arithmetic and the texts live here; the
// drawing is the platform's (platform/ui.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/progress.h"

namespace hoard {

// One per process.
ProgressState& Progress();
// The sink the programs hand to the core: ticks redraw the display of the
// process's progress (UpdateProgress), stop requests are AbortRequested.
ProgressSink& ProcessProgress();
// Set by the abort button (or Ctrl-C, confirmed); read before each file and
// while a page is rewritten.
extern volatile int AbortRequested;

// How far the batch is, in units of 1/scale: the files before the current
// one, plus the current file's share (`partPosition` of `partSize` bytes)
// when the batch has fewer files than the scale has units. Integer division
// throughout, as the display has always shown it.
int32_t ProgressFraction(const ProgressState& state, int32_t scale, uint32_t partSize,
                         uint32_t partPosition);

// "HH:MM:SS": hours past 99 wrap around (100 hours read 00:00:00). A negative
// count (a clock set back) reads as 0.
inline constexpr size_t kHmsBytes = 8;
using HmsText = std::array<char, kHmsBytes + 1>;
HmsText FormatHms(int64_t seconds);

// The five bytes "nnn %": three digit positions with leading blanks, a blank,
// '%'.
inline constexpr size_t kPercentTextBytes = 5;
using PercentText = std::array<char, kPercentTextBytes + 1>;
PercentText FormatPercent(int32_t percent);

// Seconds left after `elapsed` seconds with `perMille` of the batch done;
// -1 while too little is done (10 per mille or less) for an estimate.
int64_t EstimateTimeLeft(int64_t elapsed, int32_t perMille);

// The host part of a URL without its scheme: the bytes before the first '/',
// at most 64.
inline constexpr size_t kMaxCurrentItemBytes = 64;
std::string_view CurrentItemOf(std::string_view text);

// Redraws what changed since the last call and serves one pending window
// message (or, on a terminal, a pending Ctrl-C). The page rewriter passes the
// page's size and its scan position; everyone else calls ProgressTick.
void UpdateProgress(const ProgressState& state, uint32_t partSize, uint32_t partPosition);
inline void ProgressTick(const ProgressState& state) { UpdateProgress(state, 0, 0); }
// Shows the host of `text` (a URL after its scheme) under the bar.
void ShowCurrentItem(std::string_view text);

// Asks "really quit?"; on Yes sets AbortRequested. True on Yes.
bool ConfirmAbort();

// Forgets what was drawn, as at the start of a process. For tests.
void ResetProgressDisplay();

}  // namespace hoard

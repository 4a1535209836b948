// The progress display on a terminal: one line, redrawn in place, holding the
// same figures the Windows main window draws. Kept apart from the terminal
// binding (ui_progress.cpp) so that the line can be tested without one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace hoard::platform {

// What the line shows; every text already in the terminal's encoding.
struct ProgressLine {
  std::string working;       // "processing..." label; empty until drawn
  std::string timeLeftLabel;
  std::string elapsedLabel;
  int percent = -1;          // -1 until a percentage is drawn
  std::string percentText;   // "nnn %"
  std::string timeLeft;      // "HH:MM:SS"; empty while there is no estimate
  std::string elapsed;       // "HH:MM:SS"; empty until drawn
  std::string item;          // the current host
  int current = 0;           // which file of how many; no count while total is 0
  int total = 0;
};

inline constexpr size_t kProgressBarCells = 20;

// The columns a text takes on a terminal of that encoding: East Asian wide
// characters two, half-width katakana and ASCII one. For an encoding other
// than UTF-8, one column per byte (right for the double-byte Japanese ones).
size_t DisplayColumns(std::string_view text, const char* codeset);

// The line as it is written, without the carriage return: at most
// `columns` - 1 columns (so that the terminal never wraps it), the current
// item shortened first.
std::string ComposeProgressLine(const ProgressLine& line, size_t columns, const char* codeset);

}  // namespace hoard::platform

#include "platform/posix/progress_line.h"

namespace hoard::platform {
namespace {

bool IsUtf8(const char* codeset) {
  const std::string_view name = codeset == nullptr ? "" : codeset;
  return name == "UTF-8" || name == "utf-8" || name == "UTF8" || name == "utf8";
}

// One UTF-8 character starting at `i`: its length in bytes and columns.
void NextCharacter(std::string_view text, size_t i, size_t& bytes, size_t& columns) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  bytes = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (i + bytes > text.size()) bytes = text.size() - i;
  columns = lead < 0x80 ? 1 : 2;
  if (bytes == 3) {
    const unsigned codePoint = (lead & 0x0Fu) << 12 |
                               (static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6 |
                               (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
    // Half-width katakana and their punctuation.
    if (codePoint >= 0xFF61 && codePoint <= 0xFF9F) columns = 1;
  }
  if (bytes == 2) columns = 1;  // Latin, Greek, Cyrillic: narrow
}

// The longest head of `text` that fits in `columns`.
std::string_view HeadFitting(std::string_view text, size_t columns, const char* codeset) {
  if (!IsUtf8(codeset)) return text.substr(0, columns < text.size() ? columns : text.size());
  size_t used = 0;
  size_t i = 0;
  while (i < text.size()) {
    size_t bytes = 0;
    size_t width = 0;
    NextCharacter(text, i, bytes, width);
    if (used + width > columns) break;
    used += width;
    i += bytes;
  }
  return text.substr(0, i);
}

}  // namespace

size_t DisplayColumns(std::string_view text, const char* codeset) {
  if (!IsUtf8(codeset)) return text.size();
  size_t columns = 0;
  for (size_t i = 0; i < text.size();) {
    size_t bytes = 0;
    size_t width = 0;
    NextCharacter(text, i, bytes, width);
    columns += width;
    i += bytes;
  }
  return columns;
}

std::string ComposeProgressLine(const ProgressLine& line, size_t columns, const char* codeset) {
  std::string text;
  if (line.percent < 0) {
    text = line.working;
  } else {
    if (line.total > 0) {
      text = std::to_string(line.current) + "/" + std::to_string(line.total) + " ";
    }
    text += line.percentText;
    const size_t filled = line.percent <= 0 ? 0
                          : static_cast<size_t>(line.percent) >= 100
                              ? kProgressBarCells
                              : static_cast<size_t>(line.percent) * kProgressBarCells / 100;
    text += " [";
    text.append(filled, '#');
    text.append(kProgressBarCells - filled, '-');
    text += "]";
    if (!line.elapsed.empty()) {
      text += " " + line.timeLeftLabel + " " + (line.timeLeft.empty() ? "--:--:--" : line.timeLeft);
      text += " " + line.elapsedLabel + " " + line.elapsed;
    }
  }
  const size_t room = columns > 1 ? columns - 1 : 0;
  const size_t used = DisplayColumns(text, codeset);
  if (used >= room) return std::string(HeadFitting(text, room, codeset));
  if (!line.item.empty() && used + 1 < room) {
    if (!text.empty()) text += ' ';
    text += HeadFitting(line.item, room - DisplayColumns(text, codeset), codeset);
  }
  return text;
}

}  // namespace hoard::platform

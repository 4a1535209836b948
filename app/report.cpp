#include "app/report.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "base/messages.h"
#include "pipeline/convert.h"
#include "pipeline/detectionlog.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "store/fileref.h"

namespace hoard::app {

bool FormatFinalReport(int brokenCount, bool offerLog, char* out, size_t capacity) {
  using messages::Text;
  const int written =
      std::snprintf(out, capacity, "%s%d%s%s%s", messages::Get(Text::kBrokenCountHead),
                    brokenCount, messages::Get(Text::kBrokenCountTail), offerLog ? "\r\n" : "",
                    offerLog ? messages::Get(Text::kOfferDetectionLog) : "");
  return written >= 0 && static_cast<size_t>(written) < capacity;
}

bool FormatLeftBehind(size_t count, const PName* names, size_t named, char* out,
                      size_t capacity, const messages::Text* reasons) {
  using messages::Text;
  if (capacity == 0) return false;
  int written = std::snprintf(out, capacity, "%s%zu%s", messages::Get(Text::kLeftBehindHead),
                              count, messages::Get(Text::kLeftBehindTail));
  if (written < 0 || static_cast<size_t>(written) >= capacity) return false;
  size_t length = static_cast<size_t>(written);
  for (size_t i = 0; i < named; ++i) {
    const std::string_view name = names[i].View();
    if (length + 2 + name.size() >= capacity) return false;
    std::memcpy(out + length, "\r\n", 2);
    std::memcpy(out + length + 2, name.data(), name.size());
    length += 2 + name.size();
    out[length] = '\0';
    if (reasons != nullptr) {
      written = std::snprintf(out + length, capacity - length, ": %s",
                              messages::Get(reasons[i]));
      if (written < 0 || static_cast<size_t>(written) >= capacity - length) return false;
      length += static_cast<size_t>(written);
    }
  }
  if (named < count) {
    written = std::snprintf(out + length, capacity - length, "\r\n...");
    if (written < 0 || static_cast<size_t>(written) >= capacity - length) return false;
  }
  return true;
}

void ShowFinalReport(int brokenCount) {
  const LeftBehind& left = FilesLeftBehind();
  if (brokenCount == 0 && left.count == 0) return;
  FileRef logRef;
  const bool written = brokenCount != 0 && CloseDetectionLog(logRef);
  std::array<char, 2048> text{};
  size_t length = 0;
  if (brokenCount != 0) {
    FormatFinalReport(brokenCount, written, text.data(), text.size());
    length = std::strlen(text.data());
  }
  if (left.count != 0) {
    if (length != 0 && length + 4 < text.size()) {
      std::memcpy(text.data() + length, "\r\n\r\n", 5);
      length += 4;
    }
    std::array<messages::Text, kMaxLeftBehindNamed> reasons{};
    const size_t named = std::min(left.count, left.names.size());
    for (size_t i = 0; i < named; ++i) reasons[i] = LeftReasonText(left.reasons[i]);
    FormatLeftBehind(left.count, left.names.data(), named, text.data() + length,
                     text.size() - length, reasons.data());
  }
  const platform::Answer answer = platform::ShowMessage(
      messages::ProgramCaption(), text.data(), platform::Icon::kWarning,
      written ? platform::Buttons::kYesNo : platform::Buttons::kOk);
  if (written && answer == platform::Answer::kYes) {
    CPath path;
    if (FileRefToCPath(logRef, path)) platform::OpenDocument(path.data());
  }
}

}  // namespace hoard::app

#include "app/report.h"

#include <array>
#include <cstdio>

#include "base/messages.h"
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

void ShowFinalReport(int brokenCount) {
  if (brokenCount == 0) return;
  FileRef logRef;
  const bool written = CloseDetectionLog(logRef);
  std::array<char, 256> text{};
  FormatFinalReport(brokenCount, written, text.data(), text.size());
  const platform::Answer answer = platform::ShowMessage(
      messages::ProgramCaption(), text.data(), platform::Icon::kWarning,
      written ? platform::Buttons::kYesNo : platform::Buttons::kOk);
  if (written && answer == platform::Answer::kYes) {
    CPath path;
    if (FileRefToCPath(logRef, path)) platform::OpenDocument(path.data());
  }
}

}  // namespace hoard::app

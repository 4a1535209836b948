#include "app/prompts.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>

#include "app/options.h"
#include "app/progress.h"
#include "base/messages.h"
#include "platform/ui.h"
#include "store/fileref.h"

namespace hoard {
namespace {

using messages::Text;

// The cache log dialog's title: a head, a name of at most 63 bytes and a
// tail.
constexpr size_t kTitleBytes = 128;
using TitleBuffer = std::array<char, kTitleBytes>;

// Appends what fits of `text`, keeping room for the NUL.
void AppendBounded(TitleBuffer& out, size_t& length, std::string_view text) {
  for (char c : text) {
    if (length + 1 >= out.size()) break;
    out[length++] = c;
  }
  out[length] = '\0';
}

bool gNobodyToAnswer = false;

class DialogPrompts final : public Prompts {
 public:
  MissingAnswer AskForMissingFile(std::string_view name, FileKind kind) override {
    const bool endRun = gNobodyToAnswer && kind == FileKind::kCacheLog;
    const char* prefix = "";
    if (kind == FileKind::kCacheLog) prefix = messages::Get(Text::kMissingPrefixCacheLog);
    if (kind == FileKind::kDomainTable) prefix = messages::Get(Text::kMissingPrefixDomainTable);
    std::array<char, 512> text{};
    size_t length = 0;
    const char* tail = messages::Get(endRun ? Text::kMissingCacheLogEndsRun : Text::kMissingTail);
    for (std::string_view piece : {std::string_view(prefix), name, std::string_view(tail)}) {
      const size_t room = text.size() - 1 - length;
      const size_t n = std::min(room, piece.size());
      std::memcpy(text.data() + length, piece.data(), n);
      length += n;
    }
    text[length] = '\0';
    if (endRun) {
      platform::ShowMessage(messages::Get(Text::kCaptionShort), text.data(),
                            platform::Icon::kWarning, platform::Buttons::kOk);
      return MissingAnswer::kQuit;
    }
    const platform::Answer answer =
        platform::ShowMessage(messages::Get(Text::kCaptionShort), text.data(),
                              platform::Icon::kWarning, platform::Buttons::kYesNoCancel);
    switch (answer) {
      case platform::Answer::kYes:
        return MissingAnswer::kLookForIt;
      case platform::Answer::kCancel:
        return MissingAnswer::kQuit;
      default:
        return MissingAnswer::kGoWithout;
    }
  }

  bool ChooseCacheLog(const FileRef& openIn, FileRef& logRef) override {
    FileRef savedFolder;
    GetCurrentFolderRef(savedFolder);
    // The dialog opens in the log's folder, and a relative answer is read
    // from there.
    SetCurrentFolderFromRef(openIn);

    TitleBuffer title{};
    size_t titleLength = 0;
    AppendBounded(title, titleLength, messages::Get(Text::kChooseLogTitleHead));
    AppendBounded(title, titleLength, logRef.name.View());
    AppendBounded(title, titleLength, messages::Get(Text::kChooseLogTitleTail));

    const platform::FileFilter filters[] = {
        {messages::Get(Text::kLogFilterText), messages::Get(Text::kLogFilterPattern)},
        {messages::Get(Text::kAllFilesText), messages::Get(Text::kAllFilesPattern)},
    };
    constexpr size_t kPathBufferBytes = 256;
    std::array<char, kPathBufferBytes> path{};
    const bool chosen = platform::AskOpenFile(title.data(), filters, std::size(filters),
                                              path.data(), path.size());
    if (chosen) {
      // A path that cannot be a reference leaves the old one: the user is
      // then asked again rather than another file being read.
      FileRef picked;
      if (MakeFileRef(path.data(), picked) != kBadName) {
        MakeAbsolute(picked);
        logRef = picked;
      }
    }
    SetCurrentFolderFromRef(savedFolder);
    return chosen;
  }

  bool ChooseDomainTable(char* path, size_t capacity) override {
    const platform::FileFilter filters[] = {
        {messages::Get(Text::kDomainFilterText), messages::Get(Text::kDomainFilterPattern)},
        {messages::Get(Text::kAllFilesText), messages::Get(Text::kAllFilesPattern)},
    };
    return platform::AskOpenFile(messages::Get(Text::kChooseDomainTableTitle), filters,
                                 std::size(filters), path, capacity);
  }

  void ShowWarning(const char* caption, const char* text) override {
    platform::ShowMessage(caption, text, platform::Icon::kWarning, platform::Buttons::kOk);
  }
};

}  // namespace

void SetNobodyToAnswer(bool nobody) { gNobodyToAnswer = nobody; }

Prompts& UiPrompts() {
  static DialogPrompts prompts;
  return prompts;
}

RunContext ProcessRunContext() {
  return RunContext{CurrentOptions(), ProcessProgress(), UiPrompts()};
}

}  // namespace hoard

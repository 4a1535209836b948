// Message boxes and the open-file dialog as terminal prompts: the answers
// typed, the answers taken without a terminal, and the conversion of the
// Shift_JIS texts for the terminal.
#include <stdio.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/posix/terminal.h"
#include "support/tempfolder.h"

namespace hoard::platform {
namespace {

using hoard::test::TempFolder;

// A terminal whose input is a fixed text and whose output is collected.
class FakeTerminal {
 public:
  FakeTerminal(const std::string& input, bool interactive) : input_(input) {
    in_ = fmemopen(input_.data(), input_.size(), "r");
    if (input_.empty()) in_ = fopen("/dev/null", "r");
    out_ = open_memstream(&output_, &outputSize_);
    terminal_ = Terminal{in_, out_, interactive, "UTF-8"};
  }
  ~FakeTerminal() {
    fclose(in_);
    fclose(out_);
    std::free(output_);
  }
  const Terminal& Get() const { return terminal_; }
  std::string Output() {
    fflush(out_);
    return std::string(output_, outputSize_);
  }
  long InputRead() const { return ftell(in_); }

 private:
  std::string input_;
  FILE* in_ = nullptr;
  FILE* out_ = nullptr;
  char* output_ = nullptr;
  size_t outputSize_ = 0;
  Terminal terminal_{};
};

// "キャッシュログ" in CP932 and UTF-8.
constexpr char kCacheLogCp932[] = "\x83\x4c\x83\x83\x83\x62\x83\x56\x83\x85\x83\x8d\x83\x4f";
constexpr char kCacheLogUtf8[] = "\xe3\x82\xad\xe3\x83\xa3\xe3\x83\x83\xe3\x82\xb7\xe3\x83\xa5\xe3\x83\xad\xe3\x82\xb0";

TEST(ConvertForTerminal, TurnsShiftJisIntoTheTerminalsEncoding) {
  struct Case {
    const char* what;
    std::string cp932;
    const char* codeset;
    std::string expected;
  };
  const Case cases[] = {
      {"Japanese to UTF-8", std::string(kCacheLogCp932) + " CCHMGR20.DAT", "UTF-8",
       std::string(kCacheLogUtf8) + " CCHMGR20.DAT"},
      {"ASCII as it is", "Hoard-Hoard 2.2", "UTF-8", "Hoard-Hoard 2.2"},
      {"CR LF becomes LF", "one\r\ntwo\r", "UTF-8", "one\ntwo\r"},
      {"a byte CP932 lacks passes through", "A\xff" "B", "UTF-8", "A\xff" "B"},
      {"a lone lead byte at the end passes through", "A\x83", "UTF-8", "A\x83"},
      {"Shift_JIS terminal: unchanged", kCacheLogCp932, "SHIFT_JIS", kCacheLogCp932},
      {"unknown encoding: the bytes as they are", kCacheLogCp932, "NO-SUCH-CODESET", kCacheLogCp932},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string out = "kept:";
    ConvertForTerminal(c.cp932, c.codeset, out);
    EXPECT_EQ(out, "kept:" + c.expected);
  }
}

TEST(ConvertForTerminal, HandlesATextLongerThanOneConversionBlock) {
  std::string cp932, utf8;
  for (int i = 0; i < 200; ++i) {
    cp932 += kCacheLogCp932;
    utf8 += kCacheLogUtf8;
  }
  std::string out;
  ConvertForTerminal(cp932, "UTF-8", out);
  EXPECT_EQ(out, utf8);
}

TEST(ParseAnswer, TakesLettersAndWordsInEitherCase) {
  struct Case {
    const char* line;
    Buttons buttons;
    bool known;
    Answer answer;
  };
  const Case cases[] = {
      {"y", Buttons::kYesNo, true, Answer::kYes},
      {"YES", Buttons::kYesNo, true, Answer::kYes},
      {" n ", Buttons::kYesNo, true, Answer::kNo},
      {"No", Buttons::kYesNoCancel, true, Answer::kNo},
      {"c", Buttons::kYesNoCancel, true, Answer::kCancel},
      {"Cancel", Buttons::kYesNoCancel, true, Answer::kCancel},
      {"c", Buttons::kYesNo, false, Answer::kOk},
      {"", Buttons::kYesNo, false, Answer::kOk},
      {"yess", Buttons::kYesNoCancel, false, Answer::kOk},
      {"", Buttons::kOk, true, Answer::kOk},
      {"anything", Buttons::kOk, true, Answer::kOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.line + "\"");
    Answer answer = Answer::kOk;
    EXPECT_EQ(ParseAnswer(c.line, c.buttons, answer), c.known);
    if (c.known) {
      EXPECT_EQ(answer, c.answer);
    }
  }
}

TEST(AskOnTerminal, WithoutATerminalTakesTheAnswerThatLosesNothing) {
  struct Case {
    const char* what;
    Buttons buttons;
    Answer expected;
  };
  const Case cases[] = {
      {"notice", Buttons::kOk, Answer::kOk},
      {"yes/no question", Buttons::kYesNo, Answer::kNo},
      {"look for it yourself?", Buttons::kYesNoCancel, Answer::kNo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeTerminal terminal("y\n", false);
    EXPECT_EQ(AskOnTerminal(terminal.Get(), "Hoard-Hoard 2.2", kCacheLogCp932, Icon::kWarning,
                            c.buttons),
              c.expected);
    EXPECT_EQ(terminal.InputRead(), 0) << "input was read without a terminal";
    std::string shown = terminal.Output();
    EXPECT_NE(shown.find("Hoard-Hoard 2.2"), std::string::npos) << shown;
    EXPECT_NE(shown.find(kCacheLogUtf8), std::string::npos) << shown;
  }
}

TEST(AskOnTerminal, AsksAgainUntilALineAnswers) {
  struct Case {
    const char* what;
    const char* input;
    Buttons buttons;
    Answer expected;
    int prompts;
  };
  const Case cases[] = {
      {"yes at once", "y\n", Buttons::kYesNoCancel, Answer::kYes, 1},
      {"unknown, then no", "maybe\n\nN\n", Buttons::kYesNoCancel, Answer::kNo, 3},
      {"cancel", "cancel\n", Buttons::kYesNoCancel, Answer::kCancel, 1},
      {"cancel is no answer to yes/no", "c\ny\n", Buttons::kYesNo, Answer::kYes, 2},
      {"end of input answers no", "what\n", Buttons::kYesNoCancel, Answer::kNo, 2},
      {"empty input answers no", "", Buttons::kYesNo, Answer::kNo, 1},
      {"Enter is OK", "\n", Buttons::kOk, Answer::kOk, 1},
      {"end of input is OK", "", Buttons::kOk, Answer::kOk, 1},
      {"a last line without a line end counts", "y", Buttons::kYesNo, Answer::kYes, 1},
      {"CR LF line ends", "x\r\nn\r\n", Buttons::kYesNo, Answer::kNo, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeTerminal terminal(c.input, true);
    EXPECT_EQ(AskOnTerminal(terminal.Get(), "caption", "text", Icon::kWarning, c.buttons),
              c.expected);
    std::string shown = terminal.Output();
    const char* prompt = c.buttons == Buttons::kOk ? "OK: " : "[n]o";
    int prompts = 0;
    for (size_t at = shown.find(prompt); at != std::string::npos; at = shown.find(prompt, at + 1)) {
      ++prompts;
    }
    EXPECT_EQ(prompts, c.prompts) << shown;
  }
}

TEST(AskOnTerminal, OneAnswerPerMessageFromALongLine) {
  FakeTerminal terminal(std::string(10000, 'x') + "\ny\nn\n", true);
  EXPECT_EQ(AskOnTerminal(terminal.Get(), "c", "first", Icon::kWarning, Buttons::kYesNo),
            Answer::kYes);
  EXPECT_EQ(AskOnTerminal(terminal.Get(), "c", "second", Icon::kWarning, Buttons::kYesNo),
            Answer::kNo);
}

TEST(AskPathOnTerminal, WantsAnExistingFileAndGivesItsFullPath) {
  TempFolder folder;
  folder.Write("CCHMGR20.DAT", "log");
  std::filesystem::create_directory(folder.Path() / "sub");
  const std::string logPath = folder.Join("CCHMGR20.DAT");
  const FileFilter filters[] = {{kCacheLogCp932, "CCHMGR20.DAT;*.DAT"}, {"All", "*.*"}};
  struct Case {
    const char* what;
    std::string input;
    std::string initial;
    bool chosen;
    std::string expected;
  };
  const Case cases[] = {
      {"full path", logPath + "\n", "", true, logPath},
      {"missing file, then a good one", folder.Join("none.dat") + "\n" + logPath + "\n", "", true,
       logPath},
      {"a folder is not a file", folder.Join("sub") + "\n" + logPath + "\n", "", true, logPath},
      {"relative to the current folder", "CCHMGR20.DAT\n", "", true, logPath},
      {"Enter takes the initial path", "\n", logPath, true, logPath},
      {"Enter without an initial path cancels", "\n", "", false, ""},
      {"Enter on a missing initial path cancels", "\n", folder.Join("gone.dat"), false, ""},
      {"end of input cancels", folder.Join("none.dat") + "\n", "", false, ""},
  };
  hoard::test::CurrentFolderGuard guard;
  std::filesystem::current_path(folder.Path());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeTerminal terminal(c.input, true);
    char path[1024];
    std::snprintf(path, sizeof path, "%s", c.initial.c_str());
    EXPECT_EQ(AskPathOnTerminal(terminal.Get(), kCacheLogCp932, filters, 2, path, sizeof path),
              c.chosen);
    if (c.chosen) {
      EXPECT_TRUE(std::filesystem::equivalent(path, c.expected)) << path;
      EXPECT_EQ(path[0], '/');
    }
    std::string shown = terminal.Output();
    EXPECT_NE(shown.find(std::string(kCacheLogUtf8) + " (CCHMGR20.DAT;*.DAT)"), std::string::npos)
        << shown;
  }
}

TEST(AskPathOnTerminal, RefusesAPathTheBufferCannotHold) {
  TempFolder folder;
  folder.Write("CCHMGR20.DAT", "log");
  const std::string logPath = folder.Join("CCHMGR20.DAT");
  FakeTerminal terminal(logPath + "\n", true);
  char path[8] = "keep";
  EXPECT_FALSE(AskPathOnTerminal(terminal.Get(), "t", nullptr, 0, path, sizeof path));
  EXPECT_NE(terminal.Output().find("too long"), std::string::npos);
}

TEST(AskPathOnTerminal, WithoutATerminalChoosesNothing) {
  TempFolder folder;
  folder.Write("CCHMGR20.DAT", "log");
  FakeTerminal terminal(folder.Join("CCHMGR20.DAT") + "\n", false);
  char path[1024] = "";
  EXPECT_FALSE(AskPathOnTerminal(terminal.Get(), "t", nullptr, 0, path, sizeof path));
  EXPECT_EQ(terminal.InputRead(), 0);
}

}  // namespace
}  // namespace hoard::platform

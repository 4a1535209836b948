#include "store/domaintable.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/prompts.h"
#include "base/messages.h"
#include "platform/registry.h"
#include "platform/scripted/scripted_ui.h"
#include "support/tempfolder.h"
#include "urlmap/urlmap.h"
#ifndef _WIN32
#include "support/platform_env.h"
#endif

namespace hoard {
namespace {

namespace fs = std::filesystem;
using messages::Text;
using platform::Answer;

std::string StoredPlace() {
  std::array<char, 512> value{};
  if (!platform::ReadUserString(kDomainTableKey, kDomainTableValue, value.data(), value.size())) {
    return "<none>";
  }
  return value.data();
}

FileRef FolderRef(const test::TempFolder& folder) {
  FileRef ref;
  EXPECT_EQ(ParseFileRef(folder.Text(), NativePathStyle(), ref), kNoError);
  return ref;
}

std::vector<std::pair<std::string, std::string>> Pairs(const DomainTable& table) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (size_t i = 0; i < table.count; ++i) pairs.emplace_back(table.pairs[i].key, table.pairs[i].value);
  return pairs;
}

// Each test starts with no stored place, an empty script of answers and no
// process table, in a current directory of its own.
class DomainTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef _WIN32
    // The values live in a file of the user's configuration folder: a fresh one.
    config_ = std::make_unique<test::EnvGuard>("XDG_CONFIG_HOME", configFolder_.Path().c_str());
#endif
    saved_ = StoredPlace();
    // An empty value names no folder: as good as none.
    platform::WriteUserString(kDomainTableKey, kDomainTableValue, "");
    scripted::Reset();
    ResetProcessDomainTable();
    fs::current_path(elsewhere_.Path());
    RememberStartFolder(FolderRef(start_));
  }

  void TearDown() override {
    ReleaseDomainTable(table_);
    ResetProcessDomainTable();
    platform::WriteUserString(kDomainTableKey, kDomainTableValue,
                              saved_ == "<none>" ? "" : saved_.c_str());
  }

  const scripted::ShownMessage& OnlyMessage() {
    EXPECT_EQ(scripted::Messages().size(), 1u);
    return scripted::Messages().front();
  }

  std::string MissingPrompt() const {
    return std::string(messages::Get(Text::kMissingPrefixDomainTable)) + "domain.csv" +
           messages::Get(Text::kMissingTail);
  }

  test::TempFolder configFolder_;
#ifndef _WIN32
  std::unique_ptr<test::EnvGuard> config_;
#endif
  std::string saved_;
  test::TempFolder start_;
  test::TempFolder elsewhere_;
  DomainTable table_;
  // Declared last: the current directory is back before the folders go.
  test::CurrentFolderGuard guard_;
};

TEST_F(DomainTableTest, LooksInTheStartFolderWhenNothingIsStored) {
  start_.Write("domain.csv", "www.old.jp,new\r\n");
  ASSERT_EQ(LoadDomainTable(table_, UiPrompts()), DomainLoadResult::kLoaded);
  EXPECT_EQ(table_.state, DomainTableState::kLoaded);
  EXPECT_EQ(Pairs(table_), (std::vector<std::pair<std::string, std::string>>{{"www.old.jp", "new"}}));
  // The file actually loaded is remembered, and nothing was asked.
  EXPECT_TRUE(fs::equivalent(fs::u8path(StoredPlace()), start_.Path() / "domain.csv"));
  EXPECT_TRUE(scripted::Messages().empty());
  EXPECT_TRUE(fs::equivalent(fs::current_path(), elsewhere_.Path()));
}

TEST_F(DomainTableTest, LooksInTheFolderOfTheStoredPath) {
  test::TempFolder other;
  other.Write("domain.csv", "a.jp,from-domain-csv\n");
  other.Write("my.txt", "a.jp,from-my-txt\n");
  start_.Write("domain.csv", "a.jp,from-start-folder\n");
  ASSERT_TRUE(platform::WriteUserString(kDomainTableKey, kDomainTableValue,
                                        other.Join("my.txt").c_str()));
  ASSERT_EQ(LoadDomainTable(table_, UiPrompts()), DomainLoadResult::kLoaded);
  ASSERT_EQ(table_.count, 1u);
  EXPECT_STREQ(table_.pairs[0].value, "from-domain-csv");
  EXPECT_TRUE(fs::equivalent(fs::u8path(StoredPlace()), other.Path() / "domain.csv"));
}

TEST_F(DomainTableTest, MissingTableAsksAndNoGoesOnWithoutAskingAgain) {
  scripted::QueueAnswer(Answer::kNo);
  EXPECT_EQ(EnsureDomainTable(UiPrompts()), DomainLoadResult::kWithoutTable);
  const scripted::ShownMessage& prompt = OnlyMessage();
  EXPECT_EQ(prompt.text, MissingPrompt());
  EXPECT_EQ(prompt.caption, messages::Get(Text::kCaptionShort));
  EXPECT_EQ(prompt.buttons, platform::Buttons::kYesNoCancel);
  EXPECT_EQ(prompt.icon, platform::Icon::kWarning);
  // Until the program ends: no table, no question.
  EXPECT_EQ(EnsureDomainTable(UiPrompts()), DomainLoadResult::kWithoutTable);
  EXPECT_EQ(scripted::Messages().size(), 1u);
  EXPECT_EQ(ProcessDomainTable().state, DomainTableState::kWithoutTable);
  char url[64] = "http://a.jp/x";
  EXPECT_EQ(ApplyDomainConversion(url, sizeof url), 0);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), elsewhere_.Path()));
}

TEST_F(DomainTableTest, CancelAbortsAndTheNextRunAsksAgain) {
  scripted::QueueAnswer(Answer::kCancel);
  EXPECT_EQ(EnsureDomainTable(UiPrompts()), DomainLoadResult::kAbort);
  scripted::QueueAnswer(Answer::kCancel);
  EXPECT_EQ(EnsureDomainTable(UiPrompts()), DomainLoadResult::kAbort);
  EXPECT_EQ(scripted::Messages().size(), 2u);
  EXPECT_EQ(ProcessDomainTable().state, DomainTableState::kNotLoaded);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), elsewhere_.Path()));
}

TEST_F(DomainTableTest, YesOpensTheDialogAndLoadsTheChosenFile) {
  test::TempFolder other;
  other.Write("hosts.txt", "a.jp,chosen\n");
  const std::string stored = other.Join("old.csv");
  platform::WriteUserString(kDomainTableKey, kDomainTableValue, stored.c_str());
  scripted::QueueAnswer(Answer::kYes);
  scripted::QueueOpenFile(other.Join("hosts.txt"));
  ASSERT_EQ(EnsureDomainTable(UiPrompts()), DomainLoadResult::kLoaded);
  ASSERT_EQ(scripted::Dialogs().size(), 1u);
  const scripted::ShownDialog& dialog = scripted::Dialogs()[0];
  EXPECT_EQ(dialog.title, messages::Get(Text::kChooseDomainTableTitle));
  EXPECT_EQ(dialog.initialPath, stored);
  ASSERT_EQ(dialog.filters.size(), 2u);
  EXPECT_STREQ(dialog.filters[0].text, "CSV File(*.csv,*.txt,*.bak)");
  EXPECT_STREQ(dialog.filters[0].pattern, "*.csv;*.txt;*.bak;");
  EXPECT_STREQ(dialog.filters[1].text, messages::Get(Text::kAllFilesText));
  EXPECT_STREQ(dialog.filters[1].pattern, "*.*");
  EXPECT_TRUE(fs::equivalent(fs::u8path(StoredPlace()), other.Path() / "hosts.txt"));
  char url[64] = "http://a.jp/x";
  EXPECT_EQ(ApplyDomainConversion(url, sizeof url), 1);
  EXPECT_STREQ(url, "http://chosen/x");
  EXPECT_TRUE(fs::equivalent(fs::current_path(), elsewhere_.Path()));
}

TEST_F(DomainTableTest, CancelledDialogAborts) {
  scripted::QueueAnswer(Answer::kYes);
  EXPECT_EQ(LoadDomainTable(table_, UiPrompts()), DomainLoadResult::kAbort);
  EXPECT_EQ(scripted::Dialogs().size(), 1u);
  EXPECT_EQ(table_.state, DomainTableState::kNotLoaded);
}

TEST_F(DomainTableTest, AChosenFileThatCannotBeOpenedAsksAgain) {
  test::TempFolder other;
  scripted::QueueAnswer(Answer::kYes);
  scripted::QueueOpenFile(other.Join("gone.csv"));
  scripted::QueueAnswer(Answer::kNo);
  EXPECT_EQ(LoadDomainTable(table_, UiPrompts()), DomainLoadResult::kWithoutTable);
  ASSERT_EQ(scripted::Messages().size(), 2u);
  EXPECT_EQ(scripted::Messages()[1].text, MissingPrompt());
}

TEST_F(DomainTableTest, AnEmptyTableEndsTheRunWithMessage5) {
  start_.Write("domain.csv", "");
  EXPECT_EQ(LoadDomainTable(table_, UiPrompts()), DomainLoadResult::kAbort);
  const scripted::ShownMessage& shown = OnlyMessage();
  EXPECT_EQ(shown.text, messages::StringById(5));
  EXPECT_EQ(shown.caption, messages::Get(Text::kCaptionShort));
  EXPECT_EQ(shown.buttons, platform::Buttons::kOk);
  EXPECT_EQ(StoredPlace(), "");
}

TEST_F(DomainTableTest, ReadsEveryLineWithACommaInFileOrder) {
  start_.Write("domain.csv",
               "first.jp,one\r\n"        // the first line is an entry
               "no comma here\n"          // skipped
               "three.jp,two,a comment\r" // the third field is ignored
               ",empty key\n"             // skipped: it would match every host
               "sjis\x83\x5C.jp,\x95\x5C\r\n"
               "last.jp,three");          // no line end
  ASSERT_EQ(LoadDomainTable(table_, UiPrompts()), DomainLoadResult::kLoaded);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"first.jp", "one"},
      {"three.jp", "two"},
      {"sjis\x83\x5C.jp", "\x95\x5C"},
      {"last.jp", "three"},
  };
  EXPECT_EQ(Pairs(table_), expected);
  EXPECT_EQ(table_.pairs[table_.count].key, nullptr);
}

TEST_F(DomainTableTest, ChoosingAFileRemembersIt) {
  test::TempFolder other;
  other.Write("x.csv", "a,b\n");
  scripted::QueueOpenFile(other.Join("x.csv"));
  FileRef ref;
  ASSERT_TRUE(ChooseDomainTableFile(ref, UiPrompts()));
  EXPECT_EQ(std::string(ref.name.View()), "x.csv");
  EXPECT_EQ(StoredPlace(), other.Join("x.csv"));
  EXPECT_TRUE(fs::equivalent(fs::current_path(), elsewhere_.Path()));
  EXPECT_FALSE(ChooseDomainTableFile(ref, UiPrompts()));  // nothing queued: cancelled
}

}  // namespace
}  // namespace hoard

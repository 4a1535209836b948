// The cache folder hint and the main dialog's file and folder choices, with
// the registry-like values in a fresh configuration folder per test.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/cachehint.h"
#include "app/progress.h"
#include "app/run.h"
#include "base/messages.h"
#include "pipeline/convert.h"
#include "platform/registry.h"
#include "platform/scripted/scripted_progress.h"
#include "platform/scripted/scripted_ui.h"
#include "store/domaintable.h"
#include "support/tempfolder.h"
#include "support/platform_env.h"

namespace hoard::app {
namespace {

constexpr char kOwnKey[] = "Software\\Tolvar\\Hoard2";
constexpr char kBrowserCacheKey[] = "Software\\JustSystem\\AccessManager\\2.0";
constexpr char kMarkFileKey[] = "Software\\JustSystem\\JustView\\2.0";

struct Value {
  const char* key;
  const char* name;
  std::string text;
};

TEST(ReadCacheFolderHint, TakesTheFirstSourceThatHasAValue) {
  const Value own{kOwnKey, "JustViewCacheDir", "/home/me/saved"};
  const Value cache{kBrowserCacheKey, "CacheDir", "/home/me/jv/cache"};
  const Value mark{kMarkFileKey, "MarkFile", "/home/me/jv/mark.dat"};
  struct Case {
    const char* what;
    std::vector<Value> values;
    int source;
    std::string hint;
  };
  const Case cases[] = {
      {"none", {}, kNoHint, ""},
      {"all three: the saved folder", {own, cache, mark}, kHintSavedFolder, "/home/me/saved/*.*"},
      {"the browser's cache folder", {cache, mark}, kHintBrowserCache, "/home/me/jv/cache/*.*"},
      {"beside the mark file", {mark}, kHintMarkFile, "/home/me/jv/Cache/*.*"},
      {"a mark file without folder", {{kMarkFileKey, "MarkFile", "mark.dat"}}, kHintMarkFile,
       "mark.dat/Cache/*.*"},
      {"a saved folder that leaves no room for the pattern falls through",
       {{kOwnKey, "JustViewCacheDir", "/" + std::string(kCacheHintCapacity - 4, 'a')}, cache},
       kHintBrowserCache,
       "/home/me/jv/cache/*.*"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder config;
    test::EnvGuard guard("XDG_CONFIG_HOME", config.Path().c_str());
    for (const Value& value : c.values) {
      ASSERT_TRUE(platform::WriteUserString(value.key, value.name, value.text.c_str()));
    }
    char hint[kCacheHintCapacity] = "left over";
    EXPECT_EQ(ReadCacheFolderHint(hint, sizeof hint), c.source);
    EXPECT_EQ(std::string(hint), c.hint);
  }
}

TEST(SaveCacheFolderHint, KeepsTheFolderOfTheChosenPath) {
  struct Case {
    const char* what;
    const char* path;
    const char* saved;  // null: nothing written
  };
  const Case cases[] = {
      {"a file in a folder", "/home/me/cache/JCH00001.HTM", "/home/me/cache"},
      {"a file at the root", "/JCH00001.HTM", ""},
      {"a bare name", "JCH00001.HTM", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder config;
    test::EnvGuard guard("XDG_CONFIG_HOME", config.Path().c_str());
    SaveCacheFolderHint(c.path);
    char value[kCacheHintCapacity] = "";
    const bool found = platform::ReadUserString(kOwnKey, "JustViewCacheDir", value, sizeof value);
    EXPECT_EQ(found, c.saved != nullptr);
    if (c.saved != nullptr) {
      EXPECT_EQ(std::string(value), c.saved);
    }
  }
}

std::vector<std::string> gLookedUp;

void Record(const FileRef& file, const CacheLogEntry* /*entry*/) {
  gLookedUp.emplace_back(file.name.View());
}

class DialogChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLookedUp.clear();
    scripted::Reset();
    scripted::ResetProgress();
    ResetProgressDisplay();
    Progress() = ProgressState{};
    SetLookupObserver(Record);
    SetListOnly(true);
    GoWithoutDomainTable();
    cache_.Write("CCHMGR20.DAT",
                 "http://a.example/,JCH00001.html\r\n"
                 "http://b.example/b.gif,JCH00002.gif\r\n");
    cache_.Write("JCH00001.HTM", "<html></html>");
    cache_.Write("JCH00002.gif", "GIF89a");
  }
  void TearDown() override {
    SetLookupObserver(nullptr);
    SetListOnly(false);
    ResetProcessDomainTable();
  }

  test::TempFolder config_;
  test::EnvGuard guard_{"XDG_CONFIG_HOME", config_.Path().c_str()};
  test::CurrentFolderGuard folderGuard_;
  test::TempFolder cache_;
};

TEST_F(DialogChoiceTest, TheFileChoiceConvertsOneFileWithoutAPercentage) {
  scripted::QueueOpenFile(cache_.Join("JCH00002.gif"));
  EXPECT_EQ(RunFileChoice(), 0);
  EXPECT_EQ(gLookedUp, (std::vector<std::string>{"JCH00002.gif"}));

  ASSERT_EQ(scripted::Dialogs().size(), 1u);
  const scripted::ShownDialog& dialog = scripted::Dialogs()[0];
  EXPECT_EQ(dialog.title, messages::Get(messages::Text::kChooseCacheFileTitle));
  ASSERT_EQ(dialog.filters.size(), 3u);
  EXPECT_STREQ(dialog.filters[0].text, "CacheFile(*.html,*.htm,*.gif,*.jpg,*.jpeg,*.sht,*.shtml)");
  EXPECT_STREQ(dialog.filters[1].pattern, "*.cgi;*.cnt;*.exp;*.nex;*.next");
  EXPECT_STREQ(dialog.filters[2].text, messages::Get(messages::Text::kAllFilesText));
  EXPECT_EQ(dialog.initialPath, "");

  // Labels and the host; no percentage, no times.
  const std::vector<std::string> drawing = scripted::ProgressDrawing();
  for (const std::string& call : drawing) {
    SCOPED_TRACE(call);
    EXPECT_TRUE(call.rfind("labels ", 0) == 0 || call == "item b.example" || call == "end");
  }
  EXPECT_NE(std::find(drawing.begin(), drawing.end(), "item b.example"), drawing.end());

  // The next dialog starts in the folder of this choice.
  scripted::QueueOpenFile("");
  EXPECT_EQ(RunFileChoice(), 0);
  ASSERT_EQ(scripted::Dialogs().size(), 2u);
  EXPECT_EQ(scripted::Dialogs()[1].initialPath, cache_.Text() + "*.*");
}

TEST_F(DialogChoiceTest, TheFolderChoiceConvertsEveryCacheFileOfTheChosenFilesFolder) {
  scripted::QueueOpenFile(cache_.Join("JCH00001.HTM"));
  EXPECT_EQ(RunFolderChoice(), 0);
  std::vector<std::string> seen = gLookedUp;
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"JCH00001.HTM", "JCH00002.gif"}));
  ASSERT_EQ(scripted::Dialogs().size(), 1u);
  EXPECT_EQ(scripted::Dialogs()[0].title, messages::Get(messages::Text::kChooseCacheFolderTitle));
  // A batch of two: 0 % then 50 %, the wait cursor around it.
  std::vector<std::string> percentages;
  for (const std::string& call : scripted::ProgressDrawing()) {
    if (call.rfind("percent ", 0) == 0 || call.rfind("wait ", 0) == 0 || call == "end") {
      percentages.push_back(call);
    }
  }
  EXPECT_EQ(percentages, (std::vector<std::string>{"wait 1", "percent 0   0 %",
                                                   "percent 50  50 %", "wait 0", "end"}));
}

TEST_F(DialogChoiceTest, ACancelledDialogConvertsNothing) {
  EXPECT_EQ(RunFolderChoice(), 0);
  EXPECT_EQ(RunFileChoice(), 0);
  EXPECT_TRUE(gLookedUp.empty());
  EXPECT_EQ(scripted::Dialogs().size(), 2u);
  EXPECT_TRUE(scripted::Messages().empty());
}

TEST_F(DialogChoiceTest, AConfirmedInterruptStopsTheBatchBeforeTheNextFile) {
  scripted::QueueOpenFile(cache_.Join("JCH00001.HTM"));
  scripted::QueueInterrupt();
  scripted::QueueAnswer(platform::Answer::kYes);
  AbortRequested = 0;
  EXPECT_EQ(RunFolderChoice(), 0);
  EXPECT_EQ(AbortRequested, 1);
  AbortRequested = 0;
  EXPECT_TRUE(gLookedUp.empty());
  // The question only: no final report after an abort.
  ASSERT_EQ(scripted::Messages().size(), 1u);
  EXPECT_EQ(scripted::Messages()[0].text, messages::Get(messages::Text::kReallyQuit));
}

}  // namespace
}  // namespace hoard::app

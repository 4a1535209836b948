#include "app/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/progress.h"
#include "base/messages.h"
#include "pipeline/convert.h"
#include "platform/scripted/scripted_ui.h"
#include "store/domaintable.h"
#include "support/tempfolder.h"

namespace hoard::app {
namespace {

std::vector<std::string> gSeen;

void Record(const FileRef& file, const CacheLogEntry* entry) {
  std::string line(file.name.View());
  line += entry != nullptr ? std::string(" ") + entry->url : " -";
  gSeen.push_back(line);
}

class RunArgumentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSeen.clear();
    scripted::Reset();
    SetLookupObserver(Record);
    SetListOnly(true);
    GoWithoutDomainTable();
    cache_.Write("CCHMGR20.DAT",
                 "http://a.example/,JCH00001.html\r\n"
                 "http://a.example/b.gif,JCH00002.gif\r\n");
    cache_.Write("JCH00001.HTM", "<html></html>");
    cache_.Write("JCH00002.gif", "GIF89a");
    cache_.Write("JCH00003.HTM", "not in the log");
  }
  void TearDown() override {
    SetLookupObserver(nullptr);
    SetListOnly(false);
    SetFolderMode(FolderMode{});
    ResetProcessDomainTable();
  }

  int Run(std::vector<std::string> paths) {
    ArgList args;
    for (std::string& path : paths) args.items[args.count++] = path.data();
    return RunArguments(args);
  }

  test::CurrentFolderGuard guard_;
  test::TempFolder cache_;
};

TEST_F(RunArgumentsTest, AFolderArgumentLooksUpEveryCacheFileOfTheFolder) {
  EXPECT_EQ(Run({cache_.Text()}), 0);
  std::vector<std::string> seen = gSeen;
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"JCH00001.HTM http://a.example/",
                                            "JCH00002.gif http://a.example/b.gif",
                                            "JCH00003.HTM -"}));
  EXPECT_TRUE(scripted::Messages().empty());
}

TEST_F(RunArgumentsTest, FilesAreTakenInOrderAndTheLogItselfIsPassedOver) {
  EXPECT_EQ(Run({cache_.Join("CCHMGR20.DAT"), cache_.Join("JCH00002.gif"), "",
                 cache_.Join("JCH00009.HTM"), cache_.Join("JCH00001.HTM")}),
            0);
  EXPECT_EQ(gSeen, (std::vector<std::string>{"JCH00002.gif http://a.example/b.gif",
                                             "JCH00001.HTM http://a.example/"}));
  EXPECT_TRUE(scripted::Messages().empty());
}

TEST_F(RunArgumentsTest, AMissingSingleFileConvertsNothingAndSaysNothing) {
  EXPECT_EQ(Run({cache_.Join("JCH00009.HTM")}), 0);
  EXPECT_TRUE(gSeen.empty());
  EXPECT_TRUE(scripted::Messages().empty());
}

TEST_F(RunArgumentsTest, AnArgumentNoReferenceCanHoldIsNamedOnceAndPassedOver) {
  const std::string longName = std::string(70, 'x') + ".htm";
  cache_.Write(longName, "");
  EXPECT_EQ(Run({cache_.Join(longName), cache_.Join("JCH00001.HTM")}), 0);
  EXPECT_EQ(gSeen, (std::vector<std::string>{"JCH00001.HTM http://a.example/"}));
  ASSERT_EQ(scripted::Messages().size(), 1u);
  const std::string& text = scripted::Messages()[0].text;
  EXPECT_EQ(text.rfind(messages::Get(messages::Text::kPathTooLong), 0), 0u);
  EXPECT_NE(text.find(longName), std::string::npos);
}

TEST_F(RunArgumentsTest, AFolderWithoutCacheFilesIsToldSo) {
  test::TempFolder empty;
  empty.Write("notes.txt", "");
  EXPECT_EQ(Run({empty.Text()}), 0);
  EXPECT_TRUE(gSeen.empty());
  ASSERT_EQ(scripted::Messages().size(), 1u);
  EXPECT_EQ(scripted::Messages()[0].text, messages::Get(messages::Text::kNoCacheFiles));
}

// Files only looked up stay where they are: a whole-folder run must still take
// each once and end, its progress counting over the whole folder.
TEST_F(RunArgumentsTest, AFolderIsTakenInBatchesEachFileOnce) {
  struct Case {
    const char* what;
    FolderMode mode;
    size_t seen;
    size_t batches;
    int32_t total;
  };
  const Case cases[] = {
      {"one batch of at most 1000", {false, kMaxArguments}, 3, 1, 3},
      {"the whole folder, two at a time", {true, 2}, 3, 2, 3},
      {"one batch of at most two", {false, 2}, 2, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    gSeen.clear();
    SetFolderMode(c.mode);
    EXPECT_EQ(Run({cache_.Text()}), 0);
    std::sort(gSeen.begin(), gSeen.end());
    EXPECT_EQ(std::unique(gSeen.begin(), gSeen.end()) - gSeen.begin(), static_cast<long>(c.seen));
    EXPECT_EQ(gSeen.size(), c.seen);
    EXPECT_EQ(LastRunOutcome().batches, c.batches);
    EXPECT_EQ(Progress().total, c.total);
    EXPECT_EQ(Progress().current, c.total);
  }
}

}  // namespace
}  // namespace hoard::app

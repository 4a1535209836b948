#include "app/scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/messages.h"
#include "platform/scripted/scripted_ui.h"
#include "store/files.h"
#include "support/tempfolder.h"

namespace hoard::app {
namespace {

std::vector<std::string> Split(std::string text) {
  ArgList args;
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  SplitCommandLine(buffer.data(), args);
  std::vector<std::string> out;
  for (size_t i = 0; i < args.count; ++i) out.emplace_back(args.items[i]);
  return out;
}

TEST(SplitCommandLine, CutsAtEverySpaceAndNothingElse) {
  struct Case {
    const char* what;
    const char* text;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"empty", "", {}},
      {"one name", "a.htm", {"a.htm"}},
      {"two names", "a.htm b.htm", {"a.htm", "b.htm"}},
      {"two spaces give an empty argument", "a.htm  b.htm", {"a.htm", "", "b.htm"}},
      {"a trailing space gives an empty last argument", "a.htm ", {"a.htm", ""}},
      {"quotes mean nothing", "\"C:\\My Cache\\x.htm\"", {"\"C:\\My", "Cache\\x.htm\""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Split(c.text), c.expected);
  }
}

TEST(SplitCommandLine, KeepsTheRestInTheThousandthArgument) {
  std::string text;
  for (int i = 0; i < 1500; ++i) text += (i ? " n" : "n") + std::to_string(i);
  const std::vector<std::string> args = Split(text);
  ASSERT_EQ(args.size(), 1000u);
  EXPECT_EQ(args[998], "n998");
  std::string rest = "n999";
  for (int i = 1000; i < 1500; ++i) rest += " n" + std::to_string(i);
  EXPECT_EQ(args[999], rest);  // the remaining 501 names with their spaces
}

TEST(NameFamilies, TestLengthDotAndPrefix) {
  struct Case {
    const char* name;
    bool cachePrefixed;
    bool jch;
    bool m;
  };
  const Case cases[] = {
      {"cache0001", true, false, false},
      {"CACHE", true, false, false},
      {"cach", false, false, false},
      {"JCH00012", false, true, false},
      {"jch00012.HTM", false, true, false},
      {"JCH00012.html", false, true, false},
      {"JCH00012.shtml", false, false, false},  // 14 bytes
      {"JCH0001.HTM", false, false, false},     // the dot is not 9th
      {"JCH000123", false, false, false},       // 9 bytes without the dot
      {"M0000001", false, false, true},
      {"m0000001.gif", false, false, true},
      {"M000.001", false, false, false},  // a dot among bytes 2..8
      {"Mabcdefg.", false, false, true},
      {"N0000001", false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsCachePrefixedName(c.name), c.cachePrefixed);
    EXPECT_EQ(IsJchName(c.name), c.jch);
    EXPECT_EQ(IsMName(c.name), c.m);
  }
}

TEST(CacheNameFilter, TheFirstKnownFamilyFixesTheFolder) {
  struct Case {
    const char* what;
    std::vector<std::string> names;
    std::vector<std::string> taken;
  };
  const Case cases[] = {
      {"M first", {"M0000001.HTM", "cache0001", "JCH00001.JPG", "M0000002"},
       {"M0000001.HTM", "M0000002"}},
      {"unknown names before the first are passed over",
       {".", "..", "CCHMGR20.DAT", "JCH00001.JPG", "readme.txt", "JCH00002.HTM"},
       {"JCH00001.JPG", "JCH00002.HTM"}},
      {"Finder.dat is never taken",
       {"cache0001", "Finder.dat", "FINDER.DAT", "finder.dat", "cacheFinder.dat"},
       {"cache0001", "cacheFinder.dat"}},
      {"a name over 63 bytes is passed over",
       {"cache" + std::string(59, 'x'), "cache" + std::string(58, 'x')},
       {"cache" + std::string(58, 'x')}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CacheNameFilter filter;
    std::vector<std::string> taken;
    for (const std::string& name : c.names) {
      if (filter.Take(name)) taken.push_back(name);
    }
    EXPECT_EQ(taken, c.taken);
  }
}

TEST(CollectCacheFiles, TakesAtMostAThousandNames) {
  test::TempFolder folder;
  for (int i = 0; i < 1200; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "M%07d", i);
    folder.Write(name, "");
  }
  FileRef ref;
  MakeFileRef(folder.Text().c_str(), ref);
  ScanStore store;
  ASSERT_TRUE(AllocScanStore(store));
  ArgList args;
  scripted::Reset();
  EXPECT_EQ(CollectCacheFiles(ref, store, args), 1000u);
  EXPECT_TRUE(scripted::Messages().empty());
  for (size_t i = 0; i < args.count; ++i) ASSERT_TRUE(IsMName(args.items[i]));
  FreeScanStore(store);
}

TEST(CollectCacheFiles, SaysSoWhenTheFolderHoldsNoCacheFile) {
  test::TempFolder folder;
  folder.Write("readme.txt", "");
  FileRef ref;
  MakeFileRef(folder.Text().c_str(), ref);
  ScanStore store;
  ASSERT_TRUE(AllocScanStore(store));
  ArgList args;
  scripted::Reset();
  EXPECT_EQ(CollectCacheFiles(ref, store, args), 0u);
  ASSERT_EQ(scripted::Messages().size(), 1u);
  EXPECT_EQ(scripted::Messages()[0].text, messages::Get(messages::Text::kNoCacheFiles));
  EXPECT_EQ(scripted::Messages()[0].buttons, platform::Buttons::kOk);
  FreeScanStore(store);
}

TEST(FindLongName, GivesTheStoredNameOrNothing) {
  test::TempFolder folder;
  folder.Write("JCH00012.HTM", "");
  char name[64];
  EXPECT_EQ(FindLongName(folder.Join("JCH00012.HTM").c_str(), name, sizeof name), 12u);
  EXPECT_STREQ(name, "JCH00012.HTM");
  EXPECT_EQ(FindLongName(folder.Join("JCH00013.HTM").c_str(), name, sizeof name), 0u);
  EXPECT_STREQ(name, "");
  char small[8];
  EXPECT_EQ(FindLongName(folder.Join("JCH00012.HTM").c_str(), small, sizeof small), 0u);
}

}  // namespace
}  // namespace hoard::app

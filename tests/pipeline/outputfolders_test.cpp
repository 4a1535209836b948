#include "pipeline/outputfolders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/prompts.h"
#include "base/messages.h"
#include "platform/fs.h"
#include "platform/scripted/scripted_ui.h"
#include "store/files.h"
#include "support/tempfolder.h"
#include "support/urlgen.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;
using messages::Text;

// A cache folder with one cache file in it, inside a fresh temporary folder
// (so that anything made beside the cache folder shows up too).
class OutputFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted::Reset();
    // Two levels deep, so that a way out by one or two levels shows up.
    cache_ = root_.Path() / "outer" / "cache";
    fs::create_directories(cache_);
    root_.Write("outer/cache/JCH00012.HTM", "<html></html>");
    const std::string file = (cache_ / "JCH00012.HTM").string();
    ASSERT_EQ(MakeFileRef(file.c_str(), cacheFile_), kNoError);
  }

  struct Outcome {
    FolderResult result = kFoldersStop;
    std::string rest;
    FileRef destination;
  };

  Outcome Create(const std::string& path) {
    Outcome outcome;
    const char* rest = nullptr;
    outcome.result =
        CreateOutputFolders(cacheFile_, outcome.destination, path.c_str(), rest, UiPrompts());
    if (outcome.result == kFoldersReady) outcome.rest = rest;
    return outcome;
  }

  // The destination folder as a path below the cache folder, with '/'.
  std::string Below(const FileRef& destination) const {
    std::string folder(destination.folder.View());
    const std::string cacheText(cacheFile_.folder.View());
    EXPECT_EQ(folder.compare(0, cacheText.size(), cacheText), 0) << folder;
    std::string below = folder.substr(std::min(folder.size(), cacheText.size()));
    std::replace(below.begin(), below.end(), PathSeparator(), '/');
    return below;
  }

  bool IsFolderBelow(const std::string& relative) const {
    return fs::is_directory(cache_ / fs::u8path(relative));
  }

  // Every entry under the temporary folder, as paths relative to it.
  std::vector<std::string> Everything() const {
    std::vector<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root_.Path())) {
      entries.push_back(fs::relative(entry.path(), root_.Path()).generic_string());
    }
    return entries;
  }

  test::TempFolder root_;
  test::CurrentFolderGuard guard_;
  fs::path cache_;
  FileRef cacheFile_;
};

TEST_F(OutputFolders, MakesAFolderPerComponentButTheLast) {
  const struct {
    const char* what;
    std::string path;
    std::string folders;  // the destination below the cache folder
    std::string rest;
  } cases[] = {
      {"host and folder", "host/dir/page.html", "host/dir/", "page.html"},
      {"host alone", "host/", "host/", ""},
      {"leading separator skipped", "/host/a.html", "host/", "a.html"},
      {"%7E begins a folder with '~'", "host/%7Euser/a.html", "host/~user/", "a.html"},
      {"%7e in small letters", "host/%7euser/", "host/~user/", ""},
      {"%20 is a space", "host/my%20dir/x.gif", "host/my dir/", "x.gif"},
      {"other escapes as the link decodes them", "host/%41bc/x", "host/Abc/", "x"},
      {"a port is a folder", "host:8080/x.html", "host/8080/", "x.html"},
      {"'/' in a query makes no folder", "host/list?id=12&page=3/x", "host/",
       "list?id=12&page=3/x"},
      {"no folder at all", "page.html", "", "page.html"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome outcome = Create(c.path);
    ASSERT_EQ(outcome.result, kFoldersReady);
    EXPECT_EQ(Below(outcome.destination), c.folders);
    EXPECT_EQ(outcome.rest, c.rest);
    EXPECT_TRUE(outcome.destination.name.Empty());
    if (!c.folders.empty()) {
      EXPECT_TRUE(IsFolderBelow(c.folders));
    }
  }
  EXPECT_TRUE(scripted::Messages().empty());
}

TEST_F(OutputFolders, LongComponents) {
  // 40 bytes: created under the 31-byte name that links give it.
  const std::string forty(40, 'f');
  Outcome outcome = Create("host/" + forty + "/x.html");
  ASSERT_EQ(outcome.result, kFoldersReady);
  EXPECT_EQ(Below(outcome.destination), "host/" + std::string(31, 'f') + "/");
  char link[kLinkBufferBytes];
  std::snprintf(link, sizeof link, "http://host/%s/x.html", forty.c_str());
  MapLinkInPlace(link, sizeof link);
  EXPECT_EQ(std::string(link), "http://host/" + std::string(31, 'f') + "/x.html");

  // 70 bytes: past the 63 of a component, the chain stops and the component
  // comes back with the rest.
  const std::string seventy(70, 's');
  outcome = Create("host2/" + seventy + "/x/y.html");
  ASSERT_EQ(outcome.result, kFoldersReady);
  EXPECT_EQ(Below(outcome.destination), "host2/");
  EXPECT_EQ(outcome.rest, seventy + "/x/y.html");
  EXPECT_FALSE(fs::exists(cache_ / "host2" / "x"));
}

// A batch keeps the chains it made: the same paths come to the same folders
// and rests as a walk on the disk does, and a folder moved away is walked
// again.
TEST_F(OutputFolders, KeptChainsAgreeWithTheWalkAndForgetAMovedFolder) {
  const std::string paths[] = {"host/dir/a.html",        "host/dir/",
                               "host/x?y/z/a.html",      "host2/" + std::string(70, 's') + "/x/y.html",
                               "host/%7Euser/a.html",    "host/dir/sub\\b.html",
                               "host/dir/a.html"};
  auto outcomeText = [this](const Outcome& outcome) {
    return outcome.result != kFoldersReady ? std::string("not ready")
                                           : Below(outcome.destination) + "|" + outcome.rest;
  };
  std::vector<std::string> walked;
  for (const std::string& path : paths) walked.push_back(outcomeText(Create(path)));
  KeepReadyFolders(true);
  for (int round = 0; round < 2; ++round) {
    for (size_t i = 0; i < std::size(paths); ++i) {
      EXPECT_EQ(outcomeText(Create(paths[i])), walked[i]) << paths[i] << " round " << round;
    }
  }
  const std::string dir = (cache_ / "host" / "dir").string();
  ASSERT_TRUE(platform::MovePath(dir.c_str(), (cache_ / "host" / "old").string().c_str()));
  root_.Write("outer/cache/host/dir", "a page");
  const Outcome outcome = Create("host/dir/c.html");
  KeepReadyFolders(false);
  ASSERT_EQ(outcome.result, kFoldersReady);
  EXPECT_TRUE(LastFolderPageMove().moved);
  EXPECT_EQ(root_.Read("outer/cache/host/dir/index.html"), "a page");
}

TEST_F(OutputFolders, KeepsAFileInTheWayAsTheFoldersIndexAndEntersExistingFolders) {
  root_.Write("outer/cache/host", "a plain file named like the folder");
  Outcome outcome = Create("host/dir/a.html");
  ASSERT_EQ(outcome.result, kFoldersReady);
  EXPECT_TRUE(IsFolderBelow("host/dir"));
  EXPECT_EQ(root_.Read("outer/cache/host/index.html"), "a plain file named like the folder");
  // Again: both folders exist now and are only entered.
  outcome = Create("host/dir/b.html");
  ASSERT_EQ(outcome.result, kFoldersReady);
  EXPECT_EQ(Below(outcome.destination), "host/dir/");
  EXPECT_TRUE(scripted::Messages().empty());
}

TEST_F(OutputFolders, TwoSeparatorsInARowNameNoPlaceAndMakeNothing) {
  const fs::path before = fs::current_path();
  const Outcome outcome = Create("host//x.html");
  EXPECT_EQ(outcome.result, kFoldersUnplaceable);
  EXPECT_TRUE(scripted::Messages().empty());
  EXPECT_FALSE(IsFolderBelow("host"));
  EXPECT_EQ(fs::current_path(), before);
}

TEST_F(OutputFolders, ACacheFolderThatCannotBeEnteredMakesNothingWhereverTheRunIs) {
  // The cache folder went away under the batch; the run stands elsewhere.
  fs::create_directories(root_.Path() / "elsewhere");
  fs::current_path(root_.Path() / "elsewhere");
  fs::remove_all(cache_);
  const Outcome outcome = Create("host/x/y.html");
  EXPECT_EQ(outcome.result, kFoldersStop);
  EXPECT_TRUE(fs::is_empty(root_.Path() / "elsewhere"));
  EXPECT_EQ(fs::current_path(), root_.Path() / "elsewhere");
}

TEST_F(OutputFolders, OtherFailuresShowTheErrorNumber) {
  // A folder that cannot be made for another reason: a name Windows refuses.
  const Outcome outcome = Create("a|b/x.html");
  if (outcome.result == kFoldersReady) GTEST_SKIP() << "this file system takes the name";
  EXPECT_EQ(outcome.result, kFoldersStop);
  ASSERT_EQ(scripted::Messages().size(), 1u);
  const std::string text = scripted::Messages()[0].text;
  const std::string head = messages::Get(Text::kFolderErrorNumber);
  ASSERT_EQ(text.compare(0, head.size(), head), 0) << text;
  const std::string number = text.substr(head.size());
  EXPECT_FALSE(number.empty());
  EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << number;
}

TEST_F(OutputFolders, ALinkInPlaceOfAFolderIsNeverEnteredNorMadeInto) {
  // A link to nowhere and a link to a real folder: neither is followed, and
  // nothing is asked or shown; the file cannot be placed.
  for (const char* target : {"nowhere", "real"}) {
    SCOPED_TRACE(target);
    fs::create_directories(cache_ / "real");
    std::error_code error;
    fs::create_symlink(cache_ / target, cache_ / "host", error);
    if (error) GTEST_SKIP() << "no links on this file system";
    const Outcome outcome = Create("host/x/y.html");
    EXPECT_EQ(outcome.result, kFoldersUnplaceable);
    EXPECT_TRUE(scripted::Messages().empty());
    EXPECT_FALSE(fs::exists(cache_ / "real" / "x"));
    fs::remove(cache_ / "host");
  }
}

TEST_F(OutputFolders, ChainDeeperThanAFolderReferenceEnds) {
  std::string path = "host";
  for (int i = 0; i < 12; ++i) path += "/" + std::string(30, static_cast<char>('a' + i));
  path += "/page.html";
  const Outcome outcome = Create(path);
  ASSERT_EQ(outcome.result, kFoldersReady);
  EXPECT_LE(outcome.destination.folder.length, kMaxPathBytes);
  // The first component that did not fit comes back with the rest.
  EXPECT_NE(outcome.rest, "page.html");
  EXPECT_EQ(path.compare(path.size() - outcome.rest.size(), std::string::npos, outcome.rest), 0);
  EXPECT_EQ(outcome.rest.size() % 31, 9u);  // whole "xxx.../" components, then "page.html"
  CPath deepest;
  ASSERT_TRUE(FileRefToCPath(outcome.destination, deepest));
  EXPECT_TRUE(fs::is_directory(fs::u8path(deepest.data())));
}

TEST_F(OutputFolders, ReservedAndDottedNamesBecomeSafeFolders) {
  const struct {
    const char* what;
    std::string path;
    std::string folders;
  } cases[] = {
      {"two dots", "host/../x", "host/._/"},
      {"escaped dots", "host/%2E%2E/x", "host/._/"},
      {"one dot", "host/./x", "host/_/"},
      {"trailing dot and space", "host/a./b%20/x", "host/a_/b_/"},
      {"device names", "con/NUL.txt/com1/x", "co_/NU_.txt/com_/"},
      {"drive letter", "C:/x", "C/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome outcome = Create(c.path);
    if (c.path == "C:/x") {
      // ':' then '/' make an empty component: no place for the file.
      EXPECT_EQ(outcome.result, kFoldersUnplaceable);
      continue;
    }
    ASSERT_EQ(outcome.result, kFoldersReady);
    EXPECT_EQ(Below(outcome.destination), c.folders);
    EXPECT_TRUE(IsFolderBelow(c.folders));
  }
}

TEST_F(OutputFolders, NoUrlLeadsOutOfTheCacheFolder) {
  test::UrlGenOptions options;
  options.hostile = true;
  options.controlEscapes = true;
  test::UrlGenerator generator(99, options);
  const fs::path before = fs::current_path();
  for (int i = 0; i < 300; ++i) {
    const std::string url = generator.NextText();
    SCOPED_TRACE(url);
    std::vector<char> path(url.begin(), url.end());
    path.push_back('\0');
    const char* afterScheme = path.data() + LinkSchemeLength(path.data());
    FileRef destination;
    const char* rest = nullptr;
    scripted::Reset();
    const FolderResult result =
        CreateOutputFolders(cacheFile_, destination, afterScheme, rest, UiPrompts());
    ASSERT_EQ(fs::current_path(), before);
    if (result != kFoldersReady) continue;
    // The file goes where the pipeline would put it, under its mode 1 name.
    std::vector<char> source(1024, '\0');
    const std::string restText = *rest != '\0' ? rest : "index.html";
    std::memcpy(source.data(), restText.data(), std::min(restText.size(), source.size() - 1));
    char name[kLocalNameBufferBytes];
    MapUrlToLocalPath(name, sizeof name, source.data(), source.size(), kMapFileName);
    FileRef target = destination;
    if (!SetFileRefName(target, name)) continue;
    FileHandle handle = kNullHandle;
    if (CreateWrite(target, handle) == kNoError) CloseFile(handle);
  }
  // Nothing was made beside the cache folder, and every folder and file in
  // it is below it.
  for (const std::string& entry : Everything()) {
    EXPECT_TRUE(entry == "outer" || entry.compare(0, 11, "outer/cache") == 0) << entry;
  }
}

}  // namespace
}  // namespace hoard

// The file-system contract both backends honour: open modes, folders that
// refuse to open as files, moves that never replace, error classes, file
// times, Windows-style listing patterns and the current folder. Paths come
// from the test folder in the platform's own form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "platform/fs.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

using platform::OpenMode;

std::string ReadAll(const std::string& path) {
  platform::Handle handle = platform::OpenPath(path.c_str(), OpenMode::kRead);
  if (handle == platform::kNoHandle) return "<cannot open>";
  char buffer[256];
  uint32_t count = sizeof buffer;
  bool read = platform::ReadFrom(handle, buffer, count);
  platform::Close(handle);
  return read ? std::string(buffer, count) : "<cannot read>";
}

TEST(OpenPath, EachModeOpensCreatesOrTruncatesAsNamed) {
  struct Case {
    const char* what;
    OpenMode mode;
    const char* before;  // nullptr: no file beforehand
    bool opens;
    bool writes;         // "XY" written at the start
    const char* after;   // nullptr: still no file
  };
  const Case cases[] = {
      {"read, missing file", OpenMode::kRead, nullptr, false, false, nullptr},
      {"read, existing file refuses writes", OpenMode::kRead, "abcdef", true, false, "abcdef"},
      {"read-write, missing file is not created", OpenMode::kReadWrite, nullptr, false, false,
       nullptr},
      {"read-write, existing file", OpenMode::kReadWrite, "abcdef", true, true, "XYcdef"},
      {"create-always, missing file", OpenMode::kCreateAlways, nullptr, true, true, "XY"},
      {"create-always truncates", OpenMode::kCreateAlways, "abcdef", true, true, "XY"},
      {"open-always, missing file", OpenMode::kOpenAlways, nullptr, true, true, "XY"},
      {"open-always keeps the content", OpenMode::kOpenAlways, "abcdef", true, true, "XYcdef"},
      {"write-existing, missing file is not created", OpenMode::kWriteExisting, nullptr, false,
       false, nullptr},
      {"write-existing writes over the content", OpenMode::kWriteExisting, "abcdef", true, true,
       "XYcdef"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder folder;
    if (c.before != nullptr) folder.Write("file.htm", c.before);
    std::string path = folder.Join("file.htm");
    platform::Handle handle = platform::OpenPath(path.c_str(), c.mode);
    EXPECT_EQ(handle != platform::kNoHandle, c.opens);
    if (handle != platform::kNoHandle) {
      uint32_t count = 2;
      EXPECT_EQ(platform::WriteTo(handle, "XY", count), c.writes);
      EXPECT_EQ(count, c.writes ? 2u : 0u);
      platform::Close(handle);
    } else {
      EXPECT_TRUE(platform::IsNotFound(platform::LastError())) << platform::LastError();
    }
    EXPECT_EQ(folder.Exists("file.htm"), c.after != nullptr);
    if (c.after != nullptr) {
      EXPECT_EQ(folder.Read("file.htm"), c.after);
    }
  }
}

TEST(OpenPath, RefusesAFolderInEveryModeWithAccessDenied) {
  test::TempFolder folder;
  std::filesystem::create_directory(folder.Path() / "sub");
  std::string path = folder.Join("sub");
  const OpenMode modes[] = {OpenMode::kRead, OpenMode::kReadWrite, OpenMode::kCreateAlways,
                            OpenMode::kOpenAlways};
  for (OpenMode mode : modes) {
    SCOPED_TRACE(static_cast<int>(mode));
    platform::SetLastError(0);
    EXPECT_EQ(platform::OpenPath(path.c_str(), mode), platform::kNoHandle);
    EXPECT_TRUE(platform::IsAccessDenied(platform::LastError())) << platform::LastError();
    EXPECT_FALSE(platform::IsNotFound(platform::LastError()));
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "sub"));
}

TEST(ReadFrom, StopsAtTheEndWithTheCountRead) {
  test::TempFolder folder;
  folder.Write("five.dat", "12345");
  std::string path = folder.Join("five.dat");
  platform::Handle handle = platform::OpenPath(path.c_str(), OpenMode::kRead);
  ASSERT_NE(handle, platform::kNoHandle);
  uint64_t size = 0;
  EXPECT_TRUE(platform::SizeOf(handle, size));
  EXPECT_EQ(size, 5u);
  char buffer[16] = {};
  uint32_t count = 3;
  EXPECT_TRUE(platform::ReadFrom(handle, buffer, count));
  EXPECT_EQ(std::string(buffer, count), "123");
  count = sizeof buffer;
  EXPECT_TRUE(platform::ReadFrom(handle, buffer, count));
  EXPECT_EQ(std::string(buffer, count), "45");
  count = sizeof buffer;
  EXPECT_TRUE(platform::ReadFrom(handle, buffer, count));
  EXPECT_EQ(count, 0u);
  platform::Close(handle);
}

TEST(SeekEnd, WritesAfterTheExistingContent) {
  test::TempFolder folder;
  folder.Write("log.csv", "head\n");
  std::string path = folder.Join("log.csv");
  platform::Handle handle = platform::OpenPath(path.c_str(), OpenMode::kOpenAlways);
  ASSERT_NE(handle, platform::kNoHandle);
  EXPECT_TRUE(platform::SeekEnd(handle));
  uint32_t count = 5;
  EXPECT_TRUE(platform::WriteTo(handle, "line\n", count));
  uint64_t size = 0;
  EXPECT_TRUE(platform::SizeOf(handle, size));
  EXPECT_EQ(size, 10u);
  platform::Close(handle);
  EXPECT_EQ(ReadAll(path), "head\nline\n");
}

TEST(SetLength, CutsOrExtendsTheFile) {
  for (const uint64_t length : {uint64_t{2}, uint64_t{5}, uint64_t{8}}) {
    test::TempFolder folder;
    folder.Write("page.htm", "abcde");
    const std::string path = folder.Join("page.htm");
    platform::Handle handle = platform::OpenPath(path.c_str(), OpenMode::kWriteExisting);
    ASSERT_NE(handle, platform::kNoHandle);
    EXPECT_TRUE(platform::SetLength(handle, length));
    platform::Close(handle);
    EXPECT_EQ(ReadAll(path), std::string("abcde\0\0\0", 8).substr(0, length));
  }
}

TEST(MovePath, MovesAndNeverReplacesAnExistingTarget) {
  test::TempFolder folder;
  folder.Write("from.htm", "source");
  std::filesystem::create_directory(folder.Path() / "sub");
  std::string from = folder.Join("from.htm");
  std::string into = folder.Join("sub") + folder.Text().back() + "to.htm";
  ASSERT_TRUE(platform::MovePath(from.c_str(), into.c_str()));
  EXPECT_FALSE(folder.Exists("from.htm"));
  EXPECT_EQ(ReadAll(into), "source");

  folder.Write("other.htm", "other");
  std::string other = folder.Join("other.htm");
  platform::SetLastError(0);
  EXPECT_FALSE(platform::MovePath(other.c_str(), into.c_str()));
  EXPECT_TRUE(platform::IsAlreadyExists(platform::LastError())) << platform::LastError();
  EXPECT_EQ(folder.Read("other.htm"), "other");
  EXPECT_EQ(ReadAll(into), "source");
}

TEST(ReplacePath, TakesTheTargetsPlaceButNeverAFolders) {
  test::TempFolder folder;
  folder.Write("new.htm", "new");
  folder.Write("page.htm", "old");
  ASSERT_TRUE(
      platform::ReplacePath(folder.Join("new.htm").c_str(), folder.Join("page.htm").c_str()));
  EXPECT_FALSE(folder.Exists("new.htm"));
  EXPECT_EQ(folder.Read("page.htm"), "new");
  // Onto a free name it is a move.
  ASSERT_TRUE(
      platform::ReplacePath(folder.Join("page.htm").c_str(), folder.Join("free.htm").c_str()));
  EXPECT_EQ(folder.Read("free.htm"), "new");
  // A folder is never replaced, and the file stays whole where it was.
  std::filesystem::create_directory(folder.Path() / "sub");
  EXPECT_FALSE(platform::ReplacePath(folder.Join("free.htm").c_str(), folder.Join("sub").c_str()));
  EXPECT_EQ(folder.Read("free.htm"), "new");
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "sub"));
}

// Where the platform cannot swap, nothing changes; where it can, both
// names stay taken and each holds the other's bytes.
TEST(SwapPaths, SwapsTwoFilesOrChangesNothing) {
  test::TempFolder folder;
  folder.Write("a.htm", "first");
  folder.Write("b.htm", "second");
  const bool swapped =
      platform::SwapPaths(folder.Join("a.htm").c_str(), folder.Join("b.htm").c_str());
#ifdef _WIN32
  EXPECT_FALSE(swapped);
#endif
  EXPECT_EQ(folder.Read("a.htm"), swapped ? "second" : "first");
  EXPECT_EQ(folder.Read("b.htm"), swapped ? "first" : "second");
  EXPECT_FALSE(platform::SwapPaths(folder.Join("a.htm").c_str(), folder.Join("none").c_str()));
  EXPECT_EQ(folder.Read("a.htm"), swapped ? "second" : "first");
  EXPECT_FALSE(folder.Exists("none"));
}

TEST(MadeFolderName, NamesTheLastFoldersMadeByTheirLastComponent) {
  test::TempFolder folder;
  const std::string one = folder.Join("one");
  ASSERT_TRUE(platform::MakeFolder(one.c_str()));
  const uint64_t first = platform::FoldersMadeCount();
  ASSERT_TRUE(platform::MakeFolder((one + folder.Text().back() + "two").c_str()));
  EXPECT_EQ(platform::FoldersMadeCount(), first + 1);
  EXPECT_STREQ(platform::MadeFolderName(first), "one");
  EXPECT_STREQ(platform::MadeFolderName(first + 1), "two");
  EXPECT_EQ(platform::MadeFolderName(first + 2), nullptr);
  EXPECT_EQ(platform::MadeFolderName(0), nullptr);
  // Only the last ones are named.
  for (uint64_t i = 0; i < platform::kMadeFolderNamesKept; ++i) {
    ASSERT_TRUE(platform::MakeFolder(folder.Join("f" + std::to_string(i)).c_str()));
  }
  const uint64_t last = platform::FoldersMadeCount();
  EXPECT_EQ(platform::MadeFolderName(first + 1), nullptr);
  EXPECT_STREQ(platform::MadeFolderName(last), ("f" + std::to_string(last - first - 2)).c_str());
  EXPECT_STREQ(platform::MadeFolderName(last - platform::kMadeFolderNamesKept + 1), "f0");
}

TEST(LastError, ClassifiesTheFailuresTheCoreTellsApart) {
  test::TempFolder folder;
  folder.Write("here.htm", "x");
  folder.Write("there.htm", "y");
  std::filesystem::create_directory(folder.Path() / "sub");
  const std::string here = folder.Join("here.htm");
  const std::string there = folder.Join("there.htm");
  const std::string missing = folder.Join("missing.htm");
  const std::string inMissingFolder = folder.Join("nowhere") + folder.Text().back() + "x.htm";
  const std::string sub = folder.Join("sub");
  enum Class { kNotFound, kExists };
  struct Case {
    const char* what;
    bool (*call)(const std::string&, const std::string&);
    std::string a, b;
    Class expected;
  };
  const Case cases[] = {
      {"open a missing file",
       [](const std::string& a, const std::string&) {
         return platform::OpenPath(a.c_str(), OpenMode::kRead) != platform::kNoHandle;
       },
       missing, "", kNotFound},
      {"create in a missing folder",
       [](const std::string& a, const std::string&) {
         return platform::OpenPath(a.c_str(), OpenMode::kCreateAlways) != platform::kNoHandle;
       },
       inMissingFolder, "", kNotFound},
      {"delete a missing file",
       [](const std::string& a, const std::string&) { return platform::DeletePath(a.c_str()); },
       missing, "", kNotFound},
      {"move a missing file",
       [](const std::string& a, const std::string& b) {
         return platform::MovePath(a.c_str(), b.c_str());
       },
       missing, folder.Join("new.htm"), kNotFound},
      {"move onto an existing file",
       [](const std::string& a, const std::string& b) {
         return platform::MovePath(a.c_str(), b.c_str());
       },
       here, there, kExists},
      {"make an existing folder",
       [](const std::string& a, const std::string&) { return platform::MakeFolder(a.c_str()); },
       sub, "", kExists},
      {"make a folder where a file is",
       [](const std::string& a, const std::string&) { return platform::MakeFolder(a.c_str()); },
       here, "", kExists},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::SetLastError(0);
    EXPECT_FALSE(c.call(c.a, c.b));
    int error = platform::LastError();
    EXPECT_EQ(platform::IsNotFound(error), c.expected == kNotFound) << error;
    EXPECT_EQ(platform::IsAlreadyExists(error), c.expected == kExists) << error;
    EXPECT_FALSE(platform::IsVolumeFull(error)) << error;
  }
  EXPECT_EQ(folder.Read("here.htm"), "x");
  EXPECT_EQ(folder.Read("there.htm"), "y");
}

TEST(DeletePath, RemovesAFileButNotAFolder) {
  test::TempFolder folder;
  folder.Write("gone.gif", "x");
  std::filesystem::create_directory(folder.Path() / "sub");
  EXPECT_TRUE(platform::DeletePath(folder.Join("gone.gif").c_str()));
  EXPECT_FALSE(folder.Exists("gone.gif"));
  EXPECT_FALSE(platform::DeletePath(folder.Join("sub").c_str()));
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "sub"));
}

TEST(IsFolder, TellsFoldersFromFilesAndMissingNames) {
  test::TempFolder folder;
  folder.Write("file.htm", "x");
  ASSERT_TRUE(platform::MakeFolder(folder.Join("made").c_str()));
  EXPECT_TRUE(platform::IsFolder(folder.Join("made").c_str()));
  EXPECT_FALSE(platform::IsFolder(folder.Join("file.htm").c_str()));
  EXPECT_FALSE(platform::IsFolder(folder.Join("missing").c_str()));
}

constexpr uint64_t TicksAt(int64_t unixSeconds) {
  return static_cast<uint64_t>(unixSeconds + 11644473600) * 10000000u;
}

TEST(FileTimes, LastWriteTimeRoundTripsAndNullLeavesItAlone) {
  struct Case {
    const char* what;
    uint64_t ticks;
  };
  const Case cases[] = {
      {"1999-12-31 23:59:58", TicksAt(946684798)},
      {"2001-02-03 04:05:06", TicksAt(981173106)},
      {"after 2038: 2040-01-01 00:00:00", TicksAt(2208988800)},
  };
  test::TempFolder folder;
  folder.Write("timed.htm", "x");
  std::string path = folder.Join("timed.htm");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::Handle handle = platform::OpenPath(path.c_str(), OpenMode::kReadWrite);
    ASSERT_NE(handle, platform::kNoHandle);
    EXPECT_TRUE(platform::SetTimes(handle, nullptr, &c.ticks));
    platform::Close(handle);

    handle = platform::OpenPath(path.c_str(), OpenMode::kReadWrite);
    ASSERT_NE(handle, platform::kNoHandle);
    EXPECT_TRUE(platform::SetTimes(handle, nullptr, nullptr));
    platform::Close(handle);

    handle = platform::OpenPath(path.c_str(), OpenMode::kRead);
    ASSERT_NE(handle, platform::kNoHandle);
    uint64_t creation = 0, lastWrite = 0;
    EXPECT_TRUE(platform::GetTimes(handle, &creation, &lastWrite));
    EXPECT_EQ(lastWrite, c.ticks);
    EXPECT_NE(creation, 0u);
    platform::Close(handle);
  }
}

TEST(FileTimes, CopyFromOneFileToAnother) {
  test::TempFolder folder;
  folder.Write("a.htm", "a");
  folder.Write("b.htm", "b");
  const uint64_t when = TicksAt(981173106);
  platform::Handle a = platform::OpenPath(folder.Join("a.htm").c_str(), OpenMode::kReadWrite);
  platform::Handle b = platform::OpenPath(folder.Join("b.htm").c_str(), OpenMode::kCreateAlways);
  ASSERT_NE(a, platform::kNoHandle);
  ASSERT_NE(b, platform::kNoHandle);
  ASSERT_TRUE(platform::SetTimes(a, nullptr, &when));
  uint64_t creation = 0, lastWrite = 0;
  ASSERT_TRUE(platform::GetTimes(a, &creation, &lastWrite));
  EXPECT_TRUE(platform::SetTimes(b, &creation, &lastWrite));
  platform::Close(a);
  platform::Close(b);
  b = platform::OpenPath(folder.Join("b.htm").c_str(), OpenMode::kRead);
  ASSERT_NE(b, platform::kNoHandle);
  uint64_t copied = 0;
  EXPECT_TRUE(platform::GetTimes(b, nullptr, &copied));
  EXPECT_EQ(copied, when);
  platform::Close(b);
}

std::set<std::string> List(const std::string& pattern, std::set<std::string>* folders = nullptr) {
  std::set<std::string> names;
  platform::FoundEntry entry;
  platform::FindHandle find = platform::FindFirst(pattern.c_str(), entry);
  if (find == platform::kNoHandle) return names;
  do {
    std::string name = entry.name;
    if (name == "." || name == "..") continue;
    names.insert(name);
    if (entry.isFolder && folders != nullptr) folders->insert(name);
  } while (platform::FindNext(find, entry));
  platform::FindEnd(find);
  return names;
}

TEST(FindFirst, MatchesTheLastComponentAsWindowsDoes) {
  test::TempFolder folder;
  for (const char* name : {"alpha.htm", "BETA.GIF", "M0000001", "cache0012", "two.dots.jpg"}) {
    folder.Write(name, "x");
  }
  std::filesystem::create_directory(folder.Path() / "sub");
  using Names = std::set<std::string>;
  const Names all = {"alpha.htm", "BETA.GIF", "M0000001", "cache0012", "two.dots.jpg", "sub"};
  struct Case {
    const char* pattern;
    Names expected;
  };
  const Case cases[] = {
      {"*.*", all},
      {"*", all},
      {"*.htm", {"alpha.htm"}},
      {"*.HTM", {"alpha.htm"}},
      {"*.gif", {"BETA.GIF"}},
      {"M000000?", {"M0000001"}},
      {"M??????", {}},
      {"cache*", {"cache0012"}},
      {"cache*.*", {"cache0012"}},
      {"*.jpg", {"two.dots.jpg"}},
      {"none*", {}},
      // A name without wildcards: the file itself, as written or in another case.
      {"alpha.htm", {"alpha.htm"}},
      {"ALPHA.HTM", {"alpha.htm"}},
      {"sub", {"sub"}},
      {"alpha", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(List(folder.Join(c.pattern)), c.expected);
  }
  Names folders;
  List(folder.Join("*.*"), &folders);
  List(folder.Join("sub"), &folders);
  List(folder.Join("alpha.htm"), &folders);
  EXPECT_EQ(folders, Names{"sub"});
}

TEST(FindFirst, FailsWithoutAMatchOrAFolder) {
  test::TempFolder folder;
  folder.Write("only.htm", "x");
  platform::FoundEntry entry;
  EXPECT_EQ(platform::FindFirst(folder.Join("*.gif").c_str(), entry), platform::kNoHandle);
  std::string inMissing = folder.Join("missing") + folder.Text().back() + "*.*";
  EXPECT_EQ(platform::FindFirst(inMissing.c_str(), entry), platform::kNoHandle);
}

TEST(CurrentFolder, SetThenGetGivesTheSameFolderWithoutSeparator) {
  test::TempFolder folder;
  test::CurrentFolderGuard guard;
  std::string path = folder.Path().string();
  ASSERT_TRUE(platform::SetCurrentFolder(path.c_str()));
  char current[1024];
  ASSERT_TRUE(platform::GetCurrentFolder(current, sizeof current));
  size_t length = std::strlen(current);
  ASSERT_GT(length, 1u);
  EXPECT_NE(current[length - 1], folder.Text().back());
  EXPECT_TRUE(std::filesystem::equivalent(current, folder.Path()));

  char exact[1024];
  EXPECT_TRUE(platform::GetCurrentFolder(exact, length + 1));
  EXPECT_STREQ(exact, current);
  EXPECT_FALSE(platform::GetCurrentFolder(exact, length));

  // A relative path now resolves inside the folder.
  folder.Write("here.htm", "inside");
  EXPECT_EQ(ReadAll("here.htm"), "inside");

  platform::SetLastError(0);
  EXPECT_FALSE(platform::SetCurrentFolder(folder.Join("missing").c_str()));
  EXPECT_TRUE(platform::IsNotFound(platform::LastError())) << platform::LastError();
  ASSERT_TRUE(platform::GetCurrentFolder(exact, sizeof exact));
  EXPECT_STREQ(exact, current);
}

}  // namespace
}  // namespace hoard

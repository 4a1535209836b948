#include "store/fileref.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fs.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

std::string Built(const FileRef& ref, PathStyle style, std::string_view current) {
  char out[kMaxCPathBytes];
  size_t length = 0;
  if (!BuildPath(ref, style, current, out, sizeof out, length)) return "<does not fit>";
  return std::string(out, length);
}

TEST(ParseFileRef, SplitsDriveFolderAndNameAndBuildsTheSamePathBack) {
  struct Case {
    const char* what;
    PathStyle style;
    const char* path;
    int drive;
    const char* folder;
    const char* name;
    const char* current;
    const char* rebuilt;
  };
  const Case cases[] = {
      {"drive, two folders and a name", PathStyle::kWindows, "C:\\dir\\sub\\file.htm", 3,
       "dir\\sub\\", "file.htm", "", "C:\\dir\\sub\\file.htm"},
      {"a folder path keeps an empty name", PathStyle::kWindows, "C:\\dir\\", 3, "dir\\", "",
       "", "C:\\dir\\"},
      {"no drive resolves against the current folder", PathStyle::kWindows, "dir\\f.gif", 0,
       "dir\\", "f.gif", "D:\\work", "D:\\work\\dir\\f.gif"},
      {"a bare name", PathStyle::kWindows, "JCH00012.HTM", 0, "", "JCH00012.HTM", "C:\\cache",
       "C:\\cache\\JCH00012.HTM"},
      {"a current folder at the root is not doubled", PathStyle::kWindows, "a.htm", 0, "",
       "a.htm", "C:\\", "C:\\a.htm"},
      {"slash is no separator on Windows", PathStyle::kWindows, "C:\\a/b.htm", 3, "", "a/b.htm",
       "", "C:\\a/b.htm"},
      {"posix root marker", PathStyle::kPosix, "/home/u/cache/M0000001", kRootDrive,
       "home/u/cache/", "M0000001", "", "/home/u/cache/M0000001"},
      {"posix folder", PathStyle::kPosix, "/home/u/", kRootDrive, "home/u/", "", "",
       "/home/u/"},
      {"posix relative", PathStyle::kPosix, "cache/x.gif", 0, "cache/", "x.gif", "/tmp",
       "/tmp/cache/x.gif"},
      {"posix relative under the root", PathStyle::kPosix, "x.gif", 0, "", "x.gif", "/",
       "/x.gif"},
      {"backslash is an ordinary byte on posix", PathStyle::kPosix, "/a\\b", kRootDrive, "",
       "a\\b", "", "/a\\b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FileRef ref;
    ASSERT_EQ(ParseFileRef(c.path, c.style, ref), kNoError);
    EXPECT_EQ(ref.drive, c.drive);
    EXPECT_EQ(ref.folder.View(), c.folder);
    EXPECT_EQ(ref.name.View(), c.name);
    EXPECT_EQ(Built(ref, c.style, c.current), c.rebuilt);
  }
}

TEST(ParseFileRef, RefusesWhatDoesNotFitInsteadOfCuttingIt) {
  const std::string name63(63, 'n');
  const std::string name64(64, 'n');
  const std::string folder(200, 'f');
  struct Case {
    const char* what;
    std::string path;
    ResultCode expected;
  };
  const Case cases[] = {
      {"a name of 63 bytes fits", "/" + folder + "/" + name63.substr(0, 50), kNoError},
      {"a name of exactly 63 bytes", "/d/" + name63, kNoError},
      {"a name of 64 bytes", "/d/" + name64, kBadName},
      {"a path of exactly 255 bytes", "/" + std::string(190, 'f') + "/" + name63, kNoError},
      {"a path of 256 bytes", "/" + std::string(191, 'f') + "/" + name63, kBadName},
      {"a folder path of 255 bytes with an empty name", "/" + std::string(253, 'p') + "/",
       kNoError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FileRef ref;
    ref.name.Assign("previous");
    EXPECT_EQ(ParseFileRef(c.path, PathStyle::kPosix, ref), c.expected);
    if (c.expected != kNoError) {
      EXPECT_TRUE(ref.name.Empty());
      EXPECT_TRUE(ref.folder.Empty());
    }
  }
}

TEST(BuildPath, StopsAtTheBufferInsteadOfOverrunningIt) {
  FileRef ref;
  ASSERT_EQ(ParseFileRef("/abc/def.htm", PathStyle::kPosix, ref), kNoError);
  char out[8];
  size_t length = 99;
  EXPECT_FALSE(BuildPath(ref, PathStyle::kPosix, "", out, sizeof out, length));
  char exact[13];  // "/abc/def.htm" and its NUL
  EXPECT_TRUE(BuildPath(ref, PathStyle::kPosix, "", exact, sizeof exact, length));
  EXPECT_EQ(length, 12u);
}

TEST(MakeFileRef, TellsWhetherTheFileCanBeOpened) {
  test::TempFolder folder;
  folder.Write("present.htm", "x");
  FileRef ref;
  EXPECT_EQ(MakeFileRef(folder.Join("present.htm").c_str(), ref), kNoError);
  EXPECT_EQ(ref.name.View(), "present.htm");
  EXPECT_EQ(MakeFileRef(folder.Join("missing.htm").c_str(), ref), kNoSuchFile);
  EXPECT_EQ(ref.name.View(), "missing.htm");
  EXPECT_EQ(MakeFileRef(folder.Text().c_str(), ref), kNoSuchFile);
  EXPECT_TRUE(ref.name.Empty());

  PString path;
  ASSERT_TRUE(FileRefToPath(ref, path));
  EXPECT_EQ(path.View(), folder.Text());
}

TEST(CurrentFolder, SavedAndRestoredThroughReferences) {
  test::CurrentFolderGuard guard;
  test::TempFolder folder;
  folder.Write("a.htm", "x");
  FileRef saved;
  ASSERT_EQ(GetCurrentFolderRef(saved), kNoError);
  EXPECT_TRUE(saved.name.Empty());

  FileRef file;
  ASSERT_EQ(MakeFileRef(folder.Join("a.htm").c_str(), file), kNoError);
  SetCurrentFolderFromRef(file);  // a file's reference makes its folder current
  FileRef relative;
  EXPECT_EQ(MakeFileRef("a.htm", relative), kNoError);
  EXPECT_EQ(relative.drive, 0);

  // Once made absolute it keeps naming the same file elsewhere.
  ASSERT_EQ(MakeAbsolute(relative), kNoError);
  EXPECT_NE(relative.drive, 0);
  SetCurrentFolderFromRef(saved);
  PString back;
  ASSERT_TRUE(FileRefToPath(relative, back));
  EXPECT_EQ(back.View(), folder.Join("a.htm"));
  FileRef again;
  ASSERT_EQ(GetCurrentFolderRef(again), kNoError);
  EXPECT_EQ(again.folder.View(), saved.folder.View());
}

}  // namespace
}  // namespace hoard

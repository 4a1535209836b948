// What the Windows backend adds to the platform interface: its error numbers
// and the forms in which Windows reports folders and values.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/fs.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

TEST(ErrorClasses, NameTheWindowsErrorNumbers) {
  struct Case {
    const char* what;
    int error;
    bool exists, denied, full, notFound;
  };
  const Case cases[] = {
      {"already exists (rename, new folder)", ERROR_ALREADY_EXISTS, true, false, false, false},
      {"file exists (create new)", ERROR_FILE_EXISTS, true, false, false, false},
      {"access denied", ERROR_ACCESS_DENIED, false, true, false, false},
      {"disk full", ERROR_DISK_FULL, false, false, true, false},
      {"handle disk full", ERROR_HANDLE_DISK_FULL, false, false, true, false},
      {"file not found", ERROR_FILE_NOT_FOUND, false, false, false, true},
      {"path not found", ERROR_PATH_NOT_FOUND, false, false, false, true},
      {"sharing violation", ERROR_SHARING_VIOLATION, false, false, false, false},
      {"no error", 0, false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(platform::IsAlreadyExists(c.error), c.exists);
    EXPECT_EQ(platform::IsAccessDenied(c.error), c.denied);
    EXPECT_EQ(platform::IsVolumeFull(c.error), c.full);
    EXPECT_EQ(platform::IsNotFound(c.error), c.notFound);
  }
}

// Files are opened without sharing: a file another program holds is refused.
TEST(OpenPath, FailsWhileAnotherHandleHoldsTheFile) {
  test::TempFolder folder;
  folder.Write("held.htm", "x");
  std::string path = folder.Join("held.htm");
  platform::Handle first = platform::OpenPath(path.c_str(), platform::OpenMode::kRead);
  ASSERT_NE(first, platform::kNoHandle);
  EXPECT_EQ(platform::OpenPath(path.c_str(), platform::OpenMode::kRead), platform::kNoHandle);
  EXPECT_EQ(platform::LastError(), ERROR_SHARING_VIOLATION);
  platform::Close(first);
}

TEST(LastError, StaysAfterACallThatSucceeds) {
  test::TempFolder folder;
  folder.Write("kept.htm", "a");
  std::string missing = folder.Join("missing.htm");
  std::string kept = folder.Join("kept.htm");
  ASSERT_FALSE(platform::DeletePath(missing.c_str()));
  ASSERT_EQ(platform::LastError(), ERROR_FILE_NOT_FOUND);
  // Windows sets ERROR_ALREADY_EXISTS when it opens an existing file to
  // write, although that succeeds; the failure's number must stay.
  platform::Handle handle = platform::OpenPath(kept.c_str(), platform::OpenMode::kOpenAlways);
  ASSERT_NE(handle, platform::kNoHandle);
  platform::Close(handle);
  EXPECT_EQ(platform::LastError(), ERROR_FILE_NOT_FOUND);
}

TEST(GetCurrentFolder, DropsTheSeparatorOfADriveRoot) {
  test::CurrentFolderGuard guard;
  char windows[MAX_PATH];
  ASSERT_GT(::GetWindowsDirectoryA(windows, sizeof windows), 2u);
  const char root[] = {windows[0], ':', '\\', '\0'};
  ASSERT_TRUE(platform::SetCurrentFolder(root));
  char buffer[16];
  ASSERT_TRUE(platform::GetCurrentFolder(buffer, sizeof buffer));
  EXPECT_EQ(std::string(buffer), std::string(root, 2));
}

TEST(GetCurrentFolder, FailsWhenTheTextAndItsNulDoNotFit) {
  test::TempFolder folder;
  test::CurrentFolderGuard guard;
  ASSERT_TRUE(platform::SetCurrentFolder(folder.Path().string().c_str()));
  char full[MAX_PATH * 2];
  ASSERT_TRUE(platform::GetCurrentFolder(full, sizeof full));
  size_t length = std::strlen(full);
  ASSERT_GT(length, 3u);
  EXPECT_NE(full[length - 1], '\\');

  char exact[MAX_PATH * 2];
  EXPECT_TRUE(platform::GetCurrentFolder(exact, length + 1));
  EXPECT_STREQ(exact, full);
  char shortBuffer[MAX_PATH * 2];
  EXPECT_FALSE(platform::GetCurrentFolder(shortBuffer, length));
}

TEST(GetSettingsFolder, IsTheWindowsFolderWithoutSeparator) {
  char expected[MAX_PATH];
  UINT length = ::GetWindowsDirectoryA(expected, sizeof expected);
  ASSERT_GT(length, 0u);
  if (expected[length - 1] == '\\') expected[length - 1] = '\0';
  char folder[MAX_PATH];
  ASSERT_TRUE(platform::GetSettingsFolder(folder, sizeof folder));
  EXPECT_STREQ(folder, expected);
  EXPECT_FALSE(platform::GetSettingsFolder(folder, 3));
  EXPECT_STREQ(folder, "");
}

// A key of the tests' own, removed before and after.
constexpr char kTestKey[] = "Software\\Tolvar\\Hoard2Test";

class UserStrings : public ::testing::Test {
 protected:
  void SetUp() override { ::RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey); }
  void TearDown() override { ::RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey); }
};

TEST_F(UserStrings, ReadBackWhatWasWrittenInTheRegistry) {
  const char value[] = "C:\\JustView\\Cache";
  ASSERT_TRUE(platform::WriteUserString(kTestKey, "JustViewCacheDir", value));
  char buffer[64];
  ASSERT_TRUE(platform::ReadUserString(kTestKey, "JustViewCacheDir", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, value);

  HKEY key;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey, 0, KEY_QUERY_VALUE, &key),
            ERROR_SUCCESS);
  DWORD type = 0;
  DWORD size = 0;
  EXPECT_EQ(::RegQueryValueExA(key, "JustViewCacheDir", nullptr, &type, nullptr, &size),
            ERROR_SUCCESS);
  ::RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, sizeof value);
}

TEST_F(UserStrings, ReadFailsWhenMissingOrTooLong) {
  char buffer[8] = "kept";
  EXPECT_FALSE(platform::ReadUserString(kTestKey, "DomTbl", buffer, sizeof buffer));
  ASSERT_TRUE(platform::WriteUserString(kTestKey, "DomTbl", "1234567"));
  EXPECT_FALSE(platform::ReadUserString(kTestKey, "Missing", buffer, sizeof buffer));
  EXPECT_TRUE(platform::ReadUserString(kTestKey, "DomTbl", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "1234567");
  EXPECT_FALSE(platform::ReadUserString(kTestKey, "DomTbl", buffer, 7));
}

TEST_F(UserStrings, ReadTakesAValueStoredWithoutItsNul) {
  HKEY key;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
            ERROR_SUCCESS);
  // Another program may store the bytes without the closing NUL.
  ASSERT_EQ(::RegSetValueExA(key, "MarkFile", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3),
            ERROR_SUCCESS);
  ::RegCloseKey(key);
  struct Case {
    const char* what;
    size_t capacity;
    bool fits;
  };
  const Case cases[] = {
      {"room for the NUL", 4, true},
      {"no room for the NUL", 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(platform::ReadUserString(kTestKey, "MarkFile", buffer, c.capacity), c.fits);
    if (c.fits) {
      EXPECT_STREQ(buffer, "abc");
    }
    EXPECT_EQ(buffer[4], 'x') << "written past the capacity";
  }
}

TEST(GetLogonName, FailsEmptyWhenTheBufferIsTooSmall) {
  char name[256];
  ASSERT_TRUE(platform::GetLogonName(name, sizeof name));
  EXPECT_GT(std::strlen(name), 0u);
  char small[1] = {'x'};
  EXPECT_FALSE(platform::GetLogonName(small, sizeof small));
  EXPECT_EQ(small[0], '\0');
}

// The quiet recycle asks nothing, so it can run without anyone to answer.
TEST(RecycleToBin, QuietlyTakesTheFileAway) {
  test::TempFolder folder;
  folder.Write("broken.gif", "GIF89a");
  folder.Write("kept.gif", "GIF89a");
  EXPECT_TRUE(platform::RecycleToBin(folder.Join("broken.gif").c_str(), true));
  EXPECT_FALSE(folder.Exists("broken.gif"));
  EXPECT_TRUE(folder.Exists("kept.gif"));
}

}  // namespace
}  // namespace hoard

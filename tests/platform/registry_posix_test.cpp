// Registry-like values and the settings folder on POSIX: a text file in the
// user's configuration folder.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>

#include "platform/registry.h"
#include "platform/system.h"
#include "support/platform_env.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

constexpr char kKey[] = "Software\\Tolvar\\Hoard2";

std::string Read(const char* key, const char* name, size_t capacity = 256) {
  char buffer[256];
  if (!platform::ReadUserString(key, name, buffer, capacity)) return "<none>";
  return buffer;
}

TEST(UserStrings, RoundTripThroughTheFileAndKeepOtherLines) {
  test::TempFolder folder;
  test::EnvGuard config("XDG_CONFIG_HOME", folder.Path().c_str());
  EXPECT_EQ(Read(kKey, "JustViewCacheDir"), "<none>");

  // A value is a byte string: spaces at the ends, '=', '[' and Shift_JIS
  // bytes (a trail byte 0x5C among them) come back as written.
  const char* cacheDir = " /home/\x83\x5c\x83\x74\x83\x67/cache=1 [x] ";  // ソフト
  ASSERT_TRUE(platform::WriteUserString(kKey, "JustViewCacheDir", cacheDir));
  ASSERT_TRUE(platform::WriteUserString(kKey, "DomTbl", "/home/me/domain.csv"));
  ASSERT_TRUE(platform::WriteUserString("Software\\JustSystem\\AccessManager\\2.0", "CacheDir",
                                        "/mnt/jv"));
  ASSERT_TRUE(platform::WriteUserString(kKey, "DomTbl", "/other/domain.csv"));
  ASSERT_TRUE(platform::WriteUserString(kKey, "Empty", ""));

  struct Case {
    const char* key;
    const char* name;
    std::string expected;
  };
  const Case cases[] = {
      {kKey, "JustViewCacheDir", cacheDir},
      {kKey, "DomTbl", "/other/domain.csv"},
      {"SOFTWARE\\tolvar\\HOARD2", "domtbl", "/other/domain.csv"},
      {kKey, "Empty", ""},
      {"Software\\JustSystem\\AccessManager\\2.0", "CacheDir", "/mnt/jv"},
      {"Software\\JustSystem\\AccessManager\\2.0", "DomTbl", "<none>"},
      {kKey, "CacheDir", "<none>"},
      {"Software\\Tolvar", "DomTbl", "<none>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " / " + c.name);
    EXPECT_EQ(Read(c.key, c.name), c.expected);
  }

  std::string file = folder.Read("hoard-hoard/registry.txt");
  EXPECT_EQ(file, std::string("[Software\\Tolvar\\Hoard2]\n") + "JustViewCacheDir=" + cacheDir +
                      "\nDomTbl=/other/domain.csv\nEmpty=\n" +
                      "[Software\\JustSystem\\AccessManager\\2.0]\nCacheDir=/mnt/jv\n");
  EXPECT_FALSE(folder.Exists("hoard-hoard/registry.txt.tmp"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path() / "hoard-hoard"),
                          std::filesystem::directory_iterator()),
            1) << "a temporary file was left behind";
}

TEST(UserStrings, KeepLinesWrittenByHandAndReadCrLf) {
  test::TempFolder folder;
  test::EnvGuard config("XDG_CONFIG_HOME", folder.Path().c_str());
  std::filesystem::create_directory(folder.Path() / "hoard-hoard");
  folder.Write("hoard-hoard/registry.txt",
               "# values for hoard-hoard\r\n[Software\\Tolvar\\Hoard2]\r\nDomTbl=/a.csv\r\n");
  EXPECT_EQ(Read(kKey, "DomTbl"), "/a.csv");
  ASSERT_TRUE(platform::WriteUserString(kKey, "DomTbl", "/b.csv"));
  EXPECT_EQ(folder.Read("hoard-hoard/registry.txt"),
            "# values for hoard-hoard\r\n[Software\\Tolvar\\Hoard2]\r\nDomTbl=/b.csv\r\n");
  EXPECT_EQ(Read(kKey, "DomTbl"), "/b.csv");
}

TEST(UserStrings, RefuseWhatTheFileCannotHoldOrTheBufferCannotTake) {
  test::TempFolder folder;
  test::EnvGuard config("XDG_CONFIG_HOME", folder.Path().c_str());
  ASSERT_TRUE(platform::WriteUserString(kKey, "DomTbl", "12345"));
  EXPECT_EQ(Read(kKey, "DomTbl", 6), "12345");
  EXPECT_EQ(Read(kKey, "DomTbl", 5), "<none>");

  struct Case {
    const char* what;
    const char* key;
    const char* name;
    const char* value;
  };
  const Case cases[] = {
      {"line break in the value", kKey, "DomTbl", "a\nb"},
      {"carriage return in the value", kKey, "DomTbl", "a\rb"},
      {"'=' in the name", kKey, "Dom=Tbl", "x"},
      {"name that reads as a key", kKey, "[Other]", "x"},
      {"line break in the key", "Software\nTolvar", "DomTbl", "x"},
      {"empty key", "", "DomTbl", "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(platform::WriteUserString(c.key, c.name, c.value));
  }
  EXPECT_EQ(Read(kKey, "DomTbl"), "12345");
}

TEST(GetSettingsFolder, IsCreatedInsideTheConfigurationFolder) {
  test::TempFolder folder;
  test::EnvGuard home("HOME", folder.Path().c_str());
  struct Case {
    const char* what;
    std::string xdgConfigHome;  // empty: unset
    std::filesystem::path expected;
  };
  const Case cases[] = {
      {"XDG_CONFIG_HOME, missing parents made", (folder.Path() / "x/y").string(),
       folder.Path() / "x/y/hoard-hoard"},
      {"unset: ~/.config", "", folder.Path() / ".config/hoard-hoard"},
      {"relative value ignored", "relative/config", folder.Path() / ".config/hoard-hoard"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::EnvGuard config("XDG_CONFIG_HOME",
                         c.xdgConfigHome.empty() ? nullptr : c.xdgConfigHome.c_str());
    char buffer[1024];
    ASSERT_TRUE(platform::GetSettingsFolder(buffer, sizeof buffer));
    EXPECT_EQ(std::string(buffer), c.expected.string());
    EXPECT_TRUE(std::filesystem::is_directory(c.expected));
    std::string text = buffer;
    EXPECT_FALSE(platform::GetSettingsFolder(buffer, text.size()));
  }
}

TEST(GetLogonName, GivesTheAccountNameOrFailsEmpty) {
  char name[256];
  ASSERT_TRUE(platform::GetLogonName(name, sizeof name));
  EXPECT_GT(std::strlen(name), 0u);
  char tiny[1] = {'x'};
  EXPECT_FALSE(platform::GetLogonName(tiny, sizeof tiny));
  EXPECT_EQ(tiny[0], '\0');
}

}  // namespace
}  // namespace hoard

// Conversions that fail where only a POSIX system lets a test make them fail:
// a volume that fills up during the copy that cuts a stored header (a small
// tmpfs mounted as the cache folder; needs root), and broken images sent to
// the freedesktop.org trash. Every cache file must be kept whole somewhere.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/options.h"
#include "base/messages.h"
#include "app/prompts.h"
#include "app/run.h"
#include "pipeline/convert.h"
#include "pipeline/detectionlog.h"
#include "platform/scripted/scripted_progress.h"
#include "platform/scripted/scripted_ui.h"
#include "support/platform_env.h"
#include "store/contentcheck.h"
#include "store/domaintable.h"
#include "support/guards.h"
#include "support/nothinglost.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;

constexpr size_t kBodyBytes = 20 * 1024;
constexpr uintmax_t kRoomLeft = 8 * 1024;

// A page of about 20 KB with a stored response header in front.
std::string HeaderPage() {
  std::string body = "<html><body>\r\n";
  while (body.size() < kBodyBytes) body += "<p><a href=\"/next.html\">next page</a></p>\r\n";
  body += "</body></html>\r\n";
  return "HTTP/1.0 200 OK\r\nDate: Sun, 01 Apr 2001 00:00:00 GMT\r\nServer: httpd\r\n"
         "Content-Type: text/html\r\n\r\n" +
         body;
}

// The same size of page wrapped in a MacBinary header.
std::string MacBinaryPage() {
  std::string data = "<html><body>\r\n";
  while (data.size() < kBodyBytes) data += "<p>written on a Mac</p>\r\n";
  data += "</body></html>\r\n";
  std::string header(128, '\0');
  header[1] = 4;
  header.replace(2, 4, "page");
  header.replace(65, 8, "TEXTMOSS");
  const uint32_t length = static_cast<uint32_t>(data.size());
  header[83] = static_cast<char>(length >> 24);
  header[84] = static_cast<char>(length >> 16);
  header[85] = static_cast<char>(length >> 8);
  header[86] = static_cast<char>(length);
  return header + data;
}

const std::string kWholeGif = std::string(
    "GIF89a\x01\x00\x01\x00\x80\x00\x00"
    "\x00\x00\x00\xFF\xFF\xFF"
    "\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00"
    "\x02\x02\x44\x01\x00"
    "\x3B",
    35);

using test::OptionsGuard;

// A tmpfs of the given size mounted on `where` for the life of the object.
class TmpfsMount {
 public:
  TmpfsMount(const fs::path& where, int kilobytes) : where_(where) {
    fs::create_directories(where);
    const std::string command = "mount -t tmpfs -o size=" + std::to_string(kilobytes) +
                                "k tmpfs '" + where.string() + "' 2>/dev/null";
    mounted_ = std::system(command.c_str()) == 0;
  }
  ~TmpfsMount() {
    if (!mounted_) return;
    // A folder run leaves the current directory in the cache folder, which
    // would keep the volume busy.
    std::error_code ignored;
    fs::current_path(where_.parent_path(), ignored);
    if (std::system(("umount '" + where_.string() + "'").c_str()) != 0) {
      ADD_FAILURE() << "could not unmount " << where_;
    }
  }
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;
  bool Mounted() const { return mounted_; }

 private:
  fs::path where_;
  bool mounted_ = false;
};

// Fills the volume of `folder` with one file, then frees `room` bytes of it.
void FillLeaving(const fs::path& folder, uintmax_t room) {
  const fs::path filler = folder / "filler.bin";
  {
    std::ofstream out(filler, std::ios::binary);
    const std::string block(4096, 'F');
    while (out.write(block.data(), static_cast<std::streamsize>(block.size()))) {
    }
  }
  const uintmax_t size = fs::file_size(filler);
  fs::resize_file(filler, size > room ? size - room : 0);
}

class ConvertFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted::Reset();
    scripted::ResetProgress();
    ResetConversionRun();
    GoWithoutDomainTable();
  }
  void TearDown() override {
    scripted::Reset();
    ResetDetectionLog();
    ResetProcessDomainTable();
  }

  static int RunFolder(const fs::path& folder) {
    std::string text = folder.string() + "/";
    app::ArgList args;
    args.items[args.count++] = text.data();
    return app::RunArguments(args);
  }

  // Whether the user was told that the disk is full, naming `file`.
  static bool ToldDiskFull(const std::string& file) {
    const std::string head = messages::Get(messages::Text::kDiskFullCannotWrite);
    for (const auto& shown : scripted::Messages()) {
      if (shown.text == head + file) return true;
    }
    return false;
  }

  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  test::CurrentFolderGuard guard_;
};

TEST_F(ConvertFailureTest, AFullDiskDuringTheCutCopyKeepsThePageAndTheBatchGoesOn) {
  struct Case {
    const char* what;
    std::string page;
  };
  const Case cases[] = {
      {"a stored HTTP header", HeaderPage()},
      {"a MacBinary header", MacBinaryPage()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder base;
    const fs::path cache = base.Path() / "cache";
    TmpfsMount mount(cache, 128);
    if (!mount.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (root is needed)";
    Write(cache / "CCHMGR20.DAT",
          "http://a.example/page.html,JCH00001.html\r\n"
          "http://a.example/img/dot.gif,JCH00002.gif\r\n");
    Write(cache / "JCH00001.HTM", c.page);
    Write(cache / "JCH00002.GIF", kWholeGif);
    FillLeaving(cache, kRoomLeft);
    const std::string cut = test::CutWrapperHeader(c.page);
    ASSERT_NE(cut, c.page);
    ASSERT_LT(fs::space(cache).available, cut.size()) << "the volume has room for the copy";

    test::NothingLost lost(cache);
    EXPECT_EQ(RunFolder(cache), 0);
    EXPECT_EQ(lost.Check(), "");
    EXPECT_TRUE(ToldDiskFull("JCH00001.HTM"));
    // The page is back under its cache name, whole; no partial copy is left.
    EXPECT_EQ(Read(cache / "JCH00001.HTM"), c.page);
    EXPECT_FALSE(fs::exists(cache / "a.example" / "page.html"));
    EXPECT_FALSE(fs::exists(cache / "page.html"));
    // A failed move passes the file over: the next file is converted.
    EXPECT_EQ(Read(cache / "a.example" / "img" / "dot.gif"), kWholeGif);
    ResetConversionRun();
  }
}

TEST_F(ConvertFailureTest, AFullDiskFailsTheFileWithResultDone) {
  test::TempFolder base;
  const fs::path cache = base.Path() / "cache";
  TmpfsMount mount(cache, 128);
  if (!mount.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (root is needed)";
  Write(cache / "CCHMGR20.DAT", "http://a.example/page.html,JCH00001.html\r\n");
  Write(cache / "JCH00001.HTM", HeaderPage());
  FillLeaving(cache, kRoomLeft);
  test::NothingLost lost(cache);
  FileRef file;
  ASSERT_EQ(MakeFileRef((cache / "JCH00001.HTM").c_str(), file), kNoError);
  CacheLog log;
  EXPECT_EQ(ConvertCacheFile(file, log, ProcessRunContext()), kConvertDone);
  ReleaseCacheLog(log);
  EXPECT_EQ(lost.Check(), "");
  EXPECT_EQ(Read(cache / "JCH00001.HTM"), HeaderPage());
}

// A page of about 20 KB whose links all change when they are rewritten.
std::string PlainPage() {
  std::string text = "<html><body>\r\n";
  while (text.size() < kBodyBytes) {
    text += "<p><a href=\"http://a.example/next.html\">next page</a></p>\r\n";
  }
  return text + "</body></html>\r\n";
}

TEST_F(ConvertFailureTest, AFullDiskDuringTheRewritePutsThePageBackAndStops) {
  test::TempFolder base;
  const fs::path cache = base.Path() / "cache";
  TmpfsMount mount(cache, 128);
  if (!mount.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (root is needed)";
  OptionsGuard optionsGuard;
  CurrentOptions().EditLinks = 1;
  Write(cache / "CCHMGR20.DAT",
        "http://a.example/page.html,JCH00001.html\r\n"
        "http://a.example/img/dot.gif,JCH00002.gif\r\n");
  Write(cache / "JCH00001.HTM", PlainPage());
  Write(cache / "JCH00002.GIF", kWholeGif);
  FillLeaving(cache, kRoomLeft);
  test::NothingLost lost(cache);
  for (const bool wholeBatch : {false, true}) {
    SCOPED_TRACE(wholeBatch ? "the batch" : "the first file");
    if (wholeBatch) {
      EXPECT_EQ(RunFolder(cache), 0);
    } else {
      FileRef file;
      ASSERT_EQ(MakeFileRef((cache / "JCH00001.HTM").c_str(), file), kNoError);
      CacheLog log;
      EXPECT_EQ(ConvertCacheFile(file, log, ProcessRunContext()), kConvertStop);
      ReleaseCacheLog(log);
    }
    EXPECT_EQ(lost.Check(), "");
    EXPECT_TRUE(ToldDiskFull("page.html"));
    scripted::Reset();
    // Back under its cache name, whole, so that a later run takes it again.
    EXPECT_EQ(Read(cache / "JCH00001.HTM"), PlainPage());
    EXPECT_FALSE(fs::exists(cache / "a.example" / "page.html"));
    // The batch stops at the full disk.
    EXPECT_EQ(Read(cache / "JCH00002.GIF"), kWholeGif);
    ResetConversionRun();
  }
}

TEST_F(ConvertFailureTest, BrokenImagesGoToTheTrashFromTheMirror) {
  test::TempFolder cache;
  test::TempFolder home;
  test::EnvGuard data("XDG_DATA_HOME", home.Path().c_str());
  const int saved = test::BrokenImageMode();
  test::SetBrokenImageMode(kBrokenImageRecycle);
  cache.Write("CCHMGR20.DAT",
              "http://a.example/img/whole.gif,JCH00001.gif\r\n"
              "http://a.example/img/broken.gif,JCH00002.gif\r\n"
              "http://a.example/page.html,JCH00003.html\r\n");
  cache.Write("JCH00001.GIF", kWholeGif);
  cache.Write("JCH00002.GIF", kWholeGif.substr(0, 28));
  cache.Write("JCH00003.HTM", "<html>page</html>");
  test::NothingLost lost(cache.Path());
  lost.MayBeRecycled("JCH00002.GIF", home.Path() / "Trash" / "files");
  EXPECT_EQ(RunFolder(cache.Path()), 0);
  test::SetBrokenImageMode(saved);
  EXPECT_EQ(lost.Check(), "");
  EXPECT_FALSE(cache.Exists("JCH00002.GIF"));
  EXPECT_FALSE(cache.Exists("a.example/img/broken.gif"));
  // Recycled after the move: the trash holds it under its local name.
  EXPECT_TRUE(fs::exists(home.Path() / "Trash" / "files" / "broken.gif"));
  EXPECT_EQ(cache.Read("a.example/img/whole.gif"), kWholeGif);
}

}  // namespace
}  // namespace hoard

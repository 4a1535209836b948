// Broken images sent to the recycle bin: on POSIX the freedesktop.org trash,
// pointed at a test folder through XDG_DATA_HOME.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pipeline/brokenimages.h"
#include "store/contentcheck.h"
#include "support/platform_env.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {


FileRef RefTo(const test::TempFolder& folder, const std::string& name) {
  FileRef ref;
  EXPECT_NE(MakeFileRef(folder.Join(name).c_str(), ref), kBadName);
  return ref;
}

const std::string kBrokenGif = "GIF89a cut short";
// A header, a table, a frame, a Huffman table, a scan and the end marker.
const std::string kWholeJpeg = std::string(
    "\xFF\xD8"
    "\xFF\xDB\x00\x04\x00\x01"
    "\xFF\xC0\x00\x0B\x08\x00\x01\x00\x01\x01\x01\x11\x00"
    "\xFF\xC4\x00\x03\x00"
    "\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\x12\x34"
    "\xFF\xD9",
    40);

enum class Check { kAfterMove, kEarly };

TEST(CheckAndDisposeImage, RecyclesDeletesOrKeepsABrokenImage) {
  struct Case {
    const char* what;
    int mode;
    Check check;
    bool reported;
    bool inFolder;
    bool inTrash;
  };
  const Case cases[] = {
      {"recycle bin", kBrokenImageRecycle, Check::kAfterMove, true, false, true},
      {"recycle bin, early check skipped", kBrokenImageRecycle, Check::kEarly, false, true, false},
      {"early recycle, after the move", kBrokenImageRecycleEarly, Check::kAfterMove, true, false,
       true},
      {"early recycle, early check", kBrokenImageRecycleEarly, Check::kEarly, true, false, true},
      {"complete deletion", kBrokenImageDelete, Check::kAfterMove, true, false, false},
      {"complete deletion, early check", kBrokenImageDelete, Check::kEarly, true, false, false},
      {"report only", kBrokenImageReport, Check::kAfterMove, true, true, false},
      {"detection off", kBrokenImageOff, Check::kAfterMove, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder folder;
    test::EnvGuard data("XDG_DATA_HOME", (folder.Path() / "data").c_str());
    std::filesystem::create_directories(folder.Path() / "mirror/host");
    folder.Write("mirror/host/logo.gif", kBrokenGif);
    folder.Write("mirror/host/photo.jpg", kWholeJpeg);
    const FileRef broken = RefTo(folder, "mirror/host/logo.gif");
    const FileRef whole = RefTo(folder, "mirror/host/photo.jpg");
    if (c.check == Check::kEarly) {
      EXPECT_EQ(EarlyImageCheck(broken, kTypeGif, c.mode), c.reported);
      EXPECT_FALSE(EarlyImageCheck(whole, kTypeJpeg, c.mode));
    } else {
      EXPECT_EQ(CheckAndDisposeImage(broken, kTypeGif, c.mode), c.reported);
      EXPECT_FALSE(CheckAndDisposeImage(whole, kTypeJpeg, c.mode));
    }
    EXPECT_EQ(folder.Exists("mirror/host/logo.gif"), c.inFolder);
    EXPECT_EQ(folder.Exists("data/Trash/files/logo.gif"), c.inTrash);
    if (c.inTrash) {
      EXPECT_EQ(folder.Read("data/Trash/files/logo.gif"), kBrokenGif);
    }
    EXPECT_EQ(folder.Read("mirror/host/photo.jpg"), kWholeJpeg);
    EXPECT_FALSE(folder.Exists("data/Trash/files/photo.jpg"));
  }
}

}  // namespace
}  // namespace hoard

// The page rewriter on a volume that fills up in the middle of a page: a
// small tmpfs holds the page, its backup and as much of the new page as fits.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "html/rewriter_support.h"
#include "store/types.h"

namespace hoard {
namespace {

class SmallVolume {
 public:
  SmallVolume() {
    char pattern[] = "/tmp/hoard-small-volume.XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    path_ = pattern;
    mounted_ = mount("tmpfs", pattern, "tmpfs", 0, "size=64k") == 0;
  }
  ~SmallVolume() {
    if (mounted_) umount(path_.c_str());
    if (!path_.empty()) std::filesystem::remove_all(path_);
  }
  bool Mounted() const { return mounted_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  bool mounted_ = false;
};

TEST(RewriteHtmlPage, AFullDiskLeavesTheUntouchedPageUnderItsName) {
  SmallVolume volume;
  if (!volume.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
  test::ScopedOptions options(test::LinksOnly());
  // 40 KB of page: the page and a backup of it do not both fit next to the
  // new page in 64 KB, so the write fails part of the way through.
  std::string page;
  while (page.size() < 40000) page += "<A HREF=\"http://other.com/a.html\">x</A>\r";
  const std::string folder = volume.Path() + "/host.co.jp";
  std::filesystem::create_directories(folder);
  const std::string file = folder + "/p.html";
  std::ofstream(file, std::ios::binary) << page;

  FileRef ref;
  ASSERT_EQ(MakeFileRef(file.c_str(), ref), kNoError);
  RewriteReport report;
  EXPECT_EQ(RewriteHtmlPage(ref, "http://host.co.jp/p.html", CurrentOptions(), ProcessProgress(), report), kVolumeFull);
  std::ifstream in(file, std::ios::binary);
  const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(after, page);
  EXPECT_FALSE(std::filesystem::exists(folder + "/p.html.bk"));
}

}  // namespace
}  // namespace hoard

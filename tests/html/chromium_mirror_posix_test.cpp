// A real browser on the converted sample mirrors: each page is opened from
// file:// in headless Chromium with a small script added at its end that
// lists the images that did not load and the frames that show no page. A
// failed load of a file missing from the mirror whose target the cache held
// is a broken link.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "html/chromium_probe.h"
#include "html/mirror_support.h"
#include "support/tempfolder.h"
#include "tools/mirrorcheck.h"

namespace hoard {
namespace {

constexpr size_t kMaxPagesPerMirror = 8;
using test::kChromium;
using test::OpenInChromium;
using test::Probe;

TEST(ChromiumMirror, LoadsEveryCachedImageAndFrameOfTheSampleMirrors) {
  if (!std::filesystem::exists(kChromium)) {
    GTEST_SKIP() << kChromium << " is not installed (scripts/deps.sh native installs it)";
  }
  size_t pagesOpened = 0;
  size_t images = 0;
  size_t frames = 0;
  size_t failedCached = 0;
  size_t failedOther = 0;
  for (const char* name : test::kSampleCaches) {
    SCOPED_TRACE(name);
    const auto cache = test::SampleCache(name);
    if (!std::filesystem::exists(cache)) GTEST_SKIP() << "no sample cache " << cache;
    test::TempFolder folder;
    const auto mirror = test::ConvertCopy(cache, folder);
    const tools::MirrorReport report = tools::CheckMirror(mirror);
    std::vector<std::filesystem::path> pages;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(mirror)) {
      if (entry.is_regular_file() && entry.path().parent_path() != mirror &&
          tools::IsPageName(entry.path().filename().string())) {
        pages.push_back(entry.path());
      }
    }
    std::sort(pages.begin(), pages.end());
    if (pages.size() > kMaxPagesPerMirror) pages.resize(kMaxPagesPerMirror);
    test::TempFolder profile;
    for (const auto& page : pages) {
      SCOPED_TRACE(page.string());
      const Probe probe = OpenInChromium(page, profile.Path());
      ASSERT_TRUE(probe.ran) << "Chromium gave no answer for the page";
      ++pagesOpened;
      images += probe.images;
      frames += probe.frames;
      for (const std::string& failed : probe.failed) {
        const std::string path = std::filesystem::path(failed).lexically_normal().string();
        if (std::filesystem::exists(path)) continue;  // there, but not an image it can show
        if (report.cachedTargetPaths.count(path) != 0) {
          ++failedCached;
          ADD_FAILURE() << "cached target failed to load: " << path;
        } else {
          ++failedOther;
        }
      }
    }
  }
  EXPECT_GT(pagesOpened, 0u);
  EXPECT_EQ(failedCached, 0u);
  std::printf("Chromium: %zu pages, %zu images, %zu frames; failed loads of cached targets %zu, "
              "of targets not cached %zu\n",
              pagesOpened, images, frames, failedCached, failedOther);
}

TEST(ChromiumMirror, ProbeSeesAMissingImage) {
  if (!std::filesystem::exists(kChromium)) {
    GTEST_SKIP() << kChromium << " is not installed (scripts/deps.sh native installs it)";
  }
  test::TempFolder folder;
  folder.Write("p.html", "<HTML><BODY><IMG SRC=\"missing.gif\"></BODY></HTML>");
  test::TempFolder profile;
  const Probe probe = OpenInChromium(folder.Path() / "p.html", profile.Path());
  ASSERT_TRUE(probe.ran);
  EXPECT_EQ(probe.images, 1u);
  ASSERT_EQ(probe.failed.size(), 1u);
  EXPECT_EQ(std::filesystem::path(probe.failed[0]).filename(), "missing.gif");
}

}  // namespace
}  // namespace hoard

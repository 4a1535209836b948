// Headless Chromium on the mirrors of the corpus sites: a few pages of each
// site, frames and images counted, no failed load of a cached target.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "html/chromium_probe.h"
#include "html/corpus_support.h"
#include "support/tempfolder.h"
#include "tools/mirrorcheck.h"

namespace hoard {
namespace {

constexpr size_t kPagesPerSite = 4;

TEST(ChromiumCorpus, LoadsTheCachedImagesAndFramesOfCorpusPages) {
  if (!std::filesystem::exists(test::kChromium)) {
    GTEST_SKIP() << test::kChromium << " is not installed (scripts/deps.sh native installs it)";
  }
  if (!std::filesystem::exists(test::CorpusSites())) {
    GTEST_SKIP() << "no shared corpus at " << test::CorpusSites();
  }
  size_t pagesOpened = 0, images = 0, frames = 0, failedCached = 0, failedOther = 0;
  size_t site = 0;
  for (const auto& folder : test::CorpusSiteFolders()) {
    SCOPED_TRACE(folder.filename().string());
    test::TempFolder work;
    const auto cache = work.Path() / "cache";
    tools::BuildSiteCache(folder, cache, "www.site" + std::to_string(++site) + ".co.jp");
    test::ConvertInPlace(cache, test::AllPageRules());
    const tools::MirrorReport report = tools::CheckMirror(cache);
    // The pages with the most images and frames first: they say the most.
    std::vector<std::pair<size_t, std::filesystem::path>> pages;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(cache)) {
      if (!entry.is_regular_file() || entry.path().parent_path() == cache ||
          !tools::IsPageName(entry.path().filename().string())) {
        continue;
      }
      size_t weight = 0;
      for (const auto& link : tools::ExtractLinks(tools::detail::ReadAll(entry.path()))) {
        if (link.tag == "img" || link.tag == "frame" || link.tag == "iframe") ++weight;
      }
      pages.emplace_back(weight, entry.path());
    }
    std::sort(pages.begin(), pages.end(), [](const auto& a, const auto& b) {
      return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    if (pages.size() > kPagesPerSite) pages.resize(kPagesPerSite);
    test::TempFolder profile;
    for (const auto& [weight, page] : pages) {
      SCOPED_TRACE(page.string());
      const test::Probe probe = test::OpenInChromium(page, profile.Path());
      if (!probe.ran) {
        ADD_FAILURE() << "Chromium gave no answer";
        continue;
      }
      ++pagesOpened;
      images += probe.images;
      frames += probe.frames;
      for (const std::string& failed : probe.failed) {
        const std::string path = std::filesystem::path(failed).lexically_normal().string();
        if (std::filesystem::exists(path)) continue;
        if (report.cachedTargetPaths.count(path) != 0) {
          ++failedCached;
          ADD_FAILURE() << "cached target failed to load: " << path;
        } else {
          ++failedOther;
          if (failedOther <= 5) std::printf("not loaded, not cached: %s\n", path.c_str());
        }
      }
    }
  }
  EXPECT_GT(pagesOpened, 0u);
  std::printf("Chromium on the corpus: %zu pages, %zu images, %zu frames; failed loads of "
              "cached targets %zu, of targets not cached %zu\n",
              pagesOpened, images, frames, failedCached, failedOther);
}

}  // namespace
}  // namespace hoard

// Every real site of the shared corpus, cached as the browser would have left
// it and converted: the mirror holds every file at the path the mapping
// names, with the site's bytes (a page's old bytes in its backup when its
// links were rewritten), and no link to a cached target is broken.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "html/corpus_support.h"
#include "support/tempfolder.h"
#include "tools/mirrorcheck.h"

namespace hoard {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(RewriteCorpusSites, MirrorsEverySiteWithItsBytesAndWorkingLinks) {
  if (!std::filesystem::exists(test::CorpusSites())) {
    GTEST_SKIP() << "no shared corpus at " << test::CorpusSites();
  }
  tools::MirrorReport total;
  size_t files = 0;
  size_t site = 0;
  for (const auto& folder : test::CorpusSiteFolders()) {
    SCOPED_TRACE(folder.filename().string());
    test::TempFolder work;
    const auto cache = work.Path() / "cache";
    const std::string host = "www.site" + std::to_string(++site) + ".co.jp";
    const auto entries = tools::BuildSiteCache(folder, cache, host);
    ASSERT_FALSE(entries.empty());
    // Every page rule on: script, form, OPTION and button targets are
    // rewritten and checked too.
    test::ConvertInPlace(cache, test::AllPageRules());

    for (const tools::SiteFile& entry : entries) {
      SCOPED_TRACE(entry.url);
      ++files;
      const auto original = ReadFile(folder / entry.relative);
      const auto mirrored = cache / test::MirrorPathOf(entry.url);
      ASSERT_TRUE(std::filesystem::exists(mirrored)) << mirrored;
      const std::string now = ReadFile(mirrored);
      const auto backup = mirrored.parent_path() /
                          std::string(BackupNameFor(mirrored.filename().string()).View());
      if (now != original) {
        ASSERT_TRUE(std::filesystem::exists(backup)) << "changed without a backup";
        EXPECT_EQ(ReadFile(backup), original);
      }
    }
    const tools::MirrorReport report = tools::CheckMirror(cache);
    for (const auto& broken : report.broken) {
      ADD_FAILURE() << broken.page << ": \"" << broken.link << "\" for " << broken.target;
    }
    EXPECT_EQ(report.leftOnline, 0u);
    total.pages += report.pages;
    total.links += report.links;
    total.rewritten += report.rewritten;
    total.cachedTargets += report.cachedTargets;
    total.resolving += report.resolving;
    const auto by = [&report](const char* tag) {
      const auto found = report.cachedTargetsByTag.find(tag);
      return found == report.cachedTargetsByTag.end() ? size_t{0} : found->second;
    };
    std::printf("%s: %zu files, %zu pages, %zu links, %zu rewritten, %zu to cached targets "
                "(script %zu, form %zu, option %zu, button %zu), %zu resolving\n",
                folder.filename().string().c_str(), entries.size(), report.pages, report.links,
                report.rewritten, report.cachedTargets, by("script"), by("form"), by("option"),
                by("button"), report.resolving);
  }
  std::printf("corpus: %zu files, %zu pages, %zu links, %zu rewritten, %zu to cached targets, "
              "%zu resolving\n",
              files, total.pages, total.links, total.rewritten, total.cachedTargets,
              total.resolving);
}

}  // namespace
}  // namespace hoard

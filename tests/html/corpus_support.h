// The real sites of the shared corpus turned into browser caches and
// converted in the test's process.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "html/mirror_support.h"
#include "pipeline/outputfolders.h"
#include "tools/sitecache.h"
#include "urlmap/urlmap.h"

namespace hoard::test {

inline std::filesystem::path CorpusSites() {
  return std::filesystem::path(HOARD_SOURCE_DIR "/../shared/corpus/html");
}

inline std::vector<std::filesystem::path> CorpusSiteFolders() {
  std::vector<std::filesystem::path> sites;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusSites(), error)) {
    if (entry.is_directory()) sites.push_back(entry.path());
  }
  std::sort(sites.begin(), sites.end());
  return sites;
}

// Links edited and every page rule on: script, form, OPTION and button
// addresses, banners, table repair, result pages.
inline Options AllPageRules() {
  Options options = LinksOnly();
  options.AdjustScriptParams = options.AdjustFormActions = options.AdjustOptionValues = 1;
  options.FixTableEnds = options.ShortenInfoseekResults = 1;
  return options;
}

// Makes `cache` a cache folder of pages: page i as JCH0000i.HTM with the
// HTML given, and a cache log listing each under its URL as ".html".
inline void WritePageCache(const std::filesystem::path& cache,
                           const std::vector<std::pair<std::string, std::string>>& pages) {
  std::filesystem::create_directories(cache);
  std::string log = "JustView 2.0 Cache Manager\r\n";
  for (size_t i = 0; i < pages.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "JCH%05zu", i + 1);
    log += pages[i].first + "," + name + ".html\r\n";
    std::ofstream(cache / (std::string(name) + ".HTM"), std::ios::binary) << pages[i].second;
  }
  std::ofstream(cache / "CCHMGR20.DAT", std::ios::binary) << log;
}

// Converts the cache folder in place, links edited and backups kept, and
// whatever else `options` switch on.
inline void ConvertInPlace(const std::filesystem::path& cache,
                           const Options& options = LinksOnly()) {
  CurrentFolderGuard guard;
  ScopedOptions scoped(options);
  scripted::Reset();
  GoWithoutDomainTable();
  ResetConversionRun();
  std::string path = cache.string() + "/";
  app::ArgList args;
  args.items[args.count++] = path.data();
  app::RunArguments(args);
  ResetConversionRun();
  ResetProcessDomainTable();
}

// Where the mirror keeps a URL's file: the output folders' names, then the
// file name the mapping makes.
inline std::string MirrorPathOf(const std::string& url) {
  std::string text = url.substr(LinkSchemeLength(url.c_str()));
  const char* path = text.c_str();
  std::string out;
  FolderName name{};
  size_t length = 0;
  while (NextOutputFolder(path, name, length)) {
    out.append(name.data(), length);
    out += '/';
  }
  char rest[kLocalNameBufferBytes];
  std::snprintf(rest, sizeof rest, "%s", *path == '\0' ? "index.html" : path);
  char local[kLocalNameBufferBytes];
  MapUrlToLocalPath(local, sizeof local, rest, sizeof rest, kMapFileName);
  return out + local;
}

}  // namespace hoard::test

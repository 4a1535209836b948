// Names per second of the URL scan in mode 1 (file names), over the file-name
// parts of 100,000 generated URLs, as the per-file pipeline hands them over;
// links per second in mode 0 for comparison. A second, query-heavy set holds
// result pages of every search family.
//
//   urlmap_bench [URL count] [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pipeline/outputfolders.h"
#include "urlmap/urlmap.h"
// One translation unit: the tests' URL generator is taken whole.
#include "tests/support/urlgen.cpp"

namespace {

using Clock = std::chrono::steady_clock;

// What the output folders leave for the file name.
std::string RestOf(const std::string& url) {
  std::vector<char> path(url.begin(), url.end());
  path.push_back('\0');
  const char* p = path.data() + hoard::LinkSchemeLength(path.data());
  hoard::FolderName name{};
  size_t length = 0;
  while (hoard::NextOutputFolder(p, name, length)) {
  }
  return *p != '\0' ? p : "index.html";
}

struct Rates {
  double names = 0;
  double links = 0;
};

// The best of `rounds` rounds over one set of URLs.
Rates Measure(const std::vector<std::string>& urls, int rounds, size_t& checksum) {
  std::vector<std::string> rests;
  rests.reserve(urls.size());
  for (const std::string& url : urls) rests.push_back(RestOf(url));
  std::vector<char> source(1024);
  std::vector<char> name(hoard::kLocalNameBufferBytes);
  std::vector<char> link(hoard::kLinkBufferBytes);
  Rates best;
  const double count = static_cast<double>(urls.size());
  for (int round = 0; round < rounds; ++round) {
    auto start = Clock::now();
    for (const std::string& rest : rests) {
      std::memcpy(source.data(), rest.c_str(), rest.size() + 1);
      hoard::MapUrlToLocalPath(name.data(), name.size(), source.data(), source.size(),
                               hoard::kMapFileName);
      checksum += static_cast<unsigned char>(name[0]);
    }
    const double names = std::chrono::duration<double>(Clock::now() - start).count();
    start = Clock::now();
    for (const std::string& url : urls) {
      std::memcpy(link.data(), url.c_str(), url.size() + 1);
      hoard::MapLinkInPlace(link.data(), link.size());
      checksum += static_cast<unsigned char>(link[7]);
    }
    const double links = std::chrono::duration<double>(Clock::now() - start).count();
    best.names = std::max(best.names, count / names);
    best.links = std::max(best.links, count / links);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  hoard::test::UrlGenerator generator(20240607);
  std::vector<std::string> urls;
  std::vector<std::string> searches;
  urls.reserve(count);
  searches.reserve(count);
  size_t restBytes = 0;
  for (size_t i = 0; i < count; ++i) {
    urls.push_back(generator.NextText());
    restBytes += RestOf(urls.back()).size();
  }
  for (size_t i = 0; i < count; ++i) searches.push_back(generator.NextSearchUrl());

  size_t checksum = 0;
  const Rates mixed = Measure(urls, rounds, checksum);
  const Rates queries = Measure(searches, rounds, checksum);
  std::printf("urls: %zu (file-name parts average %.1f bytes), best of %d rounds\n", count,
              static_cast<double>(restBytes) / static_cast<double>(count), rounds);
  std::printf("mode 1 (file names): %.0f names/s\n", mixed.names);
  std::printf("mode 0 (whole links): %.0f links/s\n", mixed.links);
  std::printf("search-result urls: %zu\n", count);
  std::printf("mode 1 (file names): %.0f names/s\n", queries.names);
  std::printf("mode 0 (whole links): %.0f links/s\n", queries.links);
  std::printf("checksum %zu\n", checksum);
  return 0;
}

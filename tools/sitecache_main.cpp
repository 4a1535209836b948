// sitecache SITE_FOLDER CACHE_FOLDER [HOST]: builds a browser cache folder
// from a site tree, ready to be converted.
#include <cstdio>

#include "tools/sitecache.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: sitecache SITE_FOLDER CACHE_FOLDER [HOST]\n");
    return 2;
  }
  const auto files =
      hoard::tools::BuildSiteCache(argv[1], argv[2], argc > 3 ? argv[3] : "www.site.co.jp");
  std::printf("%zu files cached\n", files.size());
  return files.empty() ? 1 : 0;
}

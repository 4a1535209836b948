// mirrorcheck CACHE_FOLDER [domain.csv]: checks the mirror a conversion made
// inside the cache folder and lists every link to a cached target that names
// no file of the mirror. Exit status 1 when there is one.
#include <cstdio>

#include "tools/mirrorcheck.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: mirrorcheck CACHE_FOLDER [domain.csv]\n");
    return 2;
  }
  const hoard::tools::MirrorReport report =
      hoard::tools::CheckMirror(argv[1], argc > 2 ? argv[2] : "");
  for (const auto& broken : report.broken) {
    std::printf("broken: %s: \"%s\" (for %s) names %s\n", broken.page.c_str(),
                broken.link.c_str(), broken.target.c_str(), broken.resolved.c_str());
  }
  std::printf("pages %zu, links %zu, rewritten %zu, to cached targets %zu, resolving %zu, "
              "left online %zu, broken %zu\n",
              report.pages, report.links, report.rewritten, report.cachedTargets,
              report.resolving, report.leftOnline, report.broken.size());
  return report.broken.empty() ? 0 : 1;
}

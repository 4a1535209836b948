// The command-line program: converts the cache files or the cache folder
// named on the command line.
#include <cstdio>
#include <cstring>

#include "app/listing.h"
#include "app/run.h"
#include "pipeline/convert.h"

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(
        "usage: hoard-hoard CACHE_FOLDER\n"
        "       hoard-hoard CACHE_FILE...\n"
        "Lists every cache file with the URL, MIME type and type code the cache log\n"
        "gives for it.\n",
        argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  hoard::SetLookupObserver(hoard::app::PrintLookup);
  hoard::app::ArgList args;
  // The list holds 1000 paths; more are left out with a word on standard error.
  for (int i = 1; i < argc && args.count < hoard::app::kMaxArguments; ++i) {
    args.items[args.count++] = argv[i];
  }
  if (static_cast<size_t>(argc - 1) > hoard::app::kMaxArguments) {
    std::fputs("hoard-hoard: at most 1000 paths at a time; the rest are not converted\n", stderr);
  }
  return hoard::app::RunArguments(args);
}

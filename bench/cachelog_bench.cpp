// Times the cache log on a browser-sized log: 100,000 lines, loaded once,
// then 1000 lookups of names spread over the whole log (and some that are
// not in it), as a folder of 1000 cache files would ask.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/prompts.h"
#include "platform/scripted/scripted_ui.h"
#include "store/cachelog.h"
#include "store/fileref.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kLines = 100000;
constexpr int kLookups = 1000;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string CacheName(int n) {
  char name[32];
  std::snprintf(name, sizeof name, "JCH%05d.html", n);
  return name;
}

}  // namespace

int main() {
  const fs::path folder =
      fs::temp_directory_path() /
      ("hoard-cachelog-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
  fs::create_directories(folder);
  const fs::path logPath = folder / "CCHMGR20.DAT";
  {
    std::ofstream out(logPath, std::ios::binary);
    out << "JustView 2.0\r\n";
    for (int i = 0; i < kLines; ++i) {
      out << "http://www" << (i % 97) << ".example.co.jp/dir" << (i % 13) << "/page" << i
          << ".html?q=" << i * 7 << "," << CacheName(i) << "," << 1000 + i
          << ",1999/03/04 12:34:56\r\n";
    }
  }

  hoard::scripted::Reset();
  hoard::FileRef ref;
  hoard::MakeFileRef(logPath.string().c_str(), ref);
  hoard::CacheLog log;
  Clock::time_point start = Clock::now();
  const hoard::LoadResult loaded = hoard::LoadCacheLog(ref, log, hoard::UiPrompts());
  const double loadMs = MillisecondsSince(start);
  if (loaded != hoard::LoadResult::kLoaded) {
    std::fprintf(stderr, "the synthetic log was not loaded\n");
    return 1;
  }

  hoard::CacheLogEntry entry;
  start = Clock::now();
  hoard::LookupCacheFile(log, "JCH00000.HTM", entry);  // builds the index
  const double firstMs = MillisecondsSince(start);

  int found = 0;
  start = Clock::now();
  for (int i = 0; i < kLookups; ++i) {
    // Every tenth name is beyond the log's last line and so not found.
    const int n = i % 10 == 9 ? kLines + i : (i * 99991) % kLines;
    std::string name = CacheName(n);
    name.replace(name.size() - 4, 4, "HTM");  // as the file is named on disk
    if (hoard::LookupCacheFile(log, name, entry) == hoard::LookupResult::kFound) ++found;
  }
  const double lookupsMs = MillisecondsSince(start);

  std::printf("log: %d lines, %llu bytes, %zu entries, %zu CR bytes\n", kLines,
              static_cast<unsigned long long>(log.size), log.entryCount, log.crCount);
  std::printf("load:                       %10.3f ms\n", loadMs);
  std::printf("first lookup (builds index): %9.3f ms\n", firstMs);
  std::printf("%d lookups (%d found):    %10.3f ms  (%.3f us each)\n", kLookups, found, lookupsMs,
              lookupsMs * 1000.0 / kLookups);

  hoard::ReleaseCacheLog(log);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return 0;
}

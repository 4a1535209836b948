// Converting a copy of a sample cache in the test's process, for the tests
// that check the mirror it makes.
#pragma once

#include <filesystem>
#include <string>

#include "app/run.h"
#include "html/rewriter_support.h"
#include "pipeline/convert.h"
#include "platform/scripted/scripted_ui.h"
#include "store/domaintable.h"

namespace hoard::test {

// The sample caches the README's demo converts.
inline std::filesystem::path SampleCache(const char* name) {
  return std::filesystem::path(HOARD_SOURCE_DIR) / "examples" / name;
}
inline constexpr const char* kSampleCaches[] = {"jch-cache", "m-cache", "cacheprefix-cache",
                                                "special-cache"};

// Copies `cache` into `folder` and converts the copy with links edited and
// the backups kept (the checker reads the pages as they were from them),
// without a domain table, broken images found as `brokenImageMode` says.
// Returns the copy's path.
inline std::filesystem::path ConvertCopy(const std::filesystem::path& cache,
                                         const TempFolder& folder, int brokenImageMode = 0) {
  const std::filesystem::path copy = folder.Path() / cache.filename();
  std::filesystem::copy(cache, copy, std::filesystem::copy_options::recursive);
  CurrentFolderGuard guard;
  Options options = LinksOnly();
  options.BrokenImageMode = static_cast<uint8_t>(brokenImageMode);
  options.CheckGif = options.CheckJpeg = brokenImageMode != 0 ? 1 : 0;
  ScopedOptions scoped(options);
  scripted::Reset();
  GoWithoutDomainTable();
  ResetConversionRun();
  std::string path = copy.string() + "/";
  app::ArgList args;
  args.items[args.count++] = path.data();
  app::RunArguments(args);
  ResetConversionRun();
  ResetProcessDomainTable();
  return copy;
}

}  // namespace hoard::test

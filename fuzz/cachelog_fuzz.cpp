// libFuzzer target for the cache log: any bytes as CCHMGR20.DAT, loaded as a
// run loads it, then indexed and asked for cache names. A log comes from the
// browser's folder and can be anything: the load either refuses it or keeps
// it whole, and every answer points inside the loaded block.
//
// Built with clang when the option HOARD_FUZZ is on (fuzz/CMakeLists.txt).
// Seeds: tests/data/fuzz/cachelog and the logs of ../shared/corpus/cache.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

#include "app/prompts.h"
#include "platform/scripted/scripted_ui.h"
#include "store/cachelog.h"
#include "store/fileref.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

std::filesystem::path ScratchLog() {
  static const std::filesystem::path path = [] {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error) /
                                   ("hoard-cachelog-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder, error);
    return folder / "CCHMGR20.DAT";
  }();
  return path;
}

bool Inside(const hoard::CacheLog& log, const char* p) {
  return p >= log.block && p <= log.block + log.size;
}

void Ask(hoard::CacheLog& log, std::string_view name) {
  hoard::CacheLogEntry entry;
  if (hoard::LookupCacheFile(log, name, entry) == hoard::LookupResult::kFound) {
    Check(Inside(log, entry.url));
    Check(std::strlen(entry.url) <= log.size);
    Check(entry.cacheName.length <= 63);
  }
  hoard::IsStaleCacheFile(name, log);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::filesystem::path path = ScratchLog();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  hoard::scripted::Reset();
  hoard::FileRef ref;
  if (hoard::MakeFileRef(path.string().c_str(), ref) != hoard::kNoError) return 0;
  hoard::CacheLog log;
  if (hoard::LoadCacheLog(ref, log, hoard::UiPrompts()) != hoard::LoadResult::kLoaded) {
    Check(log.block == nullptr);
    return 0;
  }
  Check(log.size == size && std::memcmp(log.block, data, size) == 0);

  // The names of the browser's families, then the second field of the
  // first lines as written (before the index cuts the block).
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const char* name : {"JCH00012.HTM", "jch00012.html", "M0000001", "cache0001", "", "."}) {
    Ask(log, name);
  }
  size_t lineStart = 0;
  for (int lines = 0; lines < 32 && lineStart < text.size(); ++lines) {
    size_t lineEnd = text.find_first_of("\r\n", lineStart);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    const std::string line = text.substr(lineStart, lineEnd - lineStart);
    const size_t comma = line.find(',');
    if (comma != std::string::npos) {
      const size_t next = line.find(',', comma + 1);
      Ask(log, line.substr(comma + 1, next == std::string::npos ? std::string::npos : next - comma - 1));
    }
    lineStart = lineEnd + 1;
  }
  hoard::ReleaseCacheLog(log);
  return 0;
}

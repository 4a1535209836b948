// libFuzzer target for the whole page rewrite: any bytes as a page, every
// rule switched on, rewritten in place in a scratch folder. The rewrite must
// stay inside the page and its buffers, end, and leave a page under the
// page's own name.
//
// Built with clang when the option HOARD_FUZZ is on (fuzz/CMakeLists.txt).
// Seeds: tests/data/rewriter/*.html and the pages of ../shared/corpus/html.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <unistd.h>

#include "base/options.h"
#include "base/progress.h"
#include "html/rewriter.h"
#include "store/fileref.h"

namespace {

std::filesystem::path ScratchFolder() {
  static const std::filesystem::path folder = [] {
    std::error_code error;
    std::filesystem::path path = std::filesystem::temp_directory_path(error) /
                                 ("hoard-rewriter-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path / "www.fuzz.co.jp" / "dir", error);
    return path;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::filesystem::path folder = ScratchFolder() / "www.fuzz.co.jp" / "dir";
  const std::filesystem::path page = folder / "page.html";
  std::error_code error;
  std::filesystem::remove(folder / "page.html.bk", error);
  {
    std::ofstream out(page, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  hoard::Options options;
  options.EditLinks = 1;
  options.AdjustScriptParams = 1;
  options.AdjustFormActions = 1;
  options.AdjustOptionValues = 1;
  options.FixTableEnds = 1;
  options.ShortenInfoseekResults = 1;
  options.EucToShiftJis = (size & 1) != 0;
  options.UnixToMacLineEnds = (size & 2) != 0;
  hoard::FileRef ref;
  if (hoard::MakeFileRef(page.string().c_str(), ref) != hoard::kNoError) return 0;
  hoard::QuietProgress progress;
  hoard::RewriteReport report;
  hoard::RewriteHtmlPage(ref, "http://www.fuzz.co.jp/dir/page.html", options, progress, report);
  // No lost page: whatever happened, the page is under its own name.
  if (!std::filesystem::exists(page, error)) __builtin_trap();
  return 0;
}

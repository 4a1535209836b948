// The wall time of converting a whole cache folder, beside `cp -a` of the
// same folder measured in the same run: 1000 cache files (600 pages of about
// 20 KB full of links, every tenth with a stored response header, and 400
// small GIF and JPEG images) and a cache log of 100,000 lines, most of them
// naming files that are not there.
//
//   convert_bench [rounds]
//
// Each round copies the generated cache with `cp -a` (timed) and converts
// the copy (timed). The conversion runs the whole batch as the programs do,
// without a window and without a domain table.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/run.h"
#include "bench/cachefiles.h"
#include "platform/scripted/scripted_progress.h"
#include "platform/scripted/scripted_ui.h"
#include "store/contentcheck.h"
#include "store/domaintable.h"

namespace {

namespace fs = std::filesystem;
using namespace hoard::bench;

constexpr int kPages = 600;
constexpr int kImages = 400;
constexpr int kLogLines = 100000;
constexpr size_t kPageBytes = 20 * 1024;
constexpr int kHosts = 12;

std::string CacheName(int index, const char* extension) {
  char name[32];
  std::snprintf(name, sizeof name, "JCH%05d.%s", index, extension);
  return name;
}

std::string HostOf(int index) { return "www" + std::to_string(index % kHosts) + ".example.co.jp"; }

std::string PageUrl(int page) {
  return "http://" + HostOf(page) + "/dir" + std::to_string(page % 7) + "/page" +
         std::to_string(page) + ".html";
}

std::string ImageUrl(int image) {
  return "http://" + HostOf(image) + "/img/pic" + std::to_string(image) +
         (image % 2 == 0 ? ".gif" : ".jpg");
}

std::string Page(int page) {
  std::string text =
      "<HTML>\r\n<HEAD><TITLE>page " + std::to_string(page) + "</TITLE></HEAD>\r\n<BODY>\r\n";
  int link = 0;
  while (text.size() < kPageBytes) {
    const int target = (page * 31 + link * 17) % kPages;
    const int image = (page * 13 + link * 7) % kImages;
    text += "<P><A HREF=\"" + PageUrl(target) + "\">page " + std::to_string(target) +
            "</A> <IMG SRC=\"" + ImageUrl(image) + "\"> <A HREF=\"../dir" +
            std::to_string(link % 7) + "/page" + std::to_string(target) +
            ".html?q=" + std::to_string(link) + "&amp;page=2\">more</A></P>\r\n";
    ++link;
  }
  text += "</BODY>\r\n</HTML>\r\n";
  if (page % 10 == 0) {
    text = "HTTP/1.0 200 OK\r\nDate: Sun, 01 Apr 2001 00:00:00 GMT\r\nServer: httpd\r\n"
           "Content-Type: text/html\r\nContent-Length: " +
           std::to_string(text.size()) + "\r\n\r\n" + text;
  }
  return text;
}

// The cache: files JCH00001 to JCH01000, the log naming JCH00001 to
// JCH99999, every 99th line one of the files that are there.
bool Generate(const fs::path& folder, uintmax_t& bytes) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) return false;
  std::string log;
  log.reserve(static_cast<size_t>(kLogLines) * 48);
  log += "JustView 2.0 Cache Manager\r\n";
  int present = 0;
  int missing = kPages + kImages;
  for (int line = 1; line < kLogLines; ++line) {
    // Lines 1, 100, 199, ... name the files that are there.
    const bool there = line % 99 == 1 && present < kPages + kImages;
    const int index = there ? ++present : ++missing;
    std::string url;
    std::string name;
    if (index <= kPages) {
      url = PageUrl(index - 1);
      name = CacheName(index, "html");
      if (there && !WriteFile(folder / CacheName(index, "HTM"), Page(index - 1))) {
        return false;
      }
    } else {
      const int image = index - kPages - 1;
      url = ImageUrl(image);
      name = CacheName(index, image % 2 == 0 ? "gif" : "jpeg");
      if (there &&
          !WriteFile(folder / CacheName(index, image % 2 == 0 ? "GIF" : "JPG"),
                     image % 2 == 0 ? Gif(image) : Jpeg(image))) {
        return false;
      }
    }
    log += url + "," + name + "\r\n";
  }
  if (present != kPages + kImages || !WriteFile(folder / "CCHMGR20.DAT", log)) return false;
  bytes = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    bytes += entry.file_size(error);
  }
  return true;
}

struct Count {
  size_t inCache = 0;
  size_t inMirror = 0;
};

Count CountFiles(const fs::path& folder) {
  Count count;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (!it->is_regular_file()) continue;
    if (it->path().parent_path() == folder) {
      ++count.inCache;
    } else {
      ++count.inMirror;
    }
  }
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = std::max(1, argc > 1 ? std::atoi(argv[1]) : 3);
  // Settings and the trash of the run stay in the scratch folder.
  const fs::path base = hoard::bench::MakeScratchFolder("hoard-convert-bench");
  if (base.empty()) return 1;

  const fs::path source = base / "source";
  uintmax_t bytes = 0;
  const auto generateStart = Clock::now();
  if (!Generate(source, bytes)) {
    std::fprintf(stderr, "cannot generate the cache in %s\n", source.c_str());
    return 1;
  }
  std::printf("cache: %d pages, %d images, a log of %d lines, %.1f MB in %s (%.2f s to make)\n",
              kPages, kImages, kLogLines, static_cast<double>(bytes) / 1e6, source.c_str(),
              Seconds(Clock::now() - generateStart));

  // The options of a new user's settings file: links rewritten, backups
  // deleted.
  hoard::Options& options = hoard::CurrentOptions();
  options = hoard::OptionsFromRecord(hoard::NewSettingsRecord());
  options.BrokenImageMode = hoard::kBrokenImageReport;
  options.CheckGif = options.CheckJpeg = 1;
  std::vector<double> copies;
  std::vector<double> conversions;
  int status = 0;
  for (int round = 0; round < rounds; ++round) {
    const fs::path copy = base / ("round" + std::to_string(round));
    const std::string command = "cp -a '" + source.string() + "' '" + copy.string() + "'";
    const auto copyStart = Clock::now();
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "cp -a failed\n");
      return 1;
    }
    copies.push_back(Seconds(Clock::now() - copyStart));

    hoard::scripted::Reset();
    hoard::scripted::ResetProgress();
    hoard::GoWithoutDomainTable();
    std::string folder = copy.string() + "/";
    hoard::app::ArgList args;
    args.items[args.count++] = folder.data();
    const auto convertStart = Clock::now();
    hoard::app::RunArguments(args);
    conversions.push_back(Seconds(Clock::now() - convertStart));
    hoard::ResetProcessDomainTable();
    // The batch leaves the current directory in the cache folder.
    std::error_code ignored;
    fs::current_path(base, ignored);

    const Count count = CountFiles(copy);
    std::printf("round %d: cp -a %.3f s, conversion %.3f s (%zu files in the mirror, %zu left in "
                "the cache folder)\n",
                round + 1, copies.back(), conversions.back(), count.inMirror, count.inCache);
    if (count.inMirror != static_cast<size_t>(kPages + kImages)) status = 1;
    fs::remove_all(copy, ignored);
  }
  const double copy = Median(copies);
  const double convert = Median(conversions);
  std::printf("median of %d: cp -a %.3f s, conversion %.3f s (%.1f times cp -a, %.2f ms per file)\n",
              rounds, copy, convert, convert / copy, convert * 1000.0 / (kPages + kImages));
  std::error_code ignored;
  fs::remove_all(base, ignored);
  return status;
}

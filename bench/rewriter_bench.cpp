// Speed of the page rewriter on a generated set of pages full of links,
// beside `cat` reading the same bytes in the same run.
//
// Usage: rewriter_bench [megabytes] [rounds]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/progress.h"
#include "bench/random.h"
#include "html/rewriter.h"
#include "store/fileref.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

using hoard::bench::Random;

// A page of about `bytes` bytes: text, and every few lines a link of one of
// the shapes the rewriter meets (absolute to its own host and to others,
// host-relative, plain relative, queries, images, frames).
std::string MakePage(size_t bytes, Random& random) {
  static const char* const kLinks[] = {
      "<A HREF=\"http://www.bench.co.jp/news/2001/0401.html\">",
      "<A HREF=\"http://www.other.ne.jp/~user/diary.htm\">",
      "<IMG SRC=\"/img/logo.gif\" WIDTH=10 HEIGHT=10>",
      "<A HREF=\"sub/page.html\">",
      "<A HREF=\"search.cgi?q=abc&amp;page=2\">",
      "<IMG SRC=\"images/photo.jpg\">",
      "<FRAME SRC=\"/main/top.html\">",
      "<A HREF=\"mailto:someone@example.jp\">",
      "<A HREF=\"a-very-long-file-name-for-a-page-here.html\">",
  };
  std::string out = "<HTML><HEAD><TITLE>bench</TITLE></HEAD><BODY>\r\n";
  while (out.size() < bytes) {
    out += "<P>Some text of the page, words and more words, as pages have them.</P>\r\n";
    if (random.Below(2) == 0) {
      out += kLinks[random.Below(static_cast<int>(std::size(kLinks)))];
      out += "link</A>\r\n";
    }
  }
  out.append("</BODY></HTML>\r\n");
  return out;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  const size_t megabytes = argc > 1 ? static_cast<size_t>(std::atoi(argv[1])) : 16;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  constexpr size_t kPageBytes = 40000;
  const size_t pageCount = std::max<size_t>(1, megabytes * 1000000 / kPageBytes);

  Random random;
  std::vector<std::string> pages;
  size_t total = 0;
  for (size_t i = 0; i < pageCount; ++i) {
    pages.push_back(MakePage(kPageBytes, random));
    total += pages.back().size();
  }
  char rootName[64];
  std::snprintf(rootName, sizeof rootName, "hoard-rewriter-bench-%d", std::rand());
  const fs::path root = fs::temp_directory_path() / rootName;
  const fs::path folder = root / "www.bench.co.jp" / "news";

  hoard::Options& options = hoard::CurrentOptions();
  options = hoard::Options{};
  options.EditLinks = 1;
  options.DeleteBackup = 1;

  double bestRewrite = 1e30;
  double bestCat = 1e30;
  size_t rewritten = 0;
  for (int round = 0; round < rounds; ++round) {
    fs::remove_all(root);
    fs::create_directories(folder);
    std::vector<std::string> paths;
    for (size_t i = 0; i < pages.size(); ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "p%zu.html", i);
      paths.push_back((folder / name).string());
      std::ofstream(paths.back(), std::ios::binary) << pages[i];
    }
    std::string cat = "cat ";
    cat.append((folder / "*.html").string());
    cat.append(" > /dev/null");
    Clock::time_point start = Clock::now();
    if (std::system(cat.c_str()) != 0) std::fprintf(stderr, "cat failed\n");
    bestCat = std::min(bestCat, Seconds(Clock::now() - start));

    rewritten = 0;
    start = Clock::now();
    for (const std::string& path : paths) {
      hoard::FileRef ref;
      if (hoard::MakeFileRef(path.c_str(), ref) != hoard::kNoError) continue;
      hoard::RewriteReport report;
      hoard::RewriteHtmlPage(ref, "http://www.bench.co.jp/news/p.html", hoard::CurrentOptions(), hoard::ProcessProgress(), report);
      rewritten += report.rewritten ? 1 : 0;
    }
    bestRewrite = std::min(bestRewrite, Seconds(Clock::now() - start));
  }
  fs::remove_all(root);
  std::printf("%zu pages, %.1f MB; %zu rewritten\n", pages.size(), total / 1e6, rewritten);
  std::printf("rewrite: %.1f MB/s (best of %d)\n", total / bestRewrite / 1e6, rounds);
  std::printf("cat:     %.1f MB/s (best of %d)\n", total / bestCat / 1e6, rounds);
  return 0;
}

// Speed of the page rewriter on generated pages full of links, and on pages
// whose links sit in script code, forms and menus with every page rule on,
// each beside `cat` reading the same bytes in the same run.
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

// The same size of page, its links in script code, form actions, OPTION
// menus and button handlers, with a table or two and a banner block.
std::string MakeScriptPage(size_t bytes, Random& random) {
  static const char* const kParts[] = {
      "<SCRIPT language=\"javascript\">\r\nfunction w() { window.open('/pop/w.html','w'); }\r\n"
      "if (a > b) { location.href = \"http://www.other.ne.jp/next.html\"; }\r\n</SCRIPT>\r\n",
      "<FORM ACTION=\"/cgi-bin/search.cgi\" METHOD=GET><INPUT TYPE=\"button\" VALUE=\"go\" "
      "onClick=\"top.location.href='/go/top.html'\"></FORM>\r\n",
      "<SELECT><OPTION value=\"/menu/a.html\">a<OPTION value=\"http://www.other.ne.jp/b.html\">b"
      "</SELECT>\r\n",
      "<A HREF=\"javascript:openWin('/win/p.html')\">pop</A>\r\n",
      "<TABLE BORDER=0><TR><TD>cell</TD></TR></TABLE>\r\n",
      "<!-- START_Banner -->\r\n<A HREF=\"http://ad.example.jp/\">ad</A>\r\n<!-- END_Banner -->\r\n",
  };
  std::string out = "<HTML><HEAD><TITLE>bench</TITLE></HEAD><BODY>\r\n";
  while (out.size() < bytes) {
    out += "<P>Some text of the page, words and more words, as pages have them.</P>\r\n";
    if (random.Below(2) == 0) out += kParts[random.Below(static_cast<int>(std::size(kParts)))];
  }
  out.append("</BODY></HTML>\r\n");
  return out;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Measured {
  size_t pages = 0;
  size_t bytes = 0;
  size_t rewritten = 0;
  double bestRewrite = 1e30;
  double bestCat = 1e30;
};

Measured Measure(const std::vector<std::string>& pages, const hoard::Options& set, int rounds) {
  Measured m;
  m.pages = pages.size();
  for (const std::string& page : pages) m.bytes += page.size();
  char rootName[64];
  std::snprintf(rootName, sizeof rootName, "hoard-rewriter-bench-%d", std::rand());
  const fs::path root = fs::temp_directory_path() / rootName;
  const fs::path folder = root / "www.bench.co.jp" / "news";

  hoard::Options& options = hoard::CurrentOptions();
  options = set;
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
    m.bestCat = std::min(m.bestCat, Seconds(Clock::now() - start));

    m.rewritten = 0;
    start = Clock::now();
    for (const std::string& path : paths) {
      hoard::FileRef ref;
      if (hoard::MakeFileRef(path.c_str(), ref) != hoard::kNoError) continue;
      hoard::RewriteReport report;
      hoard::RewriteHtmlPage(ref, "http://www.bench.co.jp/news/p.html", hoard::CurrentOptions(),
                             hoard::ProcessProgress(), report);
      m.rewritten += report.rewritten ? 1 : 0;
    }
    m.bestRewrite = std::min(m.bestRewrite, Seconds(Clock::now() - start));
  }
  fs::remove_all(root);
  return m;
}

void Print(const char* what, const Measured& m, int rounds) {
  std::printf("%s: %zu pages, %.1f MB; %zu rewritten\n", what, m.pages, m.bytes / 1e6,
              m.rewritten);
  std::printf("  rewrite: %.1f MB/s (best of %d)\n", m.bytes / m.bestRewrite / 1e6, rounds);
  std::printf("  cat:     %.1f MB/s (best of %d)\n", m.bytes / m.bestCat / 1e6, rounds);
}

}  // namespace

int main(int argc, char** argv) {
  const size_t megabytes = argc > 1 ? static_cast<size_t>(std::atoi(argv[1])) : 16;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  constexpr size_t kPageBytes = 40000;
  const size_t pageCount = std::max<size_t>(1, megabytes * 1000000 / kPageBytes);

  Random random;
  std::vector<std::string> linkPages;
  std::vector<std::string> scriptPages;
  for (size_t i = 0; i < pageCount; ++i) {
    linkPages.push_back(MakePage(kPageBytes, random));
    scriptPages.push_back(MakeScriptPage(kPageBytes, random));
  }
  hoard::Options links;
  links.EditLinks = 1;
  links.DeleteBackup = 1;
  hoard::Options rules = links;
  rules.AdjustScriptParams = rules.AdjustFormActions = rules.AdjustOptionValues = 1;
  rules.FixTableEnds = rules.ShortenInfoseekResults = 1;

  Print("link pages, links only", Measure(linkPages, links, rounds), rounds);
  Print("script and form pages, every page rule", Measure(scriptPages, rules, rounds), rounds);
  return 0;
}

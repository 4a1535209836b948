// A whole batch against its peers, in one run:
//  - the time of converting a cache of 992 pages with 200 links each, beside
//    `cp -a` of the same cache folder;
//  - the rate of rewriting those pages' links, beside wget's own link
//    conversion (`wget -r -k`) of the same pages served from a local folder;
//  - the system calls per converted page and per image (`strace -c -f`);
//  - the time per file from 100 to 10,000 files in the folder and from a
//    1,000-line to a 100,000-line cache log;
//  - the peak resident size of a conversion beside its largest page.
//
//   batch_bench [rounds [copy|wget|calls|scaling|memory]...]
//   batch_bench --convert FOLDER   (converts FOLDER whole; used by the above)
//   batch_bench --make FOLDER page|image|links   (makes the cache of the
//       system-call count or of the comparison with cp -a, to trace by hand)
//
// Every conversion runs in a child process of its own (this program with
// --convert), so that its time, its system calls and its memory are its own.
// The parts whose tools are missing (wget, python3, strace) say so and are
// passed over.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
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

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// --- The caches ------------------------------------------------------------

struct CacheShape {
  int pages = 0;
  int linksPerPage = 0;
  int images = 0;
  int logLines = 0;       // at least one line a file; the rest name absent files
  size_t bigPage = 0;     // when not 0, one more page of about this size
};

std::string PagePath(int page) {
  return "/d" + std::to_string(page % 8) + "/page" + std::to_string(page) + ".html";
}

std::string ImagePath(int image) {
  return "/img/pic" + std::to_string(image) + (image % 2 == 0 ? ".gif" : ".jpg");
}

// A page of `links` links of the shapes pages of the period hold: absolute
// to its own host, host-relative, relative, and images. `host` is the
// server the absolute links name.
std::string Page(int page, int links, int pages, int images, const std::string& host) {
  std::string text = "<HTML>\r\n<HEAD><TITLE>page " + std::to_string(page) +
                     "</TITLE></HEAD>\r\n<BODY>\r\n";
  for (int link = 0; link < links; ++link) {
    const int target = (page * 31 + link * 17) % pages;
    text += "<P>Some words of text about the next page, as pages of the time had them. ";
    switch (link % 4) {
      case 0:
        text += "<A HREF=\"http://" + host + PagePath(target) + "\">next</A>";
        break;
      case 1:
        text += "<A HREF=\"" + PagePath(target) + "\">more</A>";
        break;
      case 2:
        text += "<A HREF=\"../d" + std::to_string(target % 8) + "/page" +
                std::to_string(target) + ".html\">see</A>";
        break;
      default:
        if (images > 0) {
          text += "<IMG SRC=\"" + ImagePath((page + link) % images) + "\" WIDTH=2 HEIGHT=2>";
        } else {
          text += "<A HREF=\"page" + std::to_string(target) + ".html\">same</A>";
        }
        break;
    }
    text += "</P>\r\n";
  }
  return text + "</BODY>\r\n</HTML>\r\n";
}

constexpr const char* kHost = "www.bench.co.jp";

// The cache folder: JCH00001.HTM ... for the pages, then the images, and the
// cache log naming each (and, for the rest of its lines, absent files).
// Returns the bytes of the pages, or 0 when the folder could not be made.
uintmax_t MakeCache(const fs::path& folder, const CacheShape& shape) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) return 0;
  std::string log = "JustView 2.0 Cache Manager\r\n";
  uintmax_t pageBytes = 0;
  int index = 0;
  auto name = [](int n, const char* extension) {
    char text[32];
    std::snprintf(text, sizeof text, "JCH%05d.%s", n, extension);
    return std::string(text);
  };
  for (int page = 0; page < shape.pages; ++page) {
    const std::string text = Page(page, shape.linksPerPage, shape.pages, shape.images, kHost);
    pageBytes += text.size();
    if (!WriteFile(folder / name(++index, "HTM"), text)) return 0;
    log += std::string("http://") + kHost + PagePath(page) + "," + name(index, "html") + "\r\n";
  }
  if (shape.bigPage > 0) {
    std::string text = Page(shape.pages, 200, shape.pages, shape.images, kHost);
    const std::string body = text.substr(text.find("<P>"), text.rfind("</BODY>") - text.find("<P>"));
    while (text.size() < shape.bigPage) text.insert(text.rfind("</BODY>"), body);
    pageBytes += text.size();
    if (!WriteFile(folder / name(++index, "HTM"), text)) return 0;
    log += std::string("http://") + kHost + "/big.html," + name(index, "html") + "\r\n";
  }
  for (int image = 0; image < shape.images; ++image) {
    const bool gif = image % 2 == 0;
    if (!WriteFile(folder / name(++index, gif ? "GIF" : "JPG"), gif ? Gif(image) : Jpeg(image))) {
      return 0;
    }
    log += std::string("http://") + kHost + ImagePath(image) + "," +
           name(index, gif ? "gif" : "jpeg") + "\r\n";
  }
  for (int line = index; line < shape.logLines; ++line) {
    log += std::string("http://www.absent.co.jp/p") + std::to_string(line) + ".html," +
           name(10000 + line, "html") + "\r\n";
  }
  if (!WriteFile(folder / "CCHMGR20.DAT", log)) return 0;
  return pageBytes;
}

size_t FilesAtTop(const fs::path& folder) {
  size_t count = 0;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.is_regular_file()) ++count;
  }
  return count;
}

size_t FilesInMirror(const fs::path& folder) {
  size_t count = 0;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file() && it->path().parent_path() != folder) ++count;
  }
  return count;
}

// --- The child: one whole conversion -------------------------------------

// Converts the folder batch after batch, as the terminal program does, until
// a batch leaves as many files as it found.
int ConvertWhole(const char* folderArgument) {
  // The options of a new user's settings file: links rewritten, backups
  // deleted.
  hoard::Options& options = hoard::CurrentOptions();
  options = hoard::OptionsFromRecord(hoard::NewSettingsRecord());
  options.BrokenImageMode = static_cast<uint8_t>(hoard::kBrokenImageReport);
  options.CheckGif = options.CheckJpeg = 1;
  std::string folder = folderArgument;
  if (folder.back() != '/') folder += '/';
  size_t left = FilesAtTop(folder);
  for (;;) {
    hoard::scripted::Reset();
    hoard::scripted::ResetProgress();
    hoard::GoWithoutDomainTable();
    hoard::app::ArgList args;
    args.items[args.count++] = folder.data();
    hoard::app::RunArguments(args);
    hoard::ResetProcessDomainTable();
    const size_t now = FilesAtTop(folder);
    if (now >= left) break;
    left = now;
  }
  return 0;
}

struct ChildRun {
  double seconds = 0;
  long peakKiB = 0;
  bool ok = false;
};

// Runs `argv` as a child and waits: its wall time and peak resident size.
ChildRun RunChild(const std::vector<std::string>& argv, const char* stdoutPath = "/dev/null") {
  ChildRun run;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  std::fflush(stdout);
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid < 0) return run;
  if (pid == 0) {
    if (std::freopen(stdoutPath, "w", stdout) == nullptr) _exit(126);
    if (std::freopen("/dev/null", "w", stderr) == nullptr) _exit(126);
    if (std::freopen("/dev/null", "r", stdin) == nullptr) _exit(126);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = Seconds(Clock::now() - start);
  run.peakKiB = usage.ru_maxrss;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

std::string self;  // this program, for the children

ChildRun Convert(const fs::path& folder) { return RunChild({self, "--convert", folder.string()}); }

bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

double CopyTree(const fs::path& from, const fs::path& to) {
  const auto start = Clock::now();
  const ChildRun run = RunChild({"cp", "-a", from.string(), to.string()});
  return run.ok ? Seconds(Clock::now() - start) : -1;
}

// --- The parts ---------------------------------------------------------------

constexpr CacheShape kLinkCache{992, 200, 0, 1000, 0};

void CompareWithCopy(const fs::path& base, int rounds, double& convertSeconds,
                     uintmax_t& pageBytes) {
  const fs::path source = base / "links";
  pageBytes = MakeCache(source, kLinkCache);
  // The same conversion with every flush to the disk made a no-op, where
  // eatmydata is at hand: how much of the time is the wait for the disk that
  // crash safety asks for (a rewritten page is on the disk before it takes
  // its name). Only a measure: the program itself always flushes.
  const bool unflushed = Have("eatmydata");
  std::vector<double> copies, conversions, unflushedConversions;
  for (int round = 0; round < rounds; ++round) {
    const fs::path copy = base / ("links-copy" + std::to_string(round));
    copies.push_back(CopyTree(source, copy));
    const ChildRun run = Convert(copy);
    conversions.push_back(run.seconds);
    if (FilesInMirror(copy) != static_cast<size_t>(kLinkCache.pages)) {
      std::printf("  round %d: only %zu of %d pages reached the mirror\n", round + 1,
                  FilesInMirror(copy), kLinkCache.pages);
    }
    fs::remove_all(copy);
    if (unflushed) {
      CopyTree(source, copy);
      unflushedConversions.push_back(
          RunChild({"eatmydata", self, "--convert", copy.string()}).seconds);
      fs::remove_all(copy);
    }
  }
  const double copy = Median(copies);
  convertSeconds = Median(conversions);
  std::printf("%d pages of %d links (%.1f MB): cp -a %.3f s, conversion %.3f s: %.2f times cp -a "
              "(goal at most 1.3)\n",
              kLinkCache.pages, kLinkCache.linksPerPage, static_cast<double>(pageBytes) / 1e6,
              copy, convertSeconds, convertSeconds / copy);
  if (unflushed) {
    const double without = Median(unflushedConversions);
    std::printf("  the same with the flushes made no-ops (eatmydata): %.3f s: %.2f times cp -a; "
                "waiting for the disk %.3f s of the conversion\n",
                without, without / copy, convertSeconds - without);
  } else {
    std::printf("  (eatmydata is missing: the time spent flushing pages is not shown)\n");
  }
}

// wget's link conversion of the same pages, downloaded from a local server.
void CompareWithWget(const fs::path& base, double convertSeconds, uintmax_t pageBytes) {
  if (!Have("wget") || !Have("python3")) {
    std::printf("wget comparison passed over: wget or python3 is missing\n");
    return;
  }
  const fs::path site = base / "site";
  const int port = 20000 + static_cast<int>(getpid() % 20000);
  const std::string host = "127.0.0.1:" + std::to_string(port);
  for (int page = 0; page < kLinkCache.pages; ++page) {
    const fs::path path = site / PagePath(page).substr(1);
    fs::create_directories(path.parent_path());
    WriteFile(path, Page(page, kLinkCache.linksPerPage, kLinkCache.pages, 0, host));
  }
  // Every page reachable from the first: a list of them all.
  std::string index = "<HTML><BODY>\r\n";
  for (int page = 0; page < kLinkCache.pages; ++page) {
    index += "<A HREF=\"" + PagePath(page) + "\">" + std::to_string(page) + "</A>\r\n";
  }
  WriteFile(site / "index.html", index + "</BODY></HTML>\r\n");
  std::fflush(stdout);
  const pid_t server = fork();
  if (server == 0) {
    if (std::freopen("/dev/null", "w", stderr) == nullptr) _exit(126);
    if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(126);
    execlp("python3", "python3", "-m", "http.server", std::to_string(port).c_str(), "--bind",
           "127.0.0.1", "--directory", site.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // Wait until the server answers.
  for (int i = 0; i < 100; ++i) {
    const std::string probe = "wget -q -O /dev/null http://" + host + "/index.html";
    if (std::system(probe.c_str()) == 0) break;
    usleep(100000);
  }
  const fs::path log = base / "wget.log";
  RunChild({"sh", "-c",
            "wget -r -l inf -np -k -e robots=off -P '" + (base / "wget").string() +
                "' http://" + host + "/index.html 2>'" + log.string() + "'"});
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  // "Converted links in 993 files in 0.5 seconds."
  const std::string text = ReadFile(log);
  const size_t at = text.rfind("Converted links in ");
  double wgetSeconds = 0;
  int files = 0;
  if (at == std::string::npos ||
      std::sscanf(text.c_str() + at, "Converted links in %d files in %lf seconds", &files,
                  &wgetSeconds) != 2 ||
      wgetSeconds <= 0) {
    std::printf("wget comparison passed over: no link-conversion time in its log\n");
    return;
  }
  const double ours = static_cast<double>(pageBytes) / 1e6 / convertSeconds;
  const double theirs = static_cast<double>(pageBytes) / 1e6 / wgetSeconds;
  std::printf("link conversion: the whole batch %.1f MB/s, wget -k %.1f MB/s (%d files in %.3f s): "
              "%.2f times wget's rate (goal at least 1.5)\n",
              ours, theirs, files, wgetSeconds, ours / theirs);
}

// System calls of a conversion under strace, per file.
constexpr CacheShape CallsPageShape{200, 200, 0, 200, 0};
constexpr CacheShape CallsImageShape{0, 0, 200, 200, 0};

void CountSystemCalls(const fs::path& base) {
  if (!Have("strace")) {
    std::printf("system-call counts passed over: strace is missing\n");
    return;
  }
  struct Kind {
    const char* name;
    CacheShape shape;
    int files;
    int goal;
  };
  const Kind kinds[] = {{"page", CallsPageShape, 200, 20}, {"image", CallsImageShape, 200, 10}};
  for (const Kind& kind : kinds) {
    const fs::path folder = base / (std::string("calls-") + kind.name);
    MakeCache(folder, kind.shape);
    const fs::path summary = base / "strace.txt";
    RunChild({"strace", "-c", "-f", "-o", summary.string(), self, "--convert", folder.string()});
    // The "total" line: seconds, usecs/call, calls, errors.
    std::istringstream lines(ReadFile(summary));
    std::string line, top;
    long total = 0;
    std::vector<std::pair<long, std::string>> calls;
    while (std::getline(lines, line)) {
      std::istringstream fields(line);
      std::vector<std::string> words;
      for (std::string word; fields >> word;) words.push_back(word);
      if (words.size() < 5 || words[0] == "%" || words[0][0] == '-') continue;
      const long count = std::atol(words[3].c_str());
      if (words.back() == "total") {
        total = count;
      } else {
        calls.emplace_back(count, words.back());
      }
    }
    std::sort(calls.rbegin(), calls.rend());
    for (size_t i = 0; i < calls.size() && i < 6; ++i) {
      top += " " + calls[i].second + " " +
             std::to_string(static_cast<double>(calls[i].first) / kind.files).substr(0, 4);
    }
    std::printf("system calls per %s: %.1f (goal at most %d; whole process, start-up included)"
                ";%s\n",
                kind.name, static_cast<double>(total) / kind.files, kind.goal, top.c_str());
  }
}

// Time per file as the folder and the cache log grow.
void MeasureScaling(const fs::path& base) {
  struct Row {
    const char* what;
    CacheShape shape;
  };
  const Row rows[] = {
      {"files 100", {60, 20, 40, 100, 0}},
      {"files 1,000", {600, 20, 400, 1000, 0}},
      {"files 10,000", {6000, 20, 4000, 10000, 0}},
      {"log lines 1,000", {600, 20, 400, 1000, 0}},
      {"log lines 10,000", {600, 20, 400, 10000, 0}},
      {"log lines 100,000", {600, 20, 400, 100000, 0}},
  };
  for (const Row& row : rows) {
    const fs::path folder = base / "scaling";
    MakeCache(folder, row.shape);
    const int files = row.shape.pages + row.shape.images;
    const ChildRun run = Convert(folder);
    const size_t placed = FilesInMirror(folder);
    std::printf("scaling, %-18s: %.3f ms per file (%zu of %d files in the mirror)\n", row.what,
                run.seconds * 1000.0 / files, placed, files);
    fs::remove_all(folder);
  }
}

// The peak resident size beside the largest page.
void MeasureMemory(const fs::path& base) {
  const size_t sizes[] = {0, size_t{8} << 20, size_t{32} << 20};
  for (size_t big : sizes) {
    const fs::path folder = base / "memory";
    MakeCache(folder, {100, 200, 0, 200, big});
    const ChildRun run = Convert(folder);
    std::printf("peak resident size: %.1f MB with a largest page of %.1f MB\n",
                static_cast<double>(run.peakKiB) / 1024.0,
                static_cast<double>(big > 0 ? big : 20 * 1024) / 1048576.0);
    fs::remove_all(folder);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--convert") return ConvertWhole(argv[2]);
  if (argc == 4 && std::string(argv[1]) == "--make") {
    const std::string kind = argv[3];
    MakeCache(argv[2], kind == "image" ? CallsImageShape
                       : kind == "links" ? kLinkCache
                                         : CallsPageShape);
    return 0;
  }
  const int rounds = std::max(1, argc > 1 ? std::atoi(argv[1]) : 3);
  self = fs::canonical("/proc/self/exe").string();
  // Settings and the trash of the children stay in the scratch folder.
  const fs::path base = hoard::bench::MakeScratchFolder("hoard-batch-bench");
  if (base.empty()) return 1;

  // Parts named after the rounds run alone: copy, wget, calls, scaling, memory.
  auto wanted = [argc, argv](const char* part) {
    if (argc <= 2) return true;
    for (int i = 2; i < argc; ++i) {
      if (std::string(argv[i]) == part) return true;
    }
    return false;
  };
  double convertSeconds = 0;
  uintmax_t pageBytes = 0;
  if (wanted("copy") || wanted("wget")) CompareWithCopy(base, rounds, convertSeconds, pageBytes);
  if (wanted("wget")) CompareWithWget(base, convertSeconds, pageBytes);
  if (wanted("calls")) CountSystemCalls(base);
  if (wanted("scaling")) MeasureScaling(base);
  if (wanted("memory")) MeasureMemory(base);
  std::error_code ignored;
  fs::remove_all(base, ignored);
  return 0;
}

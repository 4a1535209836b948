// Helpers of the page rewriter's tests: options set for one test, and one
// page rewritten in a fresh folder.
#pragma once

#include <filesystem>
#include <string>

#include "app/options.h"
#include "app/progress.h"
#include "html/linkrules.h"
#include "html/rewriter.h"
#include "store/fileref.h"
#include "support/tempfolder.h"

namespace hoard::test {

// The options of a test; the process's options come back afterwards.
class ScopedOptions {
 public:
  explicit ScopedOptions(const Options& options) : saved_(CurrentOptions()) {
    CurrentOptions() = options;
  }
  ~ScopedOptions() { CurrentOptions() = saved_; }
  ScopedOptions(const ScopedOptions&) = delete;
  ScopedOptions& operator=(const ScopedOptions&) = delete;

 private:
  Options saved_;
};

// Links edited, nothing else: the plain rewriting.
inline Options LinksOnly() {
  Options options;
  options.EditLinks = 1;
  return options;
}

struct RewriteRun {
  int result = 0;
  RewriteReport report;
  std::string page;    // the page under its own name afterwards
  bool backupExists = false;
  std::string backup;  // the backup's bytes when it exists
};

// Writes `page` as `name` into `relativeFolder` of `folder` and rewrites it
// as a page of `url`.
inline RewriteRun RewriteInFolder(const TempFolder& folder, const std::string& relativeFolder,
                                  const std::string& name, const std::string& page,
                                  const char* url, const PageFacts& facts = PageFacts{}) {
  std::filesystem::path dir = folder.Path();
  if (!relativeFolder.empty()) dir /= relativeFolder;
  dir.make_preferred();
  std::filesystem::create_directories(dir);
  const std::string relative = relativeFolder.empty() ? name : relativeFolder + "/" + name;
  folder.Write(relative, page);
  RewriteRun run;
  FileRef ref;
  if (MakeFileRef((dir / name).string().c_str(), ref) != kNoError) {
    run.result = -9999;
    return run;
  }
  run.result = RewriteHtmlPage(ref, url, CurrentOptions(), ProcessProgress(), run.report, facts);
  run.page = folder.Read(relative);
  PName backup = BackupNameFor(name);
  const std::string backupRelative =
      (relativeFolder.empty() ? "" : relativeFolder + "/") + std::string(backup.View());
  run.backupExists = folder.Exists(backupRelative);
  if (run.backupExists) run.backup = folder.Read(backupRelative);
  return run;
}

}  // namespace hoard::test

// Rewriting one mirrored page in place: its links made relative to the page's
// own folder.
#pragma once

#include "base/options.h"
#include "base/progress.h"
#include "store/fileref.h"

namespace hoard {


// What one rewrite did, for callers that want more than the result.
struct RewriteReport {
  bool rewritten = false;  // a new page was written; the old one is `backup`
  FileRef backup;          // the backup (none when the options delete backups)
  bool repaired = false;   // tables left open were closed
};

// What the caller knows of the page already: its bytes as the file holds
// them (none: the page is read here), and how many folders up from its own
// one are plain folders of the mirror, never links, which a link's leading
// "../" climbs as written.
struct LoadedPage;
struct PageFacts {
  LoadedPage* loaded = nullptr;
  int plainFolderLevels = 0;
  // The page's file is a plain file of one name, owned as a new one would
  // be: its bytes are no one else's once a new text replaces them.
  bool oldPagePrivate = false;
};

// Rewrites `file` as a page of `pageUrl` (empty when the URL is unknown).
// 0 done (rewritten or left alone); 1 stopped by the user; -34 the disk is
// full; -1 any other write failure; otherwise the platform error of a failed
// open, read, rename or delete. On a stop or a failed write the page is left
// whole under its own name.
int RewriteHtmlPage(const FileRef& file, const char* pageUrl, const Options& options,
                    ProgressSink& progress, RewriteReport& report,
                    const PageFacts& facts = PageFacts{});

// The same for the pipeline: `repaired` is set when the page's tables had to
// be closed.
int RewriteHtmlFile(const FileRef& file, const char* pageUrl, const Options& options,
                    ProgressSink& progress, bool& repaired);

// While kept, the rewriter remembers which of the paths its links name are
// folders, until a folder is made or moved through the platform layer. A
// batch keeps them; whoever changes the disk another way must not.
void KeepFolderAnswers(bool keep);

}  // namespace hoard

// Rewriting one mirrored page in place: its links made relative to the page's
// own folder.
#pragma once

#include "store/fileref.h"

namespace hoard {

struct ProgressState;

// Rewrites `file` as a page of `pageUrl` (empty when the URL is unknown).
// 0 done; 1 stopped by the user; -34 the disk is full; any other value a
// failure. `repaired` is set when the page's tables had to be closed. On any
// failure the page is left whole under its own name.
int RewriteHtmlFile(const FileRef& file, const char* pageUrl, const ProgressState& progress,
                    bool& repaired);

}  // namespace hoard

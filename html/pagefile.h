// The page file of one rewrite: the page read whole (a MacBinary header
// dropped, a file that is no text left alone), and the rewritten page
// written under the page's own name while the old one waits as its backup,
// to be put back when the rewrite stops or a write fails. The writes
// themselves (OpenPageOutput, WriteUpTo, WriteBytesOut) are declared with
// the scan state in html/scanstate.h.
#pragma once

#include <cstddef>
#include <memory>

#include "html/scanstate.h"
#include "store/files.h"
#include "store/fileref.h"

namespace hoard {

// The result of a rewrite the user stopped.
inline constexpr int kStopped = 1;

struct FreeBlockDeleter {
  void operator()(unsigned char* block) const { FreeBlock(block); }
};
using Block = std::unique_ptr<unsigned char, FreeBlockDeleter>;

struct LoadedPage {
  Block block;  // the page and a NUL after it
  size_t size = 0;
  bool hadMacBinary = false;
};

// 0 with the page loaded (or with no block when the file is to be left
// alone), else the platform error.
int LoadPage(const FileRef& file, LoadedPage& page);

// The backup of the page being rewritten.
FileRef BackupRef(const PageScan& scan);

// Puts the untouched page back under its own name: the new file is closed
// and deleted, the backup renamed back. 0 or the failing call's error.
int RestoreOldPage(PageScan& scan);

// Records the first failure of the scan; the scan's result.
int FailPage(PageScan& scan, int result);

}  // namespace hoard

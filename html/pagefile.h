// The page file of one rewrite: the page read whole (a MacBinary header
// dropped, a file that is no text left alone), and the rewritten page
// written under its unfinished name beside the untouched page; only when it
// is whole on the disk does the old page become the backup and the new one
// take the page's name. A stop or a failed write deletes the unfinished one. The writes
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
  uint64_t lastWrite = 0;  // the file's last-write time
};

// Larger files are never taken for pages.
inline constexpr uint64_t kMaxPageBytes = 0x7fffffff;

// 0 with the page loaded (or with no block when the file is to be left
// alone), else the platform error.
int LoadPage(const FileRef& file, LoadedPage& page);
// The page made of a file's bytes already read whole: `raw` holds `size`
// bytes and room for one more. A MacBinary header is dropped; a file that
// is no text leaves `page` without a block. The time is the caller's.
void TakePageBytes(Block raw, size_t size, LoadedPage& page);

// The backup of the page being rewritten.
FileRef BackupRef(const PageScan& scan);

// Leaves the untouched page as it is: the unfinished new file is closed and
// deleted. 0 or the failing call's error.
int RestoreOldPage(PageScan& scan);

// Puts the whole new page in place: flushed and closed, the old page renamed
// to the backup name, the new one to the page's name. 0, or the failure
// (recorded in the scan) with the old page back under its name.
int FinishPageOutput(PageScan& scan);

// Records the first failure of the scan; the scan's result.
int FailPage(PageScan& scan, int result);

}  // namespace hoard

// Banner blocks cut out of portal pages, the table-structure tokens of the
// scan and the repair that closes tables left open at the end of a page.
#pragma once

#include <cstddef>

#include "html/scanstate.h"

namespace hoard {

// Lines a block's end is looked for in, after its start.
inline constexpr int kBlockEndLines = 128;

// From `from`, the start of the next line: past the next line break (LF, CR,
// CR LF or CR LF LF) and one space after it. scan.size when the text ends
// first.
size_t NextLineStart(const PageScan& scan, size_t from);

// At the scan position: removes a banner block; true when it did (the
// position then stands on `flushed`).
bool CutBannerBlock(PageScan& scan);
// Tries the table tokens at the position; true when one matched. Every
// table token begins with '<' (the scan tries them only where a tag token
// may begin). A token that opens a tag whose attributes are scanned sets the
// tag kind and leaves the position after everything consumed; any other
// leaves it on the last byte consumed, so the scan goes on right after it.
bool StepTableToken(PageScan& scan);
// After the scan: closes open tables; sets `changed` when it did. 0 or the
// result of a failed write.
int RepairTableEnds(PageScan& scan, TagKind finalTagKind, bool& changed);

}  // namespace hoard

// Banner blocks cut out of portal pages, the table-structure tokens of the
// scan and the repair that closes tables left open at the end of a page.
// For now no banner is recognised, no table token matches and no table is
// closed.
#pragma once

#include "html/scanstate.h"

namespace hoard {

// At the scan position: removes a banner block; true when it did (the
// position then stands on `flushed`).
bool CutBannerBlock(PageScan& scan);
// Tries the table tokens at the position; true when one matched. Every
// table token begins with '<' (the scan tries them only where a tag token
// may begin). It sets the
// tag kind when the token opens a tag whose attributes are scanned, and
// leaves the position after everything consumed.
bool StepTableToken(PageScan& scan);
// After the scan: closes open tables; sets `changed` when it did. 0 or the
// result of a failed write.
int RepairTableEnds(PageScan& scan, TagKind finalTagKind, bool& changed);

}  // namespace hoard

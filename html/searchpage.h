// Result pages of the search service: the search header cut after the page
// title, and decorative images removed. For now no page is recognised.
#pragma once

#include "html/scanstate.h"

namespace hoard {

// At a "<TITLE>": cuts the search header of a result page; true when it did
// (the position then stands on `flushed`).
bool CheckSearchPageTitle(PageScan& scan);
// Removes one decorative image tag at the position. 1 when a write failed
// (the scan stops), else 0.
int CleanSearchPageImage(PageScan& scan);

}  // namespace hoard

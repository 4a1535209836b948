// Result pages of the search service: the search header cut after the page
// title, and decorative images removed.
#pragma once

#include <string_view>

#include "html/scanstate.h"

namespace hoard {

// The page title that marks a result page, in Shift_JIS and in EUC-JP.
// インフォシーク
inline constexpr std::string_view kSearchTitleShiftJis =
    "\x83\x43\x83\x93\x83\x74\x83\x48\x83\x56\x81\x5B\x83\x4E";
// インフォシーク
inline constexpr std::string_view kSearchTitleEuc =
    "\xA5\xA4\xA5\xF3\xA5\xD5\xA5\xA9\xA5\xB7\xA1\xBC\xA5\xAF";

// At a "<TITLE>": cuts the search header of a result page; true when it did
// (the position then stands on `flushed`).
bool CheckSearchPageTitle(PageScan& scan);
// Removes one decorative image tag at the position. 1 when a write failed
// (the scan stops), else 0.
int CleanSearchPageImage(PageScan& scan);

}  // namespace hoard

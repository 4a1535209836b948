// Lower-level writes of the scan: units in a chosen text form. The rule
// modules use the plain writes of scanstate.h; the scanner also keeps escapes
// of the source as they were written.
#pragma once

#include <cstddef>
#include <string_view>

#include "urlmap/scanstate.h"

namespace hoard {

// Makes room for `bytes` more bytes of text form (moving the unread source
// right when in place). false when they cannot fit.
bool ReserveText(ScanState& s, size_t bytes);
// One unit whose text form is `text`; counts in the component.
bool PutUnit(ScanState& s, unsigned char value, std::string_view text);
// One unit written as '%' and two upper-case hex digits.
bool PutEscapedUnit(ScanState& s, unsigned char value);

}  // namespace hoard

// Addresses inside script code, FORM ACTION, OPTION values and button
// handlers. These hooks are what the scan asks at each position of such a
// tag; for now none of them finds an address.
#pragma once

#include <cstddef>

#include "html/scanstate.h"

namespace hoard {

// Inside a script: the bytes to step over before an address (0 when no
// pattern matches); sets the quote that will end the value.
size_t MatchScriptPattern(const PageScan& scan, unsigned char& quote);
// Inside a FORM, OPTION or button tag, or an anchor calling a script: the
// attribute found at the position and its advance (0 when none).
size_t MatchFormAttribute(const PageScan& scan, AttributeKind& kind);
// Whether the '>' just stepped over (at `greaterAt`) belongs to script code.
bool IsScriptConditionGreater(const PageScan& scan, size_t greaterAt);

}  // namespace hoard

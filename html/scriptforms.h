// Addresses inside script code, FORM ACTION, OPTION values and button
// handlers: what the scan asks at each position of such a tag.
#pragma once

#include <cstddef>

#include "base/options.h"
#include "html/scanstate.h"

namespace hoard {

// Inside a script: the bytes to step over before an address (0 when no
// pattern matches); sets the quote that will end the value (0: the value
// ends at a space, a double quote or '>').
size_t MatchScriptPattern(const PageScan& scan, unsigned char& quote);
// Inside a FORM, OPTION or button tag, or an anchor calling a script: the
// attribute found at the position and its advance (0 when none). A script
// call sets the quote that ends its value.
size_t MatchFormAttribute(PageScan& scan, const Options& options, AttributeKind& kind);
// Whether the '>' just stepped over belongs to script code (a comparison
// inside a condition) rather than ending the script. The scan position
// stands after the '>' and the whitespace behind it.
bool IsScriptConditionGreater(const PageScan& scan, size_t greaterAt);

}  // namespace hoard

// Query-string naming rules: the rules that turn the query of a dynamic page
// (search results, counters, bulletin boards, shop catalogues) into a short,
// stable file name. They run inside the URL scan at four points: when a path
// component begins (query reordering), at a '?' (leading keys), at each '&'
// of a query (parameter rules) and when a query-derived name must be cut
// (page-number suffix). Both modes of the scan make the same decisions.
#pragma once

#include <cstddef>
#include <string_view>

#include "urlmap/nametables.h"
#include "urlmap/scanstate.h"

namespace hoard {

// At the start of a component, tried in the order the site rules give:
// moves the key parameter of a few search scripts to the front of the query,
// in place in the source.
RuleOutcome ApplyQueryReordering(ScanState& s);

// At a '?' (the source cursor stands on it). kNotApplied: the scan writes the
// '_' for the '?' itself and starts the query there.
RuleOutcome ApplyLeadingKeyRules(ScanState& s);

// At a '&' of a query (the source cursor stands on it). kNotApplied: the
// default, a '_' for the '&'.
RuleOutcome ApplyParameterRules(ScanState& s);

// The counter rule for a '|' followed by "df=" in a "Count.cgi" component.
RuleOutcome ApplyCounterBar(ScanState& s);

// The length limit of a name-flat component: cut back to 31 bytes or filled
// up to them, separators written as '_'. The extension step follows.
void LimitNameFlatComponent(ScanState& s);

// Cuts a query-derived name at unit `cut` (the cut mark, the query start or
// the end of the name), keeping a later page's offset behind a '_'.
void ApplyPageNumberSuffix(ScanState& s, size_t cut);

}  // namespace hoard

#include "urlmap/queryrules.h"

namespace hoard {

// The rule tables are filled in with their own tests; until then every query
// takes the scan's default path.

RuleOutcome ApplyQueryReordering(ScanState& /*s*/) { return RuleOutcome::kNotApplied; }

RuleOutcome ApplyLeadingKeyRules(ScanState& /*s*/) { return RuleOutcome::kNotApplied; }

RuleOutcome ApplyParameterRules(ScanState& /*s*/) { return RuleOutcome::kNotApplied; }

RuleOutcome ApplyCounterBar(ScanState& /*s*/) { return RuleOutcome::kNotApplied; }

bool LimitNameFlatComponent(ScanState& /*s*/) { return false; }

void ApplyPageNumberSuffix(ScanState& s, size_t cut) {
  // Without an offset to keep, the name simply ends at the cut.
  if (cut < s.units) TakeBackUnits(s, s.units - cut);
}

}  // namespace hoard

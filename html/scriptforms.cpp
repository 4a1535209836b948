#include "html/scriptforms.h"

namespace hoard {

size_t MatchScriptPattern(const PageScan& /*scan*/, unsigned char& /*quote*/) { return 0; }

size_t MatchFormAttribute(const PageScan& /*scan*/, AttributeKind& kind) {
  kind = AttributeKind::kNone;
  return 0;
}

bool IsScriptConditionGreater(const PageScan& /*scan*/, size_t /*greaterAt*/) { return false; }

}  // namespace hoard

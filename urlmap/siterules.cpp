#include "urlmap/siterules.h"

#include <algorithm>
#include <cstring>

#include "urlmap/urlmap.h"

namespace hoard {
namespace {

// What a whole-URL rule leaves behind when it does not apply.
constexpr size_t kWholeUrlCopyBytes = 512;

int CopyUnchanged(char* dest, size_t destCapacity, const char* url) {
  if (dest != url && destCapacity > 0) {
    size_t length = std::min(std::strlen(url), kWholeUrlCopyBytes);
    length = std::min(length, destCapacity - 1);
    std::memmove(dest, url, length);
    dest[length] = '\0';
  }
  return 0;
}

// A URL scheme at the start of a component is copied whole and a new
// component starts after it, so that the host becomes the first folder.
RuleOutcome CopyScheme(ScanState& s) {
  if (LinkSchemeLength(s.source) <= 6) return RuleOutcome::kNotApplied;
  // The scheme alone: a counting wrapper in front of the wrapped URL is its
  // own rule.
  const size_t length = SourceBeginsWith(s, "https://") ? 8 : 7;
  CopySource(s, length);
  BeginComponent(s);
  return RuleOutcome::kContinue;
}

}  // namespace

// The rewriting rows come with their site-table hosts; until then these
// rules never apply.
int UnwrapChannelRedirect(char* dest, size_t destCapacity, const char* url) {
  return CopyUnchanged(dest, destCapacity, url);
}

int RewriteBookmarkUrl(char* dest, size_t destCapacity, const char* url) {
  return CopyUnchanged(dest, destCapacity, url);
}

int RewriteDirectoryLookup(char* dest, size_t destCapacity, const char* url) {
  return CopyUnchanged(dest, destCapacity, url);
}

RuleOutcome ApplyComponentStartRules(ScanState& s) {
  // The rows before and after the scheme row join this list in their order.
  return CopyScheme(s);
}

RuleOutcome ApplyAnyPositionRules(ScanState& /*s*/) { return RuleOutcome::kNotApplied; }

RuleOutcome ApplyArticleNumberRule(ScanState& /*s*/) { return RuleOutcome::kNotApplied; }

void ApplyHostingCounter(ScanState& /*s*/) {}

}  // namespace hoard

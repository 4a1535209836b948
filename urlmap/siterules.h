// Site-specific rules: URLs of particular portals, search services, news
// services, counters and bulletin boards are recognised by fixed texts and
// rewritten so that the stored file gets a short, stable name and links to it
// are rewritten the same way. Three whole-URL rules run before the scan (and
// in the per-file pipeline); the others run inside the scan.
#pragma once

#include <cstddef>

#include "urlmap/scanstate.h"

namespace hoard {

// Whole-URL rules. dest may be the url (in place). 0: the rule does not
// apply, and dest receives a copy of the url (at most 512 bytes) when the two
// differ; otherwise the code of the form that was rewritten.
int UnwrapChannelRedirect(char* dest, size_t destCapacity, const char* url);  // 0, 1, 2
int RewriteBookmarkUrl(char* dest, size_t destCapacity, const char* url);     // 0, 9, 10
int RewriteDirectoryLookup(char* dest, size_t destCapacity, const char* url); // 0, 1

// Which whole-URL rule rewrote a URL.
enum class WholeUrlRule { kNone, kChannelRedirect, kInfoseek, kBookmark, kDirectoryLookup };

// The whole-URL rules in the order they are tried, the first that applies
// ending the list: the channel redirector, the search service's addresses,
// the bookmark pages, the directory lookups. The one chain that both the
// per-file conversion and the scan of every link run. dest may be the url.
WholeUrlRule ApplyWholeUrlRules(char* dest, size_t destCapacity, const char* url);

// At the start of a path component (component length 0), in table order.
RuleOutcome ApplyComponentStartRules(ScanState& s);
// At every position of the scan.
RuleOutcome ApplyAnyPositionRules(ScanState& s);
// The article-number rule of infoseek content pages.
RuleOutcome ApplyArticleNumberRule(ScanState& s);
// The goo search naming of "default.asp?", "?MT=" and "search.jsp?MT=" (the
// source cursor stands on the script): writes the whole name, which ends.
void GooSearchName(ScanState& s);
// The hosting-service counter, a finishing step of the scan.
void ApplyHostingCounter(ScanState& s);

}  // namespace hoard

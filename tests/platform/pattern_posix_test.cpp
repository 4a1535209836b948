// Folder-listing patterns on POSIX read as Windows reads them.
#include <gtest/gtest.h>

#include "platform/posix/pattern.h"

namespace hoard::platform {
namespace {

TEST(MatchesWindowsPattern, FollowsTheWindowsWildcardRules) {
  struct Case {
    const char* what;
    const char* pattern;
    const char* name;
    bool matches;
  };
  const Case cases[] = {
      {"star-dot-star takes a name without a dot", "*.*", "M0000001", true},
      {"star-dot-star takes a name with dots", "*.*", "a.b.c", true},
      {"star-dot-star takes a leading-dot name", "*.*", ".hidden", true},
      {"prefix star-dot-star takes a bare name", "cache*.*", "cache0001", true},
      {"prefix star-dot-star needs the prefix", "cache*.*", "JCH00001.HTM", false},
      {"named file with any extension takes the bare name", "CCHMGR20.*", "CCHMGR20", true},
      {"extension compares ASCII case-blind", "*.htm", "JCH00012.HTM", true},
      {"the extension must end the name", "*.htm", "a.html", false},
      {"question mark is one byte", "M000000?", "M0000001", true},
      {"question mark is not zero bytes", "M000000?", "M000000", false},
      {"star backtracks", "*a*b", "xaxab", true},
      {"star backtracks but the tail must match", "*a*b", "xaxa", false},
      {"trailing dot takes only names without a dot", "*.", "README", true},
      {"trailing dot refuses a name with a dot", "*.", "a.txt", false},
      {"Shift_JIS bytes compare exactly", "\x83\x65*", "\x83\x65\x83\x58.htm", true},
      {"a trail byte 0x5C is a plain byte", "\x83\x5c.htm", "\x83\x5c.htm", true},
      {"only ASCII letters fold", "\xe0.htm", "\xc0.htm", false},
      {"empty pattern takes only an empty name", "", "a", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MatchesWindowsPattern(c.pattern, c.name), c.matches);
  }
}

}  // namespace
}  // namespace hoard::platform

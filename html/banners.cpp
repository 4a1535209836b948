#include "html/banners.h"

#include <array>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "html/pagefile.h"
#include "urlmap/sitetable.h"

namespace hoard {
namespace {

// A banner block: its opening and the line that closes it. The ad-transfer
// table names the transfer service's host between its two halves.
struct BannerMarker {
  std::string_view start;
  bool adTransferHost;
  std::string_view startTail;
  std::string_view end;
};

constexpr std::string_view kWhiteAdTable =
    "<TABLE BORDER=0 CELLSPACING=0 CELLPADDING=3 WIDTH=\"100%\" BGCOLOR=\"#FFFFFF\"><TR><TD>\r\n"
    "<CENTER><A HREF=\"http://";
constexpr std::string_view kWhiteAdTableTail = "/cgi/aftransfer.pl?";
constexpr size_t kAdTransferHostLength = 15;
static_assert(kWhiteAdTable.size() + kAdTransferHostLength + kWhiteAdTableTail.size() == 143);

// In the order they are tried.
constexpr BannerMarker kBannerMarkers[] = {
    {"<!-- START_Banner -->", false, "", "<!-- END_Banner -->"},
    {"<!-- START_DC_Banner -->", false, "", "<!-- END_DC_Banner -->"},
    {"<!-- START Right Ad -->", false, "", "<!-- END Right Ad -->"},
    {"<TABLE BORDER=0 CELLSPACING=0 CELLPADDING=3 WIDTH=\"100%\" BGCOLOR=\"#FFFFCC\"><TR><TD>",
     false, "", "</TD></TR></TABLE>"},
    {kWhiteAdTable, true, kWhiteAdTableTail, "</table>"},
    {"<!-- START GenIcon -->", false, "", "<!-- END GenIcon -->"},
};

// The end is looked for from this far into the block, whatever its opening.
constexpr size_t kBannerSearchSkip = 21;

bool MatchBannerStart(const PageScan& scan, const BannerMarker& marker) {
  const size_t at = scan.position;
  if (!MatchToken(scan, at, marker.start)) return false;
  if (!marker.adTransferHost) return true;
  const SiteHost& host = Sites().adTransferHost;
  if (!IsSuppliedHost(host)) return false;
  const size_t hostAt = at + marker.start.size();
  return MatchToken(scan, hostAt, host.text) &&
         MatchToken(scan, hostAt + host.length, marker.startTail);
}

// Where the line holding `end` finishes, within the lines after `from`; 0
// when it is not found.
size_t FindEndLine(const PageScan& scan, size_t from, std::string_view end) {
  size_t line = from;
  for (int examined = 0; examined < kBlockEndLines; ++examined) {
    line = NextLineStart(scan, line);
    if (line >= scan.size) return 0;
    if (MatchToken(scan, line, end)) return line + end.size();
  }
  return 0;
}

enum class PreChange : uint8_t { kNone, kOn, kOff };

// A token that may follow another; its bytes are consumed with it.
struct FollowOn {
  std::string_view token;
  int8_t tables;  // +1 opens a table, -1 closes one
  TagKind kind;
};

// What the second follow-on is to the first.
enum class FollowMode : uint8_t {
  kNone,
  kFirstOnly,  // only the first is tried
  kEither,     // the second is tried when the first does not follow
  kChained,    // the second is tried after the first has followed
};

struct TableToken {
  std::string_view token;
  int8_t tables;
  TagKind kind;
  PreChange pre;
  FollowMode mode;
  FollowOn first;
  FollowOn second;
};

constexpr FollowOn kNoFollow{"", 0, TagKind::kNone};

// In the order they are tried; the first that matches wins. A follow-on is
// tested where the token ends.
constexpr TableToken kTableTokens[] = {
    {"<TABLE ", 1, TagKind::kTable, PreChange::kNone, FollowMode::kNone, kNoFollow, kNoFollow},
    {"<TABLE>", 1, TagKind::kNone, PreChange::kNone, FollowMode::kFirstOnly,
     {"<td></td></table>", -1, TagKind::kNone}, kNoFollow},
    {"</TABLE>", -1, TagKind::kNone, PreChange::kNone, FollowMode::kFirstOnly,
     {"</TD></TR></TABLE>", -1, TagKind::kNone}, kNoFollow},
    {"</HTML>", 0, TagKind::kNone, PreChange::kNone, FollowMode::kNone, kNoFollow, kNoFollow},
    {"<TD>", 0, TagKind::kNone, PreChange::kNone, FollowMode::kEither,
     {"</td></table></td>", -1, TagKind::kNone}, {"<TABLE ", 1, TagKind::kTable}},
    {"<TD ", 0, TagKind::kCell, PreChange::kNone, FollowMode::kNone, kNoFollow, kNoFollow},
    {"<TR><TD ", 0, TagKind::kCell, PreChange::kNone, FollowMode::kNone, kNoFollow, kNoFollow},
    {"<TR>", 0, TagKind::kNone, PreChange::kNone, FollowMode::kNone, kNoFollow, kNoFollow},
    {"<PRE>", 0, TagKind::kNone, PreChange::kOn, FollowMode::kNone, kNoFollow, kNoFollow},
    {"</PRE>", 0, TagKind::kNone, PreChange::kOff, FollowMode::kNone, kNoFollow, kNoFollow},
    {"</TD></TR></TABLE><TABLE ", 0, TagKind::kTable, PreChange::kNone, FollowMode::kNone,
     kNoFollow, kNoFollow},
    {"</TD></TR></TABLE>", -1, TagKind::kNone, PreChange::kNone, FollowMode::kFirstOnly,
     {"</TD></TR><TR><TD>", 0, TagKind::kNone}, kNoFollow},
    {"</TD></TABLE>", -1, TagKind::kNone, PreChange::kNone, FollowMode::kFirstOnly,
     {"</TD></TR></TABLE>", -1, TagKind::kNone}, kNoFollow},
    {"</TD></TR><TR><TD>", 0, TagKind::kNone, PreChange::kNone, FollowMode::kNone, kNoFollow,
     kNoFollow},
    {"</TD></TR><TR><TD ", 0, TagKind::kCell, PreChange::kNone, FollowMode::kNone, kNoFollow,
     kNoFollow},
    {"</TD></TR><TR>", 0, TagKind::kNone, PreChange::kNone, FollowMode::kNone, kNoFollow,
     kNoFollow},
    {"</TD></TR><TR ", 0, TagKind::kRow, PreChange::kNone, FollowMode::kNone, kNoFollow,
     kNoFollow},
    {"</TD></TR>", 0, TagKind::kNone, PreChange::kNone, FollowMode::kNone, kNoFollow, kNoFollow},
    {"</TD>", 0, TagKind::kNone, PreChange::kNone, FollowMode::kChained,
     {"<TD>", 0, TagKind::kNone}, {"<TABLE ", 1, TagKind::kTable}},
    {"</TR></TABLE>", -1, TagKind::kNone, PreChange::kNone, FollowMode::kNone, kNoFollow,
     kNoFollow},
    {"</TR><TR><TD ", 0, TagKind::kCell, PreChange::kNone, FollowMode::kNone, kNoFollow,
     kNoFollow},
    {"</TR><TR>", 0, TagKind::kNone, PreChange::kNone, FollowMode::kNone, kNoFollow, kNoFollow},
    {"</TR>", 0, TagKind::kNone, PreChange::kNone, FollowMode::kNone, kNoFollow, kNoFollow},
    {"<TR ", 0, TagKind::kRow, PreChange::kNone, FollowMode::kNone, kNoFollow, kNoFollow},
};

// A row's first bytes after its '<', folded: the second byte, and after a
// '/' the third too. A row is tried only where the page's bytes give its key.
constexpr uint16_t TokenKey(unsigned char second, unsigned char third) {
  const unsigned char folded = FoldAscii(second);
  return folded == '/' ? static_cast<uint16_t>(folded | (FoldAscii(third) << 8)) : folded;
}
constexpr std::array<uint16_t, std::size(kTableTokens)> MakeTokenKeys() {
  std::array<uint16_t, std::size(kTableTokens)> keys{};
  for (size_t i = 0; i < keys.size(); ++i) {
    keys[i] = TokenKey(static_cast<unsigned char>(kTableTokens[i].token[1]),
                       static_cast<unsigned char>(kTableTokens[i].token[2]));
  }
  return keys;
}
constexpr auto kTokenKeys = MakeTokenKeys();

// The count never goes below 0; it stops at its largest value rather than
// wrap on a page of endless nesting.
void CountTables(PageScan& scan, int8_t tables) {
  if (tables > 0 && scan.openTables < INT16_MAX) ++scan.openTables;
  if (tables < 0 && scan.openTables > 0) --scan.openTables;
}

// Consumes `follow` at `end` when it is there; true when it was.
bool TakeFollowOn(PageScan& scan, const FollowOn& follow, size_t& end) {
  if (!MatchToken(scan, end, follow.token)) return false;
  end += follow.token.size();
  CountTables(scan, follow.tables);
  if (follow.kind != TagKind::kNone) scan.tagKind = follow.kind;
  return true;
}

constexpr std::string_view kTableEnd = "</TABLE>";
// Closing tags written per call.
constexpr size_t kTableEndsPerWrite = 64;

}  // namespace

size_t NextLineStart(const PageScan& scan, size_t from) {
  size_t i = from;
  while (i < scan.size && scan.text[i] != '\n' && scan.text[i] != '\r') ++i;
  if (i >= scan.size) return scan.size;
  if (scan.text[i] == '\r') {
    ++i;
    if (i < scan.size && scan.text[i] == '\n') {
      ++i;
      if (i < scan.size && scan.text[i] == '\n') ++i;
    }
  } else {
    ++i;
  }
  if (i < scan.size && scan.text[i] == ' ') ++i;
  return i;
}

bool CutBannerBlock(PageScan& scan) {
  const size_t at = scan.position;
  // A page that begins with a marker keeps it. Every marker begins with '<'.
  if (at == 0 || at >= scan.size || scan.text[at] != '<') return false;
  for (const BannerMarker& marker : kBannerMarkers) {
    if (!MatchBannerStart(scan, marker)) continue;
    const size_t end = FindEndLine(scan, at + kBannerSearchSkip, marker.end);
    if (end == 0) continue;
    // Without an output the block stays and the scan goes on.
    if (!scan.outputOpened && OpenPageOutput(scan) != 0) return false;
    if (WriteUpTo(scan, at) != 0) return false;
    scan.flushed = end;
    scan.position = end;
    return true;
  }
  return false;
}

bool StepTableToken(PageScan& scan) {
  const size_t at = scan.position;
  // Every table token begins with '<'.
  if (at >= scan.size || scan.text[at] != '<') return false;
  if (at + 2 >= scan.size) return false;  // no token is shorter than four bytes
  const uint16_t key = TokenKey(scan.text[at + 1], scan.text[at + 2]);
  for (size_t i = 0; i < std::size(kTableTokens); ++i) {
    const TableToken& row = kTableTokens[i];
    if (kTokenKeys[i] != key || !MatchToken(scan, at, row.token)) continue;
    size_t end = at + row.token.size();
    scan.tagKind = row.kind;
    CountTables(scan, row.tables);
    if (row.pre == PreChange::kOn) scan.inPre = true;
    if (row.pre == PreChange::kOff) scan.inPre = false;
    switch (row.mode) {
      case FollowMode::kNone:
        break;
      case FollowMode::kFirstOnly:
        TakeFollowOn(scan, row.first, end);
        break;
      case FollowMode::kEither:
        if (!TakeFollowOn(scan, row.first, end)) TakeFollowOn(scan, row.second, end);
        break;
      case FollowMode::kChained:
        if (TakeFollowOn(scan, row.first, end)) TakeFollowOn(scan, row.second, end);
        break;
    }
    scan.position = scan.tagKind != TagKind::kNone ? end : end - 1;
    return true;
  }
  return false;
}

int RepairTableEnds(PageScan& scan, TagKind finalTagKind, bool& changed) {
  if (scan.openTables <= 0) return 0;
  if (!scan.outputOpened && OpenPageOutput(scan) != 0) return FailPage(scan, kStopped);
  int result = WriteUpTo(scan, scan.size);
  // A tag cut off by the end of the page is closed first.
  if (result == 0 && finalTagKind != TagKind::kNone && finalTagKind != TagKind::kScript) {
    result = WriteBytesOut(scan, " >");
  }
  if (result == 0) result = WriteBytesOut(scan, "\r\n\r\n");
  if (result == 0 && scan.inPre) result = WriteBytesOut(scan, "</PRE>\r\n");
  char ends[kTableEndsPerWrite * kTableEnd.size()];
  for (size_t i = 0; i < kTableEndsPerWrite; ++i) {
    for (size_t j = 0; j < kTableEnd.size(); ++j) ends[i * kTableEnd.size() + j] = kTableEnd[j];
  }
  size_t left = static_cast<size_t>(scan.openTables);
  while (result == 0 && left > 0) {
    const size_t count = left < kTableEndsPerWrite ? left : kTableEndsPerWrite;
    result = WriteBytesOut(scan, std::string_view(ends, count * kTableEnd.size()));
    left -= count;
  }
  // Only a page whose repair was written whole counts as repaired.
  if (result == 0) changed = true;
  return result;
}

}  // namespace hoard

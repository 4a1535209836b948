#include "html/searchpage.h"

#include "base/ascii.h"
#include "html/banners.h"
#include "urlmap/sitetable.h"

namespace hoard {
namespace {

constexpr std::string_view kTitle = "<TITLE>";
constexpr std::string_view kTitleText = "Infoseek Japan</TITLE>";
constexpr std::string_view kHeaderStart = "<!-- START Header_Search_JW_JY_Chmach -->";
constexpr std::string_view kHeaderEnd = "<!-- END Header_Search_JW_JY_Chmach -->";

// A position in the text being matched piece by piece; `at` moves past each
// piece that matched.
struct Cursor {
  const PageScan& scan;
  size_t at;
  bool Take(std::string_view piece) {
    if (!MatchToken(scan, at, piece)) return false;
    at += piece.size();
    return true;
  }
  template <size_t N>
  bool TakeAny(const std::string_view (&pieces)[N]) {
    for (std::string_view piece : pieces) {
      if (Take(piece)) return true;
    }
    return false;
  }
  // A digit, and a second one when the first is '1'.
  bool TakeSize() {
    if (at >= scan.size || !IsDigitAscii(scan.text[at])) return false;
    const bool one = scan.text[at] == '1';
    ++at;
    if (one && at < scan.size && IsDigitAscii(scan.text[at])) ++at;
    return true;
  }
  bool TakeBytes(size_t n) {
    if (scan.size - at < n) return false;
    at += n;
    return true;
  }
};

// The folders the service's images are served from.
bool TakeImageFolder(Cursor& c) {
  if (c.Take("/images/") || c.Take("./images/")) return true;
  const SiteHost& host = Sites().iJapaneseHost;
  if (!IsSuppliedHost(host)) return false;
  Cursor probe = c;
  if (probe.Take("http://") && probe.Take(host.text) && probe.Take("/images/")) {
    c.at = probe.at;
    return true;
  }
  return false;
}

constexpr std::string_view kTailEndings[] = {
    "\">",
    "\" align=\"right\" hspace=\"5\" border=\"0\">",
    "\" BORDER=\"0\" HSPACE=\"0\" VSPACE=\"0\" ALT=\"\">",
    "\" BORDER=\"0\">",
    "\" HSPACE=\"5\">",
};

// The width and height an image tag closes with.
bool TakeSizeTail(Cursor& c) {
  constexpr std::string_view kWidths[] = {"\" width=\"", "\"; width=\""};
  return c.TakeAny(kWidths) && c.TakeSize() && c.Take("\" height=\"") && c.TakeSize() &&
         c.TakeAny(kTailEndings);
}

constexpr std::string_view kResultTables[] = {
    "<TABLE WIDTH=\"100%\" CELLPADDING=\"0\" CELLSPACING=\"0\" BORDER=\"0\">",
    "<TABLE WIDTH=\"100%\" BORDER=\"0\" CELLPADDING=\"4\" CELLSPACING=\"0\">",
};
constexpr std::string_view kResultTableEnd =
    "clear.gif\" width=165 height=5 align=left ALT=\"\"></TD></TR></TABLE>";

constexpr std::string_view kFileIcon =
    "<img width=\"12\" height=\"15\" BORDER=\"0\" ALT=\"File\" src=\"";
constexpr std::string_view kUnderIcon =
    "<img width=\"13\" height=\"12\" BORDER=\"0\" ALT=\"Under\" src=\"";
constexpr std::string_view kIconFolders[] = {"jp/", "isj996/icons/"};

constexpr std::string_view kAdImage = "<img border=0 width=468 height=60 src=\"";
constexpr std::string_view kImage = "<img src=\"";

constexpr std::string_view kFixedEndings[] = {
    "jp/file.gif\" width=25 height=31 ALT=\"\">",
    "isj00/sd/camp_1.gif\" WIDTH=\"43\" HEIGHT=\"60\">",
    "jp/dir.gif\"  VSPACE=0 height=14 width=18 alt=\"dir\" border=0>",
    "clear.gif\" width=165 height=5 align=left ALT=\"\">",
};
constexpr std::string_view kSymbolFolder = "isj00/symbols/";
constexpr std::string_view kSymbolEnding =
    "_sy.gif\" WIDTH=\"36\" HEIGHT=\"36\" HSPACE=\"2\" VSPACE=\"2\">";
constexpr std::string_view kSizedFiles[] = {
    "isj996/clear.gif",
    "isj996/icons/left.gif",
    "isj996/icons/left2.gif",
    "isj996/icons/right.gif",
    "isj996/icons/right2.gif",
    "isj996/icons/hint.gif\" VSPACE=\"2",
    "isj996/icons/cicon.gif\" ALIGN=\"BOTTOM",
    "isj996/icons/chk_icon.gif",
    "isj996/icons/tool.gif",
};
constexpr std::string_view kListFolders[] = {
    "isj996/icons/", "isj00/home/", "isj00/sd/", "isj00/symbols/",
};
constexpr std::string_view kListFiles[] = {
    "a_bridge2.gif", "a_end2.gif",      "a_next2.gif",   "a_open2.gif",   "allow1.gif",
    "arrow_r_g.gif", "arrow_r_y.gif",   "arrow_w.gif",   "click.gif",     "i_check_red.gif",
    "i_file_b.gif",  "ic_book_b.gif",   "i_hint.gif",    "maile.gif",     "q01.gif",
    "q02.gif",       "select.gif",
};

// The first byte of `opening` at the position, or one byte before it when
// the position stands just after its '<'; the text after the opening is in
// `c`. false when the opening is not there.
bool TakeOpening(const PageScan& scan, std::string_view opening, size_t& start, Cursor& c) {
  const size_t at = scan.position;
  if (MatchToken(scan, at, opening)) {
    start = at;
  } else if (at > 0 && scan.text[at - 1] == '<' && MatchToken(scan, at, opening.substr(1))) {
    start = at - 1;
  } else {
    return false;
  }
  c.at = start + opening.size();
  return true;
}

// The rest of a decorative image after its folder prefix.
bool TakeDecorativeEnding(Cursor& c) {
  for (std::string_view ending : kFixedEndings) {
    if (c.Take(ending)) return true;
  }
  {
    Cursor probe = c;
    if (probe.Take(kSymbolFolder) && probe.TakeBytes(2) && probe.Take(kSymbolEnding)) {
      c.at = probe.at;
      return true;
    }
  }
  for (std::string_view file : kSizedFiles) {
    Cursor probe = c;
    if (probe.Take(file)) {
      if (!TakeSizeTail(probe)) return false;
      c.at = probe.at;
      return true;
    }
  }
  Cursor probe = c;
  if (!probe.TakeAny(kListFolders) || !probe.TakeAny(kListFiles) || !TakeSizeTail(probe)) {
    return false;
  }
  c.at = probe.at;
  return true;
}

// The decorative image tag at the position: its first byte and the byte
// after it. false when there is none.
bool FindDecorativeImage(const PageScan& scan, size_t& start, size_t& end) {
  Cursor c{scan, 0};
  if (scan.searchPage) {
    for (std::string_view opening : kResultTables) {
      if (TakeOpening(scan, opening, start, c)) {
        if (!TakeImageFolder(c) || !c.Take(kResultTableEnd)) return false;
        end = c.at;
        return true;
      }
    }
  }
  if (TakeOpening(scan, kFileIcon, start, c)) {
    if (!TakeImageFolder(c) || !c.TakeAny(kIconFolders) ||
        !c.Take("file_blue.gif\" hspace=\"5\">")) {
      return false;
    }
    end = c.at;
    return true;
  }
  if (TakeOpening(scan, kUnderIcon, start, c)) {
    if (!TakeImageFolder(c) || !c.TakeAny(kIconFolders) || !c.Take("under.gif\">")) return false;
    end = c.at;
    return true;
  }
  if (TakeOpening(scan, kAdImage, start, c)) {
    if (!TakeImageFolder(c) || !c.Take("ads/ISJ") || c.at >= scan.size ||
        !IsUpperAscii(scan.text[c.at])) {
      return false;
    }
    ++c.at;
    for (int i = 0; i < 4; ++i, ++c.at) {
      if (c.at >= scan.size || !IsDigitAscii(scan.text[c.at])) return false;
    }
    if (!c.Take(".gif\" alt=\"[infoseek Japan]\">")) return false;
    end = c.at;
    return true;
  }
  if (TakeOpening(scan, kImage, start, c)) {
    if (!TakeImageFolder(c) || !TakeDecorativeEnding(c)) return false;
    end = c.at;
    return true;
  }
  return false;
}

}  // namespace

bool CheckSearchPageTitle(PageScan& scan) {
  if (scan.position >= scan.size || scan.text[scan.position] != '<' ||
      !MatchToken(scan, scan.position, kTitle)) {
    return false;
  }
  size_t at = scan.position + kTitle.size();
  if (at < scan.size && scan.text[at] == ' ') ++at;
  // The Japanese titles compare exactly: a folded trail byte would be
  // another character.
  if (!MatchToken(scan, at, kTitleText) && !MatchExact(scan, at, kSearchTitleShiftJis) &&
      !MatchExact(scan, at, kSearchTitleEuc)) {
    return false;
  }
  size_t headerStart = 0;
  bool started = false;
  size_t line = at;
  for (int examined = 0; examined < kBlockEndLines; ++examined) {
    line = NextLineStart(scan, line);
    if (line >= scan.size) return false;
    if (!started && MatchToken(scan, line, kHeaderStart)) {
      started = true;
      headerStart = line;
      line += kHeaderStart.size();
    }
    if (started && MatchToken(scan, line, kHeaderEnd)) {
      // Without an output the header stays and the scan goes on.
      if (!scan.outputOpened && OpenPageOutput(scan) != 0) return false;
      if (WriteUpTo(scan, headerStart) != 0) return false;
      scan.flushed = line + kHeaderEnd.size();
      scan.position = scan.flushed;
      scan.searchPage = true;
      return true;
    }
  }
  return false;
}

int CleanSearchPageImage(PageScan& scan) {
  // Every opening begins with '<', at the position or just before it.
  const size_t at = scan.position;
  if (at >= scan.size || (scan.text[at] != '<' && (at == 0 || scan.text[at - 1] != '<'))) {
    return 0;
  }
  size_t start = 0;
  size_t end = 0;
  if (!FindDecorativeImage(scan, start, end)) return 0;
  // A '<' already written stays: the tag is then kept whole.
  if (start < scan.flushed) return 0;
  if (!scan.outputOpened && OpenPageOutput(scan) != 0) return 1;
  if (WriteUpTo(scan, start) != 0) return 1;
  scan.flushed = end;
  return 0;
}

}  // namespace hoard

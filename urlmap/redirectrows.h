// The redirector rows: the fixed texts by which a redirector URL is known and
// where its target begins and ends. The rows are tried in this order and the
// first whose pattern is present decides.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "urlmap/sitetable.h"

namespace hoard {

// Where a row's pattern is looked for in the source.
enum class RowPlace : uint8_t {
  kAtStart,                // the source's first byte
  kAtStartHttp,            // "http://" at the first byte, then the pattern
  kAfterScheme,            // after "http://" or "https://" when present
  kAfterRelative,          // after a leading "/", "./", "../" or "../../"
  kAfterPortalOrRelative,  // after the portal prefix, else the relative one
  kAfterPortalOrStart,     // after the portal prefix, else at the start
  kAfterSearchPrefix,      // after the search service's host
  kAfterSearchPrefixSlash, // the same, skipping one '/' there
  kAtTransferOffset,       // where the search-transfer script would stand
  kAfterClickTracking,     // after the section word of a click-tracking URL
  kAnywhere,               // the row searches the whole source itself
};

// How the target's end is found.
enum class RowEnd : uint8_t {
  kMark,              // the first '&' after the mark
  kNextAmpersand,     // the first '&' after the target's first byte
  kToEnd,             // the rest of the source
  kToEndWhenQuery,    // the rest when a '?' follows, else the next '&'
  kMarkUnlessSearch,  // the mark, unless a query or search parameter follows
};

// Rows whose pattern has a shape of its own.
enum class RowShape : uint8_t {
  kTexts,            // host, one of the texts, then one of the later texts
  kNumberedScript,   // the script name repeats one digit
  kSemicolonWithin,  // the target follows a ';' close after the texts
  kEmbeddedScript,   // a go script named anywhere in the source
};

// A fixed text and where in it the target begins.
struct RowText {
  std::string_view text;
  uint8_t targetAt = 0;
};

constexpr size_t kNoHttp = static_cast<size_t>(-1);

constexpr size_t HttpOffset(std::string_view text) {
  const size_t at = text.find("http");
  return at == std::string_view::npos ? kNoHttp : at;
}

// A text that only has to be present.
constexpr RowText Text(std::string_view text) { return {text, 0}; }
// The target begins at the text's first "http".
constexpr RowText AtHttp(std::string_view text) {
  return {text, static_cast<uint8_t>(HttpOffset(text))};
}
// The target begins after the text.
constexpr RowText After(std::string_view text) {
  return {text, static_cast<uint8_t>(text.size())};
}
// The target begins this many bytes into the text.
constexpr RowText At(std::string_view text, size_t offset) {
  return {text, static_cast<uint8_t>(offset)};
}

constexpr size_t kMaxRowTexts = 2;
constexpr size_t kMaxLaterTexts = 5;
constexpr uint8_t kLaterAfterPattern = 0;

struct RedirectRow {
  RowPlace place = RowPlace::kAtStart;
  SiteHost SiteTable::*host = nullptr;            // a site value after the place
  std::array<RowText, kMaxRowTexts> texts = {};   // one of these follows
  std::array<RowText, kMaxLaterTexts> later = {}; // then the first of these
                                                  // found further on
  uint8_t laterFrom = kLaterAfterPattern;         // or from this source byte
  RowEnd end = RowEnd::kMark;
  bool fallsThrough = false;    // a missing later text tries the next row
  bool notAtTransfer = false;   // not when the search-transfer script stands
  bool addsScheme = false;      // "http://" before a target without one
  RowShape shape = RowShape::kTexts;
};

// The go scripts found anywhere in a source, tried in this order.
constexpr std::array<std::string_view, 7> kEmbeddedScripts = {
    "x.cgi?http://", ".cgi?prop=fr&url=http://", ".cgi?URL=http://", "ad.cgi?http",
    "gs.cgi?http",   "sc.cgi?http",              "jump.cgi?http",
};

constexpr std::string_view kSearchTransferScript = "search_trans?";
constexpr std::string_view kSearchRedirectScript = "/redirect?";
constexpr size_t kRelocateWindowBytes = 65;


constexpr RedirectRow kRedirectRows[] = {
    // The search service's Italian go script, and the same script relative.
    {.place = RowPlace::kAfterScheme, .host = &SiteTable::iItalianHost,
     .texts = {AtHttp("/cgi/go.pl?http://")}},
    {.texts = {AtHttp("/cgi/go.pl?http://")}},
    {.texts = {After("/top/cgi-bin/top_log.cgi?URL=")}},
    {.texts = {At("goto?/", 5)}},
    {.texts = {After("goto-GIFyahooj?")}},
    {.texts = {After("goto-GIFinfonavi?")}},
    {.place = RowPlace::kAfterRelative, .texts = {Text("jaw/outc.cgi?id=")},
     .later = {AtHttp("&go=http://")}, .laterFrom = 16, .fallsThrough = true},
    // Portal G's click counters.
    {.place = RowPlace::kAfterPortalOrRelative, .texts = {AtHttp("topics_ct.asp?DEST=http")}},
    {.place = RowPlace::kAfterPortalOrRelative, .texts = {AtHttp("mogi_ct.asp?DEST=http")}},
    {.place = RowPlace::kAfterPortalOrRelative, .texts = {AtHttp("ad_ct.asp?DEST=http")}},
    {.place = RowPlace::kAfterPortalOrRelative, .texts = {Text("topics_ct.asp?")},
     .later = {AtHttp("DEST=http")}, .fallsThrough = true},
    {.place = RowPlace::kAfterPortalOrRelative, .texts = {Text("results_ct.html?")},
     .later = {AtHttp("&DEST=http")}, .end = RowEnd::kNextAmpersand},
    {.place = RowPlace::kAtStartHttp, .host = &SiteTable::gCategoryHost,
     .texts = {After("/cgi-bin/redir.cgi?DEST=")}},
    {.place = RowPlace::kAtStartHttp, .host = &SiteTable::channelHost,
     .texts = {Text("/cgi-bin/redir/go.cgi?")}, .later = {AtHttp("&to_url=http://")},
     .fallsThrough = true},
    {.place = RowPlace::kAtStartHttp, .host = &SiteTable::channelHost,
     .texts = {Text("/cgi-bin/red2.cgi?from_url=")}, .later = {AtHttp("&to_url=http://")},
     .fallsThrough = true},
    {.place = RowPlace::kAtStartHttp, .host = &SiteTable::gNumberedRedirectHost,
     .later = {AtHttp("&to_url=http://")}, .laterFrom = 64, .fallsThrough = true,
     .shape = RowShape::kNumberedScript},
    {.texts = {Text("/relocate/co="), Text("/relocate/ad=")}, .end = RowEnd::kMarkUnlessSearch,
     .shape = RowShape::kSemicolonWithin},
    // Portal Y's link scripts.
    {.place = RowPlace::kAtStartHttp, .host = &SiteTable::yJapaneseHost,
     .texts = {AtHttp("/othersearch/?http://")}, .end = RowEnd::kToEnd},
    {.place = RowPlace::kAtStartHttp, .host = &SiteTable::yJapaneseHost,
     .texts = {After("/remote/?")}, .end = RowEnd::kToEnd},
    {.place = RowPlace::kAtStartHttp, .host = &SiteTable::yFrenchHost,
     .texts = {After("/mainlink/?")}, .end = RowEnd::kToEnd},
    {.place = RowPlace::kAtStartHttp, .host = &SiteTable::yItalianHost,
     .texts = {After("/mainyahoolink/?")}, .end = RowEnd::kToEnd},
    {.place = RowPlace::kAtStartHttp, .host = &SiteTable::fHost,
     .texts = {AtHttp("/?go=http%3A%2F%2F")}, .end = RowEnd::kToEnd},
    {.place = RowPlace::kAfterPortalOrStart,
     .texts = {After("pitagoo/servlet/JustGooClickSvlet?DEST=")}, .end = RowEnd::kNextAmpersand},
    // Directory services and relative go scripts.
    {.texts = {AtHttp("ntt-dir-tret?open=http://")}, .end = RowEnd::kToEnd},
    {.texts = {Text("ntt-dir-tret"), Text("mutual_link.")}, .later = {AtHttp("?kopen=http://")},
     .end = RowEnd::kToEnd},
    {.texts = {AtHttp("/cgi-bin/goto?http://")}},
    {.texts = {AtHttp("cateJ.wbt?urlkey=http%3A%2F%2F")}},
    {.texts = {AtHttp("/homeb/?http://")}},
    {.texts = {AtHttp("/randomc/?http://"), AtHttp("/randoml/?http://")}},
    {.texts = {AtHttp("/servlets/launcher?url=http%3A%2F%2F")}},
    // Click counters, a newspaper's go script, a provider's jump scripts and
    // an ad server.
    {.place = RowPlace::kAfterScheme, .host = &SiteTable::downloadClickHost,
     .texts = {Text("/cgi/nph-clickad?")}, .later = {AtHttp("url=http")}, .fallsThrough = true},
    {.place = RowPlace::kAfterScheme, .host = &SiteTable::newspaperHost,
     .texts = {Text("/cgi-bin/goto")}, .later = {After(".cgi?url=")}, .fallsThrough = true,
     .addsScheme = true},
    {.place = RowPlace::kAtStartHttp, .host = &SiteTable::providerJumpHost,
     .texts = {Text("/cgi-bin/NETPLAZA/forward-")}, .later = {AtHttp("?URL=http")},
     .end = RowEnd::kToEnd},
    {.place = RowPlace::kAtStartHttp, .host = &SiteTable::providerJumpHost,
     .texts = {Text("/cgi-bin/fwd_")}, .later = {AtHttp("?_URL=http")}, .end = RowEnd::kToEnd},
    {.place = RowPlace::kAtStartHttp, .host = &SiteTable::providerJumpHost,
     .texts = {Text("/cgi-bin/forward_")}, .later = {AtHttp("?_URL=http")}, .end = RowEnd::kToEnd},
    {.texts = {Text("/partner/redirect/?st=")}, .later = {AtHttp("jump=http")},
     .end = RowEnd::kToEnd},
    {.place = RowPlace::kAtStartHttp, .host = &SiteTable::adServerHost,
     .texts = {Text("/event.ng/Type=click&ProfileID=")}, .later = {AtHttp("Redirect=http:")},
     .end = RowEnd::kToEnd},
    {.texts = {Text("/event.ng/Type=click&ProfileID=")}, .later = {AtHttp("Redirect=http:")},
     .end = RowEnd::kToEnd},
    // Portal Y's click tracking and its home page's links.
    {.place = RowPlace::kAfterClickTracking, .later = {At("?http://", 1), At("*http://", 1)},
     .end = RowEnd::kToEnd},
    {.place = RowPlace::kAtStartHttp, .host = &SiteTable::yJapaneseHost, .texts = {Text("/")},
     .later = {AtHttp("/?http://")}, .end = RowEnd::kToEnd},
    // Partner portal P's log-in and transfer scripts.
    {.place = RowPlace::kAfterScheme, .host = &SiteTable::pRegistrationHost,
     .texts = {Text("/go/passiveLogin?")}, .later = {AtHttp("appRedirect=http")},
     .end = RowEnd::kToEndWhenQuery},
    {.place = RowPlace::kAfterScheme, .host = &SiteTable::pRegistrationHost,
     .texts = {Text("/go/login?")}, .later = {AtHttp("appRedirect=http")},
     .end = RowEnd::kToEndWhenQuery},
    {.place = RowPlace::kAfterScheme, .host = &SiteTable::pTransferHost,
     .texts = {Text("/cgi/transfer.pl?")}, .later = {AtHttp("goto=http")},
     .end = RowEnd::kToEndWhenQuery},
    {.place = RowPlace::kAfterScheme, .host = &SiteTable::pTransferHost,
     .texts = {Text("/cgi/atransfer.pl?"), Text("/cgi/transfer.dll?")},
     .later = {AtHttp("goto=http")},
     .end = RowEnd::kToEndWhenQuery},
    {.place = RowPlace::kAfterScheme, .host = &SiteTable::pTransferHost,
     .texts = {Text("/cgi/aftransfer.pl?")},
     .later = {AtHttp("loc=http://"), AtHttp("goto=http://")}, .end = RowEnd::kNextAmpersand},
    // The search service's result and redirect scripts.
    {.place = RowPlace::kAfterSearchPrefixSlash, .texts = {Text("Titles?col=WW")},
     .later = {AtHttp("fs=http%3A")}, .end = RowEnd::kNextAmpersand, .notAtTransfer = true},
    {.place = RowPlace::kAnywhere, .end = RowEnd::kNextAmpersand,
     .shape = RowShape::kEmbeddedScript},
    {.place = RowPlace::kAfterSearchPrefix, .texts = {Text(kSearchRedirectScript)},
     .later = {AtHttp("url=http%253A//"), AtHttp("rd=http%3A//"), AtHttp("rd=http%3a//"),
               AtHttp("rd=http%3a%2f%2f"), AtHttp("rd=http://")},
     .end = RowEnd::kToEnd, .notAtTransfer = true},
    {.place = RowPlace::kAtTransferOffset, .texts = {Text(kSearchTransferScript)},
     .later = {AtHttp("url=http%3A")}, .end = RowEnd::kNextAmpersand},
};

constexpr size_t kRedirectRowCount = sizeof(kRedirectRows) / sizeof(kRedirectRows[0]);
static_assert(kRedirectRowCount == 49, "every redirector row is in the table");

// Every text that names where the target begins points inside itself.
constexpr bool TargetOffsetsHold() {
  for (const RedirectRow& row : kRedirectRows) {
    for (const RowText& text : row.texts) {
      if (text.targetAt > text.text.size()) return false;
    }
    for (const RowText& text : row.later) {
      if (text.targetAt > text.text.size()) return false;
    }
  }
  return true;
}
static_assert(TargetOffsetsHold(), "a redirector text names a target outside itself");

}  // namespace hoard

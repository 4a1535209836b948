// The helpers of the URL scan that other modules call: scheme lengths, the
// domain conversion, and the Japanese word tests.
#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "base/ascii.h"
#include "store/domaintable.h"
#include "urlmap/sitetable.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

constexpr bool IsAsciiAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

constexpr std::string_view kCountingScript = "cgi-bin/count_link2?TOP";
constexpr size_t kCountingTagMaxBytes = 6;

// The length of a portal's counting wrapper at the start of `url`: the
// portal's home address, the counting script, an optional '_', one to six
// letters or digits and '?'. 0 when the URL is not one.
size_t CountingWrapperLength(const char* url) {
  const SiteHost& home = Sites().countingWrapperHome;
  if (!IsSuppliedHost(home) || !MatchAtNoCase(url, home.text)) return 0;
  size_t at = home.length;
  if (!MatchAtNoCase(url + at, kCountingScript)) return 0;
  at += kCountingScript.size();
  if (url[at] == '_') ++at;
  size_t tag = 0;
  while (tag < kCountingTagMaxBytes && IsAsciiAlnum(static_cast<unsigned char>(url[at + tag]))) {
    ++tag;
  }
  if (tag == 0 || url[at + tag] != '?') return 0;
  return at + tag + 1;
}

constexpr unsigned char kKatakanaLead = 0x83;
constexpr unsigned char kHiraganaLead = 0x82;
constexpr unsigned char kKanjiLeadMin = 0x88;
constexpr uint16_t kLongVowelMark = 0x815B;  // ー
constexpr uint16_t kKatakanaDo = 0x8368;     // ド

template <size_t N>
constexpr bool Contains(const std::array<SjisChar, N>& table, uint16_t code) {
  for (const SjisChar& entry : table) {
    if (entry.code == code) return true;
  }
  return false;
}

}  // namespace

const std::array<SjisChar, 8> kWordSeparatorChars = {{
    {0x8140, "\u3000"},  // ideographic space
    {0x8145, "・"},
    {0x815C, "―"},
    {0x817B, "＋"},
    {0x817C, "－"},
    {0x8181, "＝"},
    {0x8162, "｜"},
    {0x8195, "＆"},
}};

const std::array<SjisChar, 7> kKatakanaWordEnds = {{
    {0x834F, "グ"},
    {0x834E, "ク"},
    {0x8367, "ト"},
    {0x8380, "ム"},
    {0x838B, "ル"},
    {0x838D, "ロ"},
    {0x8393, "ン"},
}};

const std::array<SjisChar, 7> kKanjiWordEnds = {{
    {0x976D, "洋"},
    {0x9373, "都"},
    {0x93B9, "道"},
    {0x957B, "府"},
    {0x8CA7, "県"},
    {0x8963, "営"},
    {0x97A7, "立"},
}};

size_t SchemeLength(const char* url) {
  if (MatchAtNoCase(url, "http://")) return 7;
  if (MatchAt(url, "https://")) return 8;
  if (MatchAt(url, "ftp://")) return 6;
  return 0;
}

size_t LinkSchemeLength(const char* url) {
  const size_t wrapper = CountingWrapperLength(url);
  if (wrapper > 0) {
    const char* wrapped = url + wrapper;
    if (MatchAtNoCase(wrapped, "http://")) return wrapper + 7;
    if (MatchAt(wrapped, "https://")) return wrapper + 8;
    return wrapper;
  }
  if (MatchAtNoCase(url, "http://")) return 7;
  if (MatchAt(url, "https://")) return 8;
  return 0;
}

void FoldHostCase(char* url) {
  for (char* p = url + LinkSchemeLength(url); *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '/' || c == '\\' || c == '?' || c == '#') return;
    if (c >= 'A' && c <= 'Z') *p = static_cast<char>(c - 'A' + 'a');
  }
}

int ApplyDomainConversion(char* url, size_t capacity, const DomainTable* table) {
  if (table == nullptr) table = &ProcessDomainTable();
  if (table->state != DomainTableState::kLoaded || table->pairs == nullptr) return 0;
  char* const host = url + SchemeLength(url);
  const size_t length = std::strlen(url);
  for (size_t i = 0; i < table->count; ++i) {
    const DomainPair& pair = table->pairs[i];
    const std::string_view key = pair.key;
    if (key.empty() || !MatchAt(host, key)) continue;
    const char* slash = std::strchr(host, '/');
    const size_t hostLength = slash != nullptr ? static_cast<size_t>(slash - host) : std::strlen(host);
    const std::string_view value = pair.value;
    const size_t newLength = length - hostLength + value.size();
    if (newLength + 1 > capacity) return 0;
    // The rest of the URL, with its NUL, moves to its new place first.
    const size_t restLength = length - static_cast<size_t>(host - url) - hostLength + 1;
    std::memmove(host + value.size(), host + hostLength, restLength);
    std::memcpy(host, value.data(), value.size());
    return 1;
  }
  return 0;
}

bool IsWordSeparatorChar(uint16_t pair) { return Contains(kWordSeparatorChars, pair); }

bool IsWordBoundary(uint16_t pair, unsigned char nextLead) {
  const unsigned char lead = static_cast<unsigned char>(pair >> 8);
  if (nextLead == kKatakanaLead) {
    return pair == kKatakanaDo || lead > 0x87 || pair == kLongVowelMark ||
           Contains(kKatakanaWordEnds, pair);
  }
  if (nextLead == kHiraganaLead) {
    return pair == kLongVowelMark || lead == kKatakanaLead || lead >= kKanjiLeadMin;
  }
  if (nextLead >= kKanjiLeadMin) {
    return pair == kLongVowelMark || lead == kKatakanaLead || Contains(kKanjiWordEnds, pair);
  }
  return false;
}

}  // namespace hoard

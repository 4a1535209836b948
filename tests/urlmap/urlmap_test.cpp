#include "urlmap/urlmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "store/domaintable.h"
#include "urlmap/sitetable.h"

namespace hoard {
namespace {

std::string FileName(const std::string& rest, size_t capacity = kLocalNameBufferBytes) {
  std::vector<char> source(1024, '\0');
  std::memcpy(source.data(), rest.data(), rest.size());
  std::vector<char> name(capacity, '\0');
  MapUrlToLocalPath(name.data(), name.size(), source.data(), source.size(), kMapFileName);
  return name.data();
}

std::string Link(const std::string& link) {
  std::vector<char> buffer(kLinkBufferBytes, '\0');
  std::memcpy(buffer.data(), link.data(), link.size());
  MapLinkInPlace(buffer.data(), buffer.size());
  return buffer.data();
}

std::string Folder(const std::string& component) {
  char name[64];
  MapFolderName(component, name, sizeof name);
  return name;
}

std::string A(size_t n) { return std::string(n, 'a'); }

struct Case {
  const char* what;
  std::string input;
  std::string expected;
};

TEST(SchemeLength, CountsHttpInAnyCaseAndTheOthersExactly) {
  const struct {
    const char* url;
    size_t expected;
  } cases[] = {
      {"http://host/", 7}, {"HTTP://host/", 7}, {"hTtP://h", 7},  {"https://host/", 8},
      {"HTTPS://host/", 0}, {"ftp://host/", 6}, {"FTP://host/", 0}, {"http:/host", 0},
      {"mailto:me", 0},     {"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(SchemeLength(c.url), c.expected);
  }
}

TEST(LinkSchemeLength, CoversAPortalCountingWrapperAndTheWrappedScheme) {
  const std::string home(Sites().countingWrapperHome.text);
  ASSERT_EQ(home.size(), 23u);
  const struct {
    const char* what;
    std::string url;
    size_t expected;
  } cases[] = {
      {"plain http", "http://host/", 7},
      {"http in capitals", "HTTP://host/", 7},
      {"https", "https://host/", 8},
      {"https in capitals is no link scheme", "HTTPS://host/", 0},
      {"ftp is no link scheme", "ftp://host/", 0},
      {"wrapper with '_' and a tag", home + "cgi-bin/count_link2?TOP_ab12?http://t/x", 23 + 23 + 6 + 7},
      {"wrapper without '_'", home + "cgi-bin/count_link2?TOPx?http://t/", 23 + 23 + 2 + 7},
      {"wrapper in other letter case", home + "CGI-BIN/COUNT_LINK2?top_Z9?HTTP://t/", 23 + 23 + 4 + 7},
      {"wrapper around https", home + "cgi-bin/count_link2?TOP_abcdef?https://t/", 23 + 23 + 8 + 8},
      {"wrapper around a URL without scheme", home + "cgi-bin/count_link2?TOP_a?t/x", 23 + 23 + 3},
      {"seven letters are no wrapper", home + "cgi-bin/count_link2?TOP_abcdefg?http://t/", 7},
      {"no tag is no wrapper", home + "cgi-bin/count_link2?TOP_?http://t/", 7},
      {"other script is no wrapper", home + "cgi-bin/count_link?TOP_a?http://t/", 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LinkSchemeLength(c.url.c_str()), c.expected);
  }
}

TEST(CharacterTests, HexDigitsAndSeparators) {
  EXPECT_TRUE(IsHexDigit('0') && IsHexDigit('9') && IsHexDigit('a') && IsHexDigit('F'));
  EXPECT_FALSE(IsHexDigit('g') || IsHexDigit('G') || IsHexDigit('/') || IsHexDigit(0xA3));
  EXPECT_EQ(HexValue('7'), 7);
  EXPECT_EQ(HexValue('e'), 14);
  EXPECT_EQ(HexValue('E'), 14);
  EXPECT_TRUE(IsPathSeparator('/') && IsPathSeparator(':') && IsPathSeparator('\\'));
  EXPECT_FALSE(IsPathSeparator('?') || IsPathSeparator('.'));
}

TEST(IsWordSeparatorChar, KnowsTheEightFullWidthSeparators) {
  for (uint16_t code : {0x8140, 0x8145, 0x815C, 0x817B, 0x817C, 0x8181, 0x8162, 0x8195}) {
    SCOPED_TRACE(code);
    EXPECT_TRUE(IsWordSeparatorChar(code));
  }
  // ー, ＜, あ and a kanji are no separators.
  for (uint16_t code : {0x815B, 0x8183, 0x82A0, 0x889F}) {
    SCOPED_TRACE(code);
    EXPECT_FALSE(IsWordSeparatorChar(code));
  }
}

TEST(IsWordBoundary, FollowsTheKindOfTheNextCharacter) {
  const struct {
    const char* what;
    uint16_t pair;
    unsigned char nextLead;
    bool expected;
  } cases[] = {
      {"katakana after ド", 0x8368, 0x83, true},
      {"katakana after a kanji", 0x889F, 0x83, true},
      {"katakana after ー", 0x815B, 0x83, true},
      {"katakana after ン", 0x8393, 0x83, true},
      {"katakana after グ", 0x834F, 0x83, true},
      {"katakana after ア", 0x8341, 0x83, false},
      {"katakana after あ", 0x82A0, 0x83, false},
      {"hiragana after katakana", 0x8341, 0x82, true},
      {"hiragana after a kanji", 0x889F, 0x82, true},
      {"hiragana after ー", 0x815B, 0x82, true},
      {"hiragana after hiragana", 0x82A0, 0x82, false},
      {"kanji after katakana", 0x8341, 0x88, true},
      {"kanji after 県", 0x8CA7, 0x93, true},
      {"kanji after 立", 0x97A7, 0x88, true},
      {"kanji after another kanji", 0x889F, 0x88, false},
      {"kanji after hiragana", 0x82A0, 0x88, false},
      {"an ASCII byte next", 0x8341, 'a', false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IsWordBoundary(c.pair, c.nextLead), c.expected);
  }
}

TEST(MapUrlToLocalPath, FileNamesKeepTheirExtensionWithin31Bytes) {
  const Case cases[] = {
      {"short name", "page.html", "page.html"},
      {"40 bytes ending .gif", A(36) + ".gif", A(27) + ".gif"},
      {"40 bytes ending .html", A(35) + ".html", A(24) + ".html"},
      {"40 bytes ending .htm", A(36) + ".htm", A(24) + ".htm"},
      {"two-letter extension", A(40) + ".jp", A(28) + ".jp"},
      {"one-letter extension", A(40) + ".x", A(28) + ".x"},
      {"five-letter extension is none", A(40) + ".jpeg5", A(28)},
      {"no extension", A(40), A(28)},
      {".html written before the limit", A(25) + ".html", A(24) + ".html"},
      {"29 bytes ending .html stay", A(24) + ".html", A(24) + ".html"},
      {"28 bytes ending .htm stay", A(24) + ".htm", A(24) + ".htm"},
      {"extension begun at the limit", A(26) + ".gif", A(26) + ".gif"},
      {"31 bytes stay", A(27) + ".gif", A(27) + ".gif"},
      {"the query after a long name is dropped", A(40) + ".gif?x=1", A(27) + ".gif"},
      {"last dot of the name decides", "a.b" + A(40) + ".png", "a.b" + A(24) + ".png"},
      // A quoted script address is not shortened, yet a file name keeps the bound.
      {"quoted script address", "'+" + A(45), "'+" + A(29)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FileName(c.input), c.expected);
  }
}

TEST(MapUrlToLocalPath, NeverKeepsHalfACharacterAtACut) {
  const std::string a = "\x82\xA0";  // あ
  const Case cases[] = {
      {"first byte at the cut", A(26) + a + A(10) + ".gif", A(26) + ".gif"},
      {"whole character before the cut", A(25) + a + A(10) + ".gif", A(25) + a + ".gif"},
      {"second byte 0x9F is no first byte", A(25) + "\x88\x9F" + A(10) + ".gif",
       A(25) + "\x88\x9F.gif"},
      {"no extension", A(27) + a + A(4), A(27)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FileName(c.input), c.expected);
  }
}

TEST(MapUrlToLocalPath, QueriesStayOneComponent) {
  const Case names[] = {
      {"slash and colon", "list?a=1/2&b=3:4", "list_a=1%2F2_b=3%3A4"},
      {"escaped slash stays", "list?a=1%2F2", "list_a=1%2F2"},
      {"escape case is kept", "list?a=1%3a2", "list_a=1%3a2"},
      {"only the '_' of an empty query", "page?", "page"},
      {"'@' is kept", "mail?to=me@host", "mail_to=me@host"},
      {"&amp; in a query is one '&'", "x?a=1&amp;b=2", "x_a=1_b=2"},
  };
  for (const Case& c : names) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FileName(c.input), c.expected);
  }
  const Case links[] = {
      {"slash and colon", "http://h/list?a=1/2&b=3:4", "http://h/list_a=1%252F2_b=3%253A4"},
      {"escaped slash", "http://h/list?a=1%2F2", "http://h/list_a=1%252F2"},
      {"&amp; in a query", "http://h/x?a=1&amp;b=2", "http://h/x_a=1_b=2"},
  };
  for (const Case& c : links) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Link(c.input), c.expected);
  }
}

TEST(MapUrlToLocalPath, DecodesEscapesAndJapaneseTextInFileNames) {
  const Case cases[] = {
      {"EUC-JP words with an ideographic space", "find?q=%A4%A2%A1%A1%A4%A4",
       "find_q=\x82\xA0+\x82\xA2"},
      {"Shift_JIS escapes", "find?q=%82%A0%93%FA", "find_q=\x82\xA0\x93\xFA"},
      {"Shift_JIS ideographic space", "q?w=%82%A0%81%40%82%A2", "q_w=\x82\xA0+\x82\xA2"},
      {"encoded 0x81 and '@'", "q?w=a%81@b", "q_w=a+b"},
      {"EUC-JP half-width katakana in a run", "k%A4%A2%8E%B1.html", "k\x82\xA0\x83\x41.html"},
      {"ISO-2022-JP", "q?w=%1B%24B%30%21%1B%28B", "q_w=\x88\x9F"},
      {"ISO-2022-JP with plain designations", "q?w=%1B$B%30%21%1B(B", "q_w=\x88\x9F"},
      {"tilde", "%7Euser.html", "~user.html"},
      {"tilde in small letters", "%7euser.html", "~user.html"},
      {"space", "my%20page.html", "my page.html"},
      {"double quote", "a%22b.html", "a\"b.html"},
      {"%2525 is one percent sign", "100%2525.html", "100%.html"},
      {"other escapes", "%41%62c.html", "Abc.html"},
      {"a lone percent sign", "100%.html", "100%.html"},
      {"&amp; outside a query", "a&amp;b.html", "a&b.html"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FileName(c.input), c.expected);
  }
}

TEST(MapUrlToLocalPath, LinksKeepEscapesThatDecodeToTheStoredName) {
  const Case cases[] = {
      {"tilde kept, later bytes escaped", "http://host/%7Euser/index.html",
       "http://host/%7E%75%73%65%72/index.html"},
      {"space kept", "http://host/my%20page.html", "http://host/my%20%70%61%67%65.html"},
      {"EUC-JP converted, kept as escapes", "http://host/%A4%A2.html", "http://host/%82%A0.html"},
      {"ideographic space from EUC-JP", "http://host/q?w=%A4%A2%A1%A1%A4%A4",
       "http://host/q_w=%82%A0%2B%82%A2"},
      {"%2525 as one escaped percent sign", "http://host/100%2525.html", "http://host/100%25.html"},
      {"escaped slash outside a query", "http://host/a%2Fb.html", "http://host/a%252Fb.html"},
      {"'?' after '_' is a name byte", "http://host/a_?b", "http://host/a_%3F%62"},
      {"&amp; outside a query stays an entity", "http://host/a&amp;b.html",
       "http://host/a&amp;b.html"},
      {"backslash separator", "http://host\\dir\\x.html", "http://host/dir/x.html"},
      {"plain link unchanged", "http://host/dir/page.html", "http://host/dir/page.html"},
      {"host-relative link", "/img/x.gif", "/img/x.gif"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Link(c.input), c.expected);
  }
}

TEST(MapUrlToLocalPath, CutsLongFolderNamesTo31Bytes) {
  const std::string www40 = "www." + std::string(36, 'b');
  const std::string www30 = "www." + std::string(26, 'b');
  const Case links[] = {
      {"40-byte www. host", "http://" + www40 + "/x.html", "http://" + std::string(31, 'b') + "/x.html"},
      {"30-byte www. host", "http://" + www30 + "/x.html", "http://" + www30 + "/x.html"},
      {"40-byte folder", "http://h/" + A(40) + "/x.html", "http://h/" + A(31) + "/x.html"},
      {"40-byte iiinet. folder", "http://h/iiinet." + A(33) + "/x", "http://h/" + A(31) + "/x"},
      {"long host before a port", "http://" + A(35) + ":8080/x", "http://" + A(31) + ":8080/x"},
  };
  for (const Case& c : links) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Link(c.input), c.expected);
  }
  EXPECT_EQ(Folder(www40), std::string(31, 'b'));
  EXPECT_EQ(Folder(www30), www30);
  EXPECT_EQ(Folder(A(40)), A(31));
}

TEST(MapUrlToLocalPath, EndingsOfPathsAndNames) {
  const Case links[] = {
      {"a path ending /_ loses the '_'", "http://host/dir/_", "http://host/dir/"},
      {"a path ending /i_ loses it", "http://host/dir/i_", "http://host/dir/"},
      {"a query of nothing", "http://host/dir/?", "http://host/dir/"},
  };
  for (const Case& c : links) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Link(c.input), c.expected);
  }
  // A file name is a component of its own; an empty one is the folder's page,
  // which is what the link to the folder names.
  const Case names[] = {
      {"lone '_'", "_", "index.html"},
      {"lone i_", "i_", "index.html"},
      {"lone '?'", "?", "index.html"},
      {"'_' inside a name stays", "a_", "a_"},
      {"jiji names are pages", "jiji-news", "jiji-news.htm"},
      {"cimages names are images", "cimages-logo", "cimages-logo.gif"},
      {"cimages tail names the type", "cimages_x_jpg", "cimages_x.jpg"},
      {"a counter's long name", "Count_" + A(40), "Count_" + A(25)},
      {"collection MI", "_col=MI", "MI.html"},
  };
  for (const Case& c : names) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FileName(c.input), c.expected);
  }
}

TEST(MapUrlToLocalPath, NamesAreSafeToCreateOnEveryPlatform) {
  const Case names[] = {
      {"dot", ".", "_"},
      {"two dots", "..", "._"},
      {"three dots", "...", ".._"},
      {"escaped dots", "%2E%2E", "._"},
      {"trailing dot", "name.", "name_"},
      {"trailing space", "name%20", "name_"},
      {"device name", "con", "co_"},
      {"device name with extension", "NUL.txt", "NU_.txt"},
      {"numbered device", "com1.html", "com_.html"},
      {"printer port", "LPT9", "LPT_"},
      {"console input", "conin$", "conin_"},
      {"device name before spaces", "Nul%20.x", "Nu_ .x"},
      {"longer word is no device", "CONSOLE", "CONSOLE"},
      {"two digits are no device", "com10", "com10"},
      {"control byte stays an escape", "a%00b", "a%00b"},
      {"newline stays an escape", "a%0Ab", "a%0Ab"},
      {"decoded backslash alone", "a%5Cb", "a_b"},
      {"backslash as second byte", "%83%5C.html", "\x83\x5C.html"},
  };
  for (const Case& c : names) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FileName(c.input), c.expected);
  }
  const Case links[] = {
      {"dot folders", "http://host/../x/./y", "http://host/._/x/_/y"},
      {"escaped dots", "http://host/%2E%2E/y", "http://host/%2E%5F/y"},
      {"device host", "http://CON/x", "http://CO_/x"},
      {"control byte", "http://host/a%00b", "http://host/a%2500b"},
  };
  for (const Case& c : links) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Link(c.input), c.expected);
  }
  EXPECT_EQ(Folder(".."), "._");
  EXPECT_EQ(Folder("%2e%2E"), "._");
  EXPECT_EQ(Folder("aux"), "au_");
  EXPECT_EQ(Folder(""), "");
}

TEST(MapUrlToLocalPath, LinkBufferNeverOverflows) {
  // Every component "%41b" grows to "%41%62" in a link: far past the buffer.
  std::string link = "http://h";
  while (link.size() < kLinkBufferBytes - 6) link += "/%41b";
  ASSERT_LT(link.size(), kLinkBufferBytes);
  // Exactly the link buffer, so that the sanitizer sees any byte past it.
  auto buffer = std::make_unique<char[]>(kLinkBufferBytes);
  std::memcpy(buffer.get(), link.c_str(), link.size() + 1);
  MapLinkInPlace(buffer.get(), kLinkBufferBytes);
  const std::string mapped(buffer.get());
  ASSERT_LT(mapped.size(), kLinkBufferBytes);
  // The link is cut after its last whole unit: every component but perhaps
  // the last is mapped whole, and what is there decodes to the start of the
  // full mapping.
  const std::string whole = "/%41%62";
  ASSERT_EQ(mapped.compare(0, 8, "http://h"), 0);
  size_t at = 8;
  while (at + whole.size() <= mapped.size()) {
    ASSERT_EQ(mapped.compare(at, whole.size(), whole), 0) << "at " << at;
    at += whole.size();
  }
  EXPECT_EQ(whole.compare(0, mapped.size() - at, mapped, at, std::string::npos), 0);
  EXPECT_GT(at, kLinkBufferBytes - 2 * whole.size());

  // A link that does not grow is mapped whole up to the last byte.
  std::string full = "http://h";
  while (full.size() < kLinkBufferBytes - 1) full += full.size() % 10 == 0 ? '/' : 'x';
  std::memcpy(buffer.get(), full.c_str(), full.size() + 1);
  MapLinkInPlace(buffer.get(), kLinkBufferBytes);
  EXPECT_EQ(std::string(buffer.get()), full);
}

TEST(MapUrlToLocalPath, NameBufferNeverOverflows) {
  for (size_t capacity : {1, 2, 5, 12}) {
    SCOPED_TRACE(capacity);
    auto name = std::make_unique<char[]>(capacity);
    char source[] = "abcdefghijklmnop%41.html";
    MapUrlToLocalPath(name.get(), capacity, source, sizeof source, kMapFileName);
    EXPECT_LT(std::strlen(name.get()), capacity);
  }
}

TEST(MapUrlToLocalPath, LinkInItsOwnBufferIsCopiedIntoTheOutput) {
  char source[] = "http://host/a%2Fb";
  char output[64];
  MapUrlToLocalPath(output, sizeof output, source, sizeof source, kMapLink);
  EXPECT_STREQ(output, "http://host/a%252Fb");
  EXPECT_STREQ(source, "http://host/a%2Fb");
}

TEST(MapUrlToLocalPath, ReportsWhetherItRewroteTheText) {
  char same[64] = "page.html";
  char name[64];
  EXPECT_EQ(MapUrlToLocalPath(name, sizeof name, same, sizeof same, kMapFileName), 0);
  char query[64] = "page?x=1";
  EXPECT_EQ(MapUrlToLocalPath(name, sizeof name, query, sizeof query, kMapFileName), 1);
  char link[64] = "http://host/page.html";
  EXPECT_EQ(MapLinkInPlace(link, sizeof link), 0);
  char escaped[64] = "http://host/%7Ea";
  EXPECT_EQ(MapLinkInPlace(escaped, sizeof escaped), 1);
}

TEST(ApplyDomainConversion, ReplacesTheWholeHostOfTheFirstMatchingEntry) {
  char block[] = "old.example.jp,new\r\nabc,short,a comment\nnokey\nold.example.jp,second\n,empty\n";
  DomainTable table;
  table.block = block;
  table.size = sizeof block - 1;
  ASSERT_TRUE(BuildDomainPairs(table));
  table.state = DomainTableState::kLoaded;
  const struct {
    const char* what;
    const char* url;
    const char* expected;
    int result;
  } cases[] = {
      {"host replaced", "http://old.example.jp/a/b.html", "http://new/a/b.html", 1},
      {"scheme in capitals", "HTTP://old.example.jp/a/b.html", "HTTP://new/a/b.html", 1},
      {"host in other letter case", "http://OLD.example.jp/a", "http://OLD.example.jp/a", 0},
      {"key as a prefix of a longer host", "http://abcdef.com/x", "http://short/x", 1},
      {"no '/' after the host", "http://abcd", "http://short", 1},
      {"https", "https://old.example.jp/", "https://new/", 1},
      {"https in capitals is no scheme", "HTTPS://old.example.jp/", "HTTPS://old.example.jp/", 0},
      {"ftp", "ftp://abc.org/f", "ftp://short/f", 1},
      {"no scheme", "abc.jp/x", "short/x", 1},
      {"no entry", "http://other.jp/", "http://other.jp/", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    char url[128];
    std::strcpy(url, c.url);
    EXPECT_EQ(ApplyDomainConversion(url, sizeof url, &table), c.result);
    EXPECT_STREQ(url, c.expected);
  }
  // A result that does not fit leaves the URL as it was.
  char small[24] = "http://abc/x";
  const DomainPair longer[] = {{"abc", "a-much-longer-host-name"}, {}};
  DomainTable longTable;
  longTable.pairs = const_cast<DomainPair*>(longer);
  longTable.count = 1;
  longTable.state = DomainTableState::kLoaded;
  EXPECT_EQ(ApplyDomainConversion(small, sizeof small, &longTable), 0);
  EXPECT_STREQ(small, "http://abc/x");
  delete[] table.pairs;
}

TEST(ApplyDomainConversion, DoesNothingWithoutATable) {
  DomainTable none;
  char url[64] = "http://old.example.jp/a";
  EXPECT_EQ(ApplyDomainConversion(url, sizeof url, &none), 0);
  none.state = DomainTableState::kWithoutTable;
  EXPECT_EQ(ApplyDomainConversion(url, sizeof url, &none), 0);
  EXPECT_STREQ(url, "http://old.example.jp/a");
}

}  // namespace
}  // namespace hoard

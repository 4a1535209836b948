#include "store/textconv.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>

#include "support/bytes.h"

namespace hoard {
namespace {

using test::Hex;

// The bytes of `text` followed by enough NULs for every look-ahead.
struct Padded {
  explicit Padded(std::string_view text) {
    bytes.assign(text.begin(), text.end());
    bytes.append(kTextConvLookAhead, '\0');
  }
  const unsigned char* data() const { return reinterpret_cast<const unsigned char*>(bytes.data()); }
  unsigned char* data() { return reinterpret_cast<unsigned char*>(bytes.data()); }
  std::string bytes;
};

TEST(ByteClasses, HalfWidthKanaAndLowLeadRangesEndExactly) {
  EXPECT_FALSE(IsHalfWidthKanaByte(0xA0));
  EXPECT_TRUE(IsHalfWidthKanaByte(0xA1));
  EXPECT_TRUE(IsHalfWidthKanaByte(0xDF));
  EXPECT_FALSE(IsHalfWidthKanaByte(0xE0));
  EXPECT_FALSE(IsSjisLeadLow(0x80));
  EXPECT_TRUE(IsSjisLeadLow(0x81));
  EXPECT_TRUE(IsSjisLeadLow(0x9F));
  EXPECT_FALSE(IsSjisLeadLow(0xA0));
}

TEST(IsSjisPair, AcceptsBothLeadRangesAndTheTrailRangeWithoutDel) {
  struct Case {
    const char* name;
    const char* bytes;
    bool expected;
  };
  const Case cases[] = {
      {"hiragana a", "\x82\xA0", true},  // あ
      {"katakana pair dakuten and long vowel", "\xDE\xB0", true},  // ﾞｰ
      {"trail 7F is not a trail byte", "\x81\x7F", false},
      {"two half-width katakana not in the list", "\xB1\xB2", false},  // ｱｲ
      {"lowest lead and trail", "\x81\x40", true},
      {"trail below the range", "\x81\x3F", false},
      {"last low lead, last trail", "\x9F\xFC", true},
      {"trail above the range", "\x9F\xFD", false},
      {"0xA0 leads nothing", "\xA0\x40", false},
      {"first high lead", "\xE0\x40", true},
      {"last high lead", "\xFC\xFC", true},
      {"0xFD leads nothing", "\xFD\x40", false},
      {"0x80 leads nothing", "\x80\x40", false},
      {"ASCII", "AB", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsSjisPair(Padded(c.bytes).data()), c.expected);
  }
}

TEST(IsSjisPair, AcceptsExactlyTheListedKatakanaPairs) {
  int accepted = 0;
  for (int a = 0xA1; a <= 0xDF; ++a) {
    for (int b = 0xA1; b <= 0xDF; ++b) {
      const unsigned char pair[kTextConvLookAhead] = {static_cast<unsigned char>(a),
                                                      static_cast<unsigned char>(b)};
      if (IsSjisPair(pair)) ++accepted;
    }
  }
  EXPECT_EQ(accepted, static_cast<int>(kSjisKanaBigramCount));
  for (std::string_view bigram : kSjisKanaBigrams) {
    SCOPED_TRACE(Hex(bigram));
    EXPECT_TRUE(IsSjisPair(Padded(bigram).data()));
  }
}

TEST(MatchKanaWord, MatchesWholeWordsOnly) {
  for (std::string_view word : kKanaWordTable) {
    SCOPED_TRACE(Hex(word));
    EXPECT_TRUE(MatchKanaWord(Padded(word).data()));
    EXPECT_TRUE(MatchKanaWord(Padded(std::string(word) + "\xB1").data()));
    EXPECT_FALSE(MatchKanaWord(Padded(word.substr(0, word.size() - 1)).data()));
  }
  struct Case {
    const char* name;
    const char* bytes;
    bool expected;
  };
  const Case cases[] = {
      {"word at the start of a longer text", "\xB2\xDD\xC0\xB0\xC8\xAF\xC4", true},  // ｲﾝﾀｰﾈｯﾄ
      {"a word needs its last byte", "\xB2\xDD\xCC", false},                    // ｲﾝﾌ
      {"the word one byte later does not count", "\xB1\xB2\xDD\xC0", false},    // ｱｲﾝﾀ
      {"same bytes in EUC-JP half-width form", "\x8E\xB2\x8E\xDD\x8E\xC0", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MatchKanaWord(Padded(c.bytes).data()), c.expected);
  }
}

TEST(TextTables, HaveTheirEntryCountsAndByteLengths) {
  std::map<size_t, int> wordLengths;
  for (std::string_view word : kKanaWordTable) {
    ++wordLengths[word.size()];
    for (char c : word) EXPECT_TRUE(IsHalfWidthKanaByte(static_cast<unsigned char>(c))) << Hex(word);
  }
  EXPECT_EQ(wordLengths, (std::map<size_t, int>{{3, 17}, {4, 14}, {5, 2}}));

  for (std::string_view bigram : kSjisKanaBigrams) {
    ASSERT_EQ(bigram.size(), 2u);
    EXPECT_TRUE(IsHalfWidthKanaByte(static_cast<unsigned char>(bigram[0])));
    EXPECT_TRUE(IsHalfWidthKanaByte(static_cast<unsigned char>(bigram[1])));
  }

  std::map<size_t, int> fragmentLengths;
  for (std::string_view fragment : kSjisKanaFragments) ++fragmentLengths[fragment.size()];
  EXPECT_EQ(fragmentLengths, (std::map<size_t, int>{{2, 12}, {3, 146}, {4, 21}, {5, 1}}));

  std::map<size_t, int> eucWordLengths;
  for (const EucWord& word : kEucWords) ++eucWordLengths[word.bytes.size()];
  EXPECT_EQ(eucWordLengths, (std::map<size_t, int>{{2, 6}, {3, 1}, {4, 13}}));

  // Every EUC-JP katakana pair is 0x8E + code, twice or three times; the
  // last entry is 8E A5 and two ASCII bytes.
  std::map<size_t, int> kanaPairLengths;
  for (size_t i = 0; i < kEucKanaPairs.size(); ++i) {
    std::string_view pair = kEucKanaPairs[i];
    ++kanaPairLengths[pair.size()];
    const size_t kanaBytes = i + 1 == kEucKanaPairs.size() ? 2 : pair.size();
    for (size_t k = 0; k < kanaBytes; k += 2) {
      EXPECT_EQ(static_cast<unsigned char>(pair[k]), 0x8E) << Hex(pair);
      EXPECT_TRUE(IsHalfWidthKanaByte(static_cast<unsigned char>(pair[k + 1]))) << Hex(pair);
    }
  }
  EXPECT_EQ(kanaPairLengths, (std::map<size_t, int>{{4, 47}, {6, 4}}));
  EXPECT_EQ(kEucKanaPairs.back(), "\x8E\xA5\x39\x4D");
}

TEST(EucPairClass, FollowsTheRulesInOrder) {
  struct Case {
    const char* name;
    const char* bytes;
    EucClass previous;
    EucClass expected;
  };
  const Case cases[] = {
      {"Shift_JIS fragment before the EUC-JP pair rule", "\xBD\xB8\xB0\xD9", kEucNone, kEucNone},  // ｽｸｰﾙ
      {"fragment compared to its end", "\xBD\xB8\xB0\xDA", kEucNone, kEucChar},  // ｽｸｰﾚ
      {"fragment inside a run", "\xBD\xB8\xB0\xD9", kEucChar, kEucNone},
      {"Osaka", "\xC2\xE7\xBA\xE5", kEucNone, kEucChar},  // 大阪
      {"fragment sharing three bytes with an EUC word", "\xCA\xDE\xB0\xB8", kEucNone, kEucNone},  // ﾊﾞｰｸ
      {"lead 0xA1 pair", "\xA1\xA1", kEucNone, kEucChar},
      {"lead 0xDF pair", "\xDF\xFE", kEucNone, kEucChar},
      {"trail 0xFF is no EUC-JP trail", "\xB0\xFF", kEucNone, kEucNone},
      {"trail 0xA0 is no EUC-JP trail", "\xB0\xA0", kEucChar, kEucNone},
      {"lead 0xEE at the start", "\xEE\xA1", kEucNone, kEucChar},
      {"lead 0xF4 at the start", "\xF4\xA6", kEucNone, kEucChar},
      {"lead 0xF5 never", "\xF5\xA1", kEucChar, kEucNone},
      {"EC C1 at the start of a text", "\xEC\xC1", kEucNone, kEucNone},
      {"EC C1 after an EUC-JP character", "\xEC\xC1", kEucChar, kEucChar},
      {"EC C1 after a half-width katakana", "\xEC\xC1", kEucHalfWidthKana, kEucChar},
      {"ED E5 at the start", "\xED\xE5", kEucNone, kEucNone},
      {"EC C2 at the start", "\xEC\xC2", kEucNone, kEucChar},
      {"ED E3 after a run space", "\xED\xE3", kEucRunSpace, kEucChar},
      {"lead 0xE5 outside a run", "\xE5\xA1", kEucNone, kEucNone},
      {"lead 0xE5 inside a run", "\xE5\xA1", kEucChar, kEucChar},
      {"lead 0xE0 inside a run", "\xE0\xA1", kEucChar, kEucChar},
      {"lead 0xEB inside a run", "\xEB\xFE", kEucChar, kEucChar},
      {"EUC word at the start", "\xE5\xBA", kEucNone, kEucChar},  // 綺
      {"EUC word with its Shift_JIS exception", "\xE5\xAB\x82\xE0", kEucNone, kEucNone},  // 雖も
      {"EUC word without the exception", "\xE5\xAB\xA4\xCA", kEucNone, kEucChar},  // 絆な
      {"half of the exception is no exception", "\xE5\xAB\x82\xE1", kEucNone, kEucChar},
      {"EUC word before ra", "\xE1\xB4\xA4\xE9", kEucNone, kEucChar},   // 甦ら
      {"EUC word before ro", "\xE1\xB4\xA4\xED", kEucNone, kEucChar},   // 甦ろ
      {"EUC word before wa", "\xE1\xB4\xA4\xEF", kEucNone, kEucNone},   // 甦わ
      {"EUC word before small wa inside a run", "\xE1\xB4\xA4\xEE", kEucChar, kEucChar},
      {"half-width bracket then kanji", "\x8E\xA2\xB0\xD0", kEucNone, kEucChar},  // ｢夷
      {"half-width bracket then other kanji", "\x8E\xA2\xB0\xA1", kEucNone, kEucNone},
      {"EUC-JP katakana pair", "\x8E\xB1\x8E\xB6", kEucNone, kEucHalfWidthKana},  // ｱｶ
      {"EUC-JP katakana triple", "\x8E\xD0\x8E\xD8\x8E\xCC", kEucNone, kEucHalfWidthKana},  // ﾐﾘﾌ
      {"triple cut short", "\x8E\xD0\x8E\xD8\x8E\xB1", kEucNone, kEucNone},
      {"middle dot and 9M", "\x8E\xA5\x39\x4D", kEucNone, kEucHalfWidthKana},
      {"lone EUC-JP katakana at the start", "\x8E\xB1\x41", kEucNone, kEucNone},
      {"lone EUC-JP katakana inside a run", "\x8E\xB1\x41", kEucChar, kEucHalfWidthKana},
      {"0x8E before a non-katakana byte", "\x8E\xE0", kEucChar, kEucNone},
      {"space at the start", " ", kEucNone, kEucNone},
      {"space inside a run", " ", kEucChar, kEucRunSpace},
      {"space after a run space", " ", kEucRunSpace, kEucRunSpace},
      {"ASCII inside a run", "A", kEucChar, kEucNone},
      {"JIS X 0212 at the start", "\x8F\xB0\xA1", kEucNone, kEucNone},
      {"JIS X 0212 inside a run", "\x8F\xB0\xA1", kEucChar, kEucNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EucPairClass(Padded(c.bytes).data(), c.previous), c.expected);
  }
}

// A text's last byte followed by its NUL must never start a pair: the
// encoding pass relies on it at the end of a page.
TEST(EucPairClass, NeverStartsAPairOnTheLastByte) {
  for (int lead = 0; lead < 256; ++lead) {
    for (EucClass previous : {kEucNone, kEucChar, kEucHalfWidthKana, kEucRunSpace}) {
      const unsigned char text[kTextConvLookAhead] = {static_cast<unsigned char>(lead)};
      const EucClass found = EucPairClass(text, previous);
      EXPECT_TRUE(found == kEucNone || found == kEucRunSpace) << lead << " after " << previous;
      EXPECT_FALSE(IsSjisPair(text)) << lead;
    }
  }
}

TEST(EucToSjisPair, ConvertsByRowArithmeticAndHalfWidthTable) {
  struct Case {
    const char* name;
    const char* euc;
    const char* sjis;
  };
  const Case cases[] = {
      {"kanji a", "\xB0\xA1", "\x88\x9F"},          // 亜
      {"hiragana a", "\xA4\xA2", "\x82\xA0"},       // あ
      {"half-width ka", "\x8E\xB6", "\x83\x4A"},    // ｶ → カ
      {"half-width dakuten", "\x8E\xDE", "\x81\x4A"},  // ﾞ → ゛
      {"first position", "\xA1\xA1", "\x81\x40"},   // 全角空白
      {"odd row, last trail below 0x60", "\xA1\xDF", "\x81\x7E"},  // ×
      {"odd row, first trail from 0x60 on", "\xA1\xE0", "\x81\x80"},  // ÷
      {"odd row, last trail", "\xA1\xFE", "\x81\x9E"},  // ◆
      {"even row, first trail", "\xA2\xA1", "\x81\x9F"},  // ◇
      {"row 62, last position", "\xDE\xFE", "\x9F\xFC"},
      {"row 63, first position", "\xDF\xA1", "\xE0\x40"},
      {"last JIS X 0208 kanji", "\xF4\xA6", "\xEA\xA4"},  // 熙
      {"half-width full stop", "\x8E\xA1", "\x81\x42"},  // ｡ → 。
      {"half-width wo", "\x8E\xA6", "\x83\x92"},  // ｦ → ヲ
      {"half-width small a", "\x8E\xA7", "\x83\x40"},  // ｧ → ァ
      {"half-width long vowel", "\x8E\xB0", "\x81\x5B"},  // ｰ → ー
      {"half-width n", "\x8E\xDD", "\x83\x93"},  // ﾝ → ン
      {"half-width handakuten", "\x8E\xDF", "\x81\x4B"},  // ﾟ → ゜
      {"0x8E before 0xA0 stays", "\x8E\xA0", "\x8E\xA0"},
      {"0x8E before 0xE0 stays", "\x8E\xE0", "\x8E\xE0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Padded text(c.euc);
    EucToSjisPair(text.data());
    EXPECT_EQ(Hex(text.bytes.substr(0, 2)), Hex(c.sjis));
    EXPECT_EQ(text.bytes[2], '\0') << "wrote past the pair";
  }
}

}  // namespace
}  // namespace hoard

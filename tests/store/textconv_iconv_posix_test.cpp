// The Japanese text tables and conversions checked against glibc's iconv,
// which nobody here wrote: the tables' texts are converted at test time and
// compared with the bytes the tables hold.
#include <gtest/gtest.h>
#include <iconv.h>

#include <array>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "store/textconv.h"
#include "support/bytes.h"

namespace hoard {
namespace {

using test::Hex;

// Converts `in` with iconv; false when iconv refuses any of it.
bool Convert(const char* to, const char* from, std::string_view in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    ADD_FAILURE() << "iconv cannot convert from " << from << " to " << to;
    return false;
  }
  std::string input(in);
  std::string buffer(input.size() * 4 + 16, '\0');
  char* inPtr = input.data();
  size_t inLeft = input.size();
  char* outPtr = buffer.data();
  size_t outLeft = buffer.size();
  const size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  const bool ok = result != static_cast<size_t>(-1) &&
                  iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  out.assign(buffer.data(), buffer.size() - outLeft);
  return ok && inLeft == 0;
}

std::string ConvertOrFail(const char* to, const char* from, std::string_view in) {
  std::string out;
  EXPECT_TRUE(Convert(to, from, in, out)) << in;
  return out;
}

template <size_t N>
void ExpectTableIsIconvOf(const std::array<std::string_view, N>& table,
                          const std::vector<std::string_view>& texts, const char* encoding) {
  ASSERT_EQ(texts.size(), N);
  for (size_t i = 0; i < N; ++i) {
    SCOPED_TRACE(std::string(texts[i]));
    EXPECT_EQ(Hex(table[i]), Hex(ConvertOrFail(encoding, "UTF-8", texts[i])));
  }
}

TEST(TextTables, KanaWordsAreTheShiftJisOfTheirTexts) {
  ExpectTableIsIconvOf(kKanaWordTable,
                       {"ｱｯﾌﾟ", "ｱﾄﾞ", "ｲﾍﾞ", "ｲﾝﾀ", "ｲﾝﾌｫ", "ｳｪｱ", "ｴｷｽﾊ", "ｴｷｽﾌ", "ｴｷｽﾎ",
                        "ｶﾞｲ", "ｸﾘｽﾏｽ", "ｺﾞｼｯｸ", "ｺﾝﾄﾛ", "ｺﾝﾋﾟ", "ｼｪｱ", "ｼｮｰ", "ｽﾍﾟ", "ﾀｲｱ",
                        "ﾀｼｽﾃ", "ﾀｲﾄﾙ", "ﾀｲﾌﾟ", "ﾀﾞﾝ", "ﾀｷｷﾀ", "ﾁｪｯｸ", "ﾄｰｸ", "ﾆｯｻﾝ", "ﾌｧｰ",
                        "ﾌｧｲ", "ﾌｧﾑ", "ﾌﾘｰ", "ﾎｰﾑ", "ﾏﾈｰｼ", "ﾘﾝｸ"},
                       "CP932");
}

TEST(TextTables, KatakanaBigramsAreTheShiftJisOfTheirTexts) {
  ExpectTableIsIconvOf(kSjisKanaBigrams,
                       {"ｨｱ", "ｨﾊ", "ｨﾝ", "ｪｰ", "ｬﾊ", "ｬﾙ", "ｭﾆ", "ｯｸ", "ｯｼ", "ｯｾ", "ｯﾄ",
                        "ｯﾌ", "ﾄﾗ", "ﾏﾝ", "ﾒﾝ", "ﾗﾘ", "ﾘｱ", "ﾚｰ", "ﾝｶ", "ﾝﾀ", "ﾝﾁ", "ﾝﾃ",
                        "ﾝﾄ", "ﾝﾊ", "ﾝﾏ", "ﾞｰ", "ﾞｲ", "ﾞﾅ", "ﾞﾈ", "ﾞﾗ", "ﾞﾙ", "ﾞﾝ", "ﾟｲ"},
                       "CP932");
}

TEST(TextTables, KatakanaFragmentsAreTheShiftJisOfTheirTexts) {
  ExpectTableIsIconvOf(
      kSjisKanaFragments,
      {"ｻﾞ･",  "･ｽｸ",  "ｽｸｰﾌﾟ", "ｽｸｰﾙ", "ｸｰﾌﾟ", "ｰﾌﾟ",  "ﾌﾟ運",  "ﾆｭｰ",  "ｭｰｽ",  "ｰｽｽ",
       "ｽｽﾃ",  "ｽﾃｰﾄ", "ﾃｰｼ",   "ｰｼｮ",  "ｼｮﾝ",  "ｮﾝ",   "ｾﾝﾀｰ", "ﾝﾀｰ",  "ｿｰｼｬ", "ｰｼｬﾙ",
       "ｼｬﾙ",  "ｬﾙ",   "ﾏﾈｼﾞ",  "ﾈｼﾞ",  "ﾞﾒﾝ",  "ﾒﾝﾄ",  "ｾｰﾌﾞ", "ｰﾌﾞ",  "ﾌﾞﾗ",  "ﾞ･ﾋ",
       "･ｻﾞ",  "･ﾁﾙ",  "ﾁﾙﾄ",   "ﾙﾄﾞ",  "ﾞﾚﾝ",  "ﾚﾝ･",  "ﾝ･ｼ",  "･ｼﾞ",  "ﾞｬﾊ",  "ｬﾊ",
       "ﾈｯﾄ",  "ｯﾄﾜ",  "ｯﾄｽ",   "ﾄｽｹ",  "ｺﾐｭ",  "ﾐｭﾆ",  "ｭﾆ",   "ﾎﾞﾗ",  "ﾗﾝﾃ",  "ﾝﾃｨ",
       "ｽｳｪ",  "ｳｪｰ",  "ｪｰ",    "ﾍﾞﾚ",  "ﾞﾈｽ",  "ﾞﾙｷ",  "ｱﾙｾ",  "ﾙｾﾞ",  "ｾﾞﾝ",  "ﾝﾄﾗ",
       "ｲｽﾗ",  "ｲﾀﾘ",  "ﾀﾘｱ",   "ﾘｱ",   "ｽｲｽ",  "ｵｰｽﾄ", "ｰｽﾄ",  "ﾄﾘｱ",  "ﾄﾗ",   "ﾌﾗﾝ",
       "ﾊﾝｶﾞ", "ﾝｶﾞ",  "ﾃﾚﾋﾞ",  "ﾚﾋﾞ",  "ﾋﾞﾄ",  "ﾞﾄﾞ",  "ﾄﾞﾚ",  "ﾞﾗﾝ",  "ﾗﾏの",  "ﾗﾏｱ",
       "ﾏｱﾝ",  "ｱﾝｺ",  "ﾝｺｰ",   "ｺｰﾙ",  "ｰﾙ『",  "ﾐｯﾄ",  "ｯﾄﾞ",  "ﾞﾅｲ",  "ﾅｲﾄ",  "ｲﾄ・",
       "ｾｯｾ",  "ｯｾ",   "ﾚｼﾞ",   "ｼﾞｬ",  "ﾞﾅﾙ",  "･ｺﾞ",  "ｺﾞｰ",  "ﾞｰﾘ",  "ﾘﾀｰ",  "ﾀｰﾝ",
       "ｰﾝ)",  "ｵｰﾄﾊ", "ｰﾄﾊ",   "ﾄﾊﾟ",  "ﾊﾟｲ",  "ﾟｲ",   "ｲﾝﾄﾗ", "ｲﾝｸ",  "ﾝｸﾞ",  "ｸﾞﾘ",
       "ﾞﾘｯ",  "ﾘｯﾄ",  "ｯﾄ･",   "ﾊﾞｰｸ", "ﾞｰｸ",  "ｴﾝﾃ",  "ﾝﾃﾞ",  "ﾃﾞﾝ",  "ﾞｨﾝ",  "ｨﾝｸ",
       "ﾞﾝﾏ",  "ﾝﾏ",   "ﾞｲﾂ",   "ｽﾄﾘ",  "ﾄｯﾌ",  "ｯｸ",   "ｯﾌﾟ",  "ｨﾊ",   "ﾊﾘｳ",  "ﾘｳｯ",
       "ｳｯﾄ",  "ﾎﾟｰ",  "ﾟｰﾄ",   "ﾟｰﾗ",  "ｰﾗﾝ",  "ｰﾄｱ",  "ﾄｱｲ",  "ｱｲﾗ",  "ｲﾗﾝ",  "ﾗﾝﾄ",
       "ﾝﾄﾞ",  "ﾄﾞの",  "ｱﾊﾞ",   "ﾊﾞﾝ",  "ﾞﾝﾁ",  "ﾌｨﾝ",  "ﾌｨｯ",  "ｨｯｼ",  "ｯｼｭ",  "ｯｼﾝ",
       "ｷｬﾝ",  "ｬﾝﾊ",  "ﾝﾊﾟ",   "ｽﾃｰｼ", "ｽﾃｰﾀ", "ﾌﾞ･",  "ﾞ･ｻ",  "ﾞ･ｽ",  "ﾞ･ﾀ",  "ﾞ･ﾁ",
       "ﾐｭｰ",  "ﾍﾞ･",  "ﾍﾞｲ",   "ﾍﾞﾄ",  "ﾍﾞﾈ",  "ﾍﾞﾗ",  "ﾍﾞﾙ",  "ﾄﾞ･",  "ﾄﾞｲ",  "ﾄﾞﾅ",
       "ﾄﾞﾗ",  "ﾞﾗｼ",  "ﾞﾗﾏ",   "ｼﾞﾅ",  "ｼﾞﾒ",  "ﾃﾞｨ",  "ｽﾄｯ",  "ｽﾄｰ",  "ｽﾄﾗ",  "ﾄｯｸ"},
      "CP932");
}

TEST(TextTables, EucKanaPairsAreTheEucJpOfTheirTexts) {
  ExpectTableIsIconvOf(kEucKanaPairs,
                       {"ｱｶ", "ｱｽ", "ｱﾒ", "ｱﾙ", "ｱｰ", "ｲｷ", "ｲﾃ", "ｲﾝ", "ｴｺ", "ｴﾈ", "ｵｰ",
                        "ｶｰ", "ｽﾗ", "ｽﾘ", "ｽﾛ", "ｽﾝ", "ｽﾞ", "ｾｶ", "ｾｸ", "ｾﾝ", "ｾｰ", "ﾃｷ",
                        "ﾃｸ", "ﾃﾝ", "ﾃﾞ", "ﾄﾗ", "ﾄﾘ", "ﾄﾛ", "ﾄﾝ", "ﾄﾞ", "ﾊﾘ", "ﾊﾛ", "ﾊﾝ",
                        "ﾊﾞ", "ﾊﾟ", "ﾌﾗ", "ﾌﾘ", "ﾌﾛ", "ﾌﾝ", "ﾌﾞ", "ﾌﾟ", "ﾌｧ", "ﾌｨ", "ﾌｪ",
                        "ﾌｫ", "ﾏﾙ", "ﾐﾘｸ", "ﾐﾘﾌ", "ﾐﾘﾒ", "ﾐﾘﾘ", "･9M"},
                       "EUC-JP");
}

TEST(TextTables, EucWordsAreTheEucJpOfTheirTexts) {
  // The entry for 甦 holds the lead byte of the kana after it; its condition
  // takes the kana's second byte.
  const std::vector<std::string_view> readings = {
      "綺",   "襄",   "穢",   "諷",   "絆",   "蜃気", "薔薇", "艾青", "犢を", "甦ら",
      "笙野", "齋藤", "簗田", "大阪", "舗一", "眞",   "｢夷",  "｢東",  "｢湾",  "｢ｴ"};
  ASSERT_EQ(readings.size(), kEucWords.size());
  for (size_t i = 0; i < kEucWords.size(); ++i) {
    SCOPED_TRACE(std::string(readings[i]));
    const std::string euc = ConvertOrFail("EUC-JP", "UTF-8", readings[i]);
    const bool beforeKana = kEucWords[i].condition == EucWordCondition::kBeforeRaRow;
    EXPECT_EQ(Hex(kEucWords[i].bytes), Hex(beforeKana ? euc.substr(0, 3) : euc));
  }
  // What the two conditions stand for.
  EXPECT_EQ(kEucWords[9].condition, EucWordCondition::kBeforeRaRow);
  EXPECT_EQ(Hex(ConvertOrFail("EUC-JP", "UTF-8", "らりるれろ")), "A4 E9 A4 EA A4 EB A4 EC A4 ED");
  EXPECT_EQ(kEucWords[4].condition, EucWordCondition::kNotBeforeSjisMo);
  EXPECT_EQ(Hex(std::string(kEucWords[4].bytes) + "\x82\xE0"),
            Hex(ConvertOrFail("CP932", "UTF-8", "雖も")));
}

TEST(TextTables, HalfWidthKatakanaTurnIntoTheirFullWidthCharacters) {
  const std::string halfWidth = ConvertOrFail(
      "CP932", "UTF-8",
      "｡｢｣､･ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝﾞﾟ");
  const std::string fullWidth = ConvertOrFail(
      "SHIFT_JIS", "UTF-8",
      "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホ"
      "マミムメモヤユヨラリルレロワン゛゜");
  ASSERT_EQ(halfWidth.size(), kHalfWidthKanaCount);
  ASSERT_EQ(fullWidth.size(), 2 * kHalfWidthKanaCount);
  for (size_t i = 0; i < kHalfWidthKanaCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(static_cast<unsigned char>(halfWidth[i]), 0xA1 + i);
    unsigned char pair[kTextConvLookAhead] = {0x8E, static_cast<unsigned char>(halfWidth[i])};
    EucToSjisPair(pair);
    EXPECT_EQ(Hex(std::string_view(reinterpret_cast<const char*>(pair), 2)),
              Hex(fullWidth.substr(2 * i, 2)));
  }
}

TEST(EucToSjisPair, MatchesIconvOnEveryJisX0208Position) {
  int compared = 0;
  for (int row = 1; row <= 94; ++row) {
    for (int cell = 1; cell <= 94; ++cell) {
      const char euc[2] = {static_cast<char>(0xA0 + row), static_cast<char>(0xA0 + cell)};
      std::string expected;
      if (!Convert("SHIFT_JIS", "EUC-JP", std::string_view(euc, 2), expected)) continue;
      ++compared;
      unsigned char pair[kTextConvLookAhead] = {static_cast<unsigned char>(euc[0]),
                                                static_cast<unsigned char>(euc[1])};
      EucToSjisPair(pair);
      EXPECT_EQ(Hex(std::string_view(reinterpret_cast<const char*>(pair), 2)), Hex(expected))
          << "row " << row << " cell " << cell;
    }
  }
  // JIS X 0208 assigns 6879 positions; iconv must have converted them all.
  EXPECT_GE(compared, 6879);
}

std::string ReadFixture(const std::string& name) {
  std::ifstream in(std::string(HOARD_TEST_DATA_DIR) + "/text/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The stored fixtures are what iconv makes of their UTF-8 sources, so the
// encoding pass tests compare against a reference nobody here wrote.
TEST(TextFixtures, AreIconvConversionsOfTheirSources) {
  struct Case {
    const char* result;
    const char* to;
    const char* source;
    const char* from;
  };
  const Case cases[] = {
      {"page-eucjp.html", "EUC-JP", "page-utf8.html", "UTF-8"},
      {"page-eucjp.html.cp932", "CP932", "page-eucjp.html", "EUC-JP"},
      {"halfwidth-eucjp.txt", "EUC-JP", "halfwidth-utf8.txt", "UTF-8"},
      {"halfwidth-eucjp.txt.cp932", "CP932", "halfwidth-expected-utf8.txt", "UTF-8"},
      {"katakana-sjis.txt", "CP932", "katakana-utf8.txt", "UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    EXPECT_EQ(ReadFixture(c.result), ConvertOrFail(c.to, c.from, ReadFixture(c.source)));
  }
}

}  // namespace
}  // namespace hoard

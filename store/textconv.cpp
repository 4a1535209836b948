#include "store/textconv.h"

#include <cstdint>

namespace hoard {
namespace {

// Bytes as the tables compare them.
constexpr unsigned char Byte(std::string_view text, size_t i) {
  return static_cast<unsigned char>(text[i]);
}

constexpr bool BeginsWith(const unsigned char* p, std::string_view entry) {
  for (size_t i = 0; i < entry.size(); ++i) {
    if (p[i] != Byte(entry, i)) return false;
  }
  return true;
}

// The first two bytes of every entry of a table, one bit per byte pair, so
// that most positions are turned away by one lookup before any entry is
// compared. Every entry is at least two bytes long.
class PrefixSet {
 public:
  constexpr void Add(std::string_view entry) { Set(Byte(entry, 0), Byte(entry, 1)); }
  constexpr bool MayMatch(const unsigned char* p) const {
    const unsigned index = static_cast<unsigned>(p[0]) << 8 | p[1];
    return (bits_[index >> 6] >> (index & 63)) & 1;
  }

 private:
  constexpr void Set(unsigned char a, unsigned char b) {
    const unsigned index = static_cast<unsigned>(a) << 8 | b;
    bits_[index >> 6] |= uint64_t{1} << (index & 63);
  }
  std::array<uint64_t, 65536 / 64> bits_{};
};

template <size_t N>
constexpr PrefixSet MakePrefixSet(const std::array<std::string_view, N>& table) {
  PrefixSet set;
  for (std::string_view entry : table) set.Add(entry);
  return set;
}

template <size_t N>
bool MatchAnyPrefix(const PrefixSet& prefixes, const std::array<std::string_view, N>& table,
                    const unsigned char* p) {
  if (!prefixes.MayMatch(p)) return false;
  for (std::string_view entry : table) {
    if (BeginsWith(p, entry)) return true;
  }
  return false;
}

}  // namespace

constexpr std::array<std::string_view, kKanaWordCount> kKanaWordTable = {
    "\xB1\xAF\xCC\xDF",  // ｱｯﾌﾟ
    "\xB1\xC4\xDE",  // ｱﾄﾞ
    "\xB2\xCD\xDE",  // ｲﾍﾞ
    "\xB2\xDD\xC0",  // ｲﾝﾀ
    "\xB2\xDD\xCC\xAB",  // ｲﾝﾌｫ
    "\xB3\xAA\xB1",  // ｳｪｱ
    "\xB4\xB7\xBD\xCA",  // ｴｷｽﾊ
    "\xB4\xB7\xBD\xCC",  // ｴｷｽﾌ
    "\xB4\xB7\xBD\xCE",  // ｴｷｽﾎ
    "\xB6\xDE\xB2",  // ｶﾞｲ
    "\xB8\xD8\xBD\xCF\xBD",  // ｸﾘｽﾏｽ
    "\xBA\xDE\xBC\xAF\xB8",  // ｺﾞｼｯｸ
    "\xBA\xDD\xC4\xDB",  // ｺﾝﾄﾛ
    "\xBA\xDD\xCB\xDF",  // ｺﾝﾋﾟ
    "\xBC\xAA\xB1",  // ｼｪｱ
    "\xBC\xAE\xB0",  // ｼｮｰ
    "\xBD\xCD\xDF",  // ｽﾍﾟ
    "\xC0\xB2\xB1",  // ﾀｲｱ
    "\xC0\xBC\xBD\xC3",  // ﾀｼｽﾃ
    "\xC0\xB2\xC4\xD9",  // ﾀｲﾄﾙ
    "\xC0\xB2\xCC\xDF",  // ﾀｲﾌﾟ
    "\xC0\xDE\xDD",  // ﾀﾞﾝ
    "\xC0\xB7\xB7\xC0",  // ﾀｷｷﾀ
    "\xC1\xAA\xAF\xB8",  // ﾁｪｯｸ
    "\xC4\xB0\xB8",  // ﾄｰｸ
    "\xC6\xAF\xBB\xDD",  // ﾆｯｻﾝ
    "\xCC\xA7\xB0",  // ﾌｧｰ
    "\xCC\xA7\xB2",  // ﾌｧｲ
    "\xCC\xA7\xD1",  // ﾌｧﾑ
    "\xCC\xD8\xB0",  // ﾌﾘｰ
    "\xCE\xB0\xD1",  // ﾎｰﾑ
    "\xCF\xC8\xB0\xBC",  // ﾏﾈｰｼ
    "\xD8\xDD\xB8",  // ﾘﾝｸ
};

constexpr std::array<std::string_view, kSjisKanaBigramCount> kSjisKanaBigrams = {
    "\xA8\xB1",  // ｨｱ
    "\xA8\xCA",  // ｨﾊ
    "\xA8\xDD",  // ｨﾝ
    "\xAA\xB0",  // ｪｰ
    "\xAC\xCA",  // ｬﾊ
    "\xAC\xD9",  // ｬﾙ
    "\xAD\xC6",  // ｭﾆ
    "\xAF\xB8",  // ｯｸ
    "\xAF\xBC",  // ｯｼ
    "\xAF\xBE",  // ｯｾ
    "\xAF\xC4",  // ｯﾄ
    "\xAF\xCC",  // ｯﾌ
    "\xC4\xD7",  // ﾄﾗ
    "\xCF\xDD",  // ﾏﾝ
    "\xD2\xDD",  // ﾒﾝ
    "\xD7\xD8",  // ﾗﾘ
    "\xD8\xB1",  // ﾘｱ
    "\xDA\xB0",  // ﾚｰ
    "\xDD\xB6",  // ﾝｶ
    "\xDD\xC0",  // ﾝﾀ
    "\xDD\xC1",  // ﾝﾁ
    "\xDD\xC3",  // ﾝﾃ
    "\xDD\xC4",  // ﾝﾄ
    "\xDD\xCA",  // ﾝﾊ
    "\xDD\xCF",  // ﾝﾏ
    "\xDE\xB0",  // ﾞｰ
    "\xDE\xB2",  // ﾞｲ
    "\xDE\xC5",  // ﾞﾅ
    "\xDE\xC8",  // ﾞﾈ
    "\xDE\xD7",  // ﾞﾗ
    "\xDE\xD9",  // ﾞﾙ
    "\xDE\xDD",  // ﾞﾝ
    "\xDF\xB2",  // ﾟｲ
};

constexpr std::array<std::string_view, kSjisKanaFragmentCount> kSjisKanaFragments = {
    "\xBB\xDE\xA5",  // ｻﾞ･
    "\xA5\xBD\xB8",  // ･ｽｸ
    "\xBD\xB8\xB0\xCC\xDF",  // ｽｸｰﾌﾟ
    "\xBD\xB8\xB0\xD9",  // ｽｸｰﾙ
    "\xB8\xB0\xCC\xDF",  // ｸｰﾌﾟ
    "\xB0\xCC\xDF",  // ｰﾌﾟ
    "\xCC\xDF\x89\x5E",  // ﾌﾟ運
    "\xC6\xAD\xB0",  // ﾆｭｰ
    "\xAD\xB0\xBD",  // ｭｰｽ
    "\xB0\xBD\xBD",  // ｰｽｽ
    "\xBD\xBD\xC3",  // ｽｽﾃ
    "\xBD\xC3\xB0\xC4",  // ｽﾃｰﾄ
    "\xC3\xB0\xBC",  // ﾃｰｼ
    "\xB0\xBC\xAE",  // ｰｼｮ
    "\xBC\xAE\xDD",  // ｼｮﾝ
    "\xAE\xDD",  // ｮﾝ
    "\xBE\xDD\xC0\xB0",  // ｾﾝﾀｰ
    "\xDD\xC0\xB0",  // ﾝﾀｰ
    "\xBF\xB0\xBC\xAC",  // ｿｰｼｬ
    "\xB0\xBC\xAC\xD9",  // ｰｼｬﾙ
    "\xBC\xAC\xD9",  // ｼｬﾙ
    "\xAC\xD9",  // ｬﾙ
    "\xCF\xC8\xBC\xDE",  // ﾏﾈｼﾞ
    "\xC8\xBC\xDE",  // ﾈｼﾞ
    "\xDE\xD2\xDD",  // ﾞﾒﾝ
    "\xD2\xDD\xC4",  // ﾒﾝﾄ
    "\xBE\xB0\xCC\xDE",  // ｾｰﾌﾞ
    "\xB0\xCC\xDE",  // ｰﾌﾞ
    "\xCC\xDE\xD7",  // ﾌﾞﾗ
    "\xDE\xA5\xCB",  // ﾞ･ﾋ
    "\xA5\xBB\xDE",  // ･ｻﾞ
    "\xA5\xC1\xD9",  // ･ﾁﾙ
    "\xC1\xD9\xC4",  // ﾁﾙﾄ
    "\xD9\xC4\xDE",  // ﾙﾄﾞ
    "\xDE\xDA\xDD",  // ﾞﾚﾝ
    "\xDA\xDD\xA5",  // ﾚﾝ･
    "\xDD\xA5\xBC",  // ﾝ･ｼ
    "\xA5\xBC\xDE",  // ･ｼﾞ
    "\xDE\xAC\xCA",  // ﾞｬﾊ
    "\xAC\xCA",  // ｬﾊ
    "\xC8\xAF\xC4",  // ﾈｯﾄ
    "\xAF\xC4\xDC",  // ｯﾄﾜ
    "\xAF\xC4\xBD",  // ｯﾄｽ
    "\xC4\xBD\xB9",  // ﾄｽｹ
    "\xBA\xD0\xAD",  // ｺﾐｭ
    "\xD0\xAD\xC6",  // ﾐｭﾆ
    "\xAD\xC6",  // ｭﾆ
    "\xCE\xDE\xD7",  // ﾎﾞﾗ
    "\xD7\xDD\xC3",  // ﾗﾝﾃ
    "\xDD\xC3\xA8",  // ﾝﾃｨ
    "\xBD\xB3\xAA",  // ｽｳｪ
    "\xB3\xAA\xB0",  // ｳｪｰ
    "\xAA\xB0",  // ｪｰ
    "\xCD\xDE\xDA",  // ﾍﾞﾚ
    "\xDE\xC8\xBD",  // ﾞﾈｽ
    "\xDE\xD9\xB7",  // ﾞﾙｷ
    "\xB1\xD9\xBE",  // ｱﾙｾ
    "\xD9\xBE\xDE",  // ﾙｾﾞ
    "\xBE\xDE\xDD",  // ｾﾞﾝ
    "\xDD\xC4\xD7",  // ﾝﾄﾗ
    "\xB2\xBD\xD7",  // ｲｽﾗ
    "\xB2\xC0\xD8",  // ｲﾀﾘ
    "\xC0\xD8\xB1",  // ﾀﾘｱ
    "\xD8\xB1",  // ﾘｱ
    "\xBD\xB2\xBD",  // ｽｲｽ
    "\xB5\xB0\xBD\xC4",  // ｵｰｽﾄ
    "\xB0\xBD\xC4",  // ｰｽﾄ
    "\xC4\xD8\xB1",  // ﾄﾘｱ
    "\xC4\xD7",  // ﾄﾗ
    "\xCC\xD7\xDD",  // ﾌﾗﾝ
    "\xCA\xDD\xB6\xDE",  // ﾊﾝｶﾞ
    "\xDD\xB6\xDE",  // ﾝｶﾞ
    "\xC3\xDA\xCB\xDE",  // ﾃﾚﾋﾞ
    "\xDA\xCB\xDE",  // ﾚﾋﾞ
    "\xCB\xDE\xC4",  // ﾋﾞﾄ
    "\xDE\xC4\xDE",  // ﾞﾄﾞ
    "\xC4\xDE\xDA",  // ﾄﾞﾚ
    "\xDE\xD7\xDD",  // ﾞﾗﾝ
    "\xD7\xCF\x82\xCC",  // ﾗﾏの
    "\xD7\xCF\xB1",  // ﾗﾏｱ
    "\xCF\xB1\xDD",  // ﾏｱﾝ
    "\xB1\xDD\xBA",  // ｱﾝｺ
    "\xDD\xBA\xB0",  // ﾝｺｰ
    "\xBA\xB0\xD9",  // ｺｰﾙ
    "\xB0\xD9\x81\x77",  // ｰﾙ『
    "\xD0\xAF\xC4",  // ﾐｯﾄ
    "\xAF\xC4\xDE",  // ｯﾄﾞ
    "\xDE\xC5\xB2",  // ﾞﾅｲ
    "\xC5\xB2\xC4",  // ﾅｲﾄ
    "\xB2\xC4\x81\x45",  // ｲﾄ・
    "\xBE\xAF\xBE",  // ｾｯｾ
    "\xAF\xBE",  // ｯｾ
    "\xDA\xBC\xDE",  // ﾚｼﾞ
    "\xBC\xDE\xAC",  // ｼﾞｬ
    "\xDE\xC5\xD9",  // ﾞﾅﾙ
    "\xA5\xBA\xDE",  // ･ｺﾞ
    "\xBA\xDE\xB0",  // ｺﾞｰ
    "\xDE\xB0\xD8",  // ﾞｰﾘ
    "\xD8\xC0\xB0",  // ﾘﾀｰ
    "\xC0\xB0\xDD",  // ﾀｰﾝ
    "\xB0\xDD\x29",  // ｰﾝ)
    "\xB5\xB0\xC4\xCA",  // ｵｰﾄﾊ
    "\xB0\xC4\xCA",  // ｰﾄﾊ
    "\xC4\xCA\xDF",  // ﾄﾊﾟ
    "\xCA\xDF\xB2",  // ﾊﾟｲ
    "\xDF\xB2",  // ﾟｲ
    "\xB2\xDD\xC4\xD7",  // ｲﾝﾄﾗ
    "\xB2\xDD\xB8",  // ｲﾝｸ
    "\xDD\xB8\xDE",  // ﾝｸﾞ
    "\xB8\xDE\xD8",  // ｸﾞﾘ
    "\xDE\xD8\xAF",  // ﾞﾘｯ
    "\xD8\xAF\xC4",  // ﾘｯﾄ
    "\xAF\xC4\xA5",  // ｯﾄ･
    "\xCA\xDE\xB0\xB8",  // ﾊﾞｰｸ
    "\xDE\xB0\xB8",  // ﾞｰｸ
    "\xB4\xDD\xC3",  // ｴﾝﾃ
    "\xDD\xC3\xDE",  // ﾝﾃﾞ
    "\xC3\xDE\xDD",  // ﾃﾞﾝ
    "\xDE\xA8\xDD",  // ﾞｨﾝ
    "\xA8\xDD\xB8",  // ｨﾝｸ
    "\xDE\xDD\xCF",  // ﾞﾝﾏ
    "\xDD\xCF",  // ﾝﾏ
    "\xDE\xB2\xC2",  // ﾞｲﾂ
    "\xBD\xC4\xD8",  // ｽﾄﾘ
    "\xC4\xAF\xCC",  // ﾄｯﾌ
    "\xAF\xB8",  // ｯｸ
    "\xAF\xCC\xDF",  // ｯﾌﾟ
    "\xA8\xCA",  // ｨﾊ
    "\xCA\xD8\xB3",  // ﾊﾘｳ
    "\xD8\xB3\xAF",  // ﾘｳｯ
    "\xB3\xAF\xC4",  // ｳｯﾄ
    "\xCE\xDF\xB0",  // ﾎﾟｰ
    "\xDF\xB0\xC4",  // ﾟｰﾄ
    "\xDF\xB0\xD7",  // ﾟｰﾗ
    "\xB0\xD7\xDD",  // ｰﾗﾝ
    "\xB0\xC4\xB1",  // ｰﾄｱ
    "\xC4\xB1\xB2",  // ﾄｱｲ
    "\xB1\xB2\xD7",  // ｱｲﾗ
    "\xB2\xD7\xDD",  // ｲﾗﾝ
    "\xD7\xDD\xC4",  // ﾗﾝﾄ
    "\xDD\xC4\xDE",  // ﾝﾄﾞ
    "\xC4\xDE\x82\xCC",  // ﾄﾞの
    "\xB1\xCA\xDE",  // ｱﾊﾞ
    "\xCA\xDE\xDD",  // ﾊﾞﾝ
    "\xDE\xDD\xC1",  // ﾞﾝﾁ
    "\xCC\xA8\xDD",  // ﾌｨﾝ
    "\xCC\xA8\xAF",  // ﾌｨｯ
    "\xA8\xAF\xBC",  // ｨｯｼ
    "\xAF\xBC\xAD",  // ｯｼｭ
    "\xAF\xBC\xDD",  // ｯｼﾝ
    "\xB7\xAC\xDD",  // ｷｬﾝ
    "\xAC\xDD\xCA",  // ｬﾝﾊ
    "\xDD\xCA\xDF",  // ﾝﾊﾟ
    "\xBD\xC3\xB0\xBC",  // ｽﾃｰｼ
    "\xBD\xC3\xB0\xC0",  // ｽﾃｰﾀ
    "\xCC\xDE\xA5",  // ﾌﾞ･
    "\xDE\xA5\xBB",  // ﾞ･ｻ
    "\xDE\xA5\xBD",  // ﾞ･ｽ
    "\xDE\xA5\xC0",  // ﾞ･ﾀ
    "\xDE\xA5\xC1",  // ﾞ･ﾁ
    "\xD0\xAD\xB0",  // ﾐｭｰ
    "\xCD\xDE\xA5",  // ﾍﾞ･
    "\xCD\xDE\xB2",  // ﾍﾞｲ
    "\xCD\xDE\xC4",  // ﾍﾞﾄ
    "\xCD\xDE\xC8",  // ﾍﾞﾈ
    "\xCD\xDE\xD7",  // ﾍﾞﾗ
    "\xCD\xDE\xD9",  // ﾍﾞﾙ
    "\xC4\xDE\xA5",  // ﾄﾞ･
    "\xC4\xDE\xB2",  // ﾄﾞｲ
    "\xC4\xDE\xC5",  // ﾄﾞﾅ
    "\xC4\xDE\xD7",  // ﾄﾞﾗ
    "\xDE\xD7\xBC",  // ﾞﾗｼ
    "\xDE\xD7\xCF",  // ﾞﾗﾏ
    "\xBC\xDE\xC5",  // ｼﾞﾅ
    "\xBC\xDE\xD2",  // ｼﾞﾒ
    "\xC3\xDE\xA8",  // ﾃﾞｨ
    "\xBD\xC4\xAF",  // ｽﾄｯ
    "\xBD\xC4\xB0",  // ｽﾄｰ
    "\xBD\xC4\xD7",  // ｽﾄﾗ
    "\xC4\xAF\xB8",  // ﾄｯｸ
};

constexpr std::array<EucWord, kEucWordCount> kEucWords = {{
    {"\xE5\xBA", EucWordCondition::kAlways},  // 綺
    {"\xEA\xF7", EucWordCondition::kAlways},  // 襄
    {"\xE3\xD2", EucWordCondition::kAlways},  // 穢
    {"\xEB\xE5", EucWordCondition::kAlways},  // 諷
    {"\xE5\xAB", EucWordCondition::kNotBeforeSjisMo},  // 絆
    {"\xE9\xE7\xB5\xA4", EucWordCondition::kAlways},  // 蜃気
    {"\xE9\xAC\xE9\xAF", EucWordCondition::kAlways},  // 薔薇
    {"\xE7\xE8\xC0\xC4", EucWordCondition::kAlways},  // 艾青
    {"\xE0\xB9\xA4\xF2", EucWordCondition::kAlways},  // 犢を
    {"\xE1\xB4\xA4", EucWordCondition::kBeforeRaRow},  // 甦 + ら り る れ ろ
    {"\xE3\xF9\xCC\xEE", EucWordCondition::kAlways},  // 笙野
    {"\xE3\xB7\xC6\xA3", EucWordCondition::kAlways},  // 齋藤
    {"\xE4\xCC\xC5\xC4", EucWordCondition::kAlways},  // 簗田
    {"\xC2\xE7\xBA\xE5", EucWordCondition::kAlways},  // 大阪
    {"\xCA\xDE\xB0\xEC", EucWordCondition::kAlways},  // 舗一
    {"\xE2\xC3", EucWordCondition::kAlways},  // 眞
    {"\x8E\xA2\xB0\xD0", EucWordCondition::kAlways},  // ｢夷
    {"\x8E\xA2\xC5\xEC", EucWordCondition::kAlways},  // ｢東
    {"\x8E\xA2\xCF\xD1", EucWordCondition::kAlways},  // ｢湾
    {"\x8E\xA2\x8E\xB4", EucWordCondition::kAlways},  // ｢ｴ
}};

constexpr std::array<std::string_view, kEucKanaPairCount> kEucKanaPairs = {
    "\x8E\xB1\x8E\xB6",  // ｱｶ
    "\x8E\xB1\x8E\xBD",  // ｱｽ
    "\x8E\xB1\x8E\xD2",  // ｱﾒ
    "\x8E\xB1\x8E\xD9",  // ｱﾙ
    "\x8E\xB1\x8E\xB0",  // ｱｰ
    "\x8E\xB2\x8E\xB7",  // ｲｷ
    "\x8E\xB2\x8E\xC3",  // ｲﾃ
    "\x8E\xB2\x8E\xDD",  // ｲﾝ
    "\x8E\xB4\x8E\xBA",  // ｴｺ
    "\x8E\xB4\x8E\xC8",  // ｴﾈ
    "\x8E\xB5\x8E\xB0",  // ｵｰ
    "\x8E\xB6\x8E\xB0",  // ｶｰ
    "\x8E\xBD\x8E\xD7",  // ｽﾗ
    "\x8E\xBD\x8E\xD8",  // ｽﾘ
    "\x8E\xBD\x8E\xDB",  // ｽﾛ
    "\x8E\xBD\x8E\xDD",  // ｽﾝ
    "\x8E\xBD\x8E\xDE",  // ｽﾞ
    "\x8E\xBE\x8E\xB6",  // ｾｶ
    "\x8E\xBE\x8E\xB8",  // ｾｸ
    "\x8E\xBE\x8E\xDD",  // ｾﾝ
    "\x8E\xBE\x8E\xB0",  // ｾｰ
    "\x8E\xC3\x8E\xB7",  // ﾃｷ
    "\x8E\xC3\x8E\xB8",  // ﾃｸ
    "\x8E\xC3\x8E\xDD",  // ﾃﾝ
    "\x8E\xC3\x8E\xDE",  // ﾃﾞ
    "\x8E\xC4\x8E\xD7",  // ﾄﾗ
    "\x8E\xC4\x8E\xD8",  // ﾄﾘ
    "\x8E\xC4\x8E\xDB",  // ﾄﾛ
    "\x8E\xC4\x8E\xDD",  // ﾄﾝ
    "\x8E\xC4\x8E\xDE",  // ﾄﾞ
    "\x8E\xCA\x8E\xD8",  // ﾊﾘ
    "\x8E\xCA\x8E\xDB",  // ﾊﾛ
    "\x8E\xCA\x8E\xDD",  // ﾊﾝ
    "\x8E\xCA\x8E\xDE",  // ﾊﾞ
    "\x8E\xCA\x8E\xDF",  // ﾊﾟ
    "\x8E\xCC\x8E\xD7",  // ﾌﾗ
    "\x8E\xCC\x8E\xD8",  // ﾌﾘ
    "\x8E\xCC\x8E\xDB",  // ﾌﾛ
    "\x8E\xCC\x8E\xDD",  // ﾌﾝ
    "\x8E\xCC\x8E\xDE",  // ﾌﾞ
    "\x8E\xCC\x8E\xDF",  // ﾌﾟ
    "\x8E\xCC\x8E\xA7",  // ﾌｧ
    "\x8E\xCC\x8E\xA8",  // ﾌｨ
    "\x8E\xCC\x8E\xAA",  // ﾌｪ
    "\x8E\xCC\x8E\xAB",  // ﾌｫ
    "\x8E\xCF\x8E\xD9",  // ﾏﾙ
    "\x8E\xD0\x8E\xD8\x8E\xB8",  // ﾐﾘｸ
    "\x8E\xD0\x8E\xD8\x8E\xCC",  // ﾐﾘﾌ
    "\x8E\xD0\x8E\xD8\x8E\xD2",  // ﾐﾘﾒ
    "\x8E\xD0\x8E\xD8\x8E\xD8",  // ﾐﾘﾘ
    "\x8E\xA5\x39\x4D",  // ･9M
};

constexpr std::array<std::array<unsigned char, 2>, kHalfWidthKanaCount> kHalfWidthToFullWidth = {{
    {0x81, 0x42}, {0x81, 0x75}, {0x81, 0x76}, {0x81, 0x41}, {0x81, 0x45},  // ｡｢｣､･ 。「」、・
    {0x83, 0x92}, {0x83, 0x40}, {0x83, 0x42}, {0x83, 0x44}, {0x83, 0x46}, {0x83, 0x48},  // ｦｧｨｩｪｫ ヲァィゥェォ
    {0x83, 0x83}, {0x83, 0x85}, {0x83, 0x87}, {0x83, 0x62}, {0x81, 0x5B},  // ｬｭｮｯｰ ャュョッー
    {0x83, 0x41}, {0x83, 0x43}, {0x83, 0x45}, {0x83, 0x47}, {0x83, 0x49},  // ｱｲｳｴｵ アイウエオ
    {0x83, 0x4A}, {0x83, 0x4C}, {0x83, 0x4E}, {0x83, 0x50}, {0x83, 0x52},  // ｶｷｸｹｺ カキクケコ
    {0x83, 0x54}, {0x83, 0x56}, {0x83, 0x58}, {0x83, 0x5A}, {0x83, 0x5C},  // ｻｼｽｾｿ サシスセソ
    {0x83, 0x5E}, {0x83, 0x60}, {0x83, 0x63}, {0x83, 0x65}, {0x83, 0x67},  // ﾀﾁﾂﾃﾄ タチツテト
    {0x83, 0x69}, {0x83, 0x6A}, {0x83, 0x6B}, {0x83, 0x6C}, {0x83, 0x6D},  // ﾅﾆﾇﾈﾉ ナニヌネノ
    {0x83, 0x6E}, {0x83, 0x71}, {0x83, 0x74}, {0x83, 0x77}, {0x83, 0x7A},  // ﾊﾋﾌﾍﾎ ハヒフヘホ
    {0x83, 0x7D}, {0x83, 0x7E}, {0x83, 0x80}, {0x83, 0x81}, {0x83, 0x82},  // ﾏﾐﾑﾒﾓ マミムメモ
    {0x83, 0x84}, {0x83, 0x86}, {0x83, 0x88},  // ﾔﾕﾖ ヤユヨ
    {0x83, 0x89}, {0x83, 0x8A}, {0x83, 0x8B}, {0x83, 0x8C}, {0x83, 0x8D},  // ﾗﾘﾙﾚﾛ ラリルレロ
    {0x83, 0x8F}, {0x83, 0x93},  // ﾜﾝ ワン
    {0x81, 0x4A}, {0x81, 0x4B},  // ﾞﾟ ゛゜
}};

namespace {

constexpr PrefixSet kKanaWordPrefixes = MakePrefixSet(kKanaWordTable);
constexpr PrefixSet kBigramPrefixes = MakePrefixSet(kSjisKanaBigrams);
constexpr PrefixSet kFragmentPrefixes = MakePrefixSet(kSjisKanaFragments);
constexpr PrefixSet kEucKanaPairPrefixes = MakePrefixSet(kEucKanaPairs);

constexpr PrefixSet MakeEucWordPrefixes() {
  PrefixSet set;
  for (const EucWord& word : kEucWords) set.Add(word.bytes);
  return set;
}
constexpr PrefixSet kEucWordPrefixes = MakeEucWordPrefixes();

// Below this byte no table entry starts, so EucPairClass can answer a plain
// byte from the run rules alone.
constexpr unsigned char kFirstTableByte = 0x8E;

template <size_t N>
constexpr bool AllStartAtOrAbove(const std::array<std::string_view, N>& table, unsigned char low) {
  for (std::string_view entry : table) {
    if (Byte(entry, 0) < low) return false;
  }
  return true;
}
constexpr bool EucWordsStartAtOrAbove(unsigned char low) {
  for (const EucWord& word : kEucWords) {
    if (Byte(word.bytes, 0) < low) return false;
  }
  return true;
}
static_assert(AllStartAtOrAbove(kSjisKanaFragments, kFirstTableByte));
static_assert(AllStartAtOrAbove(kEucKanaPairs, kFirstTableByte));
static_assert(EucWordsStartAtOrAbove(kFirstTableByte));

// The farthest any test reads: the longest entry, and for EucWords the bytes
// their conditions look at after the entry.
template <size_t N>
constexpr size_t LongestEntry(const std::array<std::string_view, N>& table) {
  size_t longest = 0;
  for (std::string_view entry : table) longest = entry.size() > longest ? entry.size() : longest;
  return longest;
}
constexpr size_t LongestEucWordReach() {
  size_t longest = 0;
  for (const EucWord& word : kEucWords) {
    const size_t reach = word.bytes.size() + (word.condition == EucWordCondition::kAlways ? 0 : 2);
    longest = reach > longest ? reach : longest;
  }
  return longest;
}
static_assert(LongestEntry(kKanaWordTable) <= kTextConvLookAhead);
static_assert(LongestEntry(kSjisKanaFragments) <= kTextConvLookAhead);
static_assert(LongestEntry(kEucKanaPairs) <= kTextConvLookAhead);
static_assert(LongestEucWordReach() <= kTextConvLookAhead);

constexpr bool IsEucTrailByte(unsigned char b) { return b >= 0xA1 && b <= 0xFE; }

bool MatchEucWord(const unsigned char* p) {
  if (!kEucWordPrefixes.MayMatch(p)) return false;
  for (const EucWord& word : kEucWords) {
    if (!BeginsWith(p, word.bytes)) continue;
    const unsigned char* after = p + word.bytes.size();
    switch (word.condition) {
      case EucWordCondition::kAlways:
        return true;
      case EucWordCondition::kNotBeforeSjisMo:
        if (!(after[0] == 0x82 && after[1] == 0xE0)) return true;
        break;
      case EucWordCondition::kBeforeRaRow:
        if (after[0] >= 0xE9 && after[0] <= 0xED) return true;
        break;
    }
  }
  return false;
}

}  // namespace

bool IsSjisPair(const unsigned char* p) {
  const unsigned char lead = p[0];
  const unsigned char trail = p[1];
  if (IsSjisLeadLow(lead) || (lead >= 0xE0 && lead <= 0xFC)) {
    return trail >= 0x40 && trail <= 0xFC && trail != 0x7F;
  }
  return MatchAnyPrefix(kBigramPrefixes, kSjisKanaBigrams, p);
}

bool MatchKanaWord(const unsigned char* p) {
  return MatchAnyPrefix(kKanaWordPrefixes, kKanaWordTable, p);
}

EucClass EucPairClass(const unsigned char* p, EucClass previous) {
  const unsigned char lead = p[0];
  const unsigned char trail = p[1];
  if (lead < kFirstTableByte) {
    return (previous != kEucNone && lead == ' ') ? kEucRunSpace : kEucNone;
  }
  // Shift_JIS katakana that would otherwise read as an EUC-JP kanji.
  if (MatchAnyPrefix(kFragmentPrefixes, kSjisKanaFragments, p)) return kEucNone;
  if (lead >= 0xA1 && lead <= 0xDF && IsEucTrailByte(trail)) return kEucChar;
  if (lead >= 0xEE && lead <= 0xF4 && IsEucTrailByte(trail)) return kEucChar;
  if ((lead == 0xEC || lead == 0xED) && IsEucTrailByte(trail)) {
    // Outside a run, pairs with these four trail bytes are left alone.
    if (previous != kEucNone) return kEucChar;
    const bool sjisLike = trail == 0xC1 || trail == 0xE1 || trail == 0xE3 || trail == 0xE5;
    return sjisLike ? kEucNone : kEucChar;
  }
  if (MatchEucWord(p)) return kEucChar;
  if (MatchAnyPrefix(kEucKanaPairPrefixes, kEucKanaPairs, p)) return kEucHalfWidthKana;
  // What follows holds only inside an EUC-JP run.
  if (previous == kEucNone) return kEucNone;
  if (lead == ' ') return kEucRunSpace;
  if (lead == 0x8E && IsHalfWidthKanaByte(trail)) return kEucHalfWidthKana;
  if (lead >= 0xE0 && lead <= 0xEB && IsEucTrailByte(trail)) return kEucChar;
  return kEucNone;
}

void EucToSjisPair(unsigned char* p) {
  if (p[0] == 0x8E) {
    if (IsHalfWidthKanaByte(p[1])) {
      const std::array<unsigned char, 2>& full = kHalfWidthToFullWidth[p[1] - 0xA1];
      p[0] = full[0];
      p[1] = full[1];
    }
    return;
  }
  // JIS X 0208: two rows share one Shift_JIS lead byte, the odd row taking
  // trail bytes 0x40..0x9E (skipping 0x7F), the even row 0x9F..0xFC.
  const int j1 = p[0] & 0x7F;
  const int j2 = p[1] & 0x7F;
  const int row = j1 - 0x20;
  const int leadIndex = (row + 1) / 2;
  p[0] = static_cast<unsigned char>(leadIndex < 32 ? leadIndex + 0x80 : leadIndex + 0xC0);
  // Written as one selection: text alternates odd and even rows at random,
  // and a branch here would be mispredicted half the time.
  const int oddTrail = j2 + (j2 < 0x60 ? 0x1F : 0x20);
  p[1] = static_cast<unsigned char>((row & 1) != 0 ? oddTrail : j2 + 0x7E);
}

}  // namespace hoard

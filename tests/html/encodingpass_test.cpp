#include "html/encodingpass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/bytes.h"

namespace hoard {
namespace {

using test::Hex;
using test::FirstDifference;

constexpr EncodingPassOptions kLineEndsOnly{true, false};
constexpr EncodingPassOptions kEucOnly{false, true};
constexpr EncodingPassOptions kBoth{true, true};

struct PassResult {
  std::string text;
  bool changed = false;
  EncodingPassReport report;
};

// Runs the pass over a heap block of exactly the text's size, so that a read
// past the end is caught by the address sanitizer.
PassResult RunPass(std::string_view text, const EncodingPassOptions& options) {
  std::unique_ptr<unsigned char[]> block(new unsigned char[text.size()]);
  std::copy(text.begin(), text.end(), block.get());
  PassResult result;
  result.changed = RunEncodingPass(block.get(), text.size(), options, &result.report);
  result.text.assign(reinterpret_cast<const char*>(block.get()), text.size());
  return result;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(EncodingPass, TurnsLoneLineFeedsIntoCarriageReturns) {
  struct Case {
    const char* name;
    std::string_view in;
    std::string_view out;
  };
  const Case cases[] = {
      {"LF line ends", "a\nb\n", "a\rb\r"},
      {"CR LF pairs stay", "a\r\nb\r\n", "a\r\nb\r\n"},
      {"LF LF by the bytes as read", "a\n\nb", "a\r\rb"},
      {"CR LF LF", "a\r\n\nb", "a\r\n\rb"},
      {"LF first", "\nb", "\rb"},
      {"CR alone stays", "a\rb", "a\rb"},
      {"no line end", "ab", "ab"},
      {"empty text", "", ""},
      {"EUC-JP stays with only line ends on", "\xA4\xA2\n", "\xA4\xA2\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PassResult r = RunPass(c.in, kLineEndsOnly);
    EXPECT_EQ(Hex(r.text), Hex(c.out));
    EXPECT_EQ(r.changed, c.in != c.out);
  }
}

TEST(EncodingPass, DoesNothingWithBothOptionsOff) {
  const PassResult r = RunPass("\xA4\xA2\xA4\xA4\n", EncodingPassOptions{});
  EXPECT_FALSE(r.changed);
  EXPECT_EQ(Hex(r.text), "A4 A2 A4 A4 0A");
}

TEST(EncodingPass, ConvertsEucJpUntilTwoShiftJisPairsFollowAConversion) {
  struct Case {
    const char* name;
    std::string_view in;
    std::string_view out;
    bool judgedEuc;
    bool judgedSjis;
  };
  const Case cases[] = {
      {"hiragana", "\xA4\xA2\xA4\xA4", "\x82\xA0\x82\xA2", true, false},  // あい
      {"one pair alone is not yet judged EUC-JP", "<\xA4\xA2>", "<\x82\xA0>", false, false},
      {"Shift_JIS text is left", "\x82\xA0\x82\xA2\xA4\xA2", "\x82\xA0\x82\xA2\xA4\xA2", false, true},
      // After a Shift_JIS pair, bytes of the half-width katakana range are
      // passed over one by one, EUC-JP or not.
      {"katakana-range bytes after a Shift_JIS pair", "\x82\xA0" "a\xA4\xA2\xA4\xA4",
       "\x82\xA0" "a\xA4\xA2\xA4\xA4", false, false},
      {"a byte above that range is classed again", "\x82\xA0" "a\xEE\xA1\xA4\xA2",
       "\x82\xA0" "a\xE7\x9F\xA4\xA2", false, false},
      {"a conversion restarts the Shift_JIS count",
       "\xA4\xA2\xA4\xA4 \x82\xA0\xB0\xA1 \x82\xA0 \xB0\xA1",
       "\x82\xA0\x82\xA2 \x82\xA0\x88\x9F \x82\xA0 \x88\x9F", true, false},
      {"two Shift_JIS pairs end the detection",
       "\xA4\xA2\xA4\xA4 \x82\xA0\x82\xA0\xA4\xA2", "\x82\xA0\x82\xA2 \x82\xA0\x82\xA0\xA4\xA2",
       true, true},
      // Lead 0xE0..0xEB reads as EUC-JP only inside a run.
      {"rare kanji inside a run", "\xA4\xA2\xE5\xA1", "\x82\xA0\xE3\x40", true, false},
      {"rare kanji after ASCII is taken for Shift_JIS", "\xA4\xA2\xA4\xA4 x\xE5\xA1",
       "\x82\xA0\x82\xA2 x\xE5\xA1", true, false},
      {"EC C1 at the start stays", "\xEC\xC1\xA4\xA2", "\xEC\xC1\xA4\xA2", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PassResult r = RunPass(c.in, kEucOnly);
    EXPECT_EQ(Hex(r.text), Hex(c.out));
    EXPECT_EQ(r.changed, c.in != c.out);
    EXPECT_EQ(r.report.detection.judgedEuc, c.judgedEuc);
    EXPECT_EQ(r.report.detection.judgedSjis, c.judgedSjis);
  }
}

TEST(EncodingPass, ReportsWhereTheDetectionEnded) {
  const PassResult ended = RunPass("ab\x82\xA0\x82\xA0\xA4\xA2", kEucOnly);
  EXPECT_EQ(ended.report.detectionEnd, 6u);
  EXPECT_EQ(ended.report.pairsConverted, 0u);
  EXPECT_FALSE(ended.changed);

  const PassResult ran = RunPass("\xA4\xA2\xA4\xA4xyz", kEucOnly);
  EXPECT_EQ(ran.report.detectionEnd, 7u);
  EXPECT_EQ(ran.report.pairsConverted, 2u);

  EXPECT_EQ(RunPass("\xA4\xA2", kLineEndsOnly).report.detectionEnd, 0u);
}

TEST(EncodingPass, TellsHalfWidthKatakanaOfBothEncodingsApart) {
  struct Case {
    const char* name;
    std::string_view in;
    std::string_view out;
  };
  const Case cases[] = {
      {"EUC-JP katakana pair from the list", "\x8E\xB1\x8E\xB6", "\x83\x41\x83\x4A"},  // ｱｶ → アカ
      {"EUC-JP katakana inside a run", "\xA4\xA2\x8E\xB1\x41", "\x82\xA0\x83\x41\x41"},
      // Outside a run 8E B1 is a Shift_JIS pair.
      {"lone EUC-JP katakana at the start", "\x8E\xB1\x41", "\x8E\xB1\x41"},
      {"sound marks stay separate marks", "\xA4\xA2\x8E\xCA\x8E\xDE",
       "\x82\xA0\x83\x6E\x81\x4A"},  // ﾊﾞ → ハ゛
      {"Shift_JIS word of the table", "\xB2\xDD\xC0\xB0\xC8\xAF\xC4", "\xB2\xDD\xC0\xB0\xC8\xAF\xC4"},
      {"Shift_JIS fragments chained", "\xC6\xAD\xB0\xBD\xBD\xC3\xB0\xBC\xAE\xDD",
       "\xC6\xAD\xB0\xBD\xBD\xC3\xB0\xBC\xAE\xDD"},  // ﾆｭｰｽｽﾃｰｼｮﾝ
      {"katakana after a Shift_JIS pair", "\x82\xA0\xB6\xD2\xD7\xA4\xA2",
       "\x82\xA0\xB6\xD2\xD7\xA4\xA2"},  // あｶﾒﾗ and what looks like EUC-JP あ
      // The risk the tables exist for: katakana they do not cover, at the
      // start of a text, read as EUC-JP kanji.
      {"uncovered katakana at the start", "\xB6\xD2\xD7", "\x8B\xD0\xD7"},  // ｶﾒﾗ → 巾ﾗ
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Hex(RunPass(c.in, kEucOnly).text), Hex(c.out));
  }
}

TEST(EncodingPass, LeavesJisX0212Unconverted) {
  struct Case {
    const char* name;
    std::string_view in;
    std::string_view out;
  };
  // 8F B0 A1 is a JIS X 0212 kanji. Its first two bytes look like a Shift_JIS
  // pair and are passed over as one; the third is classed with what follows.
  const Case cases[] = {
      {"two of them end the detection", "\xA4\xA2\xA4\xA4\x8F\xB0\xA1\x8F\xB0\xA1\xA4\xA2",
       "\x82\xA0\x82\xA2\x8F\xB0\xA1\x8F\xB0\xA1\xA4\xA2"},
      {"the third byte pairs with the next", "\xA4\xA2\xA4\xA4\x8F\xB0\xA1\xA4\xA2",
       "\x82\xA0\x82\xA2\x8F\xB0\x81\x43\xA2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Hex(RunPass(c.in, kEucOnly).text), Hex(c.out));
  }
}

TEST(EncodingPass, NeverReadsOrWritesPastTheText) {
  // Texts cut at every length: the pass must stay inside the block and
  // convert a final pair only when both bytes are there.
  const std::string_view full = "\xA4\xA2\xA4\xA4\x8E\xB1\x8E\xB6\xE1\xB4\xA4\xE9\n";
  const std::string_view converted = "\x82\xA0\x82\xA2\x83\x41\x83\x4A\xE1\x53\x82\xE7\r";
  for (size_t n = 0; n <= full.size(); ++n) {
    SCOPED_TRACE(n);
    const PassResult r = RunPass(full.substr(0, n), kBoth);
    const size_t whole = n % 2 == 0 || n == full.size() ? n : n - 1;
    EXPECT_EQ(Hex(r.text.substr(0, whole)), Hex(converted.substr(0, whole)));
    EXPECT_EQ(Hex(r.text.substr(whole)), Hex(full.substr(whole, n - whole)));
  }
}

TEST(EncodingPass, DoesLineEndsAndEucJpInOnePass) {
  const PassResult r = RunPass("\xA4\xA2\n\xA4\xA4\r\n\x82\xA0\x82\xA0\n\n", kBoth);
  EXPECT_TRUE(r.changed);
  EXPECT_EQ(Hex(r.text), Hex("\x82\xA0\r\x82\xA2\r\n\x82\xA0\x82\xA0\r\r"));
  EXPECT_EQ(r.report.lineEndsConverted, 3u);
  EXPECT_TRUE(r.report.detection.judgedSjis);
}

std::string Fixture(const char* name) {
  return ReadFile(std::string(HOARD_TEST_DATA_DIR) + "/text/" + name);
}

TEST(EncodingPass, ConvertsTheTextFixturesLikeTheirReferences) {
  struct Case {
    const char* source;
    const char* reference;
  };
  const Case cases[] = {
      {"page-eucjp.html", "page-eucjp.html.cp932"},
      // Its reference was made from full-width katakana with separate marks.
      {"halfwidth-eucjp.txt", "halfwidth-eucjp.txt.cp932"},
      {"katakana-sjis.txt", "katakana-sjis.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    const std::string source = Fixture(c.source);
    const std::string reference = Fixture(c.reference);
    ASSERT_FALSE(source.empty());
    EXPECT_EQ(FirstDifference(RunPass(source, kEucOnly).text, reference), std::string_view::npos);

    std::string withCr = reference;
    std::replace(withCr.begin(), withCr.end(), '\n', '\r');
    EXPECT_EQ(FirstDifference(RunPass(source, kBoth).text, withCr), std::string_view::npos);
  }
}

// --- The shared corpus of real texts -------------------------------------

const std::filesystem::path kCorpusText = HOARD_SOURCE_DIR "/../shared/corpus/text";

bool IsDocument(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  for (std::string_view tail : {".cp932", ".cp932.partial", "-utf8.txt", "_ref.txt", ".utf"}) {
    if (name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0) {
      return false;
    }
  }
  return true;
}

std::vector<std::filesystem::path> Documents(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> out;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file() && IsDocument(entry.path())) out.push_back(entry.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// iconv's conversion of an EUC-JP text with the pass's own choice applied:
// a half-width katakana becomes its full-width character. Ends where the
// reference ends or at a JIS X 0212 character; `whole` tells whether the
// source and the reference were walked to their ends together.
std::string ReferenceWithFullWidthKana(std::string_view source, std::string_view reference,
                                       bool& whole) {
  std::string out;
  size_t i = 0;
  size_t j = 0;
  while (i < source.size() && j < reference.size()) {
    const auto b = static_cast<unsigned char>(source[i]);
    if (b == 0x8F || (i + 1 >= source.size() && b >= 0x8E)) break;
    if (b == 0x8E) {
      unsigned char pair[kTextConvLookAhead] = {0x8E, static_cast<unsigned char>(source[i + 1])};
      EucToSjisPair(pair);
      out.append(reinterpret_cast<const char*>(pair), 2);
      i += 2;
      j += 1;
    } else if (b >= 0xA1) {
      out.append(reference.substr(j, 2));
      i += 2;
      j += 2;
    } else {
      out += reference[j];
      i += 1;
      j += 1;
    }
  }
  whole = i == source.size() && j == reference.size();
  return out;
}

TEST(EncodingPassCorpus, EucJpDocumentsComeOutAsIconvSaysSaveForThePassRules) {
  if (!std::filesystem::exists(kCorpusText / "euc-jp")) {
    GTEST_SKIP() << "no shared text corpus at " << kCorpusText.string();
  }
  // Documents where a rule of the pass leaves some EUC-JP unconverted: where
  // the output first differs from the reference, and where the detection ends
  // (0: it runs to the end).
  struct Known {
    const char* name;
    size_t firstDifference;
    size_t detectionEnd;
    const char* why;
  };
  const Known known[] = {
      {"chardet/aristrist.s57.xrea.com.xml", 14487, 16789,
       "a kanji of lead E2 after '[' is taken for a Shift_JIS pair; later half-width "
       "katakana after ASCII, two Shift_JIS-looking pairs, end the detection"},
      {"chardet/artifact-jp.com.xml", 698, 0,
       "a half-width middle dot after ASCII, outside a run and not in the pair list"},
      {"chardet/atom.ycf.nanet.co.jp.xml", 16259, 16263,
       "two half-width katakana after '(' end the detection"},
      {"chardet/azito.under.jp.xml", 5910, 5914,
       "two half-width katakana after ')' end the detection"},
      {"chardet/furusatonoeki.cutegirl.jp.xml", 10278, 0,
       "a half-width sound mark after '(' outside a run"},
      {"chardet/overcube.com.atom.xml", 63241, 63252,
       "a half-width sound mark after a space, then two half-width katakana after ')'"},
      {"chardet/rdf.ycf.nanet.co.jp.xml", 9525, 9529,
       "two half-width katakana after '(' end the detection"},
      {"chardet/siesta.co.jp.aozora.xml", 5405, 6691,
       "kanji of lead E0..EB after '>' are taken for Shift_JIS pairs"},
      {"cpython-cjkencodings/euc_jisx0213.txt", std::string_view::npos, 792,
       "JIS X 0213 characters beyond the reference end the detection"},
      {"encoding_rs/jis0208_in.txt", std::string_view::npos, 17933,
       "unassigned positions beyond the reference end the detection"},
      {"encoding_rs/jis0212_in.txt", std::string_view::npos, 168,
       "JIS X 0212 characters read as Shift_JIS pairs end the detection"},
      {"p5-encode/jisx0201.enc", 9, 13,
       "half-width katakana after spaces end the detection"},
      {"p5-encode/jisx0208.enc", 4290, 11771,
       "Shift_JIS fragments match inside kanji lists; kanji of lead E0 after spaces end "
       "the detection"},
      {"p5-encode/jisx0212.enc", std::string_view::npos, 28,
       "JIS X 0212 characters read as Shift_JIS pairs end the detection"},
  };

  int equal = 0;
  int documents = 0;
  for (const std::filesystem::path& path : Documents(kCorpusText / "euc-jp")) {
    const std::string name = path.lexically_relative(kCorpusText / "euc-jp").generic_string();
    SCOPED_TRACE(name);
    std::string referencePath = path.string() + ".cp932";
    const bool partial = !std::filesystem::exists(referencePath);
    if (partial) referencePath += ".partial";
    ASSERT_TRUE(std::filesystem::exists(referencePath));

    const std::string source = ReadFile(path);
    bool whole = false;
    const std::string expected = ReferenceWithFullWidthKana(source, ReadFile(referencePath), whole);
    EXPECT_EQ(whole, !partial) << "source and reference do not walk together";
    const PassResult r = RunPass(source, kEucOnly);
    const size_t difference = FirstDifference(std::string_view(r.text).substr(0, expected.size()), expected);
    const size_t detectionEnd = r.report.detection.judgedSjis ? r.report.detectionEnd : 0;

    ++documents;
    const Known* rule = nullptr;
    for (const Known& k : known) {
      if (name == k.name) rule = &k;
    }
    if (rule == nullptr) {
      EXPECT_EQ(difference, std::string_view::npos);
      EXPECT_EQ(detectionEnd, 0u);
    } else {
      SCOPED_TRACE(rule->why);
      EXPECT_EQ(difference, rule->firstDifference);
      EXPECT_EQ(detectionEnd, rule->detectionEnd);
    }
    if (difference == std::string_view::npos && !partial) ++equal;
  }
  EXPECT_EQ(documents, 52);
  EXPECT_EQ(equal, 52 - static_cast<int>(std::size(known)));
}

TEST(EncodingPassCorpus, ShiftJisDocumentsComeOutUnchanged) {
  if (!std::filesystem::exists(kCorpusText / "shift_jis")) {
    GTEST_SKIP() << "no shared text corpus at " << kCorpusText.string();
  }
  int documents = 0;
  for (const char* folder : {"shift_jis", "cp932"}) {
    for (const std::filesystem::path& path : Documents(kCorpusText / folder)) {
      SCOPED_TRACE(path.string());
      const std::string source = ReadFile(path);
      const PassResult r = RunPass(source, kEucOnly);
      EXPECT_FALSE(r.changed);
      EXPECT_EQ(FirstDifference(r.text, source), std::string_view::npos);
      ++documents;
    }
  }
  EXPECT_EQ(documents, 42);
}

}  // namespace
}  // namespace hoard

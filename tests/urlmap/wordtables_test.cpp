// The full-width characters of the word tests, held against the system's
// converter from their UTF-8 text.
#include <gtest/gtest.h>

#include <string>

#include "urlmap/urlmap.h"

#if __has_include(<iconv.h>)
#include <iconv.h>
#define HOARD_HAVE_ICONV 1
#endif

namespace hoard {
namespace {

#ifdef HOARD_HAVE_ICONV
std::string ToCp932(std::string_view utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "<no converter>";
  std::string in(utf8);
  char out[16] = {};
  char* inPtr = in.data();
  char* outPtr = out;
  size_t inLeft = in.size();
  size_t outLeft = sizeof out;
  const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return "<not CP932>";
  return std::string(out, sizeof out - outLeft);
}
#endif

TEST(WordTables, CodesAreTheCp932FormOfTheirText) {
#ifdef HOARD_HAVE_ICONV
  auto check = [](const auto& table) {
    for (const SjisChar& entry : table) {
      SCOPED_TRACE(std::string(entry.utf8));
      const std::string bytes = ToCp932(entry.utf8);
      ASSERT_EQ(bytes.size(), 2u) << bytes;
      EXPECT_EQ(SjisCode(static_cast<unsigned char>(bytes[0]), static_cast<unsigned char>(bytes[1])),
                entry.code);
    }
  };
  check(kWordSeparatorChars);
  check(kKatakanaWordEnds);
  check(kKanjiWordEnds);
#else
  GTEST_SKIP() << "no iconv to compare with on this platform";
#endif
}

}  // namespace
}  // namespace hoard

// Every text of the program against glibc's own UTF-8 to CP932 conversion.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "base/messages.h"

namespace hoard {
namespace {

std::string ToCp932(const std::string& utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "<no converter>";
  std::string in = utf8;
  std::string out(in.size() * 2 + 4, '\0');
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return "<not convertible>";
  out.resize(out.size() - outLeft);
  return out;
}

TEST(Messages, EveryTextIsTheCp932FormOfItsUtf8Text) {
  for (const messages::Entry& entry : messages::AllTexts()) {
    SCOPED_TRACE(entry.utf8);
    EXPECT_EQ(entry.bytes, ToCp932(entry.utf8));
  }
}

TEST(Messages, StringIdsAreUniqueAndFound) {
  for (const messages::Entry& entry : messages::AllTexts()) {
    if (entry.stringId == 0) continue;
    SCOPED_TRACE(entry.stringId);
    EXPECT_EQ(messages::StringById(entry.stringId), entry.bytes);
  }
  EXPECT_EQ(messages::StringById(2), nullptr);
  EXPECT_EQ(messages::StringById(0), nullptr);
}

}  // namespace
}  // namespace hoard

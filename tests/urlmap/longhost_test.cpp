#include "urlmap/longhost.h"

#include <gtest/gtest.h>

#include <string>

namespace hoard {
namespace {

TEST(ShortenLongHost, DropsLeadingLabelsUntilTheHostFits) {
  struct Case {
    const char* what;
    std::string url;
    std::string expected;
  };
  const std::string label = "abcdefghi";  // 9 bytes
  const std::string host39 = label + "." + label + "." + label + "." + label;
  const std::string host31 = std::string(27, 'h') + ".com";
  const Case cases[] = {
      {"four 9-byte labels", host39 + "/x.html", host39.substr(10) + "/x.html"},
      {"a 31-byte host stays", host31 + "/", host31 + "/"},
      {"a 32-byte host loses one label", "w." + std::string(26, 'h') + ".com/a",
       std::string(26, 'h') + ".com/a"},
      {"several labels go", "a.b.c.d." + std::string(30, 'h') + "/x",
       std::string(30, 'h') + "/x"},
      {"a scheme keeps a long host", "http://" + host39 + "/x.html",
       "http://" + host39 + "/x.html"},
      {"a long host without a dot", std::string(40, 'h') + "/x.html",
       std::string(40, 'h') + "/x.html"},
      {"dots that remain after the limit", "x." + std::string(35, 'h') + "/a.b",
       std::string(35, 'h') + "/a.b"},
      {"no slash at all", host39, host39},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(std::string(ShortenLongHost(c.url.c_str())), c.expected);
  }
  EXPECT_EQ(ShortenLongHost(nullptr), nullptr);
}

}  // namespace
}  // namespace hoard

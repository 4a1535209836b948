// Redirector URLs unwrap to their targets, decoded, with the cursors where the
// callers read on; a URL that only looks like one is left alone.
#include "urlmap/redirect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "urlmap/redirect_cases.h"
#include "urlmap/sitetable.h"

namespace hoard {
namespace {

constexpr size_t kBufferBytes = test::kCaseBufferBytes;
using test::H;

// The source in its own buffer, the target written to another.
std::string Unwrapped(const std::string& source) {
  std::vector<char> in(source.begin(), source.end());
  in.push_back('\0');
  std::vector<char> out(kBufferBytes, 'X');
  out.back() = '\0';
  RedirectCursors cursors;
  cursors.source = in.data();
  cursors.output = out.data();
  cursors.outputCapacity = out.size();
  return UnwrapRedirect(cursors) == 1 ? std::string(out.data()) : std::string("(none)");
}

TEST(UnwrapRedirect, UnwrapsEveryKindOfRedirectorAndLeavesNearMissesAlone) {
  for (const test::RedirectCase& c : test::RedirectCases()) {
    SCOPED_TRACE(std::string(c.what) + ": " + c.source);
    EXPECT_EQ(Unwrapped(c.source), c.target != nullptr ? c.target : "(none)");
  }
}

TEST(DecodeTargetEscapes, DecodesInOrderAndKeepsTheQuerysColons) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"%2525", "%"},
      {"%252F", "/"},
      {"http%3a%2f%2fa%2Eb%3Fc%3Ad", "http://a.b?c%3Ad"},
      {"%3A%3a%3F%3A", "::?%3A"},
      {"%2", "%2"},
      {"%", "%"},
      {"%41%20", "%41%20"},
  };
  for (const auto& [text, decoded] : cases) {
    SCOPED_TRACE(text);
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    DecodeTargetEscapes(buffer.data());
    EXPECT_EQ(std::string(buffer.data()), decoded);
  }
}

TEST(UnwrapRedirect, MovesTheCursorsAsTheCallerReadsOn) {
  const std::string newspaper =
      "http://" + H(&SiteTable::newspaperHost) + "/cgi-bin/goto1.cgi?url=";
  struct CursorCase {
    const char* what;
    std::string source;
    size_t added;    // the "http://" written in front of the target
    bool hasQuery;
  };
  const std::vector<CursorCase> cases = {
      {"target without '?'", "/cgi/go.pl?http://a.example/x.html&y=1", 0, false},
      {"target with '?'", "/cgi/go.pl?http://a.example/x.cgi%3Fq=1", 0, true},
      {"scheme added, no '?'", newspaper + "a.example/x.html", 7, false},
      {"scheme added, '?'", newspaper + "a.example/x.cgi%3Fq=1", 7, true},
  };
  for (const CursorCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<char> in(c.source.begin(), c.source.end());
    in.push_back('\0');
    std::vector<char> out(kBufferBytes, '\0');
    RedirectCursors cursors;
    cursors.source = in.data();
    cursors.output = out.data();
    cursors.outputCapacity = out.size();
    cursors.consumed = 5;
    ASSERT_EQ(UnwrapRedirect(cursors), 1);
    const size_t written = std::strlen(out.data());
    if (c.hasQuery) {
      EXPECT_EQ(cursors.targetStart, nullptr);
      EXPECT_EQ(cursors.source, out.data() + c.added);
      EXPECT_EQ(cursors.output, out.data() + c.added);
      EXPECT_EQ(cursors.consumed, 5);
    } else {
      const size_t targetInSource = c.source.find(c.added != 0 ? "a.example" : "http://a");
      EXPECT_EQ(cursors.targetStart, out.data());
      EXPECT_EQ(cursors.output, out.data() + written);
      EXPECT_EQ(cursors.source, in.data() + c.source.size());
      EXPECT_EQ(static_cast<size_t>(cursors.consumed), 5 + c.source.size() - targetInSource);
    }
  }
}

TEST(UnwrapRedirect, WritesInPlaceAndLeavesATooSmallOutputUntouched) {
  const std::string text =
      "http://" + H(&SiteTable::newspaperHost) + "/cgi-bin/goto1.cgi?url=a.example/x%2Ehtml";
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  RedirectCursors inPlace{buffer.data(), buffer.data(), buffer.size()};
  ASSERT_EQ(UnwrapRedirect(inPlace), 1);
  EXPECT_STREQ(buffer.data(), "http://a.example/x.html");

  // Room for the target but not its NUL.
  const std::string source = "/cgi/go.pl?http://a.example/";
  std::vector<char> in(source.begin(), source.end());
  in.push_back('\0');
  std::vector<char> out(17, 'X');
  RedirectCursors tight{in.data(), out.data(), out.size()};
  EXPECT_EQ(UnwrapRedirect(tight), 0);
  EXPECT_EQ(std::string(out.begin(), out.end()), std::string(17, 'X'));
  EXPECT_EQ(tight.source, in.data());
}

}  // namespace
}  // namespace hoard

// The site rules: the whole-URL rewrites that both the per-file conversion
// and the scan of every link run, and the path rules inside the scan.
#include "urlmap/siterules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/mapping.h"
#include "support/urlgen.h"
#include "urlmap/sitetable.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

std::string Host(const SiteHost& host) { return std::string(host.text); }

struct WholeUrlCase {
  std::string what;
  std::string url;
  WholeUrlRule rule;
  std::string rewritten;  // empty: unchanged
};

TEST(SiteRules, WholeUrlRulesRewriteOnlyWhatTheyRecognise) {
  const SiteTable& t = Sites();
  const std::string ch = Host(t.channelHost);
  const std::string nav1 = Host(t.navPortalHost1);
  const std::string nav2 = Host(t.navPortalHost2);
  const std::string look = Host(t.directoryLookupHost);
  const std::string main = Host(t.directoryMainHost);
  const std::vector<WholeUrlCase> cases = {
      {"channel from-page, bare host", ch + "/cgi-bin/redir.cgi?from_url=/a/b.html&to_url=/c/d.html",
       WholeUrlRule::kChannelRedirect, ch + "/c/d.html"},
      {"channel from-page, with scheme",
       "http://" + ch + "/cgi-bin/redir.cgi?from_url=/a&to_url=/c/d.html",
       WholeUrlRule::kChannelRedirect, "http://" + ch + "/c/d.html"},
      {"channel from-page, relative", "/cgi-bin/redir.cgi?from_url=/a&to_url=/x.html",
       WholeUrlRule::kChannelRedirect, "/x.html"},
      {"channel from-page without its target", ch + "/cgi-bin/redir.cgi?from_url=/a/b.html",
       WholeUrlRule::kNone, ""},
      {"channel numbered script", "http://" + ch + "/cgi-bin/mycom/redir_ch8.cgi?to=/m/n.html",
       WholeUrlRule::kChannelRedirect, "http://" + ch + "/m/n.html"},
      {"channel script on another host", "http://other.jp/cgi-bin/redir.cgi?from_url=/a&to_url=/c",
       WholeUrlRule::kNone, ""},
      {"bookmark relations", "http://" + nav1 + "/genre/NTTDIRUSR/relations.html?keyno=123",
       WholeUrlRule::kBookmark, "http://" + nav1 + "/genre/NTTDIRUSR/relations/keyno=123.html"},
      {"bookmark page", "http://" + nav2 + "/service/mybookmark/mybookmark.html?keyno=5",
       WholeUrlRule::kBookmark, "http://" + nav2 + "/service/mybookmark/mybookmark/keyno=5.html"},
      {"bookmark, relative", "relations.html?keyno=7&x=1", WholeUrlRule::kBookmark,
       "relations/keyno=7&x=1.html"},
      {"relations is no bookmark-folder page",
       "http://" + nav1 + "/service/mybookmark/relations.html?keyno=5", WholeUrlRule::kNone, ""},
      {"bookmark page on another host", "http://other.jp/relations.html?keyno=1",
       WholeUrlRule::kNone, ""},
      {"bookmark page, other key", "relations.html?key=1", WholeUrlRule::kNone, ""},
      {"directory lookup", "http://" + look + "/lookup.cgi?key=abc", WholeUrlRule::kDirectoryLookup,
       "http://" + main + "/search/csj?key=abc"},
      {"directory main lookup", main + "/search/lookup-main.cgi?key=abc",
       WholeUrlRule::kDirectoryLookup, main + "/search/csj?key=abc"},
      {"directory lookup on the other host", "http://" + main + "/lookup.cgi?key=abc",
       WholeUrlRule::kNone, ""},
  };
  for (const WholeUrlCase& c : cases) {
    SCOPED_TRACE(c.what + ": " + c.url);
    const std::string expected = c.rewritten.empty() ? c.url : c.rewritten;
    // Into a buffer of its own and in place, the same text.
    std::vector<char> dest(1024, 'x');
    EXPECT_EQ(ApplyWholeUrlRules(dest.data(), dest.size(), c.url.c_str()), c.rule);
    EXPECT_EQ(std::string(dest.data()), expected);
    std::vector<char> buffer(1024, '\0');
    std::memcpy(buffer.data(), c.url.data(), c.url.size());
    EXPECT_EQ(ApplyWholeUrlRules(buffer.data(), buffer.size(), buffer.data()), c.rule);
    EXPECT_EQ(std::string(buffer.data()), expected);
  }
}

TEST(SiteRules, WholeUrlRewriteThatDoesNotFitIsNotReportedAsDone) {
  const std::string url = "relations.html?keyno=" + std::string(40, '9');
  // A destination too small for the rewrite: the rule does not apply and
  // leaves a terminated text inside the destination.
  std::vector<char> dest(20, 'x');
  EXPECT_EQ(ApplyWholeUrlRules(dest.data(), dest.size(), url.c_str()), WholeUrlRule::kNone);
  EXPECT_EQ(std::string(dest.data()), url.substr(0, dest.size() - 1));
}

using test::FileName;
using test::Link;

struct NameCase {
  const char* what;
  std::string rest;  // the URL after its host
  std::string name;  // the file name
};

TEST(SiteRules, ComponentStartRulesNameAlikeInFileNamesAndLinks) {
  const std::vector<NameCase> cases = {
      {"shop detail", "intr.det?shopcd0=123", "intr_shop123.htm"},
      {"shop list", "intr.lst?code0=45", "intr_code45.htm"},
      {"shop detail, near miss", "intr.det?shop=1", "intr.det_shop=1"},
      {"id query", "id=abc", "id=abc"},
      {"partner search", "?Partner=go_home&Keywords=abc", "_go_abc.htm"},
      {"related search", "search?q=related:abc", "q=abc"},
      {"search with session", "search?sid=0&key=&q=abc", "q=abc.htm"},
      {"search start", "search?start=10&q=abc", "10_q=abc.htm"},
      {"keyword search", "?kw=abc", "f_abc.htm"},
      {"monthly keyword search", "?term=monthly&kw=abc", "f_abc.htm"},
      {"directory script", "lookup.cgi?key=abc", "csj_abc.htm"},
      {"site restriction", "find?q=site%3Aexample", "find_q=site%3Aexample"},
      {"board message form", "bbs/post.cgi?your_message=hello&x=1", "bbs/post.cgi"},
      {"board page", "read.cgi?bbs=news&key=12", "read.cgi_news_12"},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(std::string(c.what) + ": " + c.rest);
    const std::string host = "http://h/";
    EXPECT_EQ(FileName(host + c.rest), host + c.name);
    // A link, decoded as a browser does, names the file.
    EXPECT_EQ(test::BrowserDecode(Link(host + c.rest)), host + c.name);
    // The same link as a page's HTML writes it.
    EXPECT_EQ(test::BrowserDecode(Link(test::HtmlEscaped(host + c.rest))), host + c.name);
  }
}

}  // namespace
}  // namespace hoard

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


struct PathCase {
  const char* what;
  std::string url;
  std::string name;  // mode 1, the URL whole
  std::string link;  // mode 0; empty: the name
};

// Every path rule once, the rules that are easy to set off by mistake with a
// near miss: the file name a URL gets, and the link a page's reference to
// it becomes (the same, or for a wrapper the wrapped page).
TEST(SiteRules, PathRulesNameEachPageOnDiskAndInLinks) {
  const std::string h = "http://h/";
  const std::vector<PathCase> cases = {
      {"words up to ';'", h + "results-ja;kw=abc;x=1", h + "results-ja_kw=abc;x=1", ""},
      {"board page", h + "bbs/boad.exe?path=/forum/sub&targetid=123&x=1", h + "bbs/forum_123.htm", ""},
      {"board page without its target", h + "boad.exe?path=/forum", h + "boad.exe_path=%2Fforum",
       h + "boad.exe_path=%252Fforum"},
      // A wrapper's URL whole names the wrapped page.
      {"outbound wrapper", "http://links.example.jp/cgi-bin/go?nifty:000123",
       "http://user.example.jp/iw/nifty/123.html", ""},
      {"digits without the wrapper", h + "go/0001234", h + "go/0001234", ""},
      {"counting wrapper", "http://home.example.jp/cgi-bin/count_link2?TOP_ab1?http://x.jp/y.html",
       "http://x.jp/y.html", ""},
      {"go-wrapper", "http://search.fresheye.com/?go=http://x.jp/a&b=1",
       "http://x.jp/a", ""},
      {"pursuit script", h + "pursuit?cat=jp&matchmode=and&part=goo&query=word&first=11",
       h + "y=word_first=11.htm", ""},
      {"pursuit story", h + "story.html?query=word", h + "y=word.htm", ""},
      {"pursuit story by word", h + "story.html?q=word&first=1", h + "q=word.htm", ""},
      {"pursuit operation", h + "operation.html?d=word", h + "d=word.htm", ""},
      {"query-p hit counts", h + "query?p=word&hs=10", h + "query_p=word.htm", ""},
      {"results form", h + "results.asp?FORM=abc&q=x&v=1", h + "m_FORM=abc_q=x.htm", ""},
      {"portal search", h + "search?q=word&st=10", h + "q=word_st=10.htm", ""},
      {"long words, page 2", h + "search?q=verylongwordsthatgoonandonforever&st=10",
       h + "q=verylongwordsthatgoona_10.htm", ""},
      {"long words, page 3", h + "search?q=verylongwordsthatgoonandonforever&st=20",
       h + "q=verylongwordsthatgoona_20.htm", ""},
      {"engine search, related", h + "search_goo?q=related:abc", h + "q=abc.htm", ""},
      {"engine search, defaults", h + "search-goo?start=0&num=10&q=abc", h + "q=abc.htm", ""},
      {"paged script", h + "para?QueryString=abc", h + "v_abc.htm", ""},
      {"paged script, key moved first", h + "para?x=1&Querystring=abc", h + "v_abc.htm", ""},
      {"robot script outside robo mode", h + "search.cgi?key=abc", h + "search.cgi_abc", ""},
      {"directory results", h + "ntt-dir-tret?keyword=abc", h + "ntt_abc.htm", ""},
      {"directory results page", h + "ntt-dir-tret.cgi?next=5", h + "ntt_5.htm", ""},
      {"Japanese view after a page", h + "page.html&sv=JP", h + "page.html", ""},
      {"picture window", h + "pp_wind.asp?no=1234", h + "pp_wind.asp", ""},
      {"goo, next page", h + "default.asp?MT=a+b&act.next=1", h + "gooa+b_10.htm", ""},
      {"goo, later page", h + "default.asp?MT=a+b&base=10&act.next=1", h + "gooa+b_20.htm", ""},
      {"goo, refined in EUC-JP", h + "default.asp?act.minaoshi=1&MT=%A4%A2&DC=25",
       h + "minaoshi\x82\xa0_25.htm", ""},
      {"goo, one domain", h + "?MT=word&RD=DM&Domain=www.example.jp", h + "gooword-example.jp.htm", ""},
      {"goo, domain not restricted", h + "?MT=word&Domain=www.example.jp", h + "gooword.htm", ""},
      {"search gateway", h + "search.gw?search=abc+def&start=21", h + "x_abc+def_s21.htm", ""},
      {"banner retried", h + "banner?retry=1&x=2&hostid=ab", h + "banner_hostid=ab", ""},
      {"map picture", h + "mapimg?m=12", h + "mapimg_12.jpg", ""},
      {"map opening", h + "opening?map=3", h + "opening_map=3", ""},
      {"map picture, near miss", h + "mapimg2?m=12", h + "mapimg2_m=12", ""},
      {"form choices", h + "list.asp?s01=2&s02=2&s10=3&s11=6&s21=7", h + "list.asp_s21=7", ""},
      {"form choices from a menu",
       h + "list.asp?s01=2&s02=2&s10=3&s11=6&backurl=%2FwebanV3%2Fmenu02%2Fselect21%2Easp&set1=%2D5",
       h + "list.asp_set1=-5", ""},
      {"click-through", h + "results_ct.asp?DEST=http://t.jp/p.html&x=1",
       h + "results_ct.asp_DEST=http%3", "http://t.jp/p.html"},
      {"graph", h + "draw.cgi?graph=abc&x=1", h + "draw.abc.cgi", ""},
      {"graph with a folder in its value", h + "draw.cgi?graph=a/b", h + "draw.a_b.cgi", ""},
      {"directory board", h + "bbs.cgi?db=goman&mode=read&no=12&x=3", h + "bbs.cgi_no=12", ""},
      {"hosting counter", h + "cgi-bin/mycounter.cgi?u=m.example.jp&c=3+x",
       h + "cgi-bin/mycounter.pl_u=m.example.jp_3+", ""},
      {"hosting counter, rooted link", "/cgi-bin/counter.pl?u=m.example.jp&c=7",
       "/cgi-bin/counter.pl_u=m.example.jp_7",
       "http://cgi.freehosts.example.jp/cgi-bin/counter.pl_u=m.example.jp_7"},
      {"hosting counter without its count", h + "c/counter.pl?u=m.example.jp&c=x",
       h + "c/counter.pl_u=m.example.jp", ""},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(std::string(c.what) + ": " + c.url);
    EXPECT_EQ(FileName(c.url), c.name);
    const std::string link = Link(c.url);
    EXPECT_EQ(link, c.link.empty() ? c.name : c.link);
    // Where the link is the page's own, it names the file once decoded,
    // also as a page's HTML writes it.
    if (c.link.empty() || test::BrowserDecode(c.link) == c.name) {
      EXPECT_EQ(test::BrowserDecode(link), c.name);
      EXPECT_EQ(test::BrowserDecode(Link(test::HtmlEscaped(c.url))), c.name);
    }
  }
}

}  // namespace
}  // namespace hoard

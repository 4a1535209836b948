// The query-string rules through the whole scan: for each rule a URL, the
// file name it gets and the link a page gets for it, with near misses where a
// rule is easy to set off by mistake. Every link, decoded as a browser does,
// names the file.
#include "urlmap/queryrules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "support/mapping.h"
#include "support/urlgen.h"
#include "urlmap/sitetable.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

const std::string kHost = "http://h/";

using test::FileName;
using test::Link;

struct QueryCase {
  const char* what;
  std::string rest;  // the file-name part of the URL
  std::string name;  // its file name
  std::string link;  // its link after the host, when it differs from the name
};

void CheckCases(const std::vector<QueryCase>& cases) {
  for (const QueryCase& c : cases) {
    SCOPED_TRACE(std::string(c.what) + ": " + c.rest);
    EXPECT_EQ(FileName(c.rest), c.name);
    const std::string link = Link(kHost + c.rest);
    EXPECT_EQ(link, kHost + (c.link.empty() ? c.name : c.link));
    EXPECT_EQ(test::BrowserDecode(link), kHost + c.name);
    // The same link as a page's HTML writes it.
    EXPECT_EQ(test::BrowserDecode(Link(test::HtmlEscaped(kHost + c.rest))), kHost + c.name);
  }
}

TEST(QueryRules, NameEachRuleAlikeInFileNamesAndLinks) {
  CheckCases({
      {"para script: the words lead the query", "para?MAX=20&Querystring=abc&DISPLAYMIN=21&PAGECHANGE=2", "v_abc_PC=2_MAX=20.htm", ""},
      {"para script: the first found key moves", "para?a=1&OLDQUERYDISPLAY=x&Querystring=y", "v_x_Querystring=y_a=1.htm", ""},
      {"para: a first page changes nothing", "para?Querystring=abc&DISPLAYMIN=1&PAGECHANGE=1", "v_abc.htm", ""},
      {"robo script: the leading page size goes to the end", "search-robo1?number=10&key=abc", "np_abc.htm", ""},
      {"robo script: the same with the page size last", "search-robo1?key=abc&number=10", "np_abc.htm", ""},
      {"robo script: parameters before the key move behind it", "search-robo1?a=1&b=2&key=x&c=3", "np_x_c=3_a=1_b=2.htm", ""},
      {"robo script: an empty key at the very end", "search-robo1?a=1&key=", "np_a=1.htm", ""},
      {"robo script: unit numbers become tags", "search-robo1?key=abc&s_unit_num=11&e_unit_num=20", "np_abc_s=11_e=20.htm", ""},
      {"robo script: the first unit is the default", "search-robo1?key=abc&s_unit_num=1&e_unit_num=20", "np_abc_e=20.htm", ""},
      {"engine script: reordered", "search_goo.cgi?x=1&key=abc&y=2", "np_abc.htm", ""},
      {"near miss: no engine script", "search_google.cgi?x=1&key=abc", "search_google.cgi_x=1.htm", ""},
      {"near miss: no digit after the robo name", "search-roboX?x=1&key=abc", "search-roboX_x=1_key=abc", ""},
      {"s97 script: the filter leads", "s97_cgi?Action=FilterSearch&queryText=abc", "s97_cgi_abc.htm", ""},
      {"s97 script: the words lead already", "s97is.vts?queryText=abc&Action=FilterSearch", "s97is.vts_abc.htm", ""},
      {"near miss: s97 without the filter", "s97is.vts?a=1&queryText=abc", "s97is.vts_a=1_queryText=abc", ""},
      {"count script: the log leads", "search.cgi?log=0&query=abc&item=20", "r_abc_log=0.htm", ""},
      {"count script: the words lead already", "search.cgi?query=abc&log=0&item=20", "r_abc.htm", ""},
      {"near miss: count script without a log", "search.cgi?x=1&query=abc", "search.cgi_x=1_query=abc", ""},
      {"keyword script: the server goes to the end", "URL-tret-ret.pl?server=comdb&keywords=abc", "URL-tret-ret.pl_abc", ""},
      {"keyword script: the server is added", "URL-tret-ret.pl?keywords=abc", "URL-tret-ret.pl_abc", ""},
      {"counter: the value names the image", "counter.cgi?u=abc&x=1", "counter_u=abc.gif", ""},
      {"counter: df value after '?'", "Count.cgi?df=abc", "Count_abc.gif", ""},
      {"counter: df value after another parameter", "Count.cgi?x=1&df=abc", "Count_abc.gif", ""},
      {"counter: df value after a bar", "Count.cgi|df=abc", "Count_abc.gif", ""},
      {"counter: a data file value", "Count.cgi?a=1&df=xyz.dat", "Count_xyz.dat", ""},
      {"default page flag", "list?qp=0&a=1", "list&a=1", ""},
      {"near miss: a longer value is no default", "list?qp=05", "list_qp=05", ""},
      {"from a search", "x?from=search&a=1", "x_&a=1", ""},
      {"from the top page", "x?from=dbtop", "x", ""},
      {"home path", "x?path=home_abc", "x_abc", ""},
      {"frames off", "x?lk=noframes&a=1", "x_a=1", ""},
      {"trace dropped with its '_'", "x?trace=1&a=1", "x_a=1", ""},
      {"link counter: a flat image name", "nph-count?link=/a/b/c.gif", "nph-count_a_b_c.gif", ""},
      {"link counter after another parameter", "nph-count.cgi?x=1&link=/a/b.gif", "nph-count_a_b.gif", ""},
      {"recruit script", "mj_dsx_indrecruit.cgi?prog_no=DS123", "mj_dsx_indrecruit_DS123", ""},
      {"other cgi with a program number", "job.cgi?prog_no=DS123", "job.cgi_DS123", ""},
      {"sinko number", "x?sinko_no=5", "x_no=5", ""},
      {"title search key dropped", "x?P=A_TIT&a=b", "x_a=b", ""},
      {"from an engine with a key", "x?from=yahoo&key=abc", "x_abc", ""},
      {"dated news source", "x?d=12jiji", "x_12jiji", ""},
      {"quick search", "x?SearchType=QUICKSEARCH&RNID=-13&Words=abc", "x_abc", ""},
      {"key", "x?key=abc", "x_abc", ""},
      {"keyword", "x?keyword=abc", "x_abc", ""},
      {"keywords", "x?keywords=abc", "x_abc", ""},
      {"keyno", "x?keyno=abc", "x_abc", ""},
      {"query", "x?query=abc", "x_abc", ""},
      {"QueryString", "x?QueryString=abc", "x_abc", ""},
      {"queryText", "x?queryText=abc", "x_abc", ""},
      {"board user with a thread page", "thread.cgi?user_id=ABC12345&page=3&def=10", "thread.cgi_ABC12345_p3.htm", ""},
      {"board user with a page beginning '0'", "thread.cgi?user_id=ABC12345&page=03", "thread.cgi_ABC123453.htm", ""},
      {"board user with the display flag", "thread.cgi?user_id=ABC12345&dp_flg=1", "thread.cgi_ABC12345.htm", ""},
      {"board reply with defaults", "reply.cgi?user_id=ABC12345&page=3&msg_per_page=10&def=", "reply.cgi_ABC12345_3.htm", ""},
      {"near miss: a user id in small letters", "thread.cgi?user_id=ABc12345&page=3", "thread.cgi_user_id=ABc12345.htm", ""},
      {"selection off", "f?a=1&psel=0&b=2", "f_a=1_b=2", ""},
      {"selection off at the end", "f?a=1&psel=0&", "f_a=1", ""},
      {"default selections before s10", "f?q=abc&s01=2&s02=2&s10=1", "f_q=abc_s10=1", ""},
      {"selection pair before s21", "f?q=abc&s10=1&s11=2&s21=3", "f_q=abc_s21=3", ""},
      {"selection before set1", "f?q=abc&s21=12&set1=x", "f_q=abc_set1=x", ""},
      {"back address", "f?q=abc&s01=2&s02=2&backurl=%2FwebanV3%2Fmenu02%2Fselect21%2Easp&z", "f_q=abc_z", ""},
      {"near miss: s10 decides alone", "f?q=abc&s10=x&psel=0&z", "f_q=abc_s10=x_z", ""},
      {"language and database defaults", "f?q=abc&language=french&database=fr&database=small&action=full&z", "f_q=abc_z", ""},
      {"web search with its page", "f?a=1&what=web&pg=q&lang=j&b=2", "f_a=1_b=2", ""},
      {"log and items", "f?q=abc&log=0&item=20", "f_q=abc.htm", ""},
      {"category empty", "f?q=abc&cate=&x=1", "f_q=abc_x=1.htm", ""},
      {"AND search", "f?q=abc&type=AND&x=1", "f_q=abc_x=1", ""},
      {"engine key with a keyword", "f?q=abc&k=infoseek&keyword=xyz", "f_q=abc_xyz.htm", ""},
      {"engine key in a search page", "searchop?q=abc&k=infoseek&keyword=xyz", "ntt_xyz.htm", ""},
      {"DB default", "f?a=1&DB=DB&z", "f_a=1_z", ""},
      {"engine defaults", "f?q=abc&lk=excite_jp&c=japan&layout=about&c=web&lang=fr&target=web&z", "f_q=abc_z", ""},
      {"language and form", "f?q=abc&LANG=Japanese&FORM=YHOJ&z", "f_q=abc_z", ""},
      {"near miss: another start key", "f?q=abc&xstart=0&z", "f_q=abc_xstart=0_z", ""},
      {"near miss: another start value", "f?q=abc&start=00&z", "f_q=abc_start=00_z", ""},
      {"button coordinates", "f?q=abc&x=12&y=3", "f_q=abc", ""},
      {"near miss: a three-digit coordinate", "f?q=abc&x=123&y=3", "f_q=abc_x=123", ""},
      {"form defaults", "f?q=abc&SEARCH=Search&Action=FilterSearch&conditon=AND&condition=AND&z", "f_q=abc_z", ""},
      {"page defaults", "f?q=abc&comm=off&n_of_fb=0&ie=euc-jp&oe=euc-jp&st=0&qp=0&z", "f_q=abc_z", ""},
      {"more defaults", "f?q=abc&dfr=1&ud15=1&ud14=0&ud4=0&tds=0&tid=&z", "f_q=abc_z", ""},
      {"near miss: a longer value is kept", "f?q=abc&hl=jap&z=1", "f_q=abc_hl=jap_z=1", ""},
      {"frames off later", "f?q=abc&lk=noframes&z", "f_q=abc_z", ""},
      {"empty frames key at the end", "f?q=abc&lk=", "f_q=abc", ""},
      {"service defaults", "f?q=abc&svx=cluster&svx=related&sv=JP&nh=10&cat=RES&z", "f_q=abc_z", ""},
      {"service views", "f?q=abc&sv=JC&sv=SN&svp=SEEK&sam=0&sf=1&z", "f_q=abc_z", ""},
      {"Japanese view and frames", "f?q=abc&sv=JP&lk=noframes", "f_q=abc", ""},
      {"Japanese view before a result set", "f?q=abc&sv=JP&svx=123456", "f_q=abc", ""},
      {"page size 20", "f?q=abc&nh=20&z", "f_q=abc_z", ""},
      {"six-digit result set", "f?q=abc&svx=123456&z=1", "f_q=abc_z=1", ""},
      {"short result set ends the name", "f?q=abc&svx=123&z=1", "f_q=abc", ""},
      {"old query", "f?q=abc&oq=old&z=1", "f_q=abc_z=1", ""},
      {"old query up to a '_'", "f?q=abc&oq=a_b&z=1", "f_q=abc_b_z=1", ""},
      {"former start", "f?q=abc&old=x", "f_q=abc_x", ""},
      {"empty channel", "f?q=abc&cha=&z", "f_q=abc_z", ""},
      {"collection kept as text", "f?q=abc&col=MI", "f_q=abc_col=MI.htm", ""},
      {"collection names an 'i' page", "i?q=abc&col=MI", "MI_q=abc.htm", ""},
      {"search these results", "f?q=abc&col=Search+These+Results&qt=xyz", "f_q=abc=xyz", ""},
      {"story collection", "f?q=abc&col=MS&z", "f_q=abc_z.htm", ""},
      {"Japanese view", "f?q=abc&sv=JP&z", "f_q=abc_z", ""},
      {"Japanese web collection", "f?q=abc&col=JW&z", "f_q=abc_z", ""},
      {"collections and sources", "f?q=abc&col=SW&from=yahoo&from=jp&z", "f_q=abc_z", ""},
      {"partner part and encoding", "f?q=abc&part=netplaza&encoding=euc&x0=1&z", "f_q=abc_z", ""},
      {"category jp", "f?q=abc&cat=jp&z", "f_q=abc_z", ""},
      {"match mode", "f?q=abc&matchmode=and&mtemp=main&z", "f_q=abc_z", ""},
      {"encoding alone", "f?q=abc&encoding=shift-jis&z", "f_q=abc_z", ""},
      {"near miss: x0 alone", "f?q=abc&x0=0&z", "f_q=abc_x0=0_z", ""},
      {"sort default", "f?q=abc&SM=MC&z", "f_q=abc_z", ""},
      {"sorted by name keeps the page", "f?q=abcdefgh&WTS=ntt&pg=12", "f_q=abcdefgh_12", ""},
      {"limit keeps the offset", "f?q=abc&LIMIT=20&st=30", "f_q=abc_30", ""},
      {"result format", "f?q=abc&-format=result.htm&z", "f_q=abc_z", ""},
      {"event database", "f?q=abc&-db=event.fmj&z", "f_q=abc_z", ""},
      {"submit button", "f?q=abc&SUBMIT=%8C%9F%8D%F5&z", "f_q=abc_z", ""},
      {"go button", "f?q=abc&Go=Search&type=hotspotgo&z", "f_q=abc_z", ""},
      {"category first", "f?CATEGORY=12&q=abc", "f_q=abc", ""},
      {"board message and expression", "bbs.cgi?a=1&del_no=7&expr=abc", "bbs.cgi_a=1_abc", ""},
      {"board reply number", "bbs.cgi?a=1&rpy_no=7&z=1", "bbs.cgi_a=1_7_z=1", ""},
      {"hit counts in a search name", "search_x?q=abc&hs=1234&hc=5", "search_x_q=abc.htm", ""},
      {"near miss: no search prefix", "searchx?q=abc&hs=1234", "searchx_q=abc_hs=1234", ""},
      {"news name", "news_fr_p=5?q=abc&hc=99&z", "news_fr_p=5_q=abc_z.htm", ""},
      {"long words keep the offset", "f?q=abcdefghijklmnopqrstuvwxyz&st=30&nh=25&sv=JP", "f_q=abcdefghijklmnopqrst_30", ""},
      {"an offset beginning '0' is none", "f?q=abcdefghijklmnopqrstuvwxyz&st=030", "f_q=abcdefghijklmnopqrstuv", ""},
      {"OFFSET", "f?q=abcdefghijklmnopqrstuvwxyz&OFFSET=20", "f_q=abcdefghijklmnopqrst_20", ""},
      {"first result", "f?q=abcdefghijklmnopqrstuvwxyzabcdef&first=21&z=q", "f_q=abcdefghijklmnopqrst_21", ""},
      {"first result 1 is the first page", "f?q=abcdefghijklmnopqrstuvwxyz&first=1", "f_q=abcdefghijklmnopqrstuv", ""},
      {"cut at a word boundary", "f?q=abc+defghijklmnopqrstuvwxyz&pg=7", "f_q=abc_7", ""},
      {"Japanese words cut whole", "f?q=%82%A0%82%A2%82%A4%82%A6%82%A8%82%A9%82%AB%82%AD%82%AF%82%B1&pg=7", "f_q=\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9\x82\xAB\x82\xAD\x82\xAF\x82\xB1_7", "f_q=%82%A0%82%A2%82%A4%82%A6%82%A8%82%A9%82%AB%82%AD%82%AF%82%B1_7"},
      {"two '&' in a row", "f?q=abc&&z=1", "f_q=abc_z=1", ""},
      {"'?&'", "f?&q=abc", "f_q=abc", ""},
      {"'=' without a value", "f?q=&z", "f_q=_z", ""},
      {"an escape cut in half", "f?q=abc%8&hl=j", "f_q=abc%8_hl=j", "f_q=abc%25%38_hl=j"},
  });
}

TEST(QueryRules, NameTheMusicSitesCounters) {
  const std::string host(Sites().musicSiteHost.text);
  CheckCases({
      {"counter script", "xcounter.cgi?u=" + host, "xcounter.pl_u=" + host, ""},
      {"counter page", "counter.pl?u=" + host, "counter.pl_u=" + host, ""},
      {"near miss: another script", "counter2.cgi?u=" + host, "counter2.cgi_u=" + host, ""},
      {"near miss: another host", "xcounter.cgi?u=" + host.substr(1), "xcounter.cgi_u=" + host.substr(1), ""},
  });
}

TEST(QueryRules, StayInsideTheirBuffersOnBadQueries) {
  std::vector<std::string> rests = {
      "search-robo1?key=",  "search-robo1?",        "para?Querystring=",
      "URL-tret-ret.pl?keywords=", "Count.cgi|df=", "Count.cgi?df=",
      "f?q=a&",             "f?q=a&&&",             "f?&&",
      "f?q=%",              "f?q=%8",               "f?q=abc&svx=",
      "thread.cgi?user_id=ABC12345&page=", "f?q=a&nh=", "f?q=a&oq=",
  };
  rests.push_back("search-robo1?" + std::string(2000, 'a') + "&key=x");
  rests.push_back("f?" + std::string(2000, '&'));
  rests.push_back("para?" + std::string(1990, 'b') + "&Querystring=");
  for (const std::string& rest : rests) {
    SCOPED_TRACE(rest.substr(0, 40));
    const std::string name = FileName(rest);
    EXPECT_LE(name.size(), 31u);
    const std::string link = Link(kHost + rest);
    if (link.size() < kLinkBufferBytes - 2) {
      EXPECT_EQ(test::BrowserDecode(link), kHost + name);
    }
  }
}

// Result lists of every search family: the same page has one name whatever
// the order of its parameters and whichever defaults it carries; pages and
// searches have names of their own.
TEST(QueryRules, GiveEachPageOfEachSearchOneNameOfItsOwn) {
  test::UrlGenerator generator(20261207);
  constexpr size_t kSearches = 12;
  constexpr size_t kPages = 20;
  constexpr size_t kVariants = 4;
  for (size_t family = 0; family < test::kSearchFamilies; ++family) {
    std::set<std::string> names;
    for (size_t search = 0; search < kSearches; ++search) {
      const std::string words = generator.SearchWords();
      for (size_t page = 1; page <= kPages; ++page) {
        std::string first;
        for (size_t variant = 0; variant < kVariants; ++variant) {
          const std::string url = generator.SearchUrl(family, words, page);
          const std::string rest = url.substr(url.rfind('/', url.find('?')) + 1);
          const std::string name = FileName(rest);
          if (variant == 0) {
            first = name;
            EXPECT_TRUE(names.insert(name).second) << url << " shares the name " << name;
          } else {
            EXPECT_EQ(name, first) << url;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace hoard

// The search service's address rules: the whole-address test, the title-query
// normalisation, the search forms, and the names its pages get on disk and in
// links.
#include "urlmap/infoseek.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pipeline/outputfolders.h"
#include "support/mapping.h"
#include "urlmap/siterules.h"
#include "urlmap/sitetable.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

// Where the pipeline stores a URL, after the whole-URL rules: the folders and
// the file name, joined by '/'.
std::string StoredPath(const std::string& url) {
  std::vector<char> path(1024, '\0');
  ApplyWholeUrlRules(path.data(), path.size(), url.c_str());
  const char* p = path.data() + LinkSchemeLength(path.data());
  std::string stored;
  FolderName name{};
  size_t length = 0;
  while (NextOutputFolder(p, name, length)) stored += std::string(name.data(), length) + "/";
  return stored + test::FileName(*p != '\0' ? p : std::string(kFolderPageName));
}

// What a mapped link names once decoded, after its scheme.
std::string LinkedPath(const std::string& link) {
  std::string joined;
  for (const std::string& part : test::DecodedPlace(test::Link(link))) {
    joined += (joined.empty() ? "" : "/") + part;
  }
  return joined;
}

const std::string kService = "http://www.infoseek.co.jp/";
const std::string kPartner = "http://www.go.com/";

struct AddressCase {
  std::string source;
  int result;
  std::string made;  // empty: unchanged
};

TEST(Infoseek, AddressTestRewritesEachFormOnce) {
  const std::vector<AddressCase> cases = {
      {kPartner + "Topic/123/456", 1, kPartner + "123/456/"},
      {kService + "GTopic/5/6", 1, kService + "GTopic/5/6/"},
      {kService + "12?col=JT", 1, kService + "12/"},
      {kService + "12_Titles?nh=25&qt=abc&col=JW&st=0", 1, kService + "12/Titles?qt=abc&nh=25"},
      {kService + "123?tid=123&nh=10", 2, kService + "123/"},
      {kService + "123?tid=123&nh=10&svx=related", 2, kService + "123/"},
      {kService + "123?tid=123&nh=25", 2, kService + "123/?tid=123&nh=25"},
      {kService + "123?tid=99", 0, ""},  // the topic is another one
      {kService + "7?dfr=1", 2, kService + "7/?dfr=1"},
      {kService + "Topic/12?lk=noframes", 3, kService + "12/?lk=noframes"},
      {kService + "12?nh=25&sv=JP", 3, kService + "12/?nh=25&sv=JP"},
      {kService + "12?nh=25&st=5", 0, ""},  // not exactly the collection's tail
      {kService + "Content?col=CN&arn=mainichi_mobile_A_B", 2,
       kService + "mainichi_mobile/B_A.html"},
      {"/Content?&col=CN&arn=mainichi_computer_X&sv=JP", 2, "/mainichi_computer/X.html"},
      {"/Content?col=CN&arn=other_A_B", 0, ""},
      {kService + "Titles?qt=site:www.example.jp+word&nh=25", 3,
       kService + "www.example.jp=/Titles?qt=word&nh=25"},
      {kService + "Titles?qt=site%3Aexample.jp/dir+word", 3,
       kService + "example.jp=/dir/Titles?qt=word"},
      {kService + "Titles?oq=site:a.jp+x&qt=y&cat=RES", 3, kService + "a.jp=/Titles?qt=x+y&cat=RES"},
      {kService + "Titles?qt=abc", 0, ""},
      {"123?tid=123", 2, "123/?tid=123"},
      {"http://other.jp/123", 0, ""},
      {"Topic/123", 0, ""},
  };
  for (const AddressCase& c : cases) {
    SCOPED_TRACE(c.source);
    const std::string expected = c.made.empty() ? c.source : c.made;
    std::vector<char> dest(1024, 'x');
    EXPECT_EQ(InfoseekUrlTest(dest.data(), dest.size(), c.source.c_str()), c.result);
    EXPECT_EQ(std::string(dest.data()), expected);
    std::vector<char> buffer(1024, '\0');
    std::memcpy(buffer.data(), c.source.data(), c.source.size());
    EXPECT_EQ(InfoseekUrlTest(buffer.data(), buffer.size(), buffer.data()), c.result);
    EXPECT_EQ(std::string(buffer.data()), expected);
  }
}

struct TitleCase {
  std::string source;
  int form;
  std::string made;  // empty: unchanged
};

TEST(Infoseek, TitleQueriesHaveOneCanonicalForm) {
  const std::vector<TitleCase> cases = {
      {"Titles?nh=25&qt=abc&col=JW&st=0", 1, "Titles?qt=abc&nh=25"},
      {"Titles?qt=abc&nh=25", 1, "Titles?qt=abc&nh=25"},
      {"Titles?st=20&qt=abc&gnr=3&col=JT&rf=11&rf=2", 1, "Titles?qt=abc&col=JT&gnr=3&rf=2&st=20"},
      {"Titles?col=MI%2Ccat_RES&qt=abc&oq=def", 1, "Titles?col=MI%2Ccat_RES&qt=abc<def"},
      {"Titles?qt=abc&oq=def", 1, "Titles?qt=abc"},
      {"GTitles?oq=def&ud4=1", 1, "GTitles?oq=def&ud4=1"},
      {"NTitles?tid=123&svx=related&col=JT&st=0", 2, "NTitles?tid=123&col=JT"},
      {"Titles?svx=100&tid=7", 2, "Titles?tid=7&svx=100"},
      {"Titles?dfr=1&nh=10&ud4=1&rf=11", 3, "Titles?dfr=1&nh=10&ud4=1"},
      {"qt=abc&st=0", 1, "qt=abc"},
      {"Titles?lk=noframes&sv=JP", 0, ""},
      {"Titles?qt=" + std::string(300, 'w'), 1, "Titles?qt=" + std::string(255, 'w')},
  };
  for (const TitleCase& c : cases) {
    SCOPED_TRACE(c.source);
    std::vector<char> buffer(1024, '\0');
    std::memcpy(buffer.data(), c.source.data(), c.source.size());
    EXPECT_EQ(NormaliseTitleQuery(buffer.data(), buffer.size(), buffer.data()), c.form);
    EXPECT_EQ(std::string(buffer.data()), c.made.empty() ? c.source : c.made);
  }
}

struct FormCase {
  const char* text;
  size_t length;
  int16_t state;  // 0: unchanged
  bool newSearch;
  bool refine;
};

TEST(Infoseek, SearchFormsAreRecognisedWithTheirLength) {
  const std::vector<FormCase> cases = {
      {"Titles?qt=a", 10, 4, false, false},
      {"Titles?col=SW&qt=a", 17, 4, false, false},
      {"Titles?col=JW%2Ccat_RES&qt=a", 27, 4, false, false},
      {"Titles?col=New+Search&qt=a", 25, 4, true, false},
      {"Titles?col=Search+These+Results&oq=a", 35, 4, false, true},
      {"Titles?oq=a", 10, 4, false, false},
      {"Titles?col=MM&qt=a", 17, 8, false, false},
      {"Titles?col=MI%2Ccat_RES&qt=a", 27, 8, false, true},
      {"Titles?col=MI%2Ccat_7&qt=a", 25, 8, false, true},
      {"Titles?col=MM%2Ccat_123&qt=a", 27, 8, false, true},
      {"Titles?col=MM%2Ccat_1234&qt=a", 0, 0, false, false},
      {"Titles?col=XX&qt=a", 0, 0, false, false},
      {"titles?qt=a", 0, 0, false, false},
  };
  for (const FormCase& c : cases) {
    SCOPED_TRACE(c.text);
    ScanModes modes;
    EXPECT_EQ(MatchSearchForm(c.text, modes), c.length);
    EXPECT_EQ(modes.infoseek, c.state);
    EXPECT_EQ(modes.newSearch != 0, c.newSearch);
    EXPECT_EQ(modes.refine != 0, c.refine);
  }
}

struct PageCase {
  std::string url;
  std::string stored;  // host, folders and file name
  std::string link;    // the mapped link
};

// Every page of the service, stored by the pipeline and linked from a page:
// the place on disk, and the link that names it.
TEST(Infoseek, PagesAreStoredWhereTheirLinksPoint) {
  const std::string host = "www.infoseek.co.jp/";
  const std::string other = "http://www.example.jp/";
  const std::vector<PageCase> cases = {
      {kPartner + "Topic/123/456", "www.go.com/123/456/index.html",
       kPartner + "123/456/index.html"},
      {kService + "Topic/12?lk=noframes", host + "12/index.html", kService + "12/"},
      {kService + "123?tid=123&nh=25", host + "123/index.htm", kService + "123/index.htm"},
      {kService + "Titles?qt=site:www.example.jp+word&nh=25", host + "www.example.jp=/i_word.htm",
       kService + "www.example.jp=/i_word.htm"},
      {kService + "Content?col=CN&arn=mainichi_computer_20010101_123",
       host + "mainichi_computer/123_20010101.html",
       kService + "mainichi_computer/123_20010101.html"},
      {kService + "Titles?nh=25&qt=abc&col=JW&st=0", host + "i_abc.htm", kService + "i_abc.htm"},
      {kService + "Titles?col=MI&qt=abc&st=10", host + "MI_abc_st=10.htm",
       kService + "MI_abc_st=10.htm"},
      {kService + "Titles?col=New+Search&qt=abc&oq=def", host + "i_abc.htm", kService + "i_abc.htm"},
      {kService + "Titles?qt=+url%3Aexample", host + "i_url=example.htm",
       kService + "i_url=example.htm"},
      {kService + "Titles?col=JT&qt=x", host + "i_x_col=JT.htm", kService + "i_x_col=JT.htm"},
      {kService + "NTitles?trm=1&qt=abc&st=0", host + "NTitles_qt=abc.htm",
       kService + "NTitles_qt=abc.htm"},
      {kService + "Help?sv=JP&pg=help.html", host + "help.html", kService + "help.html"},
      {kService + "Jobs?sv=JP&pg=recruit.html", host + "Jobs_recruit.html",
       kService + "Jobs_recruit.html"},
      {kService + "FM?pg=abc.html", host + "abc.html", kService + "abc.html"},
      {kService + "Eigo?lk=noframes&qt=word", host + "Eigo_qt=word.htm",
       kService + "Eigo_qt=word.htm"},
      {kService + "NTitles?qp=0&sv=SN&nh=50&qt=word", host + "NTitles_nh=50_qt=word.htm",
       kService + "NTitles_nh=50_qt=word.htm"},
      {kService + "News?pg=collection_top.html&sv=SN&svx=300100&ud9=-7&ud10=abc",
       host + "News_abc.htm", kService + "News_abc.htm"},
      {kService + "Content?arn=x_20010101&sv=JP", host + "x_20010101.htm",
       kService + "x_20010101.htm"},
      {kService + "Content?col=MS&arn=abc_123", host + "MS_abc_123.htm", kService + "MS_abc_123.htm"},
      {kService + "dir/?did=03&col=MI", host + "dir/MI.htm", kService + "dir/MI.htm"},
      {other + "cgi/search.gw?search=abc+def&start=21&numDocs=20",
       "www.example.jp/cgi/x_abc+def_s21_20.htm", other + "cgi/x_abc+def_s21_20.htm"},
      {other + "search.gw?qbe=%B8%A1%BA%F7&sort=site", "www.example.jp/qbe=%8C%9F%8D%F5_site.htm",
       other + "qbe=%258C%259F%258D%25F5_site.htm"},
      {other + "search.gw?s=aaaaaaaaaa+bbbbbbbbbb+cccccccccc+dd&target=review",
       "www.example.jp/x_aaaaaaaaaa+bbbbbbbbbb_revi", other + "x_aaaaaaaaaa+bbbbbbbbbb_revi"},
      {other + "search.gw?next=1&s=a%2Fb", "www.example.jp/x_a%2Fb_next.htm",
       other + "x_a%252Fb_next.htm"},
      // Near misses: the same paths on another host are plain pages.
      {other + "Topic/123", "www.example.jp/Topic/123", other + "Topic/123"},
      {other + "2001/05", "www.example.jp/2001/05", other + "2001/05"},
  };
  for (const PageCase& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(StoredPath(c.url), c.stored);
    EXPECT_EQ(test::Link(c.url), c.link);
    EXPECT_EQ(LinkedPath(c.url), c.stored);
    EXPECT_EQ(LinkedPath(test::HtmlEscaped(c.url)), c.stored);
  }
}

// A search form that ends its buffer: nothing past the address is read (the
// sanitizer build catches a read past the end).
TEST(Infoseek, ASearchFormEndingItsBufferIsReadNoFurther) {
  for (const std::string& url : {kService + "Titles?qt=", kService + "Titles?oq=x",
                                 std::string("http://h/Titles?qt=")}) {
    SCOPED_TRACE(url);
    const std::unique_ptr<char[]> link(new char[url.size() + 1]);
    std::memcpy(link.get(), url.c_str(), url.size() + 1);
    MapLinkInPlace(link.get(), url.size() + 1);
  }
}

}  // namespace
}  // namespace hoard

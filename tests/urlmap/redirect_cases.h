// Redirector URLs of every kind with their targets, and near misses that are
// no redirector: the test table of the unwrapping, also the seeds of its fuzz
// target. Hosts come from the site table, so that a value can change.
#pragma once

#include <string>
#include <vector>

#include "urlmap/sitetable.h"

namespace hoard::test {

constexpr size_t kCaseBufferBytes = 1024;
constexpr const char* kNone = nullptr;  // not a redirector

inline std::string H(SiteHost SiteTable::*host) { return std::string((Sites().*host).text); }

// The portal's numbered search host: two digits after its first label.
inline std::string NumberedSearchHost(const char* digits) {
  std::string host = H(&SiteTable::gSearchHost);
  return host.insert(host.find('.'), digits);
}

struct RedirectCase {
  const char* what;
  std::string source;
  const char* target;
};

inline std::vector<RedirectCase> RedirectCases() {
  const std::string http = "http://";
  const std::string iIt = http + H(&SiteTable::iItalianHost);
  const std::string g = http + H(&SiteTable::gMainHost);
  const std::string chan = http + H(&SiteTable::channelHost);
  const std::string yJp = http + H(&SiteTable::yJapaneseHost);
  const std::string yFr = http + H(&SiteTable::yFrenchHost);
  const std::string yIt = http + H(&SiteTable::yItalianHost);
  const std::string jump = http + H(&SiteTable::providerJumpHost);
  const std::string reg = http + H(&SiteTable::pRegistrationHost);
  const std::string xfer = "https://" + H(&SiteTable::pTransferHost);
  const std::string iJp = http + H(&SiteTable::iJapaneseHost);
  const std::string yClick = http + H(&SiteTable::yRedirectLabel1) + H(&SiteTable::yDomain1);
  const std::string yFrClick = http + H(&SiteTable::yCountryLabel1) +
                               H(&SiteTable::yRedirectLabel2) + H(&SiteTable::yDomain2);
  return {
      {"italian go script", iIt + "/cgi/go.pl?http://a.example/x.html&y=1", "http://a.example/x.html"},
      {"italian go script, no target", iIt + "/cgi/go.pl?ftp://a.example/", kNone},
      {"relative go script, '&' after the target", "/cgi/go.pl?http://a.example/b/&x=1", "http://a.example/b/"},
      {"relative go script, scheme cut short", "/cgi/go.pl?http:/a.example/", kNone},
      {"top log", "/top/cgi-bin/top_log.cgi?URL=http://a.example/c.html", "http://a.example/c.html"},
      {"top log, lower-case key", "/top/cgi-bin/top_log.cgi?url=http://a.example/", kNone},
      {"goto with a path", "goto?/NTTDIRUSR/list.html", "/NTTDIRUSR/list.html"},
      {"goto without '/'", "goto?NTTDIRUSR/", kNone},
      {"goto-GIF, escaped", "goto-GIFyahooj?http%3A%2F%2Fa.example%2Fd.html", "http://a.example/d.html"},
      {"goto-GIF, other name", "goto-GIFyahoo?http://a.example/", kNone},
      {"goto-GIF navi", "goto-GIFinfonavi?http://a.example/", "http://a.example/"},
      {"outc with go", "../jaw/outc.cgi?id=12&go=http://a.example/e.html", "http://a.example/e.html"},
      {"outc without go", "jaw/outc.cgi?id=1&to=http://a.example/", kNone},
      {"topics click", g + "/topics_ct.asp?DEST=http://a.example/f.html&x=1", "http://a.example/f.html"},
      {"topics click, no '/' after the host", g + "topics_ct.asp?DEST=http://a.example/", kNone},
      {"mogi click", "./mogi_ct.asp?DEST=http://a.example/", "http://a.example/"},
      {"mogi click, no http", "./mogi_ct.asp?DEST=ftp://a.example/", kNone},
      {"ad click, numbered host", http + NumberedSearchHost("01") + "/ad_ct.asp?DEST=http://a.example/g.html", "http://a.example/g.html"},
      {"ad click, one digit", http + NumberedSearchHost("1") + "/ad_ct.asp?DEST=http://a.example/", kNone},
      {"topics with DEST later", "/topics_ct.asp?id=3&DEST=http://a.example/h.html&z", "http://a.example/h.html"},
      {"topics without DEST", "/topics_ct.asp?id=3", kNone},
      {"results click", http + H(&SiteTable::gSearchHost) + "/results_ct.html?q=x&DEST=http://a.example/i.html&r=2", "http://a.example/i.html"},
      {"results click without DEST stops there", "/results_ct.html?q=1&go.cgi?URL=http://a.example/", kNone},
      {"category", http + H(&SiteTable::gCategoryHost) + "/cgi-bin/redir.cgi?DEST=http%3A%2F%2Fa.example%2Fj.html", "http://a.example/j.html"},
      {"category over https", "https://" + H(&SiteTable::gCategoryHost) + "/cgi-bin/redir.cgi?DEST=http://a.example/", kNone},
      {"channel go", chan + "/cgi-bin/redir/go.cgi?from=x&to_url=http://a.example/k.html", "http://a.example/k.html"},
      {"channel go without to_url tries on", chan + "/cgi-bin/redir/go.cgi?u=ad.cgi?http://a.example/", "http://a.example/"},
      {"channel red2", chan + "/cgi-bin/red2.cgi?from_url=http://b.example/&to_url=http://a.example/l.html", "http://a.example/l.html"},
      {"channel red2, to_url not http", chan + "/cgi-bin/red2.cgi?from_url=http://b.example/&to_url=ftp://a/", kNone},
      {"numbered redirect", http + H(&SiteTable::gNumberedRedirectHost) + "/cgi-bin/redir3/red3.cgi?from_url=http://b.example/&to_url=http://a.example/m.html", "http://a.example/m.html"},
      {"numbered redirect, digits differ", http + H(&SiteTable::gNumberedRedirectHost) + "/cgi-bin/redir3/red4.cgi?from_url=http://b.example/&to_url=http://a.example/", kNone},
      {"relocate", "/relocate/co=12;http://a.example/n.html&p=1", "http://a.example/n.html"},
      {"relocate with a query parameter", "/relocate/ad=1;http://a.example/s?x=1&query=abc", "http://a.example/s?x=1&query=abc"},
      {"relocate, ';' too far", "/relocate/co=" + std::string(65, '1') + ";http://a.example/", kNone},
      {"other search", yJp + "/othersearch/?http://a.example/o.html", "http://a.example/o.html"},
      {"other search, no target", yJp + "/othersearch/?ftp://a.example/", kNone},
      {"remote", yJp + "/remote/?http://a.example/p.html&q=1", "http://a.example/p.html&q=1"},
      {"remote without a mark", yJp + "/remote/x", kNone},
      {"french main link", yFr + "/mainlink/?http://a.example/q.html", "http://a.example/q.html"},
      {"main link on the italian host", yIt + "/mainlink/?http://a.example/", kNone},
      {"italian main link", yIt + "/mainyahoolink/?http://a.example/r.html", "http://a.example/r.html"},
      {"italian main link on the french host", yFr + "/mainyahoolink/?http://a.example/", kNone},
      {"search portal go", http + H(&SiteTable::fHost) + "/?go=http%3A%2F%2Fa.example%2Fs.cgi%3Fq%3Dx%253A", "http://a.example/s.cgi?q=x%3A"},
      {"search portal go, unescaped", http + H(&SiteTable::fHost) + "/?go=http://a.example/", kNone},
      {"click servlet", g + "/pitagoo/servlet/JustGooClickSvlet?DEST=http://a.example/t.html&u=1", "http://a.example/t.html"},
      {"click servlet on another host", iJp + "/pitagoo/servlet/JustGooClickSvlet?DEST=http://a/", kNone},
      {"directory open", "ntt-dir-tret?open=http://a.example/u.html&v=1", "http://a.example/u.html&v=1"},
      {"directory open, not http", "ntt-dir-tret?open=ftp://a.example/", kNone},
      {"mutual link", "mutual_link.cgi?kopen=http://a.example/v.html", "http://a.example/v.html"},
      {"mutual link without kopen", "mutual_link.cgi?open=http://a.example/", kNone},
      {"cgi goto", "/cgi-bin/goto?http://a.example/w.html&x", "http://a.example/w.html"},
      {"cgi goto, not http", "/cgi-bin/goto?ftp://a.example/", kNone},
      {"category key", "cateJ.wbt?urlkey=http%3A%2F%2Fa.example%2Fx.html", "http://a.example/x.html"},
      {"category key, unescaped", "cateJ.wbt?urlkey=http://a.example/", kNone},
      {"homeb", "/homeb/?http://a.example/y.html", "http://a.example/y.html"},
      {"homeb without '/'", "/homeb?http://a.example/", kNone},
      {"random link", "/randoml/?http://a.example/z.html", "http://a.example/z.html"},
      {"random other", "/randomx/?http://a.example/", kNone},
      {"launcher", "/servlets/launcher?url=http%3A%2F%2Fa.example%2F", "http://a.example/"},
      {"launcher, unescaped", "/servlets/launcher?url=http://a.example/", kNone},
      {"download click", http + H(&SiteTable::downloadClickHost) + "/cgi/nph-clickad?id=5&url=http://a.example/dl.html", "http://a.example/dl.html"},
      {"download click without url", http + H(&SiteTable::downloadClickHost) + "/cgi/nph-clickad?id=5", kNone},
      {"newspaper, scheme added", http + H(&SiteTable::newspaperHost) + "/cgi-bin/goto3.cgi?url=a.example/news.html", "http://a.example/news.html"},
      {"newspaper with uri", http + H(&SiteTable::newspaperHost) + "/cgi-bin/goto3.cgi?uri=a.example/", kNone},
      {"netplaza forward", jump + "/cgi-bin/NETPLAZA/forward-1?URL=http://a.example/j1.html&x=1", "http://a.example/j1.html&x=1"},
      {"netplaza forward, lower case", jump + "/cgi-bin/NETPLAZA/forward-1?url=http://a.example/", kNone},
      {"fwd", jump + "/cgi-bin/fwd_a?_URL=http://a.example/j2.html", "http://a.example/j2.html"},
      {"fwd without '_'", jump + "/cgi-bin/fwd_a?URL=http://a.example/", kNone},
      {"forward", jump + "/cgi-bin/forward_b?_URL=http://a.example/j3.html", "http://a.example/j3.html"},
      {"forward with '-'", jump + "/cgi-bin/forward-b?_URL=http://a.example/", kNone},
      {"partner jump", "/partner/redirect/?st=1&jump=http://a.example/pj.html", "http://a.example/pj.html"},
      {"partner jump, not http", "/partner/redirect/?st=1&jump=ftp://a.example/", kNone},
      {"ad server", http + H(&SiteTable::adServerHost) + "/event.ng/Type=click&ProfileID=1&Redirect=http://a.example/ad.html", "http://a.example/ad.html"},
      {"ad server, https target", http + H(&SiteTable::adServerHost) + "/event.ng/Type=click&ProfileID=1&Redirect=https://a/", kNone},
      {"relative ad server", "/event.ng/Type=click&ProfileID=2;Redirect=http://a.example/ad2.html", "http://a.example/ad2.html"},
      {"relative ad server view", "/event.ng/Type=view&ProfileID=2;Redirect=http://a.example/", kNone},
      {"click tracking", yClick + "/M=1.2/D=x/*http://a.example/yt.html", "http://a.example/yt.html"},
      {"click tracking, french word", yFrClick + "/" + H(&SiteTable::frenchPathWord) + "/x?http://a.example/fr.html", "http://a.example/fr.html"},
      {"click tracking, unknown section", yClick + "/zzz/*http://a.example/", kNone},
      {"home page link", yJp + "/dir/x/?http://a.example/yd.html", "http://a.example/yd.html"},
      {"home page link, not http", yJp + "/dir/x/?ftp://a.example/", kNone},
      {"passive login", reg + "/go/passiveLogin?appRedirect=http://a.example/p1.html&x=1", "http://a.example/p1.html"},
      {"passive login, query after", reg + "/go/passiveLogin?appRedirect=http://a.example/p1.cgi?k=1&x=1", "http://a.example/p1.cgi?k=1&x=1"},
      {"passive login, lower-case key", reg + "/go/passiveLogin?appredirect=http://a.example/", kNone},
      {"login", reg + "/go/login?appRedirect=http://a.example/p2.html", "http://a.example/p2.html"},
      {"logon", reg + "/go/logon?appRedirect=http://a.example/", kNone},
      {"transfer, sv= kept", xfer + "/cgi/transfer.pl?goto=http://a.example/p3.html&sv=1&k", "http://a.example/p3.html&sv=1&k"},
      {"transfer, not http", xfer + "/cgi/transfer.pl?goto=ftp://a.example/", kNone},
      {"transfer dll", xfer + "/cgi/transfer.dll?pg=1&goto=http://a.example/p4.html", "http://a.example/p4.html"},
      {"transfer exe", xfer + "/cgi/transfer.exe?goto=http://a.example/", kNone},
      {"aftransfer prefers loc", xfer + "/cgi/aftransfer.pl?goto=http://a.example/g.html&loc=http://a.example/p5.html&z", "http://a.example/p5.html"},
      {"aftransfer, scheme cut short", xfer + "/cgi/aftransfer.pl?goto=http:/a.example/", kNone},
      {"search titles", iJp + "/Titles?col=WW&fs=http%3A//a.example/p6.html&x", "http://a.example/p6.html"},
      {"search titles, other collection", iJp + "/Titles?col=JP&fs=http%3A//a.example/", kNone},
      {"embedded jump script", "http://b.example/cgi/jump.cgi?http://a.example/p7.html&x=1", "http://a.example/p7.html"},
      {"embedded script in the search redirect", iJp + "/redirect?x.cgi?http://a.example/", kNone},
      {"search redirect", iJp + "/redirect?rd=http%3A//a.example/p8.html", "http://a.example/p8.html"},
      {"search redirect, escaped escape", iJp + "/redirect?url=http%253A//a.example/", "http://a.example/"},
      {"search redirect, not http", iJp + "/redirect?rd=ftp://a.example/", kNone},
      {"search transfer", http + H(&SiteTable::pTranslatorHost) + "/search_trans?x=1&url=http%3A%2F%2Fa.example%2Fp9.html&y", "http://a.example/p9.html"},
      {"search transfer, relative", "/cb/search_trans?url=http%3A%2F%2Fa.example%2F", "http://a.example/"},
      {"search transfer, unescaped", "/cb/search_trans?url=http://a.example/x.cgi?http://b/", kNone},
      // Input that is no redirector or is damaged.
      {"no mark at all", "http://a.example/cgi/go.pl", kNone},
      {"empty", "", kNone},
      {"mark and nothing after", "/cgi/go.pl?", kNone},
      {"empty target before '&'", "/top/cgi-bin/top_log.cgi?URL=&x=1", kNone},
      {"escape cut at the end", "/cgi/go.pl?http://a.example/%2", "http://a.example/%2"},
      {"lone '%' at the end", "/cgi/go.pl?http://a.example/%", "http://a.example/%"},
      {"target longer than the room", "/cgi/go.pl?http://a.example/" + std::string(kCaseBufferBytes, 'a'), kNone},
  };
}

}  // namespace hoard::test

#include "urlmap/sitetable.h"

namespace hoard {
namespace {

// The period's real services where they are known for certain; the others
// are made-up values of the right length under example.jp, the .test domain
// or a documentation address range.
constexpr SiteTable kSites = {
    .gMainHost = {"www.goo.ne.jp", 13},
    .gSearchHost = {"search.goo.ne.jp", 16},
    .gCategoryHost = {"category.goo.ne.jp", 18},
    .channelHost = {"channel.goo.ne.jp", 17},
    .gNumberedRedirectHost = {"red01.example.jp", 16},

    .iJapaneseHost = {"www.infoseek.co.jp", 18},
    .iItalianHost = {"www.infoseek.it", 15},
    .pMainHost = {"www.go.com", 10},
    .pTranslatorHost = {"translator.go.com", 17},
    .pRegistrationHost = {"register.go.com", 15},
    .pTransferHost = {"infoseek.go.com", 15},

    .yJapaneseHost = {"www.yahoo.co.jp", 15},
    .yFrenchHost = {"fr.yahoo.com", 12},
    .yItalianHost = {"it.yahoo.com", 12},
    .yDomain1 = {"yahoo.co.jp", 11},
    .yDomain2 = {"yahoo.com", 9},
    .yCountryLabel1 = {"us.", 3},
    .yCountryLabel2 = {"fr.", 3},
    .yCountryLabel3 = {"it.", 3},
    .yCountryLabel4 = {"uk.", 3},
    .yCountryLabel5 = {"www.", 4},
    .yRedirectLabel1 = {"rd.", 3},
    .yRedirectLabel2 = {"srd.", 4},

    .fHost = {"search.fresheye.com", 19},
    .downloadClickHost = {"click.dl.example.jp", 19},
    .newspaperHost = {"www.news.example.jp", 19},
    .providerJumpHost = {"jump.example.jp", 15},
    .adServerHost = {"ads.example.jp", 14},
    .frenchPathWord = {"f.test", 6},

    .countingWrapperHome = {"http://home.example.jp/", 23},
    .frenchPortalHost = {"www.voila.fr", 12},
    .frenchPortalDomain = {"voila.fr", 8},
    .musicSiteHost = {"m.example.jp", 12},
    .navPortalHost1 = {"navi.ntt.co.jp", 14},
    .navPortalHost2 = {"nav.example.jp", 14},
    .directoryLookupHost = {"index.example.jp", 16},
    .directoryMainHost = {"dir.example.jp", 14},
    .outboundWrapperHost = {"links.example.jp", 16},
    .memberHost = {"user.example.jp", 15},
    .pursuitHost = {"www.lycos.co.jp", 15},
    .auctionText = {"http://auction.lycos.co.jp/", 27},
    .searchScriptHost = {"cgi.search.biglobe.ne.jp", 24},
    .hostingCgiAddress = {"http://cgi.freehosts.example.jp", 31},
    .searchServiceHostForm = {"www.infoseek.co.jp/", 19},
    .partnerPortalHostForm = {"www.go.com/", 11},

    .aliasAddress = {"192.0.2.100", 11},
    .adTransferHost = {"infoseek.go.com", 15},
};

constexpr bool IsLowerCase(std::string_view text) {
  for (char c : text) {
    if (c >= 'A' && c <= 'Z') return false;
  }
  return true;
}

// Every value is supplied, in lower case, with the length its rules count on.
constexpr bool LengthsHold() {
  const SiteHost* hosts[] = {
      &kSites.gMainHost,           &kSites.gSearchHost,           &kSites.gCategoryHost,
      &kSites.channelHost,         &kSites.gNumberedRedirectHost, &kSites.iJapaneseHost,
      &kSites.iItalianHost,        &kSites.pMainHost,             &kSites.pTranslatorHost,
      &kSites.pRegistrationHost,   &kSites.pTransferHost,         &kSites.yJapaneseHost,
      &kSites.yFrenchHost,         &kSites.yItalianHost,          &kSites.yDomain1,
      &kSites.yDomain2,            &kSites.yCountryLabel1,        &kSites.yCountryLabel2,
      &kSites.yCountryLabel3,      &kSites.yCountryLabel4,        &kSites.yCountryLabel5,
      &kSites.yRedirectLabel1,     &kSites.yRedirectLabel2,       &kSites.fHost,
      &kSites.downloadClickHost,   &kSites.newspaperHost,         &kSites.providerJumpHost,
      &kSites.adServerHost,        &kSites.frenchPathWord,        &kSites.countingWrapperHome,
      &kSites.frenchPortalHost,    &kSites.frenchPortalDomain,    &kSites.musicSiteHost,
      &kSites.navPortalHost1,      &kSites.navPortalHost2,        &kSites.directoryLookupHost,
      &kSites.directoryMainHost,   &kSites.outboundWrapperHost,   &kSites.memberHost,
      &kSites.pursuitHost,         &kSites.auctionText,           &kSites.searchScriptHost,
      &kSites.hostingCgiAddress,   &kSites.searchServiceHostForm, &kSites.partnerPortalHostForm,
      &kSites.aliasAddress,        &kSites.adTransferHost,
  };
  static_assert(sizeof(hosts) / sizeof(hosts[0]) == sizeof(SiteTable) / sizeof(SiteHost),
                "every site value is checked");
  for (const SiteHost* host : hosts) {
    if (!IsSuppliedHost(*host) || !IsLowerCase(host->text)) return false;
  }
  return true;
}
static_assert(LengthsHold(), "a site value does not have the length its rules rely on");

// The two host forms of the search service are its hosts with a '/'.
static_assert(kSites.searchServiceHostForm.text.substr(0, 18) == kSites.iJapaneseHost.text);
static_assert(kSites.partnerPortalHostForm.text.substr(0, 10) == kSites.pMainHost.text);

}  // namespace

const SiteTable& Sites() { return kSites; }

}  // namespace hoard

#include "urlmap/sitetable.h"

namespace hoard {
namespace {

// Values are filled in together with the rules that use them. The counting
// portal's address is a placeholder of the right length until the real one is
// supplied: the wrapper test depends only on its bytes and length.
constexpr SiteTable kSites = {
    .countingPortalHome = {"http://www.portal-x.jp/", 23},

    .portalGMain = {"", 0},
    .portalGSearch = {"", 0},
    .portalGCategory = {"", 0},
    .portalGChannel = {"", 0},
    .portalGRedirect = {"", 0},
    .searchIJapan = {"", 0},
    .searchIItaly = {"", 0},
    .partnerPMain = {"", 0},
    .partnerPTranslator = {"", 0},
    .partnerPRegistration = {"", 0},
    .partnerPTransfer = {"", 0},
    .portalYJapan = {"", 0},
    .portalYFrance = {"", 0},
    .portalYItaly = {"", 0},
    .searchPortalF = {"", 0},
    .downloadClickCounter = {"", 0},
    .newspaper = {"", 0},
    .providerJump = {"", 0},
    .adServer = {"", 0},
    .frenchPortalDomain = {"", 7},

    .channelHost = {"", 17},
    .bookmarkPortalA = {"", 14},
    .bookmarkPortalB = {"", 14},
    .directoryLookup = {"", 28},
    .directoryLookupMain = {"", 38},
    .directorySearch = {"", 26},
    .outboundWrapper = {"", 41},
    .memberPagePrefix = {"", 32},
    .searchGoWrapper = {"", 31},
    .pursuitScriptFull = {"", 39},
    .pursuitScriptHost = {"", 32},
    .auctionHost = {"", 27},
    .seekScript = {"", 42},
    .hostingCgi = {"", 31},
    .musicSiteQuery = {"", 14},
    .frenchPortalHost = {"", 12},
    .enginePortalDomain = {"", 8},
    .infoseekHostForm = {"", 19},
    .infoseekPartnerForm = {"", 11},
};

// A supplied value must have the length its rules count on.
constexpr bool LengthsHold() {
  const SiteHost* hosts[] = {
      &kSites.countingPortalHome, &kSites.channelHost,        &kSites.bookmarkPortalA,
      &kSites.bookmarkPortalB,    &kSites.directoryLookup,    &kSites.directoryLookupMain,
      &kSites.directorySearch,    &kSites.outboundWrapper,    &kSites.memberPagePrefix,
      &kSites.searchGoWrapper,    &kSites.pursuitScriptFull,  &kSites.pursuitScriptHost,
      &kSites.auctionHost,        &kSites.seekScript,         &kSites.hostingCgi,
      &kSites.musicSiteQuery,     &kSites.frenchPortalHost,   &kSites.enginePortalDomain,
      &kSites.infoseekHostForm,   &kSites.infoseekPartnerForm, &kSites.frenchPortalDomain,
  };
  for (const SiteHost* host : hosts) {
    if (!host->text.empty() && host->text.size() != host->length) return false;
  }
  return true;
}
static_assert(LengthsHold(), "a site host does not have the length its rules rely on");

}  // namespace

const SiteTable& Sites() { return kSites; }

}  // namespace hoard

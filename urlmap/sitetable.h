// The host names of outside services (portals, search services, redirectors,
// ad servers, counters) that the URL and page rules compare with. They are
// configuration data: each rule uses a value by its role, as a fixed text of a
// known length, and never spells a host itself. Values are stored in lower
// case; each rule says whether it compares exact bytes or folds ASCII case.
#pragma once

#include <cstddef>
#include <string_view>

namespace hoard {

struct SiteHost {
  std::string_view text;  // the value
  size_t length;          // the byte length the rules rely on
};

// True when the value is supplied and has the length its rules rely on.
constexpr bool IsSuppliedHost(const SiteHost& host) {
  return !host.text.empty() && host.text.size() == host.length;
}

struct SiteTable {
  // Portal G and its services (redirect prefixes, channel redirector).
  SiteHost gMainHost;               // 13
  SiteHost gSearchHost;             // 16; a numbered form puts two digits
                                    // after its first label
  SiteHost gCategoryHost;           // 18
  SiteHost channelHost;             // 17
  SiteHost gNumberedRedirectHost;   // 16

  // Search service I and partner portal P.
  SiteHost iJapaneseHost;           // 18
  SiteHost iItalianHost;            // 15
  SiteHost pMainHost;               // 10
  SiteHost pTranslatorHost;         // 17
  SiteHost pRegistrationHost;       // 15
  SiteHost pTransferHost;           // 15

  // Portal Y and its click tracking.
  SiteHost yJapaneseHost;           // 15
  SiteHost yFrenchHost;             // 12
  SiteHost yItalianHost;            // 12
  SiteHost yDomain1;                // 11
  SiteHost yDomain2;                // 9
  SiteHost yCountryLabel1;          // 3: two letters and '.'
  SiteHost yCountryLabel2;          // 3
  SiteHost yCountryLabel3;          // 3
  SiteHost yCountryLabel4;          // 3
  SiteHost yCountryLabel5;          // 4: three letters and '.'
  SiteHost yRedirectLabel1;         // 3: two letters and '.'
  SiteHost yRedirectLabel2;         // 4: three letters and '.'

  // Other redirectors.
  SiteHost fHost;                   // 19
  SiteHost downloadClickHost;       // 19
  SiteHost newspaperHost;           // 19
  SiteHost providerJumpHost;        // 15
  SiteHost adServerHost;            // 14
  SiteHost frenchPathWord;          // 6 (7 with its '/')

  // Hosts of the naming rules.
  SiteHost countingWrapperHome;     // 23: scheme, host and '/'
  SiteHost frenchPortalHost;        // 12
  SiteHost frenchPortalDomain;      // 8
  SiteHost musicSiteHost;           // 12
  SiteHost navPortalHost1;          // 14
  SiteHost navPortalHost2;          // 14
  SiteHost directoryLookupHost;     // 16
  SiteHost directoryMainHost;       // 14
  SiteHost outboundWrapperHost;     // 16
  SiteHost memberHost;              // 15
  SiteHost pursuitHost;             // 15
  SiteHost auctionText;             // 27: scheme, host and '/'
  SiteHost searchScriptHost;        // 24
  SiteHost hostingCgiAddress;       // 31: scheme and host
  SiteHost searchServiceHostForm;   // 19: iJapaneseHost and '/'
  SiteHost partnerPortalHostForm;   // 11: pMainHost and '/'

  // Page rules.
  SiteHost aliasAddress;            // 11, compared as a prefix
  SiteHost adTransferHost;          // 15
};

// The one table of the program.
const SiteTable& Sites();

}  // namespace hoard

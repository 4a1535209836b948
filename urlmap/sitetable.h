// The host names of outside services (portals, search services, redirectors,
// counters) that the URL rules compare with. They are configuration data: the
// rules use each one by its role, as a fixed prefix of a known length, and
// never spell a host themselves. An empty entry is a host not supplied yet;
// it matches nothing.
#pragma once

#include <cstddef>
#include <string_view>

namespace hoard {

struct SiteHost {
  std::string_view text;  // compared as exact bytes unless a rule says otherwise
  size_t length;          // the byte length the rules rely on
};

// True when the value is supplied and has the length its rules rely on.
constexpr bool IsSuppliedHost(const SiteHost& host) {
  return !host.text.empty() && host.text.size() == host.length;
}

struct SiteTable {
  // The portal whose counting wrapper links carry another URL: its home
  // address with scheme and final '/', then "cgi-bin/count_link2?TOP...".
  SiteHost countingPortalHome;

  // Redirector hosts (unwrapped before a URL is mapped).
  SiteHost portalGMain;            // portal G
  SiteHost portalGSearch;
  SiteHost portalGCategory;
  SiteHost portalGChannel;
  SiteHost portalGRedirect;        // numbered redirect host, without its digits
  SiteHost searchIJapan;           // search service I
  SiteHost searchIItaly;
  SiteHost partnerPMain;           // partner portal P
  SiteHost partnerPTranslator;
  SiteHost partnerPRegistration;
  SiteHost partnerPTransfer;
  SiteHost portalYJapan;           // portal Y
  SiteHost portalYFrance;
  SiteHost portalYItaly;
  SiteHost searchPortalF;
  SiteHost downloadClickCounter;
  SiteHost newspaper;
  SiteHost providerJump;
  SiteHost adServer;
  SiteHost frenchPortalDomain;     // with its '/'

  // Hosts the naming rules compare with.
  SiteHost channelHost;            // 17 bytes
  SiteHost bookmarkPortalA;        // 14 bytes
  SiteHost bookmarkPortalB;        // 14 bytes
  SiteHost directoryLookup;        // host and "/lookup.cgi?", 28 bytes
  SiteHost directoryLookupMain;    // host and "/search/lookup-main.cgi?", 38 bytes
  SiteHost directorySearch;        // host and "/search/csj?", 26 bytes
  SiteHost outboundWrapper;        // scheme, host and "/cgi-bin/go?nifty:", 41 bytes
  SiteHost memberPagePrefix;       // scheme, host and "/iw/nifty/", 32 bytes
  SiteHost searchGoWrapper;        // scheme, host and "/?go=", 31 bytes
  SiteHost pursuitScriptFull;      // scheme and host, 39 bytes
  SiteHost pursuitScriptHost;      // 32 bytes
  SiteHost auctionHost;            // 27 bytes
  SiteHost seekScript;             // host and "/cgi-bin/search?q=", 42 bytes
  SiteHost hostingCgi;             // scheme and host, 31 bytes
  SiteHost musicSiteQuery;         // "u=" and the host, 14 bytes
  SiteHost frenchPortalHost;       // 12 bytes (an engine name)
  SiteHost enginePortalDomain;     // 8 bytes (an engine name)
  SiteHost infoseekHostForm;       // with its '/', 19 bytes
  SiteHost infoseekPartnerForm;    // with its '/', 11 bytes
};

// The one table of the program.
const SiteTable& Sites();

}  // namespace hoard

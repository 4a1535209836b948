// A link through a redirector, rewritten in mode 0 and decoded by a browser,
// names the folders and the file that the pipeline stores the redirector's
// cache file as: the target's own place. Checked over generated targets
// wrapped in redirectors of several kinds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pipeline/outputfolders.h"
#include "support/mapping.h"
#include "support/urlgen.h"
#include "urlmap/redirect.h"
#include "urlmap/sitetable.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

constexpr int kGeneratedTargets = 1500;
constexpr size_t kUrlBytes = 1024;

std::string HostOf(SiteHost SiteTable::*host) { return std::string((Sites().*host).text); }

// The target as a redirector escapes it into its query.
std::string Escaped(const std::string& url) {
  std::string out;
  for (char c : url) {
    switch (c) {
      case '%': out += "%25"; break;
      case ':': out += "%3A"; break;
      case '/': out += "%2F"; break;
      case '?': out += "%3F"; break;
      case '&': out += "%26"; break;
      case '=': out += "%3D"; break;
      default: out += c;
    }
  }
  return out;
}

// What the pipeline makes of a log entry's URL: the target when the URL is a
// redirector, then the folders and the file name.
std::vector<std::string> StoredPlace(const std::string& url) {
  std::vector<char> source(url.begin(), url.end());
  source.resize(std::max(source.size() + 1, kUrlBytes), '\0');
  std::vector<char> path(kUrlBytes, '\0');
  RedirectCursors cursors{source.data(), path.data(), path.size()};
  if (UnwrapRedirect(cursors) == 0) std::memcpy(path.data(), source.data(), kUrlBytes - 1);
  const char* p = path.data() + LinkSchemeLength(path.data());
  std::vector<std::string> place;
  FolderName name{};
  size_t length = 0;
  while (NextOutputFolder(p, name, length)) place.emplace_back(name.data(), length);
  const std::string restText = *p != '\0' ? p : "index.html";
  std::vector<char> rest(restText.begin(), restText.end());
  rest.resize(std::max(rest.size() + 1, kUrlBytes), '\0');
  std::vector<char> file(kLocalNameBufferBytes, '\0');
  MapUrlToLocalPath(file.data(), file.size(), rest.data(), rest.size(), kMapFileName);
  place.emplace_back(file.data());
  return place;
}

// What the rewritten link names once a browser has decoded it.
std::vector<std::string> LinkedPlace(const std::string& link, std::string& mapped) {
  mapped = test::Link(link);
  return test::DecodedPlace(mapped);
}

TEST(UnwrapRedirect, LinkThroughARedirectorNamesTheTargetsStoredPlace) {
  test::UrlGenerator generator(20261207);
  int failures = 0;
  for (int i = 0; i < kGeneratedTargets && failures < 8; ++i) {
    const std::string target = generator.NextText();
    struct Wrapped {
      std::string url;
      bool exactTarget;  // the redirector hands the target on unchanged
      bool htmlEscapedToo;
    };
    const std::vector<Wrapped> redirectors = {
        {"http://" + HostOf(&SiteTable::iItalianHost) + "/cgi/go.pl?" + target, false, true},
        {"http://" + HostOf(&SiteTable::yJapaneseHost) + "/remote/?" + target, true, true},
        {"http://" + HostOf(&SiteTable::fHost) + "/?go=" + Escaped(target), false, true},
        // "&sv=" keeps the rest only where the page's "&amp;" is decoded.
        {"https://" + HostOf(&SiteTable::pTransferHost) + "/cgi/transfer.pl?goto=" + target +
             "&sv=2",
         false, false},
    };
    for (const Wrapped& wrapped : redirectors) {
      const std::vector<std::string> stored = StoredPlace(wrapped.url);
      if (wrapped.exactTarget && target.rfind("http://", 0) == 0 &&
          target.find('%') == std::string::npos) {
        EXPECT_EQ(stored, StoredPlace(target)) << wrapped.url;
      }
      std::vector<std::string> links = {wrapped.url};
      if (wrapped.htmlEscapedToo) links.push_back(test::HtmlEscaped(wrapped.url));
      for (const std::string& link : links) {
        std::string mapped;
        if (LinkedPlace(link, mapped) != stored) {
          ++failures;
          ADD_FAILURE() << "link " << link << "\n  mapped " << mapped;
        }
      }
    }
  }
}

}  // namespace
}  // namespace hoard

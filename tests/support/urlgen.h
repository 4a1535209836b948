// A seeded, deterministic generator of URLs for property tests of the URL
// scan: ASCII paths, long components, queries with '/' and ':', "%7E" and
// "%20", EUC-JP and Shift_JIS escapes, raw Shift_JIS, dots, ports, names the
// Windows build cannot create. The same seed always gives the same URLs, on
// every platform.
//
// What it leaves out by default, because the rules of the system name such
// URLs on purpose differently in links and on disk: components that begin
// like a rule's trigger ("jiji", "cimages", "Count", "http:"), "id=" in a
// folder, a '?' right after '_', '#', folder components of 32..63 bytes
// made of escapes that would pass the 63-byte folder limit, and ports other
// than a plain number. Later rule sets switch the matching options on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hoard::test {

struct UrlGenOptions {
  int maxFolders = 4;
  bool queries = true;
  bool japanese = true;
  bool longComponents = true;
  bool dots = true;          // ".", "..", trailing dots and spaces
  bool reservedNames = true; // CON, nul.txt, com1...
  bool ports = true;
  bool controlEscapes = false;  // "%00", "%0A" ...
  // Components meant to leave the cache folder: "..", "%2E%2E", '\', drive
  // letters, empty components, "%5C", "%00". For safety tests only: such
  // URLs need not map the same in links and on disk.
  bool hostile = false;
};

// The parts of one generated URL.
struct GeneratedUrl {
  std::string scheme;  // "http://", "HTTP://" or "https://"
  std::string host;    // with its port when there is one
  std::vector<std::string> folders;
  std::string file;    // may be empty (the URL ends with '/')
  std::string query;   // with its '?', or empty

  std::string Text() const;
};

class UrlGenerator {
 public:
  explicit UrlGenerator(uint64_t seed, UrlGenOptions options = {});

  GeneratedUrl Next();
  std::string NextText() { return Next().Text(); }

  // Building blocks, for tests that assemble URLs of their own.
  std::string Word(size_t minLength, size_t maxLength);
  std::string FolderComponent();
  std::string FileName();
  std::string Query();
  std::string JapaneseEscapes(size_t characters);
  // Search words as a form sends them: ASCII words or escaped Japanese,
  // joined by '+'.
  std::string SearchWords();

  // The address of one result page of a search family (engines, directory
  // scripts, counters, boards), its parameters in a random order, with
  // some of the family's default parameters; `page` from 1.
  std::string SearchUrl(size_t family, const std::string& words, size_t page);
  std::string NextSearchUrl();

  // The address of a page of the search service, its partner portal, the
  // navigation portal's bookmarks, the directory service's lookups or the
  // channel redirector: topics, articles, site searches, result pages with
  // their parameters in a random order, the search gateway.
  std::string ServiceUrl();

  uint64_t Random();
  // Uniform in [0, bound).
  size_t Below(size_t bound);
  bool OneIn(size_t n) { return Below(n) == 0; }

 private:
  std::string Host();
  std::string HostileComponent();
  std::string QueryValue();

  uint64_t state_;
  UrlGenOptions options_;
};

// The number of search families SearchUrl knows.
inline constexpr size_t kSearchFamilies = 9;

// Decodes every percent escape of a text (what a browser does to a link
// before it asks for the file); "&amp;" is read as '&' first, as in an HTML
// attribute.
std::string BrowserDecode(const std::string& link);

// The same URL as it stands in a page's HTML: every '&' as "&amp;".
std::string HtmlEscaped(const std::string& url);

}  // namespace hoard::test

namespace hoard::test {

// A link from `page` to `target` (on the page's host) in one of the forms
// pages wrote: absolute with the host in any case, rooted, relative with
// "./" and "../" steps (some past the top), or a query alone for the page
// itself with another query; a fragment after some.
std::string LinkFromPage(UrlGenerator& generator, const GeneratedUrl& page,
                         const GeneratedUrl& target);

// Whether the URL has a "." or ".." component (plain or escaped): a browser
// takes those as steps, so a link never names them.
bool HasDotFolder(const GeneratedUrl& url);

}  // namespace hoard::test

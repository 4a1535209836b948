#include "app/posix/indexpage.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "base/ascii.h"
#include "html/linkrules.h"
#include "urlmap/urlmap.h"

namespace hoard::app {
namespace {

namespace fs = std::filesystem;

// A page larger than this is read only this far for its title and links.
constexpr size_t kMaxPageBytes = 8 * 1024 * 1024;

std::string ReadFileBytes(const fs::path& path, size_t limit) {
  std::string bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  char buffer[16384];
  size_t n = 0;
  while (bytes.size() < limit && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.append(buffer, std::min(n, limit - bytes.size()));
  }
  std::fclose(file);
  return bytes;
}

std::string Lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (IsUpperAscii(static_cast<unsigned char>(c))) c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool IsAlphaAscii(unsigned char c) { return IsLowerAscii(c) || IsUpperAscii(c); }

bool IsSpaceByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool EndsWithNoCase(std::string_view name, std::string_view suffix) {
  return name.size() >= suffix.size() && Lowered(name.substr(name.size() - suffix.size())) == suffix;
}

// A page of the mirror: named as one, or, under a name made from a query,
// beginning like one.
bool IsPage(const fs::path& path) {
  const std::string name = path.filename().string();
  if (EndsWithNoCase(name, ".html") || EndsWithNoCase(name, ".htm")) return true;
  const std::string head = Lowered(ReadFileBytes(path, 1024));
  return head.find("<html") != std::string::npos || head.find("<title") != std::string::npos;
}

// ---------------------------------------------------------------------------
// Text of a page in UTF-8.

// The encoding of a page: what a META charset names, else EUC-JP when the
// bytes read as EUC-JP and hold none of Shift_JIS's own lead bytes, else
// Shift_JIS (plain ASCII reads the same either way).
const char* PageEncoding(std::string_view page, std::string_view text) {
  const std::string head = Lowered(page.substr(0, std::min<size_t>(page.size(), 4096)));
  const size_t charset = head.find("charset=");
  if (charset != std::string::npos) {
    const std::string_view name = std::string_view(head).substr(charset + 8, 12);
    if (name.find("euc") != std::string_view::npos) return "EUC-JP";
    if (name.find("sjis") != std::string_view::npos ||
        name.find("shift") != std::string_view::npos) {
      return "CP932";
    }
  }
  bool sawHigh = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) continue;
    sawHigh = true;
    if (b == 0x8E && i + 1 < text.size()) {  // EUC-JP half-width kana
      ++i;
      continue;
    }
    if (b < 0xA1 || b == 0xFF || i + 1 >= text.size()) return "CP932";
    const auto trail = static_cast<unsigned char>(text[i + 1]);
    if (trail < 0xA1 || trail == 0xFF) return "CP932";
    ++i;
  }
  return sawHigh ? "EUC-JP" : "CP932";
}

// `bytes` from `encoding` to UTF-8; a byte the conversion refuses becomes
// U+FFFD.
std::string ToUtf8(std::string_view bytes, const char* encoding) {
  std::string out;
  iconv_t cd = iconv_open("UTF-8", encoding);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    for (char c : bytes) out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    return out;
  }
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* put = buffer;
    size_t room = sizeof buffer;
    const size_t done = iconv(cd, &in, &inLeft, &put, &room);
    out.append(buffer, static_cast<size_t>(put - buffer));
    if (done != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    out += "\xEF\xBF\xBD";
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

// The few entities a title uses, decoded; numeric ones below 128 only (a
// higher one would be a character of another encoding's choosing).
std::string DecodeEntities(std::string_view text) {
  struct Entity {
    std::string_view name;
    char byte;
  };
  constexpr Entity kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'},
                                  {"&quot;", '"'}, {"&nbsp;", ' '}, {"&#39;", '\''}};
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    bool decoded = false;
    if (text[i] == '&') {
      for (const Entity& entity : kEntities) {
        if (Lowered(text.substr(i, entity.name.size())) == entity.name) {
          out += entity.byte;
          i += entity.name.size() - 1;
          decoded = true;
          break;
        }
      }
    }
    if (!decoded) out += text[i];
  }
  return out;
}

std::string EscapeHtml(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A mirror path as a link: every byte but the unreserved ones and '/'
// escaped, so that a browser finds the file's own bytes again.
std::string EscapePath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : path) {
    const auto b = static_cast<unsigned char>(c);
    if (IsAlphaAscii(b) || IsDigitAscii(b) || c == '-' || c == '.' || c == '_' || c == '~' ||
        c == '/') {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A link's path as a browser reads a file URL: every escape a byte.
std::string PercentDecode(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The title of a page, whitespace folded; empty when it has none.
std::string TitleOf(std::string_view page) {
  const std::string lowered = Lowered(page.substr(0, std::min<size_t>(page.size(), 65536)));
  const size_t open = lowered.find("<title");
  if (open == std::string::npos) return {};
  const size_t start = lowered.find('>', open);
  if (start == std::string::npos) return {};
  const size_t end = lowered.find("</title", start);
  if (end == std::string::npos) return {};
  const std::string_view raw = page.substr(start + 1, end - start - 1);
  std::string title = ToUtf8(DecodeEntities(raw), PageEncoding(page, raw));
  std::string folded;
  for (char c : title) {
    if (IsSpaceByte(c)) {
      if (!folded.empty() && folded.back() != ' ') folded += ' ';
    } else {
      folded += c;
    }
  }
  while (!folded.empty() && folded.back() == ' ') folded.pop_back();
  return folded;
}

// ---------------------------------------------------------------------------
// The links of a page.

// The value of one attribute of a tag's text (after its name), or nothing.
bool AttributeValue(std::string_view tag, std::string_view wanted, std::string& value) {
  size_t i = 0;
  while (i < tag.size() && !IsSpaceByte(tag[i])) ++i;
  while (i < tag.size()) {
    while (i < tag.size() && (IsSpaceByte(tag[i]) || tag[i] == '/')) ++i;
    const size_t nameStart = i;
    while (i < tag.size() && !IsSpaceByte(tag[i]) && tag[i] != '=') ++i;
    const std::string name = Lowered(tag.substr(nameStart, i - nameStart));
    while (i < tag.size() && IsSpaceByte(tag[i])) ++i;
    std::string found;
    if (i < tag.size() && tag[i] == '=') {
      ++i;
      while (i < tag.size() && IsSpaceByte(tag[i])) ++i;
      if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
        const char quote = tag[i++];
        const size_t end = std::min(tag.find(quote, i), tag.size());
        found = std::string(tag.substr(i, end - i));
        i = end + 1;
      } else {
        const size_t start = i;
        while (i < tag.size() && !IsSpaceByte(tag[i])) ++i;
        found = std::string(tag.substr(start, i - start));
      }
    }
    if (name == wanted) {
      value = DecodeEntities(found);
      return true;
    }
    if (i == nameStart) ++i;
  }
  return false;
}

// The tags whose attribute a browser follows or loads; form actions and
// option values are no links a reader opens.
struct LinkTag {
  std::string_view tag;
  std::string_view attribute;
};
constexpr LinkTag kLinkTags[] = {
    {"a", "href"},      {"area", "href"},       {"link", "href"},      {"img", "src"},
    {"frame", "src"},   {"iframe", "src"},      {"embed", "src"},      {"script", "src"},
    {"body", "background"}, {"table", "background"}, {"td", "background"},
};

// The links of a page in document order; comments and script bodies are
// passed over.
std::vector<std::string> LinksOf(std::string_view page) {
  std::vector<std::string> links;
  size_t i = 0;
  while ((i = page.find('<', i)) != std::string_view::npos) {
    if (page.substr(i, 4) == "<!--") {
      const size_t end = page.find("-->", i + 4);
      if (end == std::string_view::npos) break;
      i = end + 3;
      continue;
    }
    const size_t end = page.find('>', i);
    if (end == std::string_view::npos) break;
    const std::string_view tag = page.substr(i + 1, end - i - 1);
    i = end + 1;
    size_t nameEnd = 0;
    while (nameEnd < tag.size() && !IsSpaceByte(tag[nameEnd])) ++nameEnd;
    const std::string name = Lowered(tag.substr(0, nameEnd));
    for (const LinkTag& row : kLinkTags) {
      std::string value;
      if (name == row.tag && AttributeValue(tag, row.attribute, value) && !value.empty()) {
        links.push_back(value);
      }
    }
    if (name == "script") {
      const size_t close = Lowered(page.substr(i, std::min<size_t>(page.size() - i, 1 << 20)))
                               .find("</script");
      if (close != std::string::npos) i += close;
    }
  }
  return links;
}

// The scheme of a link, lower case; empty when it has none.
std::string SchemeOf(std::string_view link) {
  size_t i = 0;
  while (i < link.size() && IsAlphaAscii(static_cast<unsigned char>(link[i]))) ++i;
  if (i < 2 || i >= link.size() || link[i] != ':') return {};
  return Lowered(link.substr(0, i));
}

// The host of an http URL, lower case, with its port.
std::string HostOf(std::string_view url) {
  const size_t start = url.find("//");
  if (start == std::string_view::npos) return {};
  const size_t end = url.find_first_of("/?#", start + 2);
  return Lowered(url.substr(start + 2, end == std::string_view::npos ? url.npos : end - start - 2));
}

// An absolute http URL with its scheme and host in lower case and "/" for
// an empty path; the fragment dropped.
std::string NormalUrl(std::string_view link) {
  const size_t hash = link.find('#');
  if (hash != std::string_view::npos) link = link.substr(0, hash);
  const std::string scheme = SchemeOf(link);
  const std::string host = HostOf(link);
  const size_t hostEnd = link.find_first_of("/?", link.find("//") + 2);
  std::string rest = hostEnd == std::string_view::npos ? "" : std::string(link.substr(hostEnd));
  if (rest.empty() || rest[0] == '?') rest.insert(0, "/");
  return scheme + "://" + host + rest;
}

// The URL of a place in the mirror: the host folder, a port folder below
// it, then the path.
std::string UrlOfMirrorPath(const std::string& relative) {
  const size_t slash = relative.find('/');
  std::string host = relative.substr(0, slash);
  std::string rest = slash == std::string::npos ? "/" : relative.substr(slash);
  const size_t portEnd = rest.find('/', 1);
  if (portEnd != std::string::npos) {
    const std::string port = rest.substr(1, portEnd - 1);
    if (!port.empty() && std::all_of(port.begin(), port.end(), [](char c) {
          return IsDigitAscii(static_cast<unsigned char>(c));
        })) {
      host += ":" + port;
      rest = rest.substr(portEnd);
    }
  }
  return "http://" + Lowered(host) + rest;
}

// A reference resolved against an absolute http URL (dot segments of the
// result removed); the fragment dropped.
std::string ResolveAgainst(const std::string& base, std::string link) {
  const size_t hash = link.find('#');
  if (hash != std::string::npos) link.resize(hash);
  if (!SchemeOf(link).empty()) return NormalUrl(link);
  if (link.substr(0, 2) == "//") return NormalUrl("http:" + link);
  const size_t pathStart = base.find('/', base.find("//") + 2);
  const std::string origin = base.substr(0, pathStart);
  std::string basePath = pathStart == std::string::npos ? "/" : base.substr(pathStart);
  basePath.resize(std::min(basePath.size(), basePath.find('?')));
  std::string path;
  if (link.empty()) return base;
  if (link[0] == '/') {
    path = link;
  } else if (link[0] == '?') {
    return origin + basePath + link;
  } else {
    path = basePath.substr(0, basePath.rfind('/') + 1) + link;
  }
  std::string query;
  const size_t q = path.find('?');
  if (q != std::string::npos) {
    query = path.substr(q);
    path.resize(q);
  }
  std::vector<std::string> segments;
  size_t at = 1;
  for (;;) {
    const size_t slash = path.find('/', at);
    const std::string segment = path.substr(at, slash == std::string::npos ? path.npos : slash - at);
    const bool last = slash == std::string::npos;
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
      if (last) segments.emplace_back();
    } else if (segment == ".") {
      if (last) segments.emplace_back();
    } else {
      segments.push_back(segment);
    }
    if (last) break;
    at = slash + 1;
  }
  std::string out = origin;
  for (const std::string& segment : segments) out += "/" + segment;
  if (segments.empty()) out += "/";
  return out + query;
}

// ---------------------------------------------------------------------------
// The mirror.

struct Page {
  std::string relative;  // from the cache folder, '/' separated, raw bytes
  std::string title;     // UTF-8
};

struct Host {
  std::string folder;
  std::vector<Page> pages;
};

bool IsFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

// Whether the mirror holds what an absolute http URL names: its place as
// the mirror names a plain URL, or that folder's page.
bool MirrorHolds(const fs::path& cacheFolder, const std::string& url) {
  std::string rest = url.substr(url.find("//") + 2);
  rest.resize(std::min(rest.size(), rest.find('?')));
  const size_t colon = rest.find(':');
  if (colon != std::string::npos && colon < rest.find('/')) rest[colon] = '/';
  const fs::path place = (cacheFolder / fs::path(PercentDecode(rest)).relative_path()).lexically_normal();
  const fs::path inMirror = place.lexically_relative(cacheFolder);
  if (inMirror.empty() || *inMirror.begin() == "..") return false;  // names no place in it
  if (!rest.empty() && rest.back() != '/' && IsFile(place)) return true;
  return IsFile(place / std::string(kFolderPageName));
}

struct Collected {
  std::vector<Host> hosts;
  std::map<std::string, MissingTarget> missing;  // by host + ' ' + URL
  size_t missingLinks = 0;
};

void AddMissing(Collected& out, const std::string& url, const std::string& page) {
  const std::string host = HostOf(url);
  MissingTarget& target = out.missing[host + ' ' + url];
  target.url = url;
  target.host = host;
  ++target.links;
  ++out.missingLinks;
  const std::string escaped = EscapePath(page);
  if (std::find(target.pages.begin(), target.pages.end(), escaped) == target.pages.end()) {
    target.pages.push_back(escaped);
  }
}

// The links of one page whose targets the mirror does not hold. A link's URL
// comes from the page's backup (the page as it was cached) when the backup
// has as many links, else from the mirror place the link names.
void CollectMissing(const fs::path& cacheFolder, const fs::path& pagePath,
                    const std::string& relative, std::string_view text, Collected& out) {
  const std::vector<std::string> links = LinksOf(text);
  std::vector<std::string> originals;
  const fs::path backup =
      pagePath.parent_path() / std::string(BackupNameFor(pagePath.filename().string()).View());
  if (IsFile(backup)) originals = LinksOf(ReadFileBytes(backup, kMaxPageBytes));
  const bool paired = originals.size() == links.size();
  const std::string pageUrl = UrlOfMirrorPath(relative);
  for (size_t i = 0; i < links.size(); ++i) {
    std::string link = links[i];
    link.resize(std::min(link.size(), link.find('#')));
    if (link.empty()) continue;
    const std::string scheme = SchemeOf(link);
    if (!scheme.empty() || link.substr(0, 2) == "//") {
      if (!scheme.empty() && scheme != "http" && scheme != "https") continue;
      const std::string url = NormalUrl(scheme.empty() ? "http:" + link : link);
      if (!MirrorHolds(cacheFolder, url)) AddMissing(out, url, relative);
      continue;
    }
    if (link[0] == '/') {
      // A path from the host's root, as a page that was not rewritten keeps it.
      const std::string url = ResolveAgainst(pageUrl, link);
      if (!MirrorHolds(cacheFolder, url)) AddMissing(out, url, relative);
      continue;
    }
    std::string path = link;
    path.resize(std::min(path.size(), path.find('?')));
    const fs::path target = (pagePath.parent_path() / PercentDecode(path)).lexically_normal();
    const fs::path inMirror = target.lexically_relative(cacheFolder);
    if (inMirror.empty() || *inMirror.begin() == "..") continue;  // outside the cache folder
    if (!path.empty() && path.back() != '/' && IsFile(target)) continue;
    if (IsFile(target / std::string(kFolderPageName))) continue;
    std::string url;
    if (paired && !originals[i].empty() && originals[i][0] != '#') {
      const std::string originalScheme = SchemeOf(originals[i]);
      if (!originalScheme.empty() && originalScheme != "http" && originalScheme != "https") {
        continue;
      }
      url = ResolveAgainst(pageUrl, originals[i]);
    } else {
      url = UrlOfMirrorPath(inMirror.generic_string());
    }
    AddMissing(out, url, relative);
  }
}

Collected CollectMirror(const fs::path& cacheFolder) {
  Collected out;
  std::error_code error;
  std::vector<fs::path> hostFolders;
  for (fs::directory_iterator it(cacheFolder, error), end; !error && it != end;
       it.increment(error)) {
    std::error_code kindError;
    if (it->is_directory(kindError) && !it->is_symlink(kindError)) hostFolders.push_back(it->path());
  }
  std::sort(hostFolders.begin(), hostFolders.end());
  for (const fs::path& folder : hostFolders) {
    Host host;
    host.folder = folder.filename().string();
    std::vector<fs::path> pages;
    std::set<fs::path> backups;
    std::error_code walkError;
    for (fs::recursive_directory_iterator it(folder, walkError), end; !walkError && it != end;
         it.increment(walkError)) {
      std::error_code kindError;
      if (it->is_regular_file(kindError) && IsPage(it->path())) {
        pages.push_back(it->path());
        backups.insert(it->path().parent_path() /
                       std::string(BackupNameFor(it->path().filename().string()).View()));
      }
    }
    // A page's backup is the page as it was, no page of the mirror.
    pages.erase(std::remove_if(pages.begin(), pages.end(),
                               [&backups](const fs::path& page) { return backups.count(page) > 0; }),
                pages.end());
    std::sort(pages.begin(), pages.end());
    for (const fs::path& pagePath : pages) {
      const std::string text = ReadFileBytes(pagePath, kMaxPageBytes);
      Page page;
      page.relative = pagePath.lexically_relative(cacheFolder).generic_string();
      page.title = TitleOf(text);
      CollectMissing(cacheFolder, pagePath, page.relative, text, out);
      host.pages.push_back(std::move(page));
    }
    out.hosts.push_back(std::move(host));
  }
  return out;
}

// ---------------------------------------------------------------------------
// Writing.

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string MissingListText(const std::vector<MissingTarget>& missing) {
  std::string text(kMissingListHeader);
  for (const MissingTarget& target : missing) {
    std::string pages;
    for (const std::string& page : target.pages) pages += (pages.empty() ? "" : " ") + page;
    text += CsvField(target.url) + ',' + CsvField(target.host) + ',' +
            std::to_string(target.links) + ',' + CsvField(pages) + '\n';
  }
  return text;
}

std::string IndexPageText(const std::vector<Host>& hosts, const MirrorIndexResult& result) {
  std::string html(kIndexPageMark);
  html +=
      "<html><head><meta charset=\"utf-8\"><title>Mirror index</title>\n"
      "<style>body{font-family:sans-serif}small{color:#666}</style></head><body>\n"
      "<h1>Mirror index</h1>\n<p>" +
      std::to_string(result.hosts) + " hosts, " + std::to_string(result.pages) + " pages. " +
      "<a href=\"#missing\">Not in the cache</a>: " + std::to_string(result.missing.size()) +
      " targets of " + std::to_string(result.missingLinks) + " links.</p>\n<ul>\n";
  for (size_t h = 0; h < hosts.size(); ++h) {
    html += "<li><a href=\"#host-" + std::to_string(h) + "\">" +
            EscapeHtml(ToUtf8(hosts[h].folder, "CP932")) + "</a> (" +
            std::to_string(hosts[h].pages.size()) + " pages)</li>\n";
  }
  html += "</ul>\n";
  for (size_t h = 0; h < hosts.size(); ++h) {
    html += "<h2 id=\"host-" + std::to_string(h) + "\">" +
            EscapeHtml(ToUtf8(hosts[h].folder, "CP932")) + "</h2>\n<ul>\n";
    for (const Page& page : hosts[h].pages) {
      const std::string shown = EscapeHtml(ToUtf8(page.relative, "CP932"));
      html += "<li><a href=\"" + EscapePath(page.relative) + "\">" +
              (page.title.empty() ? shown : EscapeHtml(page.title)) + "</a> <small>" + shown +
              "</small></li>\n";
    }
    html += "</ul>\n";
  }
  html += "<h2 id=\"missing\">not in the cache</h2>\n";
  std::map<std::string, std::pair<size_t, size_t>> perHost;  // targets, links
  for (const MissingTarget& target : result.missing) {
    ++perHost[target.host].first;
    perHost[target.host].second += target.links;
  }
  std::string openHost;
  bool listOpen = false;
  for (const MissingTarget& target : result.missing) {
    if (!listOpen || target.host != openHost) {
      if (listOpen) html += "</ul>\n";
      const auto& counts = perHost[target.host];
      html += "<h3>" + EscapeHtml(ToUtf8(target.host, "CP932")) + " (" +
              std::to_string(counts.first) + " targets, " + std::to_string(counts.second) +
              " links)</h3>\n<ul>\n";
      openHost = target.host;
      listOpen = true;
    }
    html += "<li>" + EscapeHtml(ToUtf8(target.url, "CP932")) + " <small>" +
            std::to_string(target.links) + " links, from";
    for (const std::string& page : target.pages) {
      html += " <a href=\"" + page + "\">" + EscapeHtml(ToUtf8(PercentDecode(page), "CP932")) +
              "</a>";
    }
    html += "</small></li>\n";
  }
  if (listOpen) html += "</ul>\n";
  html += "</body></html>\n";
  return html;
}

enum class WriteOutcome { kWritten, kUsersFile, kFailed };

// Replaces `folder`/`name` with `text` through a temporary file and a rename,
// unless a file of that name is there that does not begin with `mark`.
WriteOutcome WriteOwnFile(const fs::path& folder, std::string_view name, const std::string& text,
                          std::string_view mark) {
  const fs::path path = folder / std::string(name);
  struct stat info = {};
  if (lstat(path.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode) || ReadFileBytes(path, mark.size()) != mark) {
      return WriteOutcome::kUsersFile;
    }
  }
  std::string temporary = path.string() + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return WriteOutcome::kFailed;
  fchmod(fd, 0644);
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  const bool whole = written == text.size() && fsync(fd) == 0;
  if (close(fd) != 0 || !whole || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return WriteOutcome::kFailed;
  }
  return WriteOutcome::kWritten;
}

void NoteOutcome(WriteOutcome outcome, std::string_view name, bool& written,
                 std::string& problems) {
  written = outcome == WriteOutcome::kWritten;
  if (outcome == WriteOutcome::kUsersFile) {
    problems += std::string(name) + " is not the program's own file: left as it is\n";
  } else if (outcome == WriteOutcome::kFailed) {
    problems += std::string(name) + " could not be written: the previous one is kept\n";
  }
}

}  // namespace

MirrorIndexResult WriteMirrorIndex(const std::string& cacheFolder) {
  MirrorIndexResult result;
  const fs::path folder = fs::path(cacheFolder).lexically_normal();
  Collected collected = CollectMirror(folder);
  result.hosts = collected.hosts.size();
  for (const Host& host : collected.hosts) result.pages += host.pages.size();
  result.missingLinks = collected.missingLinks;
  for (auto& [key, target] : collected.missing) result.missing.push_back(std::move(target));
  NoteOutcome(WriteOwnFile(folder, kMissingListName, MissingListText(result.missing),
                           kMissingListHeader),
              kMissingListName, result.listWritten, result.problems);
  NoteOutcome(WriteOwnFile(folder, kIndexPageName, IndexPageText(collected.hosts, result),
                           kIndexPageMark),
              kIndexPageName, result.indexWritten, result.problems);
  return result;
}

std::string CacheFolderOfRun(const ArgList& args) {
  if (args.count == 0 || args.items[0] == nullptr) return {};
  // A folder run works inside the cache folder: a relative argument is read
  // from where the program started.
  CPath start;
  if (!FileRefToCPath(StartFolder(), start)) return {};
  fs::path first = fs::path(start.data()) / args.items[0];
  first = first.lexically_normal();
  if (!first.has_filename()) first = first.parent_path();  // "cache/"
  std::error_code error;
  if (args.count == 1 && fs::is_directory(first, error)) return first.string();
  return first.parent_path().string();
}

void WriteIndexAfterRun(const ArgList& args) {
  if (LastRunOutcome().stopped) return;
  const std::string folder = CacheFolderOfRun(args);
  if (folder.empty()) return;
  const MirrorIndexResult result = WriteMirrorIndex(folder);
  size_t start = 0;
  while (start < result.problems.size()) {
    const size_t end = result.problems.find('\n', start);
    std::fprintf(stderr, "hoard-hoard: %s/%s\n", folder.c_str(),
                 result.problems.substr(start, end - start).c_str());
    start = end + 1;
  }
}

}  // namespace hoard::app

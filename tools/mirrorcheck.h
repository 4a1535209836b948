// The mirror checker: after a conversion, every page of the mirror is parsed,
// every relative link resolved the way a browser resolves it from a file://
// page (percent escapes decoded to bytes, the page's own bytes being
// Shift_JIS), and each link whose target the cache held but which names no
// file of the mirror is reported.
//
// Which target a link had is read from the page's backup (the page as it was
// before its links were rewritten), resolved against the page's URL (from its
// place in the mirror: host folder, port folder, path; a folder renamed by the
// domain table is named back) and any BASE tag. Pages without a backup were
// not changed and are their own originals. Header-only, so that the tests and
// the command-line tool share it.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "html/linkrules.h"

namespace hoard::tools {

struct PageLink {
  std::string tag;    // lower case: "img", "a", "frame", ...
  std::string value;  // the attribute's value as written (entities decoded)
};

struct BrokenLink {
  std::string page;      // mirror-relative path of the page
  std::string link;      // the link as rewritten
  std::string target;    // the URL the original link named
  std::string resolved;  // the mirror path the rewritten link names
};

struct MirrorReport {
  size_t pages = 0;
  size_t links = 0;          // links examined (tags with an address)
  size_t rewritten = 0;      // links whose text the rewriter changed
  size_t cachedTargets = 0;  // links whose target the cache held
  size_t resolving = 0;      // of those, links that name a mirror file
  size_t leftOnline = 0;     // of those, links still absolute (to the web)
  // Links to cached targets by the tag (or "script", "button") they stand in.
  std::map<std::string, size_t> cachedTargetsByTag;
  std::vector<BrokenLink> broken;
  // Where the links to cached targets lead (absolute, normalised paths).
  std::set<std::string> cachedTargetPaths;
};

namespace detail {

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
inline std::string LowerText(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Lower(c);
  return out;
}
inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
inline int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::string DecodeEntities(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      const std::string_view rest = text.substr(i);
      if (rest.substr(0, 5) == "&amp;") { out += '&'; i += 4; continue; }
      if (rest.substr(0, 6) == "&quot;") { out += '"'; i += 5; continue; }
      if (rest.substr(0, 4) == "&lt;") { out += '<'; i += 3; continue; }
      if (rest.substr(0, 4) == "&gt;") { out += '>'; i += 3; continue; }
    }
    out += text[i];
  }
  return out;
}

// A browser's percent decoding of a file URL's path: every escape becomes
// its byte.
inline std::string PercentDecode(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && Hex(text[i + 1]) >= 0 &&
        Hex(text[i + 2]) >= 0) {
      out += static_cast<char>(Hex(text[i + 1]) * 16 + Hex(text[i + 2]));
      i += 2;
      continue;
    }
    out += text[i];
  }
  return out;
}

// The attributes of a tag as name → value.
inline std::map<std::string, std::string> Attributes(std::string_view tag) {
  std::map<std::string, std::string> out;
  size_t i = 0;
  while (i < tag.size() && !IsSpace(tag[i])) ++i;  // the tag name
  while (i < tag.size()) {
    while (i < tag.size() && (IsSpace(tag[i]) || tag[i] == '/')) ++i;
    const size_t nameStart = i;
    while (i < tag.size() && !IsSpace(tag[i]) && tag[i] != '=') ++i;
    const std::string name = LowerText(tag.substr(nameStart, i - nameStart));
    while (i < tag.size() && IsSpace(tag[i])) ++i;
    std::string value;
    if (i < tag.size() && tag[i] == '=') {
      ++i;
      while (i < tag.size() && IsSpace(tag[i])) ++i;
      if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
        const char quote = tag[i++];
        const size_t end = tag.find(quote, i);
        value = std::string(tag.substr(i, end == std::string_view::npos ? tag.size() - i : end - i));
        i = end == std::string_view::npos ? tag.size() : end + 1;
      } else {
        const size_t start = i;
        while (i < tag.size() && !IsSpace(tag[i])) ++i;
        value = std::string(tag.substr(start, i - start));
      }
    }
    if (!name.empty() && out.find(name) == out.end()) out[name] = DecodeEntities(value);
    if (i == nameStart) ++i;
  }
  return out;
}


// The addresses script code hands to the browser: the text before the
// address as written in a script, and the quote that ends the address.
struct ScriptOpener {
  std::string_view before;
  char quote;
};
inline constexpr ScriptOpener kScriptOpeners[] = {
    {"open('", '\''},           {"open(\"", '"'},
    {"openWin('", '\''},        {"setTimeout(\"location='", '\''},
    {"var urlOfNewPop= \"", '"'}, {"URL = \"", '"'},
};

// The script addresses of a script body in the order they stand; an address
// stops at its quote, at a line end or at "?nexthtml=" (a second page).
inline void AddScriptLinks(std::string_view body, std::vector<PageLink>& links) {
  for (size_t at = 0; at < body.size(); ++at) {
    for (const ScriptOpener& opener : kScriptOpeners) {
      if (body.substr(at, opener.before.size()) != opener.before) continue;
      const size_t start = at + opener.before.size();
      const size_t end = body.find_first_of(std::string{opener.quote, '\n', '\r'}, start);
      if (end == std::string_view::npos || end == start) break;
      std::string value(body.substr(start, end - start));
      const size_t next = value.find("?nexthtml=");
      if (next != std::string::npos) value.resize(next);
      // A piece of an expression ('a'+n+'.html') names no page by itself.
      const bool piece = end + 1 < body.size() && body[end + 1] == '+';
      if (!piece && !value.empty() && value.find_first_of("\"'+ <>") == std::string::npos) {
        links.push_back({"script", value});
      }
      at = end;
      break;
    }
  }
}

}  // namespace detail

// The links of a page in document order (BASE tags left out; their address
// goes to `base`). Script bodies and comments are passed over.
inline std::vector<PageLink> ExtractLinks(std::string_view page, std::string* base = nullptr) {
  std::vector<PageLink> links;
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
    while (nameEnd < tag.size() && !detail::IsSpace(tag[nameEnd])) ++nameEnd;
    const std::string name = detail::LowerText(tag.substr(0, nameEnd));
    const auto attributes = detail::Attributes(tag);
    auto add = [&](const char* attribute) {
      const auto found = attributes.find(attribute);
      if (found != attributes.end() && !found->second.empty()) {
        links.push_back({name, found->second});
      }
    };
    if (name == "base") {
      const auto found = attributes.find("href");
      if (base != nullptr && found != attributes.end()) *base = found->second;
    } else if (name == "a" || name == "area" || name == "link") {
      add("href");
    } else if (name == "img" || name == "frame" || name == "iframe" || name == "embed" ||
               name == "layer" || name == "script") {
      add("src");
    } else if (name == "input") {
      const auto type = attributes.find("type");
      if (type != attributes.end() && detail::LowerText(type->second) == "image") add("src");
    } else if (name == "body" || name == "table" || name == "td") {
      add("background");
    } else if (name == "form") {
      add("action");
    } else if (name == "option") {
      add("value");
    }
    if (name == "input") {
      // A button that opens a page: the address its handler assigns.
      for (const auto& [attribute, code] : attributes) {
        const size_t at = code.find("top.location.href");
        if (attribute.rfind("on", 0) != 0 || at == std::string::npos) continue;
        size_t start = code.find_first_of("'\"", at);
        if (start == std::string::npos) continue;
        const size_t end = code.find(code[start], start + 1);
        if (end == std::string::npos) continue;
        ++start;
        if (end > start) links.push_back({"button", code.substr(start, end - start)});
      }
    }
    if (name == "a") {
      // An anchor that calls a script with the page to open.
      const auto href = attributes.find("href");
      constexpr std::string_view kOpenWin = "javascript:openWin('";
      if (href != attributes.end() && href->second.rfind(kOpenWin, 0) == 0) {
        const size_t end = href->second.find_first_of("'?", kOpenWin.size());
        if (end != std::string::npos && end > kOpenWin.size()) {
          links.push_back({"script", href->second.substr(kOpenWin.size(), end - kOpenWin.size())});
        }
      }
    }
    if (name == "script") {
      const std::string lowered = detail::LowerText(page.substr(i));
      const size_t close = lowered.find("</script");
      const size_t bodyEnd = close == std::string::npos ? page.size() : i + close;
      detail::AddScriptLinks(page.substr(i, bodyEnd - i), links);
      if (close != std::string::npos) i += close;
    }
  }
  return links;
}

inline bool HasScheme(std::string_view link, std::string* scheme = nullptr) {
  size_t i = 0;
  while (i < link.size() && ((link[i] >= 'a' && link[i] <= 'z') || (link[i] >= 'A' && link[i] <= 'Z'))) {
    ++i;
  }
  if (i < 2 || i >= link.size() || link[i] != ':') return false;
  if (scheme != nullptr) *scheme = detail::LowerText(link.substr(0, i));
  return true;
}

// RFC 3986 resolution of a reference against an absolute http URL; the
// fragment is dropped.
inline std::string ResolveUrl(const std::string& base, std::string link) {
  const size_t hash = link.find('#');
  if (hash != std::string::npos) link.resize(hash);
  std::string scheme;
  if (HasScheme(link, &scheme)) {
    if (scheme != "http" && scheme != "https") return link;
    // Scheme and host compare without case.
    const size_t hostStart = link.find("//");
    if (hostStart == std::string::npos) return link;
    const size_t hostEnd = link.find('/', hostStart + 2);
    std::string out = scheme + "://" +
                      detail::LowerText(link.substr(hostStart + 2, hostEnd == std::string::npos
                                                                       ? std::string::npos
                                                                       : hostEnd - hostStart - 2));
    out += hostEnd == std::string::npos ? "/" : link.substr(hostEnd);
    return out;
  }
  const size_t schemeEnd = base.find("://");
  const size_t pathStart = base.find('/', schemeEnd + 3);
  const std::string origin = base.substr(0, pathStart);
  if (link.substr(0, 2) == "//") return base.substr(0, schemeEnd + 1) + link;
  std::string path;
  std::string query;
  if (link.empty()) return base;
  if (link[0] == '/') {
    path = link;
  } else if (link[0] == '?') {
    const size_t q = base.find('?');
    return base.substr(0, q) + link;
  } else {
    std::string basePath = pathStart == std::string::npos ? "/" : base.substr(pathStart);
    const size_t q = basePath.find('?');
    if (q != std::string::npos) basePath.resize(q);
    path = basePath.substr(0, basePath.rfind('/') + 1) + link;
  }
  const size_t q = path.find('?');
  if (q != std::string::npos) {
    query = path.substr(q);
    path.resize(q);
  }
  // Dot segments.
  std::vector<std::string> segments;
  size_t at = 1;
  while (at <= path.size()) {
    const size_t slash = path.find('/', at);
    const std::string segment =
        path.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
    const bool last = slash == std::string::npos;
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
      if (last) segments.push_back("");
    } else if (segment == ".") {
      if (last) segments.push_back("");
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

// The URLs the cache log lists (fragments dropped), both with and without a
// '/' after a bare host.
inline std::set<std::string> CachedUrls(const std::filesystem::path& cacheFolder) {
  std::set<std::string> urls;
  const std::string log = detail::ReadAll(cacheFolder / "CCHMGR20.DAT");
  size_t start = 0;
  bool first = true;
  while (start < log.size()) {
    size_t end = log.find_first_of("\r\n", start);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(start, end - start);
    start = end + 1;
    if (first || line.empty()) {
      first = false;
      continue;
    }
    const size_t comma = line.rfind(',');
    if (comma == std::string::npos) continue;
    const std::string url = ResolveUrl("http://x/", line.substr(0, comma));
    urls.insert(url);
  }
  return urls;
}

// The domain table's pairs: folder name → host.
inline std::map<std::string, std::string> ReverseDomainTable(const std::filesystem::path& csv) {
  std::map<std::string, std::string> folders;
  const std::string text = detail::ReadAll(csv);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const size_t comma = line.find(',');
    if (comma != std::string::npos) folders[line.substr(comma + 1)] = line.substr(0, comma);
  }
  return folders;
}

// The URL of a page from its place in the mirror.
inline std::string PageUrlOf(const std::string& relative,
                             const std::map<std::string, std::string>& domainFolders) {
  const size_t slash = relative.find('/');
  std::string host = relative.substr(0, slash);
  const auto renamed = domainFolders.find(host);
  if (renamed != domainFolders.end()) host = renamed->second;
  std::string rest = slash == std::string::npos ? "" : relative.substr(slash);
  const size_t portEnd = rest.find('/', 1);
  if (portEnd != std::string::npos) {
    const std::string port = rest.substr(1, portEnd - 1);
    if (port == "8080" || port == "80") {
      host += ":" + port;
      rest = rest.substr(portEnd);
    }
  }
  return "http://" + detail::LowerText(host) + rest;
}

inline bool IsPageName(const std::string& name) {
  const std::string lower = detail::LowerText(name);
  auto ends = [&lower](std::string_view suffix) {
    return lower.size() >= suffix.size() && lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
  return ends(".html") || ends(".htm");
}

// Checks every page inside the host folders of `cacheFolder`.
inline MirrorReport CheckMirror(const std::filesystem::path& cacheFolder,
                                const std::filesystem::path& domainCsv = {}) {
  namespace fs = std::filesystem;
  MirrorReport report;
  const std::set<std::string> cached = CachedUrls(cacheFolder);
  const auto domainFolders = domainCsv.empty() ? std::map<std::string, std::string>{}
                                               : ReverseDomainTable(domainCsv);
  std::vector<fs::path> pages;
  for (const auto& entry : fs::recursive_directory_iterator(cacheFolder)) {
    if (!entry.is_regular_file()) continue;
    if (entry.path().parent_path() == cacheFolder) continue;  // not moved into the mirror
    if (IsPageName(entry.path().filename().string())) pages.push_back(entry.path());
  }
  std::sort(pages.begin(), pages.end());
  for (const fs::path& pagePath : pages) {
    ++report.pages;
    const std::string relative = pagePath.lexically_relative(cacheFolder).generic_string();
    const std::string pageUrl = PageUrlOf(relative, domainFolders);
    const std::string rewrittenText = detail::ReadAll(pagePath);
    const PName backupName = BackupNameFor(pagePath.filename().string());
    const fs::path backupPath = pagePath.parent_path() / std::string(backupName.View());
    const std::string originalText =
        fs::exists(backupPath) ? detail::ReadAll(backupPath) : rewrittenText;
    std::string base;
    const auto originals = ExtractLinks(originalText, &base);
    const auto rewritten = ExtractLinks(rewrittenText);
    const std::string baseUrl = base.empty() ? pageUrl : ResolveUrl(pageUrl, base);
    const size_t count = std::min(originals.size(), rewritten.size());
    for (size_t i = 0; i < count; ++i) {
      const std::string& original = originals[i].value;
      const std::string& link = rewritten[i].value;
      std::string scheme;
      if (HasScheme(original, &scheme) && scheme != "http" && scheme != "https") continue;
      if (original[0] == '#') continue;
      ++report.links;
      if (original != link) ++report.rewritten;
      const std::string target = ResolveUrl(baseUrl, original);
      if (cached.count(target) == 0) continue;
      ++report.cachedTargets;
      ++report.cachedTargetsByTag[originals[i].tag];
      if (HasScheme(link)) {
        ++report.leftOnline;
        continue;
      }
      std::string path = link;
      const size_t cut = path.find_first_of("?#");
      if (cut != std::string::npos) path.resize(cut);
      const fs::path resolved = (pagePath.parent_path() / detail::PercentDecode(path)).lexically_normal();
      std::error_code error;
      report.cachedTargetPaths.insert(resolved.string());
      if (!path.empty() && fs::is_regular_file(resolved, error)) {
        ++report.resolving;
      } else {
        report.broken.push_back({relative, link, target,
                                 resolved.lexically_relative(cacheFolder).generic_string()});
      }
    }
  }
  return report;
}

}  // namespace hoard::tools

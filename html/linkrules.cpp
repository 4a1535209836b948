#include "html/linkrules.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/ascii.h"
#include "store/pstring.h"
#include "store/textconv.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}
bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Two-letter top-level labels taken for hosts ("au" needs two dots).
constexpr std::string_view kCountryLabels[] = {"jp", "fr", "it", "kr", "fi", "to",
                                               "uk", "ac", "pe", "be", "br", "ch",
                                               "de", "es", "nl", "pt", "se"};
constexpr std::string_view kGenericLabels[] = {"com", "COM", "edu", "net", "org"};

// Links that lead to no file of the mirror: never mapped.
constexpr std::string_view kNonFileSchemes[] = {"mailto:", "javascript:", "news:", "telnet:",
                                                "ftp:", "file:"};

bool MatchAtNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    unsigned char a = static_cast<unsigned char>(text[i]);
    if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a - 'A' + 'a');
    if (a != static_cast<unsigned char>(prefix[i])) return false;
  }
  return true;
}

void SetBase(PageScan& scan, std::string_view base) {
  if (base.size() > kMaxPageBaseBytes) base = {};
  if (!base.empty()) std::memcpy(scan.pageBase.data(), base.data(), base.size());
  scan.pageBase[base.size()] = '\0';
  scan.baseLength = base.size();
}

// ':' and digits, then '/', '?' or the end.
bool IsPortAt(std::string_view text) {
  size_t i = 1;
  while (i < text.size() && IsDigit(static_cast<unsigned char>(text[i]))) ++i;
  return i > 1 && (i == text.size() || text[i] == '/' || text[i] == '?');
}

bool HasPort(std::string_view base) { return base.find(':') != std::string_view::npos; }

// A folder name that may be a host: a '.', a non-empty last label that is
// longer than one byte or one digit, no '=' at the end, and the host test.
bool LooksLikeHostFolder(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view last = name.substr(dot + 1);
  if (last.empty()) return false;
  if (last.size() == 1 && !IsDigit(static_cast<unsigned char>(last[0]))) return false;
  if (name.back() == '=') return false;
  return IsHostName(name);
}

}  // namespace

bool IsHostName(std::string_view name) {
  if (StartsWith(name, "www.")) return true;
  size_t dots = 0;
  size_t labelLength = 0;
  bool allDigits = true;
  size_t labelStart = 0;
  size_t i = 0;
  for (; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == '/' || c == ':' || c == '\\') break;
    if (c == '.') {
      ++dots;
      labelStart = i + 1;
      continue;
    }
    if (!IsDigit(c)) allDigits = false;
  }
  if (dots == 0) return false;
  labelLength = i - labelStart;
  if (dots == 3 && allDigits) return true;
  const std::string_view label = name.substr(labelStart, labelLength);
  if (labelLength == 2) {
    for (std::string_view known : kCountryLabels) {
      if (label == known) return true;
    }
    return label == "au" && dots >= 2;
  }
  if (labelLength == 3) {
    for (std::string_view known : kGenericLabels) {
      if (label == known) return true;
    }
  }
  return false;
}

void PageContextFromUrl(const char* url, PageScan& scan) {
  const std::string_view text(url);
  size_t at = LinkSchemeLength(url);
  const size_t baseStart = at;
  size_t baseEnd = std::string_view::npos;
  int depth = 0;
  size_t nameStart = std::string_view::npos;
  for (; at < text.size() && text[at] != '?'; ++at) {
    const char c = text[at];
    if (c != '/' && c != ':' && c != '\\') continue;
    // A '\\' is a separator as the output folders take it: not as the
    // second byte of a character, nor last or before '"'.
    if (c == '\\' && ((at > 0 && IsSjisLeadLow(static_cast<unsigned char>(text[at - 1]))) ||
                      at + 1 == text.size() || text[at + 1] == '"')) {
      continue;
    }
    // A port stays part of the base: its folder lies inside the host's, and
    // the site's root is there.
    if (c == ':' && baseEnd == std::string_view::npos && IsPortAt(text.substr(at))) continue;
    if (baseEnd == std::string_view::npos) baseEnd = at;
    nameStart = at + 1;
    ++depth;
  }
  if (baseEnd == std::string_view::npos) baseEnd = at;
  SetBase(scan, text.substr(baseStart, baseEnd - baseStart));
  // The page's own name, for links that are a query alone.
  scan.pageName[0] = '\0';
  if (nameStart != std::string_view::npos) {
    const std::string_view name = text.substr(nameStart, at - nameStart);
    if (name.size() < scan.pageName.size()) {
      std::memcpy(scan.pageName.data(), name.data(), name.size());
      scan.pageName[name.size()] = '\0';
    }
  }
  scan.depth = static_cast<int16_t>(depth);
  scan.rootDepth = static_cast<int16_t>(depth + (HasPort({scan.pageBase.data(), scan.baseLength}) ? 1 : 0));
}

void PageContextFromPath(std::string_view path, char separator, PageScan& scan) {
  constexpr int kMaxLevels = 15;
  std::string_view folders[kMaxLevels + 1];
  size_t folderStarts[kMaxLevels + 1] = {};
  int levels = 0;
  size_t end = path.rfind(separator);  // the file name is skipped
  while (end != std::string_view::npos && end > 0 && levels < kMaxLevels) {
    const size_t start = path.rfind(separator, end - 1);
    const size_t from = start == std::string_view::npos ? 0 : start + 1;
    ++levels;
    folders[levels] = path.substr(from, end - from);
    folderStarts[levels] = from;
    if (start == std::string_view::npos) break;
    end = start;
  }
  SetBase(scan, {});
  scan.depth = 0;
  scan.rootDepth = 0;
  for (int level = 1; level <= levels; ++level) {
    if (!LooksLikeHostFolder(folders[level])) continue;
    if (level > 1 && (folders[level - 1] == "8080" || folders[level - 1] == "80")) {
      // The base is written as a link's host names it, so that links to the
      // page's own host and port are recognised.
      char base[kMaxPageBaseBytes + 1];
      const std::string_view host = folders[level];
      const std::string_view port = folders[level - 1];
      if (host.size() + 1 + port.size() <= kMaxPageBaseBytes) {
        std::memcpy(base, host.data(), host.size());
        base[host.size()] = ':';
        std::memcpy(base + host.size() + 1, port.data(), port.size());
        SetBase(scan, {base, host.size() + 1 + port.size()});
      }
      scan.depth = static_cast<int16_t>(level - 1);
      scan.rootDepth = static_cast<int16_t>(level);
      return;
    }
    SetBase(scan, folders[level]);
    scan.depth = static_cast<int16_t>(level);
    scan.rootDepth = scan.depth;
    return;
  }
  int tilde = 0;
  for (int level = 1; level <= levels; ++level) {
    if (!folders[level].empty() && folders[level][0] == '~') tilde = level;
  }
  if (tilde == 0) return;
  scan.depth = static_cast<int16_t>(tilde + 1);
  scan.rootDepth = scan.depth;
  if (tilde + 1 <= levels) {
    SetBase(scan, folders[tilde + 1]);
  } else {
    size_t cut = folderStarts[tilde];
    if (cut > 0) --cut;  // the separator before the '~' folder
    SetBase(scan, path.substr(0, cut));
  }
}

PName BackupNameFor(std::string_view name) {
  constexpr size_t kKept = 28;
  char kept[kKept];
  size_t keptLength = 0;
  if (name.size() > kKept) {
    // Byte 28 counted from 1, as the length-prefixed name numbers them.
    const size_t equals = name.find('=', kKept - 1);
    if (equals != std::string_view::npos) {
      std::string_view tail = name.substr(equals);
      if (tail.size() > kKept) tail = tail.substr(0, kKept);
      const size_t head = kKept - tail.size();
      std::memcpy(kept, name.data(), head);
      std::memcpy(kept + head, tail.data(), tail.size());
    } else {
      std::memcpy(kept, name.data(), kKept);
    }
    keptLength = kKept;
  } else {
    if (!name.empty()) std::memcpy(kept, name.data(), name.size());
    keptLength = name.size();
  }
  PName backup;
  backup.Assign({kept, keptLength});
  backup.Append(".bk");
  if (PStringEqualNoCase(backup.View(), name)) backup.bytes[backup.length - 1] = '1';
  return backup;
}

bool IsNonFileLink(std::string_view link) {
  for (std::string_view scheme : kNonFileSchemes) {
    if (MatchAtNoCase(link, scheme)) return true;
  }
  return false;
}

bool LinkNeedsMapping(std::string_view link, TagKind kind) {
  if (IsNonFileLink(link)) return false;
  // A fragment names a place in the page, not the page's file.
  link = link.substr(0, link.find('#'));
  auto contains = [link](char c) { return link.find(c) != std::string_view::npos; };
  // Frames with a query are stored under their mapped names too: without
  // the mapping their links would name a file that never exists.
  if ((kind == TagKind::kImage || kind == TagKind::kAnchor || kind == TagKind::kOption ||
       kind == TagKind::kScript || kind == TagKind::kEmbed) &&
      contains('?')) {
    return true;
  }
  if (kind == TagKind::kAnchor &&
      (contains(';') || contains('*') || StartsWith(link, "=../visitor/thisweek/articles/"))) {
    return true;
  }
  if (StartsWith(link, "/")) return true;
  if (StartsWith(link, "http:/") && link.size() > 6 &&
      IsLetter(static_cast<unsigned char>(link[6]))) {
    return true;
  }
  if (StartsWith(link, "mailto:") || contains('@') || contains('#')) return false;
  if (contains('\\')) return true;
  if (link.size() >= 2 && link.front() == '\'' && link.back() == '\'') return false;
  size_t start = 0;
  while (true) {
    const size_t slash = link.find('/', start);
    const bool last = slash == std::string_view::npos;
    std::string_view component = link.substr(start, last ? std::string_view::npos : slash - start);
    const size_t hash = component.find('#');
    if (hash != std::string_view::npos) component = component.substr(0, hash);
    size_t limit = 31;
    if (last && (EndsWith(component, ".html") || EndsWith(component, ".htm"))) limit = 28;
    if (component.size() > limit) return true;
    if (last) return false;
    start = slash + 1;
  }
}

size_t LeadingSteps(const char* link) {
  size_t steps = 0;
  for (;;) {
    if (std::strncmp(link + steps, "./", 2) == 0) {
      steps += 2;
    } else if (std::strncmp(link + steps, "../", 3) == 0) {
      steps += 3;
    } else {
      return steps;
    }
  }
}

namespace {

struct TextHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// A link's name maps the same way wherever it stands (the mapping reads
// nothing but the name), and the pages of a batch link to the same places
// again and again: the names mapped are kept, up to a fixed number of bytes.
constexpr size_t kMappedNamesBytes = size_t{1} << 20;
struct MappedNames {
  std::unordered_map<std::string, std::string, TextHash, std::equal_to<>> names;
  size_t bytes = 0;
};

// The mapped form of a link's name (at most kLinkBufferBytes - 1 bytes).
const std::string& MappedName(std::string_view text) {
  static MappedNames kept;
  if (const auto found = kept.names.find(text); found != kept.names.end()) return found->second;
  std::array<char, kLinkBufferBytes> name{};
  std::memcpy(name.data(), text.data(), text.size());
  MapLinkInPlace(name.data(), name.size());
  const size_t added = 2 * text.size() + 64;
  if (kept.bytes + added > kMappedNamesBytes) {
    kept.names.clear();
    kept.bytes = 0;
  }
  kept.bytes += added;
  return kept.names.emplace(std::string(text), std::string(name.data())).first->second;
}

}  // namespace

void MapLinkTarget(char* link, size_t capacity) {
  const size_t length = std::strlen(link);
  const size_t steps = LinkSchemeLength(link) == 0 ? LeadingSteps(link) : 0;
  const char* hash = std::strchr(link + steps, '#');
  const size_t nameEnd = hash != nullptr ? static_cast<size_t>(hash - link) : length;
  if (nameEnd == steps) return;  // only steps or a fragment: no name to map
  const size_t nameLength = std::min(nameEnd - steps, kLinkBufferBytes - 1);
  const std::string& name = MappedName(std::string_view(link + steps, nameLength));
  // The steps stay in front, the fragment behind, as far as they fit.
  const size_t mapped = name.size();
  const size_t fragment = length - nameEnd;
  if (steps + mapped + fragment >= capacity) return;
  std::memmove(link + steps + mapped, link + nameEnd, fragment + 1);
  std::memcpy(link + steps, name.data(), mapped);
}

namespace {

// Takes the "." and ".." segments out of a rooted path in place, up to its
// query or fragment; ".." never climbs above the root.
void ResolveDotSegments(char* path) {
  const size_t length = std::strlen(path);
  const size_t end = std::min(length, std::strcspn(path, "?#"));
  size_t out = 1;
  size_t at = 1;
  while (at <= end && at < length + 1) {
    size_t next = at;
    while (next < end && path[next] != '/') ++next;
    const std::string_view segment(path + at, next - at);
    const bool slash = next < end;
    if (segment == "." || segment == "..") {
      if (segment == ".." && out > 1) {
        out = std::string_view(path, out - 1).rfind('/') + 1;
      }
    } else {
      std::memmove(path + out, path + at, segment.size());
      out += segment.size();
      if (slash) path[out++] = '/';
    }
    if (!slash) break;
    at = next + 1;
  }
  std::memmove(path + out, path + end, length - end + 1);
}

}  // namespace

namespace {

// The next byte of a link as a browser reads it, an escape decoded; the
// cursor moves past it.
unsigned char NextDecoded(const char*& p) {
  if (p[0] == '%' && IsHexDigit(static_cast<unsigned char>(p[1])) &&
      IsHexDigit(static_cast<unsigned char>(p[2]))) {
    const unsigned char value = static_cast<unsigned char>(
        HexValue(static_cast<unsigned char>(p[1])) * 16 + HexValue(static_cast<unsigned char>(p[2])));
    p += 3;
    return value;
  }
  return static_cast<unsigned char>(*p++);
}

}  // namespace

namespace {

bool ChangesName(const char* link) {
  std::array<char, kLinkBufferBytes> mapped{};
  const size_t length = std::min(std::strlen(link), mapped.size() - 1);
  std::memcpy(mapped.data(), link, length);
  MapLinkTarget(mapped.data(), mapped.size());
  const char* a = link;
  const char* b = mapped.data();
  while (*a != '\0' && *a != '#' && *b != '\0' && *b != '#') {
    if (NextDecoded(a) != NextDecoded(b)) return true;
  }
  return (*a != '\0' && *a != '#') != (*b != '\0' && *b != '#');
}

}  // namespace

bool MappingChangesName(const char* link) {
  if (IsNonFileLink(link) || std::strchr(link, '?') != nullptr) return false;
  // As pure as the mapping: the answers are kept like the names mapped.
  static std::unordered_map<std::string, bool, TextHash, std::equal_to<>> kept;
  static size_t keptBytes = 0;
  const std::string_view text(link);
  if (const auto found = kept.find(text); found != kept.end()) return found->second;
  const bool changes = ChangesName(link);
  if (keptBytes + text.size() + 64 > kMappedNamesBytes) {
    kept.clear();
    keptBytes = 0;
  }
  keptBytes += text.size() + 64;
  kept.emplace(text, changes);
  return changes;
}

bool RootLinkAtBase(char* link, size_t capacity, std::string_view baseFolder) {
  if (link[0] == '/') return true;
  const size_t length = std::strlen(link);
  const bool folderSlash = !baseFolder.empty() && baseFolder.back() != '/';
  const size_t total = 1 + baseFolder.size() + (folderSlash ? 1 : 0) + length;
  if (total >= capacity) return false;
  std::memmove(link + total - length, link, length + 1);
  link[0] = '/';
  if (!baseFolder.empty()) std::memcpy(link + 1, baseFolder.data(), baseFolder.size());
  if (folderSlash) link[1 + baseFolder.size()] = '/';
  ResolveDotSegments(link);
  return true;
}

bool RepairLeadingDots(char* link, int16_t depth) {
  // "../" steps past the site's root: a browser stays at the root, and so
  // does the link, which would otherwise leave the host's folder. A link
  // already made relative to the mirror root (as many steps as the depth,
  // then a host folder) is left alone.
  size_t climbs = 0;
  while (std::strncmp(link + 3 * climbs, "../", 3) == 0) ++climbs;
  if (depth > 0 && climbs > 0) {
    const size_t allowed = static_cast<size_t>(depth - 1);
    if (climbs <= allowed) return false;
    if (climbs == static_cast<size_t>(depth) && IsHostName(link + 3 * climbs)) return false;
    const size_t surplus = 3 * (climbs - allowed);
    std::memmove(link, link + surplus, std::strlen(link + surplus) + 1);
    if (link[0] == '\0' || link[0] == '#' || link[0] == '?') {
      // The site's root folder itself.
      const size_t rest = std::strlen(link);
      std::memmove(link + 2, link, rest + 1);
      link[0] = '.';
      link[1] = '/';
    }
    return true;
  }
  int dots = 0;
  while (dots < 16 && link[dots] == '.') ++dots;
  if (dots <= depth) return false;
  const int surplus = depth == 0 ? dots - 1 : dots - depth;
  if (surplus <= 0) return false;
  if (depth == 1 && std::strncmp(link, "../", 3) == 0 && IsHostName(link + 3)) return false;
  std::memmove(link, link + surplus, std::strlen(link + surplus) + 1);
  return true;
}

void ComposedLink::Add(std::string_view text) {
  if (overflow || text.empty()) return;
  if (length + text.size() >= kComposedLinkBytes) {
    overflow = true;
    return;
  }
  std::memcpy(bytes + length, text.data(), text.size());
  length += text.size();
}

void ComposedLink::Climb(int count) {
  for (int i = 0; i < count; ++i) Add("../");
}

void AddMirrorPath(std::string_view hostAndPath, ComposedLink& out) {
  const size_t slash = hostAndPath.find('/');
  const std::string_view host = hostAndPath.substr(0, slash);
  // The output folders name a port as a folder inside the host's folder.
  const size_t colon = host.find(':');
  if (colon == std::string_view::npos) {
    out.Add(host);
  } else {
    out.Add(host.substr(0, colon));
    out.Add("/");
    out.Add(host.substr(colon + 1));
  }
  const std::string_view path =
      slash == std::string_view::npos ? std::string_view{} : hostAndPath.substr(slash);
  out.Add(path);
  // A page stored for an address that ends in a folder is its index.html.
  if (FindAnyOf(hostAndPath, "?#") != std::string_view::npos) return;
  if (path.empty()) {
    out.Add("/");
    out.Add(kFolderPageName);
  } else if (path.back() == '/') {
    out.Add(kFolderPageName);
  }
}

void ComposeFromPage(std::string_view link, size_t schemeLength, const PageScan& scan,
                     ComposedLink& out) {
  if (schemeLength > 0) {
    if (scan.rootDepth == 0) {
      out.Add("./");
    } else {
      out.Climb(scan.rootDepth);
    }
    AddMirrorPath(link.substr(schemeLength), out);
    return;
  }
  if (link.empty()) return;
  const bool rooted = link[0] == '/' || link[0] == ':';
  if (rooted && scan.depth == 1) {
    out.Add(".");
    out.Add(link);
  } else if (StartsWith(link, "./")) {
    out.Add(link);
  } else if (rooted) {
    out.Climb(scan.depth - 1);
    out.Add(link.substr(1));
  } else {
    out.Add(link);
  }
}

void ComposeFromBase(std::string_view link, std::string_view baseFolder, int levels,
                     bool foreign, ComposedLink& out) {
  std::string_view folder = baseFolder;
  if (folder != "html/" && EndsWith(folder, ".html/")) folder.remove_suffix(1);
  const size_t lastSlash = folder.rfind('/');
  // A base without any folder names the host's own folder.
  const std::string_view folderPart =
      lastSlash == std::string_view::npos ? std::string_view{} : folder.substr(0, lastSlash + 1);

  if (StartsWith(link, "/") && folderPart.empty()) {
    const std::string_view rest = link.substr(1);
    if (levels == 0) {
      out.Add(link);
    } else if (levels == 1) {
      out.Add("./");
      out.Add(rest);
    } else {
      out.Climb(levels - 1);
      out.Add(rest);
    }
    return;
  }
  out.Climb(levels);
  if (StartsWith(link, "./")) {
    out.Add(folderPart);
    out.Add(link.substr(2));
    return;
  }
  if (StartsWith(link, "../")) {
    int up = 0;
    std::string_view rest = link;
    while (StartsWith(rest, "../")) {
      ++up;
      rest.remove_prefix(3);
    }
    int folders = 0;
    for (char c : folderPart) folders += c == '/' ? 1 : 0;
    // A folder that begins with another host never loses that host.
    const int keep = folders - up < (foreign ? 1 : 0) ? (foreign ? 1 : 0) : folders - up;
    size_t cut = 0;
    for (int kept = 0; kept < keep; ++kept) cut = folderPart.find('/', cut) + 1;
    out.Add(folderPart.substr(0, cut));
    out.Add(rest);
    return;
  }
  if (StartsWith(link, "/")) {
    const size_t first = folderPart.find('/');
    out.Add(folderPart.substr(0, first + 1));
    out.Add(link.substr(1));
    return;
  }
  out.Add(folderPart);
  out.Add(link);
}

size_t OwnHostLength(std::string_view hostAndPath, const PageScan& scan) {
  auto exactHost = [hostAndPath](std::string_view host) {
    if (host.empty() || !StartsWith(hostAndPath, host)) return false;
    if (hostAndPath.size() == host.size()) return true;
    const char next = hostAndPath[host.size()];
    return next == '/' || next == '?' || next == '#';
  };
  const std::string_view base(scan.pageBase.data(), scan.baseLength);
  if (exactHost(base)) return base.size();
  if (exactHost(kOwnHostAlias)) return kOwnHostAlias.size();
  return 0;
}

}  // namespace hoard

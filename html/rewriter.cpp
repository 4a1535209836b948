#include "html/rewriter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/ascii.h"
#include "base/options.h"
#include "base/progress.h"
#include "html/banners.h"
#include "html/encodingpass.h"
#include "html/linkrules.h"
#include "html/pagefile.h"
#include "html/scanstate.h"
#include "html/scriptforms.h"
#include "html/searchpage.h"
#include "platform/fs.h"
#include "store/files.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

constexpr size_t kProgressStep = 2048;

bool IsSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A relative link to a folder: the page stored for a folder's address is its
// index.html, and a browser opening the folder from the disk would show a
// listing instead. Links with a query or fragment, mail and script links
// stay as they are.
bool NameFolderIndex(char* link, size_t capacity) {
  constexpr std::string_view kIndex = kFolderPageName;
  const size_t total = std::strlen(link);
  // A fragment stays behind the page's name.
  const char* hash = std::strchr(link, '#');
  const size_t length = hash != nullptr ? static_cast<size_t>(hash - link) : total;
  if (length == 0 || link[length - 1] != '/') return false;
  if (FindAnyOf(std::string_view(link, length), "?:@") != std::string_view::npos) return false;
  if (total + kIndex.size() >= capacity) return false;
  std::memmove(link + length + kIndex.size(), link + length, total - length + 1);
  std::memcpy(link + length, kIndex.data(), kIndex.size());
  return true;
}

// A link of a query alone means the page's own address with that query:
// the page's name goes in front, so that the link is mapped as that URL.
bool PrependPageName(char* link, const PageScan& scan) {
  const size_t name = std::strlen(scan.pageName.data());
  const size_t length = std::strlen(link);
  if (name == 0 || name + length >= kMaxLinkBytes + 1) return false;
  std::memmove(link + name, link, length + 1);
  std::memcpy(link, scan.pageName.data(), name);
  return true;
}

// A page stored as the page of the folder named after its URL's last
// component (a URL without its closing '/' whose folder also holds files):
// its links still mean what they meant at its URL, which lies one folder up.
void TakePlaceInOwnFolder(PageScan& scan, const char* pageUrl) {
  const std::string_view name(scan.pageName.data());
  if (name.empty() || name == kFolderPageName || scan.file.name.View() != kFolderPageName) return;
  std::string_view folder = scan.file.folder.View();
  if (folder.size() < 2) return;
  folder.remove_suffix(1);
  folder = folder.substr(folder.find_last_of(PathSeparator()) + 1);
  std::array<char, kMaxNameBytes + 1> mapped{};
  const size_t length = MapFolderName(name, mapped.data(), mapped.size());
  if (folder != std::string_view(mapped.data(), length)) return;
  // The URL's own folder below the host: links resolve against it.
  const std::string_view url(pageUrl);
  std::string_view path = url.substr(std::min(url.size(), LinkSchemeLength(pageUrl) + scan.baseLength));
  path = path.substr(0, path.find('?'));
  const size_t last = path.rfind('/');
  const std::string_view urlFolder =
      last == std::string_view::npos || last == 0 ? std::string_view{} : path.substr(1, last);
  if (urlFolder.size() >= kOwnBaseFolderBytes) return;
  if (!urlFolder.empty()) std::memcpy(scan.ownBaseFolder.data(), urlFolder.data(), urlFolder.size());
  scan.ownBaseFolder[urlFolder.size()] = '\0';
  scan.ownBase = true;
  ++scan.depth;
  ++scan.rootDepth;
}

// Which paths are folders, kept while a batch runs: the pages of a site
// link to the same few hundred places again and again. A folder made since
// may turn a "no" into a "yes"; a folder moved may change any answer.
struct FolderAnswers {
  bool kept = false;
  uint64_t made = 0;
  uint64_t changes = 0;
  struct PathHash {
    using is_transparent = void;
    size_t operator()(std::string_view path) const { return std::hash<std::string_view>{}(path); }
  };
  // A "no" keeps the key of the folder name that could turn it into a
  // "yes" (kAnyFolderName: any could).
  struct Answer {
    bool folder = false;
    uint64_t nameKey = 0;
  };
  std::unordered_map<std::string, Answer, PathHash, std::equal_to<>> answers;
};
constexpr size_t kMaxFolderAnswers = 16384;
constexpr uint64_t kAnyFolderName = 0;

FolderAnswers& KeptAnswers() {
  static FolderAnswers answers;
  return answers;
}

// A folder name as every name of that folder gives it: ASCII case folded,
// trailing dots and spaces dropped (as Windows takes them), hashed; never
// kAnyFolderName.
uint64_t FolderNameKey(std::string_view name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
  uint64_t hash = 14695981039346656037ull;
  for (const char c : name) {
    hash = (hash ^ FoldAscii(static_cast<unsigned char>(c))) * 1099511628211ull;
  }
  return hash == kAnyFolderName ? 1 : hash;
}

// The key of the folder a path names by its last component; a short name
// with '~', or "." and "..", may name any folder.
uint64_t PathNameKey(std::string_view path) {
  size_t start = path.size();
  while (start > 0 && path[start - 1] != '/' && path[start - 1] != '\\') --start;
  const std::string_view last = path.substr(start);
  if (last.empty() || last == "." || last == ".." || last.find('~') != std::string_view::npos) {
    return kAnyFolderName;
  }
  return FolderNameKey(last);
}

// Folders made since the answers were kept: only the "no" answers for paths
// that may name one of them go (all when a name is no longer known).
void ForgetAnswersForFoldersMade(FolderAnswers& kept, uint64_t made) {
  std::vector<uint64_t> keys;
  for (uint64_t n = kept.made + 1; n <= made; ++n) {
    const char* name = platform::MadeFolderName(n);
    if (name == nullptr) {
      std::erase_if(kept.answers, [](const auto& answer) { return !answer.second.folder; });
      return;
    }
    keys.push_back(FolderNameKey(name));
  }
  std::erase_if(kept.answers, [&keys](const auto& answer) {
    const FolderAnswers::Answer& entry = answer.second;
    return !entry.folder && (entry.nameKey == kAnyFolderName ||
                             std::find(keys.begin(), keys.end(), entry.nameKey) != keys.end());
  });
}

// The names a folder holds, listed once while no folder is made or moved
// through the interface: the links of a site's pages name thousands of
// files in a few folders, mostly files not there yet.
struct FolderListing {
  using Names = std::unordered_set<std::string, FolderAnswers::PathHash, std::equal_to<>>;
  bool usable = false;  // false: each path is asked for itself
  Names names;
  Names folders;
  std::unordered_set<uint64_t> keys;  // FolderNameKey of every name
};
struct FolderListings {
  uint64_t made = 0;
  uint64_t changes = 0;
  std::unordered_map<std::string, FolderListing, FolderAnswers::PathHash, std::equal_to<>> byFolder;
};
constexpr size_t kMaxListedNames = 4096;
constexpr size_t kMaxListings = 256;

FolderListings& Listings() {
  static FolderListings listings;
  return listings;
}

void ListFolder(const std::string& folder, FolderListing& listing) {
  std::string pattern = folder;
  pattern += PathSeparator();
  pattern += "*.*";
  platform::FoundEntry entry{};
  const platform::FindHandle find = platform::FindFirst(pattern.c_str(), entry);
  if (find == platform::kNoHandle) {
    // No such folder (or a file in its place): nothing below it is one.
    listing.usable = platform::IsNotFound(platform::LastError());
    return;
  }
  listing.usable = true;
  do {
    const std::string_view name(entry.name);
    if (name == "." || name == "..") continue;
    if (listing.names.size() == kMaxListedNames) {
      listing = FolderListing{};
      break;
    }
    listing.names.emplace(name);
    listing.keys.insert(FolderNameKey(name));
    if (entry.isFolder) listing.folders.emplace(name);
  } while (platform::FindNext(find, entry));
  platform::FindEnd(find);
}

// Whether `path` is a folder by its folder's listing: 1 yes, 0 no, -1 when
// the listing cannot tell (a name the file system may take for another,
// a short or dot name, a folder that could not be listed).
int ListedAnswer(std::string_view path) {
  // Where the separator is '\\', a link's '/' separates folders too.
  const size_t separator = PathSeparator() == '/' ? path.rfind('/') : path.find_last_of("/\\");
  if (separator == std::string_view::npos || separator == 0) return -1;
  const std::string_view name = path.substr(separator + 1);
  if (name.empty() || name.size() >= platform::kMaxFoundName ||
      PathNameKey(name) == kAnyFolderName) {
    return -1;
  }
  FolderListings& listings = Listings();
  const uint64_t changes = platform::FolderChangeCount();
  const uint64_t made = platform::FoldersMadeCount();
  if (changes != listings.changes || made != listings.made ||
      listings.byFolder.size() >= kMaxListings) {
    listings.byFolder.clear();
    listings.changes = changes;
    listings.made = made;
  }
  const std::string_view folder = path.substr(0, separator);
  auto found = listings.byFolder.find(folder);
  if (found == listings.byFolder.end()) {
    found = listings.byFolder.emplace(std::string(folder), FolderListing{}).first;
    ListFolder(found->first, found->second);
    // Listing made or moved nothing; a count that moved means something did.
    if (platform::FolderChangeCount() != changes || platform::FoldersMadeCount() != made) {
      listings.byFolder.clear();
      return -1;
    }
  }
  const FolderListing& listing = found->second;
  if (!listing.usable) return -1;
  if (listing.folders.contains(name)) return 1;
  if (listing.names.contains(name)) return 0;
  // The same name but for case or trailing dots: the file system decides.
  return listing.keys.contains(FolderNameKey(name)) ? -1 : 0;
}

bool IsFolderKept(const char* path) {
  FolderAnswers& kept = KeptAnswers();
  if (!kept.kept) return platform::IsFolder(path);
  const uint64_t changes = platform::FolderChangeCount();
  const uint64_t made = platform::FoldersMadeCount();
  if (changes != kept.changes || kept.answers.size() >= kMaxFolderAnswers) {
    kept.answers.clear();
  } else if (made != kept.made) {
    ForgetAnswersForFoldersMade(kept, made);
  }
  kept.changes = changes;
  kept.made = made;
  if (const auto found = kept.answers.find(std::string_view(path)); found != kept.answers.end()) {
    return found->second.folder;
  }
  const int listed = ListedAnswer(path);
  const bool folder = listed >= 0 ? listed == 1 : platform::IsFolder(path);
  kept.answers.emplace(path, FolderAnswers::Answer{folder, folder ? 0 : PathNameKey(path)});
  return folder;
}

// A relative link that names a folder of the mirror names the folder's
// page: the page of a URL without its closing '/' is stored as the
// index.html of the folder its name became, and a browser opening the
// folder itself would show a listing.
bool NamesFolder(PageScan& scan, std::string_view link) {
  if (link.empty() || link.back() == '/' || FindAnyOf(link, "?#:") != std::string_view::npos) {
    return false;
  }
  // The page's folder as a path, made once a page.
  if (scan.folderPathLength == 0) {
    FileRef folder = scan.file;
    SetFileRefName(folder, "");
    if (!FileRefToCPath(folder, scan.folderPath)) return false;
    scan.folderPathLength = std::strlen(scan.folderPath.data());
  }
  CPath& path = scan.linkPath;
  std::memcpy(path.data(), scan.folderPath.data(), scan.folderPathLength);
  size_t length = scan.folderPathLength;
  size_t i = 0;
  // A leading "../" over a plain folder of the mirror is its parent as
  // written: the pages of different folders then ask for one path.
  const char separator = PathSeparator();
  for (int level = 0; level < scan.plainFolderLevels && link.substr(i, 3) == "../"; ++level) {
    if (length < 2 || path[length - 1] != separator) break;
    size_t cut = length - 1;
    while (cut > 0 && path[cut - 1] != separator) --cut;
    if (cut == 0) break;
    length = cut;
    i += 3;
  }
  for (; i < link.size() && length + 1 < path.size(); ++length) {
    unsigned char c = static_cast<unsigned char>(link[i]);
    if (IsEscapeAt(link, i)) {
      c = EscapedByteAt(link, i);
      i += 3;
    } else {
      ++i;
    }
    path[length] = static_cast<char>(c);
  }
  if (i < link.size()) return false;  // too long to be a folder here
  path[length] = '\0';
  return IsFolderKept(path.data());
}

bool IsSpaceAt(const PageScan& scan, size_t at) {
  return at < scan.size && IsSpace(scan.text[at]);
}
void SkipSpaces(PageScan& scan) {
  while (IsSpaceAt(scan, scan.position)) ++scan.position;
}

}  // namespace

bool MatchExact(const PageScan& scan, size_t at, std::string_view token) {
  if (at > scan.size || scan.size - at < token.size()) return false;
  return std::memcmp(scan.text + at, token.data(), token.size()) == 0;
}

namespace {

// How a tag token is tried beyond the plain comparison.
enum class TokenRule : uint8_t {
  kPlain,
  kBareImg,      // "<IMG" and a byte that is not a letter or digit
  kAfterLess,    // only when the byte before is '<'
  kOneBefore,    // the token begins one byte before the position
  kBase,         // remembers where the BASE tag begins
  kTables,       // the table-structure tokens
  kVersion,      // a script language with its version after it
  kComment,      // the one-character comment
};

struct TagToken {
  std::string_view token;
  uint8_t advance;
  TagKind kind;
  TokenRule rule;
};

// In the order they are tried; the first that matches wins.
constexpr TagToken kTagTokens[] = {
    {"<IMG ", 5, TagKind::kImage, TokenRule::kPlain},
    {"<IMG", 5, TagKind::kImage, TokenRule::kBareImg},
    {"IMG SRC=", 4, TagKind::kImage, TokenRule::kPlain},
    {"IMG BORDER=", 4, TagKind::kImage, TokenRule::kPlain},
    {"IMG HEIGHT=", 4, TagKind::kImage, TokenRule::kPlain},
    {"IMG WIDTH=", 4, TagKind::kImage, TokenRule::kPlain},
    {"IMG NAME=", 4, TagKind::kImage, TokenRule::kPlain},
    {"IMAGE ", 6, TagKind::kImage, TokenRule::kPlain},
    {"INPUT TYPE=image ", 17, TagKind::kImage, TokenRule::kPlain},
    {"INPUT TYPE=\"image\" ", 19, TagKind::kImage, TokenRule::kPlain},
    {"INPUT TYPE=\"button\" ", 20, TagKind::kButton, TokenRule::kPlain},
    {"INPUT Name=\"BUTTON", 18, TagKind::kImage, TokenRule::kPlain},
    // The step is longer than the token: the browser's pages put the width's
    // digits and quote there.
    {"INPUT width=\"", 17, TagKind::kImage, TokenRule::kPlain},
    {"INPUT ", 6, TagKind::kInput, TokenRule::kAfterLess},
    {"BODY ", 5, TagKind::kBody, TokenRule::kPlain},
    {"<A ", 3, TagKind::kAnchor, TokenRule::kPlain},
    {"<A ", 2, TagKind::kAnchor, TokenRule::kOneBefore},
    {"<LINK ", 6, TagKind::kAnchor, TokenRule::kPlain},
    {"<AREA ", 6, TagKind::kAnchor, TokenRule::kPlain},
    {"<BASE ", 6, TagKind::kBase, TokenRule::kBase},
    {"<META HTTP-EQUIV=", 17, TagKind::kMetaHttpEquiv, TokenRule::kPlain},
    {"<META ", 6, TagKind::kMeta, TokenRule::kPlain},
    {"<EMBED ", 7, TagKind::kEmbed, TokenRule::kPlain},
    {"<FRAME ", 7, TagKind::kEmbed, TokenRule::kPlain},
    {"<IFRAME ", 8, TagKind::kEmbed, TokenRule::kPlain},
    {"<LAYER ", 7, TagKind::kEmbed, TokenRule::kPlain},
    {"<OPTION ", 8, TagKind::kOption, TokenRule::kPlain},
    {"<FORM ", 6, TagKind::kForm, TokenRule::kPlain},
    {"<FONT ", 6, TagKind::kFont, TokenRule::kPlain},
    {"", 0, TagKind::kNone, TokenRule::kTables},
    {"<SCRIPT SRC=\"", 8, TagKind::kScriptSrc, TokenRule::kPlain},
    {"<SCRIPT language=\"javascript", 28, TagKind::kScript, TokenRule::kVersion},
    {"<SCRIPT language=javascript", 27, TagKind::kScript, TokenRule::kVersion},
    {"<script languge=\"JavaScript", 27, TagKind::kScript, TokenRule::kVersion},
    // Any other script tag: its SRC, quoted or not, wherever it stands.
    {"<SCRIPT ", 8, TagKind::kScriptSrc, TokenRule::kPlain},
    {"", 0, TagKind::kNone, TokenRule::kComment},
};

// The rows worth trying at a position, as bits in table order: those whose
// token's first two bytes may stand at the position (for the row that
// begins one byte early, at the byte before it and the position), each
// compared as the token comparison does (ASCII case folded, a space for any
// white space). The rows without a token of their own (the table tokens and
// the comment) all begin with '<' and are tried after any second byte.
struct TagRowIndex {
  uint64_t at[256] = {};
  uint64_t second[256] = {};
  uint64_t before[256] = {};
  uint64_t beforeSecond[256] = {};
};
static_assert(std::size(kTagTokens) <= 64);

// Sets `bit` for every byte the token comparison takes for `want`.
constexpr void MarkByte(uint64_t (&table)[256], unsigned char want, uint64_t bit) {
  for (int c = 0; c < 256; ++c) {
    const auto have = static_cast<unsigned char>(c);
    const bool same = want == ' ' ? have == ' ' || have == '\t' || have == '\n' || have == '\r'
                                  : FoldAscii(want) == FoldAscii(have);
    if (same) table[c] |= bit;
  }
}

constexpr TagRowIndex MakeTagRowIndex() {
  TagRowIndex index;
  for (size_t row = 0; row < std::size(kTagTokens); ++row) {
    const uint64_t bit = uint64_t{1} << row;
    const std::string_view token = kTagTokens[row].token;
    const bool early = kTagTokens[row].rule == TokenRule::kOneBefore;
    if (token.size() < 2) {
      MarkByte(index.at, token.empty() ? '<' : static_cast<unsigned char>(token[0]), bit);
      for (uint64_t& any : index.second) any |= bit;
    } else {
      MarkByte(early ? index.before : index.at, static_cast<unsigned char>(token[0]), bit);
      MarkByte(early ? index.beforeSecond : index.second, static_cast<unsigned char>(token[1]),
               bit);
    }
  }
  return index;
}
constexpr TagRowIndex kTagRowIndex = MakeTagRowIndex();

// The rows that may match at `at`; the text has a NUL after its end.
uint64_t RowsAt(const unsigned char* text, size_t at) {
  uint64_t rows = kTagRowIndex.at[text[at]] & kTagRowIndex.second[text[at + 1]];
  if (at > 0) rows |= kTagRowIndex.before[text[at - 1]] & kTagRowIndex.beforeSecond[text[at]];
  return rows;
}

struct AttributeToken {
  std::string_view token;
  uint8_t advance;
  AttributeKind kind;
};

// The charset names a META tag may declare, and what they become once the
// page is Shift_JIS.
struct CharsetRename {
  std::string_view name;
  bool exact;
  std::string_view replacement;
};
constexpr CharsetRename kCharsetRenames[] = {
    {"x-euc-jp", true, "x-sjis"},      {"EUC-JP", false, "Shift_JIS"},
    {"x-euc", true, "x-sjis"},         {"x_JIS", true, "x-sjis"},
    {"Shift-JIS", true, "Shift_JIS"},  {"shift_jis", true, "Shift_JIS"},
    {"SHIFT-JIS", true, "Shift_JIS"},  {"ShiftJIS", true, "Shift_JIS"},
    {"windows-1252", true, "iso-8859-1"},
};

// The bytes that neither begin a row's token nor stand second in the row
// that begins one byte early: no row needs a look there.
constexpr std::array<bool, 256> MakePlainBytes() {
  std::array<bool, 256> plain{};
  for (int c = 0; c < 256; ++c) {
    plain[c] = kTagRowIndex.at[c] == 0 && kTagRowIndex.beforeSecond[c] == 0;
  }
  return plain;
}
constexpr std::array<bool, 256> kPlainBytes = MakePlainBytes();

// Moves past the bytes where no tag token can begin, up to the next one
// where one may (or a progress step, where the scan looks for a stop).
void SkipPlainBytes(PageScan& scan, size_t step) {
  size_t at = scan.position;
  const size_t end = std::min(scan.size, scan.lastProgress + step + 1);
  while (at < end && at > 0 && (kPlainBytes[scan.text[at]] || RowsAt(scan.text, at) == 0)) ++at;
  scan.position = at;
}

class PageRewriter {
 public:
  PageRewriter(PageScan& scan, const Options& options) : scan_(scan), options_(options) {}

  void Scan();
  TagKind finalTagKind() const { return scan_.tagKind; }

 private:
  bool ProgressCheck();
  bool RunHooks();
  bool TryTagToken(const TagToken& row);
  void AttributeScan();
  // The attribute at the position for the current tag; its advance.
  size_t MatchAttribute(AttributeKind& kind);
  // false when the attribute is abandoned.
  bool TakeValue();
  // true when the tag ends after this link.
  bool HandleLink();
  bool WriteLinkByPage();
  void SetBaseFolders();
  // true when the tag ends.
  bool RewriteCharset();
  void WriteComposed(const ComposedLink& composed);

  PageScan& scan_;
  const Options& options_;
  size_t linkLength_ = 0;
};

bool PageRewriter::ProgressCheck() {
  if (scan_.position <= scan_.lastProgress + kProgressStep) return true;
  if (scan_.progress == nullptr) return true;
  scan_.progress->Tick(static_cast<uint32_t>(scan_.size), static_cast<uint32_t>(scan_.position));
  scan_.lastProgress = scan_.position;
  if (!scan_.progress->StopRequested()) return true;
  const int restored = RestoreOldPage(scan_);
  FailPage(scan_, restored == 0 ? kStopped : restored);
  return false;
}

// The search-page and banner hooks; true when one consumed text.
bool PageRewriter::RunHooks() {
  const size_t at = scan_.position;
  CheckSearchPageTitle(scan_);
  if (scan_.result != 0 || scan_.flushed > at) return true;
  if (CleanSearchPageImage(scan_) != 0) {
    FailPage(scan_, kStopped);
    return true;
  }
  if (scan_.flushed > at) return true;
  CutBannerBlock(scan_);
  return scan_.result != 0 || scan_.flushed > at;
}

void PageRewriter::Scan() {
  while (scan_.position < scan_.size && scan_.result == 0) {
    if (options_.ShortenInfoseekResults && RunHooks()) {
      if (scan_.result != 0) break;
      scan_.position = scan_.flushed + 1;
      continue;
    }
    if (!ProgressCheck()) break;
    scan_.tagKind = TagKind::kNone;
    for (uint64_t rows = RowsAt(scan_.text, scan_.position); rows != 0; rows &= rows - 1) {
      if (TryTagToken(kTagTokens[std::countr_zero(rows)])) break;
    }
    ++scan_.position;
    // Without the hooks (which look at every byte) the bytes where nothing
    // can begin need no look each.
    if (!options_.ShortenInfoseekResults && scan_.result == 0) {
      const size_t before = scan_.position;
      SkipPlainBytes(scan_, kProgressStep);
      if (scan_.position != before) scan_.tagKind = TagKind::kNone;
    }
  }
}

// true when the row matched (and its tag was scanned).
bool PageRewriter::TryTagToken(const TagToken& row) {
  PageScan& s = scan_;
  const size_t at = s.position;
  // The token's first byte, where the row compares it, decides most rows.
  if (!row.token.empty()) {
    const bool before = row.rule == TokenRule::kOneBefore;
    if ((before && at == 0) || at - before >= s.size ||
        FoldAscii(s.text[at - before]) != FoldAscii(static_cast<unsigned char>(row.token[0]))) {
      return false;
    }
  }
  switch (row.rule) {
    case TokenRule::kTables: {
      if (!StepTableToken(s)) return false;
      if (s.tagKind != TagKind::kNone) AttributeScan();
      return true;
    }
    case TokenRule::kComment: {
      size_t length = 0;
      size_t inner = 0;
      if (MatchToken(s, at, "<!-- ") && MatchToken(s, at + 7, " -->")) {
        length = 11;
        inner = at + 5;
      } else if (MatchToken(s, at, "<!--") && MatchToken(s, at + 6, "-->")) {
        length = 9;
        inner = at + 4;
      } else {
        return false;
      }
      if (!options_.EucToShiftJis || s.text[inner] < 0xE0) return false;
      if (WriteUpTo(s, at) != 0) return true;
      s.flushed = at + length;
      s.position = at + length;
      return true;
    }
    case TokenRule::kOneBefore:
      if (at == 0 || !MatchToken(s, at - 1, row.token)) return false;
      break;
    case TokenRule::kBareImg:
      if (!MatchToken(s, at, row.token) || at + 4 >= s.size || IsAlnum(s.text[at + 4])) {
        return false;
      }
      break;
    case TokenRule::kAfterLess:
      if (at == 0 || s.text[at - 1] != '<' || !MatchToken(s, at, row.token)) return false;
      break;
    default:
      if (!MatchToken(s, at, row.token)) return false;
      break;
  }
  if (row.rule == TokenRule::kBase) s.baseTagStart = at;
  s.tagKind = row.kind;
  s.position = at + row.advance < s.size ? at + row.advance : s.size;
  if (row.rule == TokenRule::kVersion) {
    auto isDigit = [&s](size_t i) { return i < s.size && s.text[i] >= '0' && s.text[i] <= '9'; };
    if (isDigit(s.position)) ++s.position;
    if (s.position < s.size && s.text[s.position] == '.') ++s.position;
    if (isDigit(s.position)) ++s.position;
    if (MatchExact(s, s.position, "\">")) s.position += 2;
  }
  AttributeScan();
  return true;
}

size_t PageRewriter::MatchAttribute(AttributeKind& kind) {
  PageScan& s = scan_;
  const size_t at = s.position;
  kind = AttributeKind::kNone;
  auto token = [&](std::string_view text, AttributeKind found) -> size_t {
    if (!MatchToken(s, at, text)) return 0;
    kind = found;
    return text.size();
  };
  size_t advance = 0;
  switch (s.tagKind) {
    case TagKind::kImage:
      return token("SRC", AttributeKind::kSrc);
    case TagKind::kBody:
    case TagKind::kTable:
    case TagKind::kCell:
      return token("BACKGROUND", AttributeKind::kBackground);
    case TagKind::kAnchor:
      // An anchor that calls a script: its address is the script modules'.
      advance = MatchFormAttribute(s, options_, kind);
      if (advance != 0) return advance;
      return token("HREF", AttributeKind::kHref);
    case TagKind::kBase:
      return token("HREF", AttributeKind::kBaseHref);
    case TagKind::kMeta:
    case TagKind::kMetaHttpEquiv:
      return token("URL", AttributeKind::kMetaUrl);
    case TagKind::kEmbed:
      return token("SRC", AttributeKind::kFrameSrc);
    case TagKind::kScriptSrc:
      return token("SRC", AttributeKind::kScriptFile);
    case TagKind::kScript:
      advance = token("SRC", AttributeKind::kScriptFile);
      if (advance != 0 || !options_.AdjustScriptParams) return advance;
      advance = MatchScriptPattern(s, s.quote);
      if (advance != 0) kind = AttributeKind::kScriptCall;
      return advance;
    case TagKind::kForm:
    case TagKind::kOption:
    case TagKind::kButton:
      return MatchFormAttribute(s, options_, kind);
    default:
      return 0;
  }
}

void PageRewriter::AttributeScan() {
  PageScan& s = scan_;
  s.attributeKind = AttributeKind::kNone;
  SkipSpaces(s);
  while (s.position < s.size && s.result == 0) {
    if (s.tagKind == TagKind::kScript) {
      if (MatchToken(s, s.position, "-->")) {
        s.position += 3;
        return;
      }
      if (MatchToken(s, s.position, "</script>")) {
        s.position += 9;
        return;
      }
    }
    if (s.text[s.position] == '>') {
      if (s.tagKind != TagKind::kScript) return;
      const size_t greater = s.position;
      ++s.position;
      SkipSpaces(s);
      if (MatchToken(s, s.position, "<!--") || MatchToken(s, s.position, "if(") ||
          IsScriptConditionGreater(s, greater)) {
        continue;
      }
      return;
    }
    // An anchor's script call stays in force: a "nexthtml=" after it
    // starts a second value.
    if (s.tagKind != TagKind::kAnchor || s.attributeKind != AttributeKind::kScriptCall) {
      s.attributeKind = AttributeKind::kNone;
    }
    if (s.tagKind == TagKind::kInput && MatchToken(s, s.position, "type=\"image\"")) {
      s.position += 12;
      s.tagKind = TagKind::kImage;
      continue;
    }
    AttributeKind kind = AttributeKind::kNone;
    size_t advance = MatchAttribute(kind);
    if (kind == AttributeKind::kNone && advance == 0 &&
        (s.tagKind == TagKind::kMeta || s.tagKind == TagKind::kMetaHttpEquiv) &&
        options_.EucToShiftJis && MatchToken(s, s.position, "CHARSET")) {
      s.position += 7;
      if (RewriteCharset()) return;
      continue;
    }
    if (kind == AttributeKind::kNone) {
      s.position += advance != 0 ? advance : 1;
      continue;
    }
    s.attributeKind = kind;
    s.position += advance;
    if (!TakeValue()) continue;
    if (HandleLink()) return;
    if (s.position < s.size && s.text[s.position] == '>') return;
  }
}

bool PageRewriter::RewriteCharset() {
  PageScan& s = scan_;
  SkipSpaces(s);
  if (s.position >= s.size || s.text[s.position] != '=') return true;
  ++s.position;
  SkipSpaces(s);
  if (s.position >= s.size) return true;
  std::string_view replacement;
  size_t replaced = 0;
  if (s.text[s.position] == '"') {
    replacement = "Shift_JIS";
  } else {
    for (const CharsetRename& row : kCharsetRenames) {
      const bool found = row.exact ? MatchExact(s, s.position, row.name)
                                   : MatchToken(s, s.position, row.name);
      if (found) {
        replacement = row.replacement;
        replaced = row.name.size();
        break;
      }
    }
  }
  if (replacement.empty()) return false;
  if (WriteUpTo(s, s.position) != 0) return true;
  if (WriteBytesOut(s, replacement) != 0) return true;
  s.position += replaced;
  s.flushed = s.position;
  return false;
}

bool PageRewriter::TakeValue() {
  PageScan& s = scan_;
  const bool atPosition = s.attributeKind == AttributeKind::kScriptCall ||
                          (s.tagKind == TagKind::kScript &&
                           s.attributeKind != AttributeKind::kScriptFile);
  if (!atPosition) {
    SkipSpaces(s);
    if (s.position >= s.size || s.text[s.position] != '=') return false;
    ++s.position;
    SkipSpaces(s);
    s.quote = 0;
    if (s.position < s.size && s.text[s.position] != '/') {
      if (s.text[s.position] == '\\') ++s.position;
      if (s.position < s.size && (s.text[s.position] == '"' || s.text[s.position] == '\'')) {
        s.quote = s.text[s.position];
        ++s.position;
      }
      if (s.quote == 0) {
        const char* at = reinterpret_cast<const char*>(s.text + s.position);
        const bool unquotedTaken =
            MatchExact(s, s.position, "results_ct.asp") || LinkSchemeLength(at) > 0 ||
            s.attributeKind == AttributeKind::kSrc ||
            s.attributeKind == AttributeKind::kBackground ||
            s.attributeKind == AttributeKind::kMetaUrl ||
            s.attributeKind == AttributeKind::kFrameSrc ||
            s.attributeKind == AttributeKind::kScriptFile;
        if (!unquotedTaken) return false;
      }
    }
  }
  s.linkStart = s.position;
  SkipSpaces(s);
  const unsigned char end = s.quote != 0 ? s.quote : '"';
  size_t n = 0;
  bool tooLong = false;
  while (s.position < s.size) {
    const unsigned char c = s.text[s.position];
    // An unquoted value ends at any white space, as a browser ends it.
    if (c == end || (s.quote == 0 && IsSpace(c)) || c == '>' ||
        (c == '?' && MatchExact(s, s.position, "?nexthtml="))) {
      break;
    }
    if (c == '\r' || c == '\n' || tooLong) {
      ++s.position;
      continue;
    }
    if (n == kMaxLinkBytes) {
      // Too long for the link buffer: passed over to its end and left in the
      // text byte for byte, never cut.
      tooLong = true;
      continue;
    }
    if (c == '&' && MatchExact(s, s.position, "&amp;")) {
      s.link[n++] = '&';
      s.position += 5;
    } else if (c == '%' && MatchExact(s, s.position, "%20")) {
      s.link[n++] = ' ';
      s.position += 3;
    } else {
      s.link[n++] = static_cast<char>(c);
      ++s.position;
    }
  }
  s.link[n] = '\0';
  linkLength_ = n;
  if (tooLong) {
    s.link[0] = '\0';
    linkLength_ = 0;
    return false;
  }
  return true;
}

// The quote a rewritten unquoted attribute value needs: none when no byte of
// it would end the value early.
char QuoteNeeded(const PageScan& s, std::string_view value) {
  const bool attribute = s.attributeKind == AttributeKind::kSrc ||
                         s.attributeKind == AttributeKind::kBackground ||
                         s.attributeKind == AttributeKind::kHref ||
                         s.attributeKind == AttributeKind::kFrameSrc ||
                         s.attributeKind == AttributeKind::kScriptFile;
  if (s.quote != 0 || !attribute || s.tagKind == TagKind::kScript) return 0;
  for (const char c : value) {
    if (IsSpace(static_cast<unsigned char>(c)) || c == '>') {
      return value.find('"') == std::string_view::npos ? '"' : '\'';
    }
  }
  return 0;
}

void PageRewriter::WriteComposed(const ComposedLink& composed) {
  PageScan& s = scan_;
  if (composed.overflow) return;  // too long to compose: left as it is
  const char quote = QuoteNeeded(s, composed.View());
  if (WriteUpTo(s, s.linkStart) != 0) return;
  if (quote != 0 && WriteBytesOut(s, std::string_view(&quote, 1)) != 0) return;
  if (WriteBytesOut(s, composed.View()) != 0) return;
  if (quote != 0 && WriteBytesOut(s, std::string_view(&quote, 1)) != 0) return;
  s.flushed = s.position;
}

void PageRewriter::SetBaseFolders() {
  PageScan& s = scan_;
  char* link = s.link.data();
  const size_t scheme = LinkSchemeLength(link);
  const std::string_view hostAndPath(link + scheme);
  const size_t own = OwnHostLength(hostAndPath, s);
  if (s.baseLength != 0 && own == 0) {
    // Host and folders, ending in '/'; a port is the folder inside the host.
    const size_t lastSlash = hostAndPath.rfind('/');
    const std::string_view kept =
        lastSlash == std::string_view::npos ? hostAndPath : hostAndPath.substr(0, lastSlash);
    const size_t hostEnd = kept.find('/');
    const std::string_view host = kept.substr(0, hostEnd);
    ComposedLink folder;
    const size_t colon = host.find(':');
    if (colon == std::string_view::npos) {
      folder.Add(host);
    } else {
      folder.Add(host.substr(0, colon));
      folder.Add("/");
      folder.Add(host.substr(colon + 1));
    }
    if (hostEnd != std::string_view::npos) folder.Add(kept.substr(hostEnd));
    folder.Add("/");
    if (!folder.overflow && folder.length <= kMaxLinkBytes) {
      std::memcpy(s.foreignBaseFolder.data(), folder.bytes, folder.length);
      s.foreignBaseFolder[folder.length] = '\0';
    }
  } else if (s.depth != 0 && own != 0 &&
             (hostAndPath.size() == own || hostAndPath[own] == '/')) {
    // The folder the BASE names, as a browser takes it: up to its last '/'
    // (nothing for the host's root).
    std::string_view rest = hostAndPath.substr(std::min(hostAndPath.size(), own + 1));
    rest = rest.substr(0, FindAnyOf(rest, "?#"));
    const size_t slash = rest.rfind('/');
    rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(0, slash + 1);
    // A folder longer than the buffer is not kept: links then resolve
    // against the page's own folder.
    if (rest.size() < kOwnBaseFolderBytes) {
      if (!rest.empty()) std::memcpy(s.ownBaseFolder.data(), rest.data(), rest.size());
      s.ownBaseFolder[rest.size()] = '\0';
      s.ownBase = true;
    }
  }
  // The tag is removed whatever it named: left in place it would send every
  // relative link back to the web.
  s.linkStart = s.baseTagStart;
  s.link[0] = '\0';
  linkLength_ = 0;
  if (MatchExact(s, s.position, "\"")) ++s.position;
  if (MatchExact(s, s.position, ">")) ++s.position;
  s.dirty = true;
  s.needsMapping = false;
}

bool PageRewriter::HandleLink() {
  PageScan& s = scan_;
  char* link = s.link.data();
  s.dirty = false;
  s.needsMapping = false;
  const TagKind kind = s.tagKind;
  const size_t scheme = LinkSchemeLength(link);
  if (scheme > 0) {
    FoldHostCase(link);
    ApplyDomainConversion(link, s.link.size());
    if (kind == TagKind::kBase) {
      SetBaseFolders();
      WriteLinkByPage();
      return true;
    }
    s.dirty = true;
    s.needsMapping = LinkNeedsMapping(link, kind) || MappingChangesName(link);
  } else {
    const bool baseTag = kind == TagKind::kImage ||
                         (kind == TagKind::kAnchor && std::strncmp(link, "mailto:", 7) != 0);
    const bool foreignBase = s.foreignBaseFolder[0] != '\0';
    const bool toFile = link[0] != '\0' && link[0] != '#' && !IsNonFileLink(link) &&
                        s.attributeKind != AttributeKind::kScriptCall;
    if (s.ownBase && toFile) {
      // Every link of the page resolves against the BASE's folder: rooted
      // there, it is then written relative to the page's own folder.
      if (RootLinkAtBase(link, s.link.size(), s.ownBaseFolder.data())) {
        s.dirty = true;
        s.needsMapping = true;
      }
    } else if (baseTag && foreignBase) {
      if (LinkNeedsMapping(link, kind)) {
        MapLinkTarget(link, s.link.size());
        if (LinkSchemeLength(link) > 0) ApplyDomainConversion(link, s.link.size());
      }
      const size_t mappedScheme = LinkSchemeLength(link);
      ComposedLink composed;
      if (mappedScheme > 0) {
        composed.Climb(s.rootDepth);
        AddMirrorPath(link + mappedScheme, composed);
      } else {
        ComposeFromBase(link, s.foreignBaseFolder.data(), s.rootDepth, true, composed);
      }
      WriteComposed(composed);
    } else if (options_.LocaliseFtp && kind == TagKind::kAnchor &&
               std::strncmp(link, "ftp://", 6) == 0) {
      ComposedLink composed;
      composed.Climb(s.rootDepth);
      AddMirrorPath(link + 6, composed);
      WriteComposed(composed);
    } else {
      if (link[0] == '?' && PrependPageName(link, s)) s.dirty = true;
      if (RepairLeadingDots(link, s.depth)) s.dirty = true;
      s.needsMapping = LinkNeedsMapping(link, kind) || MappingChangesName(link);
      if (!s.needsMapping && NameFolderIndex(link, s.link.size())) s.dirty = true;
    }
  }
  WriteLinkByPage();
  if (s.result != 0) return true;
  if (kind == TagKind::kImage || kind == TagKind::kScript || kind == TagKind::kMetaHttpEquiv ||
      s.attributeKind == AttributeKind::kScriptCall) {
    return false;
  }
  return true;
}

// Maps the link when it needs it and writes it relative to the page's folder.
bool PageRewriter::WriteLinkByPage() {
  PageScan& s = scan_;
  char* link = s.link.data();
  if (s.needsMapping) {
    MapLinkTarget(link, s.link.size());
    if (LinkSchemeLength(link) > 0) ApplyDomainConversion(link, s.link.size());
    NameFolderIndex(link, s.link.size());
    s.dirty = true;
  }
  if (!s.dirty && LinkSchemeLength(link) == 0 && NamesFolder(s, link)) s.dirty = true;
  if (!s.dirty) return false;
  if (!s.outputOpened && OpenPageOutput(s) != 0) return false;  // left as it is
  const size_t scheme = LinkSchemeLength(link);
  ComposedLink composed;
  if (scheme > 0) {
    const std::string_view hostAndPath(link + scheme);
    const size_t own = OwnHostLength(hostAndPath, s);
    if (own != 0) {
      std::string_view path = hostAndPath.substr(own);
      // An address that ends in a folder is stored as its index.html.
      const bool plain = FindAnyOf(path, "?#") == std::string_view::npos;
      ComposedLink local;
      local.Add(path.empty() ? "/" : path);
      if (plain && local.bytes[local.length - 1] == '/') local.Add(kFolderPageName);
      if (local.overflow) return false;
      ComposeFromPage(local.View(), 0, s, composed);
    } else {
      ComposeFromPage(link, scheme, s, composed);
    }
  } else {
    ComposeFromPage(link, 0, s, composed);
  }
  if (!composed.overflow && NamesFolder(s, composed.View())) composed.Add("/index.html");
  WriteComposed(composed);
  return true;
}

}  // namespace

void KeepFolderAnswers(bool keep) {
  FolderAnswers& kept = KeptAnswers();
  kept.kept = keep;
  kept.answers.clear();
  Listings().byFolder.clear();
}

int RewriteHtmlPage(const FileRef& file, const char* pageUrl, const Options& options,
                    ProgressSink& progress, RewriteReport& report, const PageFacts& facts) {
  report = RewriteReport{};
  auto scan = std::unique_ptr<PageScan>(new (std::nothrow) PageScan);
  if (!scan) return kNoError;
  scan->file = file;
  scan->progress = &progress;
  scan->keepBackup = options.DeleteBackup == 0;

  if (pageUrl != nullptr && pageUrl[0] != '\0') {
    PageContextFromUrl(pageUrl, *scan);
    TakePlaceInOwnFolder(*scan, pageUrl);
  } else {
    CPath path;
    if (FileRefToCPath(file, path)) {
      PageContextFromPath(path.data(), PathSeparator(), *scan);
    }
  }

  LoadedPage page;
  scan->plainFolderLevels = facts.plainFolderLevels;
  scan->oldPagePrivate = facts.oldPagePrivate;
  if (facts.loaded != nullptr) {
    page = std::move(*facts.loaded);
  } else if (const int read = LoadPage(file, page); read != kNoError) {
    return read;
  }
  if (!page.block) return kNoError;
  scan->text = page.block.get();
  scan->size = page.size;
  scan->pageTime = page.lastWrite;

  if (page.hadMacBinary && OpenPageOutput(*scan) != 0) return kStopped;
  if (options.UnixToMacLineEnds || options.EucToShiftJis) {
    EncodingPassOptions pass;
    pass.unixToMacLineEnds = options.UnixToMacLineEnds != 0;
    pass.eucToShiftJis = options.EucToShiftJis != 0;
    if (RunEncodingPass(scan->text, scan->size, pass)) OpenPageOutput(*scan);
  }

  PageRewriter rewriter(*scan, options);
  if (options.EditLinks && scan->size > 0) rewriter.Scan();

  if (scan->result == 0 && scan->outputOpened) WriteUpTo(*scan, scan->size);
  if (scan->result == 0 && options.FixTableEnds) {
    const int repairedResult = RepairTableEnds(*scan, rewriter.finalTagKind(), report.repaired);
    if (repairedResult != 0) FailPage(*scan, repairedResult);
  }
  // Whatever stopped the page, the unfinished new one does not stay behind.
  if (scan->result != 0) RestoreOldPage(*scan);
  if (scan->result == 0 && scan->outputOpened && FinishPageOutput(*scan) == 0) {
    report.rewritten = true;
    if (scan->keepBackup) report.backup = BackupRef(*scan);
  }
  return scan->result;
}

int RewriteHtmlFile(const FileRef& file, const char* pageUrl, const Options& options,
                    ProgressSink& progress, bool& repaired) {
  RewriteReport report;
  const int result = RewriteHtmlPage(file, pageUrl, options, progress, report);
  repaired = report.repaired;
  return result;
}

}  // namespace hoard

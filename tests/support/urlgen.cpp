#include "urlgen.h"

#include <array>
#include <string_view>

namespace hoard::test {
namespace {

constexpr std::string_view kWordBytes =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_.~";
constexpr std::string_view kHostBytes = "abcdefghijklmnopqrstuvwxyz0123456789-";

// EUC-JP characters as escapes: あ い 亜 日 本 ソ (whose Shift_JIS form ends
// in 0x5C), the ideographic space, and ｱ as EUC-JP half-width katakana.
constexpr std::string_view kEucEscapes[] = {
    "%A4%A2", "%A4%A4", "%B0%A1", "%C6%FC", "%CB%DC", "%A5%BD", "%A1%A1", "%8E%B1",
};
// Shift_JIS characters as escapes: あ 日 本 ソ, the ideographic space and ｱ.
constexpr std::string_view kSjisEscapes[] = {
    "%82%A0", "%93%FA", "%96%7B", "%83%5C", "%81%40", "%B1",
};
// Shift_JIS as raw bytes: あ, ソ (second byte '\'), 表 (second byte '\').
constexpr std::string_view kSjisRaw[] = {"\x82\xA0", "\x83\x5C", "\x95\x5C"};

constexpr std::string_view kExtensions[] = {".html", ".htm", ".gif", ".jpg", ".cgi",
                                            ".jpeg", ".x",   ".tar.gz", ""};
constexpr std::string_view kReserved[] = {"con", "CON", "nul.txt", "Aux", "prn.html",
                                          "com1", "LPT9.gif", "conin$", "Nul .x"};
constexpr std::string_view kDotted[] = {".", "..", "...", "a.", "b..", "c ", "d. ", ".e", "%2E",
                                        "%2E%2E", "f%20", "g%2E"};
constexpr std::string_view kHostile[] = {
    "..",      "%2E%2E",  "%2e%2E", ".%2E",   "...",   ". .",     ".. ",     "%20..",
    "..%20",   "..\\..",  "%5C..",  "..%5C",  "C:",    "c:\\win", "",        "%00",
    "..%00",   "%2F..",   "%252E%252E",       "\\",    "..\\",    "%E0\\..", "\x83\\..",
};
constexpr std::string_view kQueryWords[] = {"q", "p", "kw", "page", "x", "url", "st", "nh", "s"};
constexpr std::string_view kTriggers[] = {"jiji", "cimages", "Count", "http", "id="};

bool StartsLikeTrigger(const std::string& text) {
  for (std::string_view trigger : kTriggers) {
    if (text.compare(0, trigger.size(), trigger) == 0) return true;
  }
  return text.find("id=") != std::string::npos;
}

}  // namespace

std::string GeneratedUrl::Text() const {
  std::string text = scheme + host + "/";
  for (const std::string& folder : folders) text += folder + "/";
  return text + file + query;
}

UrlGenerator::UrlGenerator(uint64_t seed, UrlGenOptions options)
    : state_(seed * 0x9E3779B97F4A7C15ull + 1), options_(options) {}

uint64_t UrlGenerator::Random() {
  // splitmix64: the same sequence on every platform.
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

size_t UrlGenerator::Below(size_t bound) {
  return bound == 0 ? 0 : static_cast<size_t>(Random() % bound);
}

std::string UrlGenerator::Word(size_t minLength, size_t maxLength) {
  std::string word;
  const size_t length = minLength + Below(maxLength - minLength + 1);
  while (word.size() < length) {
    char c = kWordBytes[Below(kWordBytes.size())];
    // A '?' never follows '_' here, and "id=" never forms.
    word += c;
  }
  return word;
}

std::string UrlGenerator::JapaneseEscapes(size_t characters) {
  std::string text;
  const bool euc = OneIn(2);
  for (size_t i = 0; i < characters; ++i) {
    if (euc) {
      text += kEucEscapes[Below(std::size(kEucEscapes))];
    } else if (OneIn(4)) {
      text += kSjisRaw[Below(std::size(kSjisRaw))];
    } else {
      text += kSjisEscapes[Below(std::size(kSjisEscapes))];
    }
  }
  return text;
}

std::string UrlGenerator::Host() {
  std::string host;
  if (OneIn(3)) host += "www.";
  const size_t labels = 1 + Below(3);
  for (size_t i = 0; i < labels; ++i) {
    const size_t length = 1 + Below(options_.longComponents && OneIn(6) ? 30 : 10);
    for (size_t k = 0; k < length; ++k) host += kHostBytes[Below(kHostBytes.size())];
    host += '.';
  }
  // A host stays within the 63 bytes of a folder component.
  if (host.size() > 55) host.resize(55);
  host += OneIn(2) ? "co.jp" : "com";
  if (options_.ports && OneIn(8)) host += OneIn(2) ? ":8080" : ":80";
  return host;
}

std::string UrlGenerator::FolderComponent() {
  if (options_.hostile && OneIn(3)) return HostileComponent();
  if (options_.dots && OneIn(12)) return std::string(kDotted[Below(std::size(kDotted))]);
  if (options_.reservedNames && OneIn(12)) return std::string(kReserved[Below(std::size(kReserved))]);
  for (;;) {
    std::string folder;
    switch (Below(6)) {
      case 0:
        folder = "%7E" + Word(1, 8);
        break;
      case 1:
        folder = Word(1, 6) + "%20" + Word(1, 6);
        break;
      case 2:
        if (options_.japanese) {
          folder = JapaneseEscapes(1 + Below(4)) + Word(0, 4);
          break;
        }
        [[fallthrough]];
      case 3:
        if (options_.longComponents) {
          // Up to 60 bytes: past the 31 of a name, within the 63 of a folder.
          folder = (OneIn(2) ? "www." : "") + Word(20, 56);
          break;
        }
        [[fallthrough]];
      default:
        folder = Word(1, 12);
        break;
    }
    if (!StartsLikeTrigger(folder)) return folder;
  }
}

std::string UrlGenerator::FileName() {
  if (OneIn(8)) return "";
  if (options_.reservedNames && OneIn(15)) return std::string(kReserved[Below(std::size(kReserved))]);
  if (options_.dots && OneIn(15)) return std::string(kDotted[Below(std::size(kDotted))]);
  for (;;) {
    std::string stem;
    switch (Below(5)) {
      case 0:
        stem = options_.longComponents ? Word(24, 45) : Word(1, 10);
        break;
      case 1:
        stem = options_.japanese ? JapaneseEscapes(1 + Below(16)) : Word(1, 10);
        break;
      case 2:
        stem = Word(1, 8) + (OneIn(2) ? "%7E" : "%20") + Word(1, 30);
        break;
      default:
        stem = Word(1, 16);
        break;
    }
    if (options_.controlEscapes && OneIn(10)) stem += OneIn(2) ? "%00" : "%0A";
    std::string name = stem + std::string(kExtensions[Below(std::size(kExtensions))]);
    if (!StartsLikeTrigger(name) && name.back() != '_') return name;
  }
}

std::string UrlGenerator::QueryValue() {
  std::string value;
  const size_t pieces = 1 + Below(4);
  for (size_t i = 0; i < pieces; ++i) {
    switch (Below(9)) {
      case 0:
        value += "/";
        break;
      case 1:
        value += ":";
        break;
      case 2:
        value += OneIn(2) ? "%2F" : "%3A";
        break;
      case 3:
        value += OneIn(2) ? "%7E" : "%20";
        break;
      case 4:
        if (options_.japanese) {
          value += JapaneseEscapes(1 + Below(6));
          break;
        }
        [[fallthrough]];
      case 5:
        value += OneIn(2) ? "+" : "@";
        break;
      case 6:
        value += "http://" + Word(1, 8) + ".jp/" + Word(1, 5);
        break;
      default:
        value += Word(1, 14);
        break;
    }
  }
  // No '?' right after '_'.
  if (!value.empty() && value.back() == '_') value += 'z';
  return value;
}

std::string UrlGenerator::Query() {
  std::string query = "?";
  const size_t parameters = 1 + Below(4);
  for (size_t i = 0; i < parameters; ++i) {
    if (i > 0) query += "&";
    query += std::string(kQueryWords[Below(std::size(kQueryWords))]) + "=" + QueryValue();
  }
  return query;
}

std::string UrlGenerator::HostileComponent() {
  return std::string(kHostile[Below(std::size(kHostile))]);
}

GeneratedUrl UrlGenerator::Next() {
  GeneratedUrl url;
  const size_t scheme = Below(6);
  url.scheme = scheme == 0 ? "HTTP://" : scheme == 1 ? "https://" : "http://";
  url.host = options_.hostile && OneIn(4) ? HostileComponent() : Host();
  const size_t folders = Below(static_cast<size_t>(options_.maxFolders) + 1);
  for (size_t i = 0; i < folders; ++i) url.folders.push_back(FolderComponent());
  url.file = options_.hostile && OneIn(4) ? HostileComponent() : FileName();
  if (options_.queries && OneIn(3)) {
    if (!url.file.empty() && url.file.back() == '_') url.file += 'z';
    url.query = Query();
  }
  return url;
}

std::string BrowserDecode(const std::string& link) {
  std::string text;
  for (size_t i = 0; i < link.size(); ++i) {
    if (link.compare(i, 5, "&amp;") == 0) {
      text += '&';
      i += 4;
    } else {
      text += link[i];
    }
  }
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      decoded += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

std::string HtmlEscaped(const std::string& url) {
  std::string text;
  for (char c : url) text += c == '&' ? std::string("&amp;") : std::string(1, c);
  return text;
}

}  // namespace hoard::test

// --- Links as pages write them ------------------------------------------------

namespace hoard::test {

std::string LinkFromPage(UrlGenerator& generator, const GeneratedUrl& page,
                         const GeneratedUrl& target) {
  const std::string tail = target.file + target.query;
  const bool samePage = page.folders == target.folders && page.file == target.file &&
                        !page.file.empty() && !target.query.empty();
  std::string link;
  switch (generator.Below(4)) {
    case 0: {
      // Absolute, the host's letters in any case.
      std::string host = target.host;
      for (char& c : host) {
        if (c >= 'a' && c <= 'z' && generator.OneIn(2)) c = static_cast<char>(c - 'a' + 'A');
      }
      link = target.scheme + host + "/";
      for (const std::string& folder : target.folders) link += folder + "/";
      link += tail;
      break;
    }
    case 1:
      link = "/";
      for (const std::string& folder : target.folders) link += folder + "/";
      link += tail;
      break;
    case 2:
      if (samePage) {
        link = target.query;
        break;
      }
      [[fallthrough]];
    default: {
      size_t common = 0;
      while (common < page.folders.size() && common < target.folders.size() &&
             page.folders[common] == target.folders[common]) {
        ++common;
      }
      size_t up = page.folders.size() - common;
      // Steps past the top, which a browser ignores.
      if (common == 0 && generator.OneIn(3)) up += 1 + generator.Below(2);
      if (up == 0 && generator.OneIn(2)) link = "./";
      for (size_t i = 0; i < up; ++i) link += "../";
      for (size_t i = common; i < target.folders.size(); ++i) link += target.folders[i] + "/";
      link += tail;
      if (link.empty()) link = "./";
      break;
    }
  }
  if (generator.OneIn(4)) link += "#" + generator.Word(1, 6);
  return link;
}

bool HasDotFolder(const GeneratedUrl& url) {
  for (const std::string& folder : url.folders) {
    std::string decoded = BrowserDecode(folder);
    while (!decoded.empty() && decoded.back() == ' ') decoded.pop_back();
    if (decoded == "." || decoded == "..") return true;
  }
  const std::string file = BrowserDecode(url.file);
  return file == "." || file == "..";
}

}  // namespace hoard::test

namespace hoard::test {
namespace {

constexpr std::string_view kEngines[] = {"infoseek", "goo", "yahoo", "lycos", "excite", "nttdir"};

// The parameters of a family joined in the order given by `order`.
std::string JoinedQuery(const std::vector<std::string>& parameters) {
  std::string query;
  for (const std::string& parameter : parameters) {
    if (!query.empty()) query += '&';
    query += parameter;
  }
  return query;
}

}  // namespace

std::string UrlGenerator::SearchWords() {
  std::string words;
  const size_t count = 1 + Below(3);
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) words += '+';
    words += options_.japanese && OneIn(3) ? JapaneseEscapes(1 + Below(4)) : Word(2, 8);
  }
  // Only letters, digits and escapes: a word never looks like a parameter.
  for (char& c : words) {
    if (c == '-' || c == '_' || c == '.' || c == '~') c = 'x';
  }
  return words;
}

std::string UrlGenerator::SearchUrl(size_t family, const std::string& words, size_t page) {
  const std::string host = "http://" + std::string(OneIn(2) ? "www." : "") + "search.example.jp/";
  std::vector<std::string> parameters;
  std::vector<std::string> defaults;
  std::string script;
  // Scripts whose key the rules move to the front take their defaults
  // anywhere; the others only after the words.
  bool anywhere = true;
  std::string offset = "st=" + std::to_string((page - 1) * 10);
  switch (family % kSearchFamilies) {
    case 0:
      script = "search";
      parameters = {"q=" + words};
      defaults = {"hl=ja", "ie=euc-jp", "oe=euc-jp", "dfr=1"};
      anywhere = false;
      break;
    case 1:
      // The engine belongs to the search, not to one of its pages.
      script = "search_" + std::string(kEngines[words.size() % std::size(kEngines)]) + ".cgi";
      parameters = {"key=" + words};
      defaults = {"SEARCH=Search", "comm=off"};
      break;
    case 2:
      script = "search-robo" + std::to_string(words.size() % 10);
      parameters = {"key=" + words};
      defaults = {"number=10"};
      break;
    case 3:
      script = "para";
      parameters = {"Querystring=" + words};
      break;
    case 4:
      script = "s97is.vts";
      parameters = {"queryText=" + words};
      defaults = {"Action=FilterSearch"};
      break;
    case 5:
      script = "URL-tret-ret.pl";
      parameters = {"keywords=" + words};
      defaults = {"server=comdb"};
      break;
    case 6:
      script = "search.cgi";
      parameters = {"log=0", "query=" + words};
      break;
    case 7:
      script = "results.asp";
      parameters = {"qt=" + words};
      defaults = {"hl=ja", "x=" + std::to_string(Below(100)), "y=" + std::to_string(Below(30))};
      anywhere = false;
      break;
    default: {
      script = "thread.cgi";
      // A user of the board per search.
      uint64_t id = 0;
      for (char c : words) id = id * 31 + static_cast<unsigned char>(c);
      parameters = {"user_id=ABC" + std::to_string(10000 + id % 90000)};
      defaults = {"dp_flg=1", "def=10"};
      anywhere = false;
      offset = "page=" + std::to_string(page);
      break;
    }
  }
  const size_t first = anywhere ? 0 : 1;
  for (const std::string& parameter : defaults) {
    if (!OneIn(2)) continue;
    const size_t at = first + Below(parameters.size() + 1 - first);
    parameters.insert(parameters.begin() + static_cast<long>(at), parameter);
  }
  // The first page may say its offset or not.
  if (page > 1 || (family % kSearchFamilies != 8 && OneIn(2))) parameters.push_back(offset);
  return host + script + "?" + JoinedQuery(parameters);
}

std::string UrlGenerator::NextSearchUrl() {
  return SearchUrl(Below(kSearchFamilies), SearchWords(), 1 + Below(20));
}

std::string UrlGenerator::ServiceUrl() {
  const std::string service = OneIn(4) ? "http://www.go.com/" : "http://www.infoseek.co.jp/";
  const std::string words = SearchWords();
  const std::string number = std::to_string(1 + Below(9999));
  // The result-page parameters, some of them defaults, in a random order.
  std::vector<std::string> parameters = {"qt=" + words};
  const char* const kExtras[] = {"nh=25", "nh=10", "st=0", "col=JW", "sv=JP", "lk=noframes",
                                 "rf=11", "svx=100100", "oq=abc", "cat=RES", "col=MI",
                                 "ud4=1", "gnr=5"};
  for (const char* extra : kExtras) {
    if (OneIn(4)) parameters.insert(parameters.begin() + static_cast<long>(Below(parameters.size() + 1)), extra);
  }
  if (OneIn(2)) parameters.push_back("st=" + std::to_string(Below(5) * 25));
  const std::string query = JoinedQuery(parameters);
  switch (Below(14)) {
    case 0:
      return service + "Topic/" + number + (OneIn(2) ? "/" + std::to_string(Below(100)) : "");
    case 1:
      return service + number + "?tid=" + number + (OneIn(2) ? "&nh=10" : "&nh=25&sv=JP");
    case 2:
      return service + "Titles?" + query;
    case 3:
      return service + "Titles?qt=site" + (OneIn(2) ? ":" : "%3A") + Word(2, 8) + ".jp" +
             (OneIn(2) ? "/" + Word(1, 5) : "") + "+" + words + (OneIn(2) ? "&nh=25" : "");
    case 4:
      return service + "Content?" + (OneIn(2) ? "&" : "") + "col=CN&arn=mainichi_" +
             (OneIn(2) ? "mobile_" : "computer_") + number + (OneIn(2) ? "_" + Word(1, 6) : "");
    case 5:
      return service + (OneIn(2) ? "NTitles?" : "GTitles?") + query;
    case 6: {
      const char* const kPages[] = {"Help?sv=JP&pg=help", "Jobs?sv=JP&pg=recruit", "FM?pg=",
                                    "Eigo?lk=noframes&qt=", "NTitles?qp=0&sv=SN&nh=50&qt=",
                                    "News?pg=collection_top.html&sv=SN&svx=300100&ud9=-7&ud10=",
                                    "Content?arn=", "Content?col=MS&arn="};
      return service + kPages[Below(std::size(kPages))] + words;
    }
    case 7:
      return service + "Titles?col=" + (OneIn(2) ? "MI" : "MM") + "%2Ccat_" +
             (OneIn(2) ? std::string("RES") : std::to_string(Below(999))) + "&qt=" + words;
    case 8:
      return "http://www.example.jp/cgi/search.gw?" +
             std::string(OneIn(2) ? "search=" : "s=") + words +
             (OneIn(2) ? "&start=" + std::to_string(1 + Below(200)) : "") +
             (OneIn(2) ? "&numDocs=20" : "") + (OneIn(3) ? "&sort=site" : "");
    case 9:
      return "http://navi.ntt.co.jp/genre/NTTDIRUSR/relations.html?keyno=" + number;
    case 10:
      return "http://nav.example.jp/service/mybookmark/mybookmark.html?keyno=" + number;
    case 11:
      return "http://index.example.jp/lookup.cgi?key=" + words;
    case 12:
      return "http://channel.goo.ne.jp/cgi-bin/redir.cgi?from_url=/a&to_url=/" + Word(1, 8) +
             "/" + Word(1, 8) + ".html";
    default:
      return service + number + "?col=JT" + (OneIn(2) ? "&sv=JP" : "");
  }
}

}  // namespace hoard::test

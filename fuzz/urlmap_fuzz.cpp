// libFuzzer target for the URL scan: any bytes, as a file name in mode 1 and
// as a link in mode 0 (in its own buffer and in a page's small one). Nothing
// may be read or written outside the buffers, a file name component stays
// within 31 bytes, and the link of a URL, decoded as a browser does, names
// the same file as mode 1 whenever the URL fits both buffers.
//
// Built with clang when the option HOARD_FUZZ is on (fuzz/CMakeLists.txt).
// Query-heavy seeds: result pages of search scripts, counters and boards,
// e.g. "search-robo1?a=1&key=x&st=10", "Count.cgi|df=a", "para?&&Querystring=".
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "urlmap/urlmap.h"

namespace {

constexpr size_t kSourceBytes = 1024;

std::string Decoded(const char* link) {
  std::string text;
  for (const char* p = link; *p != '\0'; ++p) {
    if (std::strncmp(p, "&amp;", 5) == 0) {
      text += '&';
      p += 4;
    } else {
      text += *p;
    }
  }
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hoard::IsHexDigit(static_cast<unsigned char>(text[i + 1])) &&
        hoard::IsHexDigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(hoard::HexValue(static_cast<unsigned char>(text[i + 1])) * 16 +
                               hoard::HexValue(static_cast<unsigned char>(text[i + 2])));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A file-name part: no separator, no NUL, so that mode 1 names one file.
  std::string rest;
  for (size_t i = 0; i < size && rest.size() < kSourceBytes - 1; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c != '\0') rest += c;
  }

  // Exact-size buffers, so that a step past their end is caught.
  std::unique_ptr<char[]> source(new char[kSourceBytes]);
  std::memset(source.get(), 0, kSourceBytes);
  std::memcpy(source.get(), rest.data(), rest.size());
  std::unique_ptr<char[]> name(new char[hoard::kLocalNameBufferBytes]);
  hoard::MapUrlToLocalPath(name.get(), hoard::kLocalNameBufferBytes, source.get(), kSourceBytes,
                           hoard::kMapFileName);

  const std::string url = "http://h/" + rest;
  std::unique_ptr<char[]> link(new char[hoard::kLinkBufferBytes]);
  std::memset(link.get(), 0, hoard::kLinkBufferBytes);
  std::memcpy(link.get(), url.data(), std::min(url.size(), hoard::kLinkBufferBytes - 1));
  hoard::MapLinkInPlace(link.get(), hoard::kLinkBufferBytes);

  // A small buffer, filled to its last byte.
  constexpr size_t kSmall = 64;
  std::unique_ptr<char[]> small(new char[kSmall]);
  const size_t fit = std::min(url.size(), kSmall - 1);
  std::memcpy(small.get(), url.data(), fit);
  small[fit] = '\0';
  hoard::MapLinkInPlace(small.get(), kSmall);

  // Every component of the file name within 31 bytes.
  size_t run = 0;
  for (const char* p = name.get(); *p != '\0'; ++p) {
    run = (*p == '/' || *p == ':') ? 0 : run + 1;
    if (run > 31) __builtin_trap();
  }

  // Only for plain file names: no separator the folders would take, no
  // escape of one, and short enough that neither buffer cuts the link.
  // (Names the rules make differently on purpose, a '?' after '_' and the
  // components that begin like a site rule, are left out; so is a quoted
  // script address, whose link keeps its text while the name keeps the
  // 31-byte bound.)
  const bool plain = rest.find_first_of("/:\\#") == std::string::npos &&
                     rest.find("_?") == std::string::npos && rest.rfind("Count", 0) != 0 &&
                     rest.rfind("jiji", 0) != 0 && rest.rfind("cimages", 0) != 0 &&
                     rest.rfind("id=", 0) != 0 && rest.rfind("http", 0) != 0 &&
                     rest.rfind("'+", 0) != 0 &&
                     rest.find('?') != std::string::npos && url.size() * 3 < hoard::kLinkBufferBytes;
  const std::string mapped = link.get();
  if (plain && mapped.rfind("http://h/", 0) == 0 && mapped.find('/', 9) == std::string::npos) {
    // A link to the folder itself means the folder's page.
    std::string linked = Decoded(mapped.c_str() + 9);
    if (linked.empty()) linked = "index.html";
    if (linked != name.get()) __builtin_trap();
  }
  return 0;
}

// The URL scan called as the tests call it: a file name from the part of a
// URL after its host, a link mapped in a link-sized buffer, and the place a
// mapped link names once a browser has decoded it.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/urlgen.h"
#include "urlmap/urlmap.h"

namespace hoard::test {

inline std::string FileName(const std::string& rest, size_t sourceBytes = kLinkBufferBytes) {
  std::vector<char> source(sourceBytes, '\0');
  std::memcpy(source.data(), rest.data(), std::min(rest.size(), source.size() - 1));
  std::vector<char> name(kLocalNameBufferBytes, '\0');
  MapUrlToLocalPath(name.data(), name.size(), source.data(), source.size(), kMapFileName);
  return name.data();
}

inline std::string Link(const std::string& link) {
  std::vector<char> buffer(kLinkBufferBytes, '\0');
  std::memcpy(buffer.data(), link.data(), std::min(link.size(), buffer.size() - 1));
  MapLinkInPlace(buffer.data(), buffer.size());
  return buffer.data();
}

// The components a mapped link names after its scheme, decoded as a browser
// decodes them; a link to a folder names the folder's page.
inline std::vector<std::string> DecodedPlace(const std::string& mapped) {
  const std::string decoded = BrowserDecode(mapped.substr(LinkSchemeLength(mapped.c_str())));
  std::vector<std::string> place(1);
  for (char c : decoded) {
    if (c == '/' || c == ':') {
      place.emplace_back();
    } else {
      place.back() += c;
    }
  }
  if (place.back().empty()) place.back() = std::string(kFolderPageName);
  return place;
}

}  // namespace hoard::test

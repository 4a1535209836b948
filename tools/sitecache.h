// Builds a browser cache folder from a site tree, as the browser would have
// left it after visiting every file of the site: each file under a cache
// name of one naming family (JCHnnnnn, flat), a CCHMGR20.DAT naming its URL
// under a chosen host, and some pages with the stored HTTP response header in
// front that the browser kept. Header-only, so that the tests and the tool
// share it.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace hoard::tools {

struct SiteFile {
  std::string relative;   // path inside the site, '/' separated
  std::string url;        // the URL the cache log names
  std::string cacheName;  // the file's name in the cache folder
};

namespace sitecache_detail {

inline std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Bytes a browser sends as they are in a URL path; everything else escaped.
inline std::string EscapePath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '.' || c == '-' || c == '_' || c == '~';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace sitecache_detail

// Copies every file of `site` into `cache` (created) and writes its cache
// log. Every third page gets a stored HTTP header. Returns the files in the
// log's order; empty when the site cannot be read.
inline std::vector<SiteFile> BuildSiteCache(const std::filesystem::path& site,
                                            const std::filesystem::path& cache,
                                            const std::string& host) {
  namespace fs = std::filesystem;
  using sitecache_detail::LowerAscii;
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator(site, error)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  fs::create_directories(cache);
  std::vector<SiteFile> out;
  std::string log = "JustView 2.0 Cache Manager\r\n";
  size_t pages = 0;
  for (const fs::path& file : files) {
    const std::string relative = file.lexically_relative(site).generic_string();
    const std::string extension = LowerAscii(file.extension().string());
    const bool page = extension == ".html" || extension == ".htm";
    std::string diskExtension;
    std::string logExtension;
    if (page) {
      diskExtension = ".HTM";
      logExtension = ".html";
    } else if (extension == ".gif") {
      diskExtension = ".GIF";
      logExtension = ".gif";
    } else if (extension == ".jpg" || extension == ".jpeg") {
      diskExtension = ".JPG";
      logExtension = ".jpeg";
    } else {
      // Other files keep a short extension of their own.
      std::string own = extension.size() > 4 ? extension.substr(0, 4) : extension;
      if (own.empty()) own = ".bin";
      diskExtension = own;
      logExtension = own;
    }
    char stem[16];
    std::snprintf(stem, sizeof stem, "JCH%05zu", out.size() + 1);
    SiteFile entry;
    entry.relative = relative;
    entry.url = "http://" + host + "/" + sitecache_detail::EscapePath(relative);
    entry.cacheName = std::string(stem) + diskExtension;
    std::ifstream in(file, std::ios::binary);
    std::ofstream copy(cache / entry.cacheName, std::ios::binary);
    if (page && ++pages % 3 == 0) {
      copy << "HTTP/1.1 200 OK\r\nDate: Tue, 15 Apr 2003 10:00:00 GMT\r\n"
              "Server: Apache/1.3.27 (Unix)\r\nContent-Type: text/html\r\n\r\n";
    }
    copy << in.rdbuf();
    log += entry.url + "," + stem + logExtension + "\r\n";
    out.push_back(entry);
  }
  std::ofstream(cache / "CCHMGR20.DAT", std::ios::binary) << log;
  return out;
}

}  // namespace hoard::tools

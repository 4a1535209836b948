#include "app/posix/warc.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <system_error>

#include "app/prompts.h"
#include "store/cachelog.h"
#include "store/contentcheck.h"
#include "store/fileref.h"

namespace hoard::app {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMacBinaryHeaderBytes = 128;

// ---------------------------------------------------------------------------
// SHA-1 (FIPS 180-4).

uint32_t RotateLeft(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

void Sha1Block(std::array<uint32_t, 5>& state, const unsigned char* block) {
  std::array<uint32_t, 80> w{};
  for (size_t i = 0; i < 16; ++i) {
    w[i] = uint32_t{block[4 * i]} << 24 | uint32_t{block[4 * i + 1]} << 16 |
           uint32_t{block[4 * i + 2]} << 8 | uint32_t{block[4 * i + 3]};
  }
  for (size_t i = 16; i < 80; ++i) w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
  for (size_t i = 0; i < 80; ++i) {
    uint32_t f = 0;
    uint32_t k = 0;
    if (i < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999;
    } else if (i < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1;
    } else if (i < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDC;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6;
    }
    const uint32_t next = RotateLeft(a, 5) + f + e + k + w[i];
    e = d;
    d = c;
    c = RotateLeft(b, 30);
    b = a;
    a = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
}

std::array<unsigned char, 20> Sha1(std::string_view bytes) {
  std::array<uint32_t, 5> state = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t whole = bytes.size() / 64 * 64;
  for (size_t i = 0; i < whole; i += 64) Sha1Block(state, data + i);
  // The tail, the 0x80 byte, zeros and the length in bits.
  std::array<unsigned char, 128> tail{};
  const size_t rest = bytes.size() - whole;
  std::memcpy(tail.data(), data + whole, rest);
  tail[rest] = 0x80;
  const size_t tailBytes = rest + 1 + 8 <= 64 ? 64 : 128;
  const uint64_t bits = static_cast<uint64_t>(bytes.size()) * 8;
  for (size_t i = 0; i < 8; ++i) tail[tailBytes - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
  for (size_t i = 0; i < tailBytes; i += 64) Sha1Block(state, tail.data() + i);
  std::array<unsigned char, 20> digest{};
  for (size_t i = 0; i < 20; ++i) digest[i] = static_cast<unsigned char>(state[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

// ---------------------------------------------------------------------------
// Records.

std::string NewRecordId() {
  static std::random_device device;
  std::array<unsigned char, 16> bytes{};
  for (size_t i = 0; i < bytes.size(); i += 4) {
    const uint32_t value = device();
    std::memcpy(bytes.data() + i, &value, 4);
  }
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // the RFC 4122 variant
  static constexpr char kHex[] = "0123456789abcdef";
  std::string id = "<urn:uuid:";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) id += '-';
    id += kHex[bytes[i] >> 4];
    id += kHex[bytes[i] & 15];
  }
  return id + ">";
}

std::string UtcTime(std::time_t when) {
  std::tm parts{};
  gmtime_r(&when, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

// A stored header's lines ending CR LF, the empty line last.
std::string HeaderWithCrLf(std::string_view stored) {
  std::string header;
  size_t start = 0;
  while (start < stored.size()) {
    size_t end = stored.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = stored.size();
    const std::string_view line = stored.substr(start, end - start);
    if (line.empty()) break;
    header.append(line);
    header += "\r\n";
    start = end;
    if (start < stored.size() && stored[start] == '\r') ++start;
    if (start < stored.size() && stored[start] == '\n') ++start;
  }
  return header + "\r\n";
}

std::string RecordText(std::string_view type, const std::string& id, const std::string& date,
                       std::string_view extraFields, std::string_view contentType,
                       std::string_view block) {
  std::string record = "WARC/1.1\r\nWARC-Type: ";
  record.append(type);
  record += "\r\nWARC-Record-ID: " + id + "\r\nWARC-Date: " + date + "\r\n";
  record.append(extraFields);
  record += "Content-Type: ";
  record.append(contentType);
  record += "\r\nContent-Length: " + std::to_string(block.size()) + "\r\n\r\n";
  record.append(block);
  record += "\r\n\r\n";
  return record;
}

// One record as its own gzip member.
bool AppendGzipMember(std::string_view data, FILE* out) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    return false;
  }
  std::array<unsigned char, 65536> buffer{};
  size_t offset = 0;
  bool ok = true;
  int flush = Z_NO_FLUSH;
  while (ok && flush != Z_FINISH) {
    const size_t chunk = std::min<size_t>(data.size() - offset, 1 << 20);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + offset));
    stream.avail_in = static_cast<uInt>(chunk);
    offset += chunk;
    flush = offset == data.size() ? Z_FINISH : Z_NO_FLUSH;
    do {
      stream.next_out = buffer.data();
      stream.avail_out = static_cast<uInt>(buffer.size());
      if (deflate(&stream, flush) == Z_STREAM_ERROR) {
        ok = false;
        break;
      }
      const size_t produced = buffer.size() - stream.avail_out;
      if (std::fwrite(buffer.data(), 1, produced, out) != produced) ok = false;
    } while (ok && stream.avail_out == 0);
  }
  deflateEnd(&stream);
  return ok;
}

bool ReadWhole(const std::string& path, std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[65536];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

std::string TargetUri(const char* url) {
  std::string uri = url;
  if (uri.find("://") == std::string::npos) uri.insert(0, "http://");
  return uri;
}

// The cache files of the run and their folder: a folder's regular files in
// name order, or the files named.
bool CacheFilesOf(const std::vector<std::string>& args, fs::path& folder,
                  std::vector<fs::path>& files) {
  std::error_code error;
  if (args.size() == 1 && fs::is_directory(args[0], error)) {
    folder = fs::absolute(args[0], error).lexically_normal();
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      std::error_code kindError;
      if (it->is_regular_file(kindError)) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return !error;
  }
  for (const std::string& arg : args) files.push_back(fs::absolute(arg, error).lexically_normal());
  if (files.empty()) return false;
  folder = files[0].parent_path();
  return true;
}

// Whether `path` is the folder or lies anywhere inside it.
bool IsInside(const fs::path& path, const fs::path& folder) {
  std::error_code error;
  const fs::path where = fs::weakly_canonical(path, error);
  const fs::path base = fs::weakly_canonical(folder, error);
  const fs::path relative = where.lexically_relative(base);
  return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

std::string Sha1Base32(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
  const std::array<unsigned char, 20> digest = Sha1(bytes);
  std::string out;
  uint32_t buffer = 0;
  int bits = 0;
  for (unsigned char byte : digest) {
    buffer = (buffer << 8) | byte;
    bits += 8;
    while (bits >= 5) {
      out += kAlphabet[(buffer >> (bits - 5)) & 31];
      bits -= 5;
    }
  }
  return out;  // 160 bits: 32 letters, no padding
}

void ResponseBlock(std::string_view fileBytes, std::string_view mimeType, std::string& block,
                   size_t& payloadStart) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(fileBytes.data());
  std::string_view content = fileBytes;
  uint32_t dataLength = 0;
  if (fileBytes.size() >= kMacBinaryHeaderBytes &&
      IsMacBinaryHeader(bytes, fileBytes.size(), dataLength)) {
    content = fileBytes.substr(kMacBinaryHeaderBytes, dataLength);
  }
  uint32_t skip = 0;
  uint32_t bodyLength = 0;
  std::string header;
  if (FindStoredHttpHeader(reinterpret_cast<const unsigned char*>(content.data()), content.size(),
                           skip, bodyLength)) {
    header = HeaderWithCrLf(content.substr(0, skip));
    content = content.substr(skip, bodyLength);
  } else {
    header = "HTTP/1.0 200 OK\r\nContent-Type: ";
    header.append(mimeType.empty() ? "application/octet-stream" : mimeType);
    header += "\r\nContent-Length: " + std::to_string(content.size()) + "\r\n\r\n";
  }
  block = header;
  payloadStart = header.size();
  block.append(content);
}

WarcSummary ExportWarc(const std::vector<std::string>& args, const std::string& warcPath,
                       WarcResult& result) {
  WarcSummary summary;
  result = WarcResult::kFailed;
  fs::path folder;
  std::vector<fs::path> files;
  if (!CacheFilesOf(args, folder, files) || files.empty()) {
    summary.message = "no cache files to export";
    return summary;
  }
  if (IsInside(warcPath, folder)) {
    result = WarcResult::kRefused;
    summary.message = "the WARC file must not be written inside the cache folder " + folder.string();
    return summary;
  }

  FileRef logRef;
  const std::string logPath = (folder / "CCHMGR20.DAT").string();
  if (ParseFileRef(logPath, NativePathStyle(), logRef) != kNoError) {
    summary.message = "the cache folder's path is too long";
    return summary;
  }
  CacheLog log;
  if (LoadCacheLog(logRef, log, UiPrompts()) != LoadResult::kLoaded) {
    ReleaseCacheLog(log);
    summary.message = "no cache log to export from";
    return summary;
  }

  std::string temporary = warcPath + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  FILE* out = fd < 0 ? nullptr : fdopen(fd, "wb");
  if (out == nullptr) {
    if (fd >= 0) close(fd);
    ReleaseCacheLog(log);
    summary.message = "cannot create " + temporary;
    return summary;
  }
  fchmod(fd, 0644);

  const std::string infoId = NewRecordId();
  const std::string info =
      "software: hoard-hoard 2.2\r\nformat: WARC File Format 1.1\r\n"
      "description: a browser cache, one response record per cache file its cache log lists\r\n";
  bool ok = AppendGzipMember(
      RecordText("warcinfo", infoId, UtcTime(std::time(nullptr)),
                 "WARC-Filename: " + fs::path(warcPath).filename().string() + "\r\n",
                 "application/warc-fields", info),
      out);
  for (const fs::path& file : files) {
    if (!ok) break;
    const std::string name = file.filename().string();
    CacheLogEntry entry;
    if (IsLogFileName(name, kLogAnyKind) ||
        LookupCacheFile(log, name, entry) != LookupResult::kFound || entry.url == nullptr ||
        entry.url[0] == '\0') {
      ++summary.unlisted;
      continue;
    }
    std::string bytes;
    struct stat status = {};
    if (!ReadWhole(file.string(), bytes) || stat(file.c_str(), &status) != 0) {
      summary.message = "cannot read " + file.string();
      ok = false;
      break;
    }
    std::string block;
    size_t payloadStart = 0;
    ResponseBlock(bytes, entry.mimeType, block, payloadStart);
    const std::string fields =
        "WARC-Target-URI: " + TargetUri(entry.url) + "\r\nWARC-Warcinfo-ID: " + infoId +
        "\r\nWARC-Payload-Digest: sha1:" +
        Sha1Base32(std::string_view(block).substr(payloadStart)) +
        "\r\nWARC-Block-Digest: sha1:" + Sha1Base32(block) + "\r\n";
    ok = AppendGzipMember(RecordText("response", NewRecordId(), UtcTime(status.st_mtime), fields,
                                     "application/http;msgtype=response", block),
                          out);
    if (ok) ++summary.records;
  }
  ReleaseCacheLog(log);
  ok = ok && std::fflush(out) == 0 && fsync(fileno(out)) == 0;
  ok = std::fclose(out) == 0 && ok;
  if (!ok || std::rename(temporary.c_str(), warcPath.c_str()) != 0) {
    unlink(temporary.c_str());
    if (summary.message.empty()) summary.message = "cannot write " + warcPath;
    return summary;
  }
  result = WarcResult::kWritten;
  return summary;
}

}  // namespace hoard::app

namespace hoard::app {

int RunWarcExport(const ArgList& args, const char* warcPath, bool quiet) {
  std::vector<std::string> paths;
  for (size_t i = 0; i < args.count; ++i) paths.emplace_back(args.items[i]);
  WarcResult result = WarcResult::kFailed;
  const WarcSummary summary = ExportWarc(paths, warcPath, result);
  if (result != WarcResult::kWritten) {
    std::fprintf(stderr, "hoard-hoard: %s\n", summary.message.c_str());
    return result == WarcResult::kRefused ? 2 : 1;
  }
  if (!quiet) {
    std::fprintf(stderr, "hoard-hoard: %s: %zu response records; %zu files the cache log does not list\n",
                 warcPath, summary.records, summary.unlisted);
  }
  return 0;
}

}  // namespace hoard::app

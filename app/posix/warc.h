// The cache as a web archive: a WARC/1.1 file with a "warcinfo" record
// first, then one "response" record per cache file the cache log lists, each
// record its own gzip member. A record's HTTP header is the one stored in
// front of the cache file where there is one (its lines ending CR LF), else
// one made from the log's MIME type; its payload is the file's content as
// cached (after a MacBinary header, which is the browser's wrapping, not the
// response). The cache folder is only read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/run.h"

namespace hoard::app {

// SHA-1 of `bytes` as the 32 letters of its base-32 form (RFC 4648), the
// way archives write their digests.
std::string Sha1Base32(std::string_view bytes);

struct WarcSource {
  std::string path;      // the cache file
  std::string url;       // the log's URL
  std::string mimeType;  // the log's MIME type
};

// One "response" record's block for a cache file's bytes: the HTTP header
// (stored or made) and the payload. `payloadStart` is where the payload
// begins in `block`.
void ResponseBlock(std::string_view fileBytes, std::string_view mimeType, std::string& block,
                   size_t& payloadStart);

enum class WarcResult { kWritten, kRefused, kFailed };
struct WarcSummary {
  size_t records = 0;   // response records written
  size_t unlisted = 0;  // cache files the log does not list
  std::string message;  // why it was refused or failed
};

// Writes the WARC file for the cache files named by `args` (a folder: every
// file in it; files: those) to `warcPath`, through a temporary file beside it
// and a rename. A WARC path inside the cache folder is refused.
WarcSummary ExportWarc(const std::vector<std::string>& args, const std::string& warcPath,
                       WarcResult& result);

// The program's --warc run over its path arguments: the export, and a line
// on standard error saying what was written (unless `quiet`) or why not.
// The exit status: 0 written, 1 failed, 2 refused.
int RunWarcExport(const ArgList& args, const char* warcPath, bool quiet);

}  // namespace hoard::app

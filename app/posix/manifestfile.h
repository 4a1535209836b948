// The manifest file of a batch, and the plan of a conversion, as the
// terminal program writes them.
#pragma once

#include <cstdio>
#include <string>

namespace hoard::app {

// Writes "h-hoard-manifest.csv" in the batch's folder: the rows of an
// earlier manifest there that the batch did not replace, then the batch's
// rows with each file's size and SHA-256 as it lies now. The whole text
// goes to a new file that is flushed and then renamed over the old one, so
// that a batch that never gets here leaves the earlier manifest whole. A
// manifest name held by a link or by a file that is no manifest is never
// replaced. False, with `why`, when nothing was written; true also when the
// batch had no file to record.
bool WriteBatchManifest(std::string& why);

// The plan of the batch: one CSV line per cache file (the manifest's
// columns without the size after and the checksum).
void PrintPlan(std::FILE* out);

// The SHA-256 of a file's bytes in lower-case hex; empty when it cannot be
// read. A link is not followed.
std::string Sha256OfFile(const std::string& path, long long& size);

}  // namespace hoard::app

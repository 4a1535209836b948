// The plan of a conversion: what ConvertCacheFile would do with each file,
// worked out without changing a byte, a time or a folder. The disk is read
// as it is; what the earlier files of the batch would have made of it
// (folders made, files placed, moved or deleted) is held in memory beside
// it, so that each file is planned as the real batch would find the disk.
#pragma once

#include "base/runcontext.h"
#include "pipeline/convert.h"
#include "store/cachelog.h"
#include "store/fileref.h"
#include "store/types.h"

namespace hoard {

// Records the fate of one looked-up file (pipeline/manifest.h) as the
// conversion would decide it, given how its look-up came out.
void PlanCacheFile(const FileRef& file, CacheLog& log, ResolveResult resolved, TypeCode kind,
                   char (&path)[kPathBytes], const RunContext& run);

// Forgets what the earlier files of the batch would have made.
void ResetPlan();

}  // namespace hoard

// Everything a conversion reads from its run besides the files: the options,
// where progress goes and stop requests come from, and who answers its
// questions. The front end builds one per run and hands it down.
#pragma once

#include "base/options.h"
#include "base/progress.h"
#include "base/prompts.h"

namespace hoard {

struct RunContext {
  const Options& options;
  ProgressSink& progress;
  Prompts& prompts;
};

}  // namespace hoard

// The batch's progress figures and the sink through which the core reports
// its progress and learns of a stop request. The core never draws and never
// reads a process-wide flag: it is handed a sink, and the front end decides
// what a tick shows and when a stop has been asked for (app/progress.h).
#pragma once

#include <cstdint>
#include <string_view>

namespace hoard {

struct ProgressState {
  int32_t total = 0;    // files in the batch; 0 for a single file from the dialog
  int32_t current = 0;  // 1-based index of the file being converted
  int32_t start = 0;    // wall-clock seconds when the batch started
};

class ProgressSink {
 public:
  // Work went on: redraw what changed and serve one pending user event (the
  // abort button, Ctrl-C). The page rewriter passes the page's size and its
  // scan position; every other caller passes 0, 0.
  virtual void Tick(uint32_t partSize, uint32_t partPosition) = 0;
  // The URL (after its scheme) of the file now being converted.
  virtual void ShowCurrentItem(std::string_view text) = 0;
  // The user asked the run to stop; read before each file and while a page
  // is rewritten.
  virtual bool StopRequested() = 0;

 protected:
  ~ProgressSink() = default;
};

// A sink that shows nothing and never stops: tools and benchmarks.
class QuietProgress final : public ProgressSink {
 public:
  void Tick(uint32_t, uint32_t) override {}
  void ShowCurrentItem(std::string_view) override {}
  bool StopRequested() override { return false; }
};

}  // namespace hoard

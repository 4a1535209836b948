// Settings a test changes, put back when it ends.
#pragma once

#include "app/options.h"
#include "store/contentcheck.h"

namespace hoard::test {

// The broken-image setting of the process's options, which the programs'
// run context hands to the core.
inline int BrokenImageMode() { return CurrentOptions().BrokenImageMode; }
inline void SetBrokenImageMode(int mode) {
  Options& options = CurrentOptions();
  options.BrokenImageMode = static_cast<uint8_t>(mode);
  options.CheckGif = options.CheckJpeg = mode != 0 ? 1 : 0;
}

class ModeGuard {
 public:
  explicit ModeGuard(int mode) : saved_(BrokenImageMode()) { SetBrokenImageMode(mode); }
  ~ModeGuard() { SetBrokenImageMode(saved_); }
  ModeGuard(const ModeGuard&) = delete;
  ModeGuard& operator=(const ModeGuard&) = delete;

 private:
  int saved_;
};

// The options record.
class OptionsGuard {
 public:
  OptionsGuard() : saved_(CurrentOptions()) {}
  ~OptionsGuard() { CurrentOptions() = saved_; }
  OptionsGuard(const OptionsGuard&) = delete;
  OptionsGuard& operator=(const OptionsGuard&) = delete;

 private:
  Options saved_;
};

}  // namespace hoard::test

// Settings a test changes, put back when it ends.
#pragma once

#include "app/options.h"
#include "store/contentcheck.h"

namespace hoard::test {

// The broken-image setting of the core.
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

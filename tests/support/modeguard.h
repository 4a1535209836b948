// The broken-image setting for one test, put back afterwards.
#pragma once

#include "store/contentcheck.h"

namespace hoard::test {

class ModeGuard {
 public:
  explicit ModeGuard(int mode) : saved_(BrokenImageMode()) { SetBrokenImageMode(mode); }
  ~ModeGuard() { SetBrokenImageMode(saved_); }
  ModeGuard(const ModeGuard&) = delete;
  ModeGuard& operator=(const ModeGuard&) = delete;

 private:
  int saved_;
};

}  // namespace hoard::test

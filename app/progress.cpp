#include "app/progress.h"

namespace hoard {

volatile int AbortRequested = 0;

ProgressState& Progress() {
  static ProgressState state;
  return state;
}

}  // namespace hoard

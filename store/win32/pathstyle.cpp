#include "store/fileref.h"

namespace hoard {

PathStyle NativePathStyle() { return PathStyle::kWindows; }

}  // namespace hoard

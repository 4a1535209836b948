#include "store/fileref.h"

namespace hoard {

PathStyle NativePathStyle() { return PathStyle::kPosix; }

}  // namespace hoard

#include "html/searchpage.h"

namespace hoard {

bool CheckSearchPageTitle(PageScan& /*scan*/) { return false; }

int CleanSearchPageImage(PageScan& /*scan*/) { return 0; }

}  // namespace hoard

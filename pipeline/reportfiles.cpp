#include "pipeline/reportfiles.h"

#include "pipeline/detectionlog.h"
#include "pipeline/manifest.h"
#include "store/pstring.h"

namespace hoard {

bool IsRunReportName(std::string_view name) {
  return IsDetectionLogName(name) || PStringEqualNoCase(name, kIndexPageName) ||
         PStringEqualNoCase(name, kMissingListName) ||
         PStringEqualNoCase(name, kManifestName);
}

}  // namespace hoard

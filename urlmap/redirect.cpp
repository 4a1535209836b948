#include "urlmap/redirect.h"

namespace hoard {

// The redirector rows come with their site-table hosts; until then no URL is
// a redirector and every URL is mapped under its own path.
int UnwrapRedirect(RedirectCursors& /*cursors*/) { return 0; }

void DecodeTargetEscapes(char* /*text*/) {}

size_t FindClickTrackingPath(const char* /*text*/) { return 0; }

}  // namespace hoard

// Over-long host names of the cache log's URLs.
#pragma once

namespace hoard {

// For a URL as the cache log gives it: where it starts once a host part of 32
// bytes or more has lost its leading labels, up to the first '.' each, until
// it is at most 31 bytes or has no '.' left. A text whose first '/' comes
// within 32 bytes (a scheme, a short host) or that has none comes back as it
// is. Null stays null.
const char* ShortenLongHost(const char* url);

}  // namespace hoard

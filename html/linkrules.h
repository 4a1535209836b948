// The pure rules of the link rewriter: the page's place in the mirror, the
// host-name test, whether a link needs the URL mapping, the leading-dots
// repair, and the two ways a link is made relative to the page's folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "html/scanstate.h"

namespace hoard {

// The numeric host address taken for the page's own host in a BASE tag.
inline constexpr std::string_view kOwnHostAlias = "127.0.0.1";

// A name that looks like a host: "www." first, a numeric address, or a
// known top-level label.
bool IsHostName(std::string_view name);

// Page base, depth and root depth of a page whose URL is known.
void PageContextFromUrl(const char* url, PageScan& scan);
// The same from the page's full path when the URL is unknown: the nearest
// folder that looks like a host (with a port folder below it), else a '~'
// folder. `separator` is the path's separator.
void PageContextFromPath(std::string_view path, char separator, PageScan& scan);

// The backup's name for a page name: cut to 28 bytes (keeping an '=' tail),
// then ".bk", or ".b1" when that would be the page's own name.
PName BackupNameFor(std::string_view name);

// A link to what is no file of the mirror ("mailto:", "javascript:" and the
// like): left as it is.
bool IsNonFileLink(std::string_view link);

// Whether a link must go through the URL mapping, for the tag it is in.
bool LinkNeedsMapping(std::string_view link, TagKind kind);

// Whether the mapping would change the name a link leads to (once a browser
// has decoded the escapes of both), for a link without a query: a device
// name, a trailing '.', a name cut to 31 bytes that the rules above let by.
bool MappingChangesName(const char* link);

// Maps a link in place to the name its target is stored under, keeping
// what is no part of a name: the leading "./" and "../" steps of a relative
// link, which are path steps, and a fragment, which stays a fragment.
void MapLinkTarget(char* link, size_t capacity);

// Makes a relative link rooted at the host as a BASE of the page's own host
// with the folder `baseFolder` (empty for the root) resolves it: "/", the
// folder and the link, "." and ".." steps taken as a browser takes them (no
// step above the root). False, and the link unchanged, when it does not fit.
bool RootLinkAtBase(char* link, size_t capacity, std::string_view baseFolder);

// Removes surplus leading dots in place; true when it removed any. "../"
// steps beyond the site's root are dropped, as a browser ignores them.
bool RepairLeadingDots(char* link, int16_t depth);

// A bounded text builder for composed links: once anything does not fit,
// the composition is marked failed and the link is left unrewritten.
struct ComposedLink {
  char bytes[kComposedLinkBytes];
  size_t length = 0;
  bool overflow = false;
  void Add(std::string_view text);
  void Climb(int count);  // "../" `count` times
  std::string_view View() const { return {bytes, length}; }
};

// Rule B: the link (absolute or host-relative) relative to the page's
// folder. `link` is the value as it will stand, after the own-host part was
// taken off.
void ComposeFromPage(std::string_view link, size_t schemeLength, const PageScan& scan,
                     ComposedLink& out);
// Rule A: the link resolved against a base folder taken from a BASE tag,
// with `levels` steps up first. `foreign` tells a folder that begins with
// another host.
void ComposeFromBase(std::string_view link, std::string_view baseFolder, int levels,
                     bool foreign, ComposedLink& out);
// A host and path without scheme as a mirror path: a port after the host
// names a folder inside the host's folder.
void AddMirrorPath(std::string_view hostAndPath, ComposedLink& out);

// The length of the page's own host at the start of `hostAndPath` (after the
// scheme): the page base or the alias address when the host is exactly that
// (not merely begins with it); 0 otherwise.
size_t OwnHostLength(std::string_view hostAndPath, const PageScan& scan);

}  // namespace hoard

// The state of one page's scan, shared by the link rewriter and the rule
// modules it calls (script and form addresses, banners and tables, search
// result pages). The page text is one block in memory; the output receives
// the text in runs between replacements.
#pragma once

#include <array>
#include <vector>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/ascii.h"
#include "store/fileref.h"
#include "store/files.h"

namespace hoard {

class ProgressSink;

enum class TagKind : uint8_t {
  kNone,
  kImage,
  kBody,
  kAnchor,
  kBase,
  kMeta,
  kMetaHttpEquiv,
  kEmbed,
  kTable,
  kCell,
  kRow,
  kScript,
  kScriptSrc,
  kInput,
  kForm,
  kOption,
  kButton,
  kFont,
};

enum class AttributeKind : uint8_t {
  kNone,
  kSrc,
  kBackground,
  kScriptCall,
  kHref,
  kBaseHref,
  kMetaUrl,
  kFrameSrc,
  kScriptFile,
};

// A link value holds at most 2047 bytes; a composed relative link at most 511.
inline constexpr size_t kMaxLinkBytes = 2047;
inline constexpr size_t kComposedLinkBytes = 512;
inline constexpr size_t kOwnBaseFolderBytes = 2048;
inline constexpr size_t kMaxPageBaseBytes = 255;

struct PageScan {
  // The loaded text.
  unsigned char* text = nullptr;
  size_t size = 0;

  // Page context.
  std::array<char, kMaxPageBaseBytes + 1> pageBase{};
  size_t baseLength = 0;
  int16_t depth = 0;
  // Folder levels from the mirror root to the page's folder: the depth, plus
  // one when the page base carries a port, whose folder lies inside the host's.
  int16_t rootDepth = 0;
  // Folders up from the page's own one that are plain folders of the
  // mirror (never links).
  int plainFolderLevels = 0;
  // The page's folder as a path (its length 0 until made), and the path a
  // link names, for the folder test.
  CPath folderPath{};
  size_t folderPathLength = 0;
  CPath linkPath{};
  // The last component of the page's URL, without its query: what a link
  // of a query alone ("?page=2") goes to. Empty when unknown or too long.
  std::array<char, kComposedLinkBytes> pageName{};

  // Output.
  FileRef file;
  FileHandle output = kNullHandle;
  bool outputOpened = false;  // the unfinished new page was created
  // The output is the batch's spare file, written over: cut at its end.
  bool outputOverSpare = false;
  uint64_t outputBytes = 0;  // handed to the file so far
  // Bytes of the new page not yet handed to the file: a page goes out in a
  // few large writes rather than one a stretch between links.
  std::vector<unsigned char> pending;
  // The old page stays beside the new one as its backup under this name;
  // without a backup the new page replaces it in one step.
  bool keepBackup = true;
  // The old page's bytes are no one else's: its file may become the spare.
  bool oldPagePrivate = false;
  PName backupName;
  // The old page's last-write time, which the new page keeps.
  uint64_t pageTime = 0;

  // Scanner.
  size_t position = 0;
  size_t flushed = 0;
  size_t linkStart = 0;
  TagKind tagKind = TagKind::kNone;
  AttributeKind attributeKind = AttributeKind::kNone;
  unsigned char quote = 0;
  bool dirty = false;
  bool needsMapping = false;
  size_t baseTagStart = 0;
  std::array<char, kOwnBaseFolderBytes> ownBaseFolder{};
  // A BASE tag named the page's own host; `ownBaseFolder` is its folder,
  // empty for the host's root.
  bool ownBase = false;
  std::array<char, kMaxLinkBytes + 1> foreignBaseFolder{};
  int16_t openTables = 0;
  bool inPre = false;
  int result = 0;
  size_t lastProgress = 0;
  bool searchPage = false;
  ProgressSink* progress = nullptr;

  std::array<char, kMaxLinkBytes + 1> link{};
};

// The output protocol, for the rule modules. Each returns 0, or the result
// that stops the scan (also stored in `result`).
//
// Opens the output at the first change: a new file under the page's
// unfinished name, the page itself untouched until the new one is whole.
// Returns the platform error on failure.
int OpenPageOutput(PageScan& scan);
// Writes text[flushed, end) and moves `flushed` to `end`.
int WriteUpTo(PageScan& scan, size_t end);
// Writes bytes that replace text.
int WriteBytesOut(PageScan& scan, std::string_view bytes);

// Token comparison: ASCII letters fold case, a space in the token matches a
// space, tab, LF or CR. The whole token must lie inside the text. Inline:
// the scan tries it at nearly every byte of a tag.
inline bool MatchToken(const PageScan& scan, size_t at, std::string_view token) {
  if (at > scan.size || scan.size - at < token.size()) return false;
  for (size_t i = 0; i < token.size(); ++i) {
    const unsigned char want = static_cast<unsigned char>(token[i]);
    const unsigned char have = scan.text[at + i];
    if (want == ' ') {
      if (have != ' ' && have != '\t' && have != '\n' && have != '\r') return false;
    } else if (FoldAscii(want) != FoldAscii(have)) {
      return false;
    }
  }
  return true;
}
// Plain byte comparison.
bool MatchExact(const PageScan& scan, size_t at, std::string_view token);

}  // namespace hoard

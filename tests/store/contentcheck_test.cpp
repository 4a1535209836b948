#include "store/contentcheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "pipeline/brokenimages.h"
#include "store/files.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

// ---------------------------------------------------------------------------
// Helpers.


// Runs a byte check on a heap block of exactly the bytes' size, so that the
// sanitizer sees any read past the end.
template <typename Check>
auto OnExactBlock(const std::string& bytes, Check check) {
  std::unique_ptr<unsigned char[]> block(new unsigned char[bytes.size()]);
  for (size_t i = 0; i < bytes.size(); ++i) block[i] = static_cast<unsigned char>(bytes[i]);
  return check(block.get(), bytes.size());
}

bool GifBroken(const std::string& bytes) { return OnExactBlock(bytes, IsBrokenGif); }
bool JpegBroken(const std::string& bytes) { return OnExactBlock(bytes, IsBrokenJpeg); }

FileRef RefTo(const test::TempFolder& folder, const std::string& name) {
  FileRef ref;
  EXPECT_NE(MakeFileRef(folder.Join(name).c_str(), ref), kBadName);
  return ref;
}

std::string Byte(unsigned value) { return std::string(1, static_cast<char>(value)); }
std::string Be16(unsigned value) { return Byte(value >> 8) + Byte(value & 0xFF); }
std::string Le16(unsigned value) { return Byte(value & 0xFF) + Byte(value >> 8); }

// --- GIF pieces ------------------------------------------------------------

// Signature and logical screen descriptor; with a colour table of 2^(size+1)
// entries when `tableSize` is not negative.
std::string GifHeader(int tableSize = -1) {
  std::string out = "GIF89a" + Le16(2) + Le16(2);
  out += Byte(tableSize < 0 ? 0x00 : 0x80 | tableSize) + Byte(0) + Byte(0);
  if (tableSize >= 0) out += std::string(3u << (tableSize + 1), '\x11');
  return out;
}

// An image descriptor, its LZW code size and one data sub-block.
std::string GifImage(int localTableSize = -1) {
  std::string out = "\x2C" + Le16(0) + Le16(0) + Le16(2) + Le16(2);
  out += Byte(localTableSize < 0 ? 0x00 : 0x80 | localTableSize);
  if (localTableSize >= 0) out += std::string(3u << (localTableSize + 1), '\x22');
  return out + Byte(2) + Byte(3) + "\x84\x1D\x05" + Byte(0);
}

const std::string kGifControl = "\x21\xF9\x04" + std::string(4, '\0') + Byte(0);
const std::string kGifLoop = "\x21\xFF\x0BNETSCAPE2.0\x03\x01" + std::string(2, '\0') + Byte(0);
const std::string kGifComment = "\x21\xFE\x05hello" + Byte(0);
const std::string kGifTrailer = "\x3B";

std::string WholeGif() { return GifHeader(1) + kGifLoop + kGifControl + GifImage() + kGifTrailer; }

// --- JPEG pieces -----------------------------------------------------------

std::string Segment(unsigned marker, const std::string& payload) {
  return Be16(marker) + Be16(static_cast<unsigned>(payload.size()) + 2) + payload;
}

const std::string kSoi = "\xFF\xD8";
const std::string kEoi = "\xFF\xD9";
const std::string kJfif = Segment(0xFFE0, std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
const std::string kQuant = Segment(0xFFDB, Byte(0) + std::string(64, '\x01'));
std::string Frame(unsigned marker) {
  return Segment(marker, Byte(8) + Be16(16) + Be16(16) + Byte(1) + Byte(1) + Byte(0x11) +
                             Byte(0));
}
const std::string kHuffman = Segment(0xFFC4, Byte(0) + Byte(1) + std::string(15, '\0') + Byte(0));
const std::string kScan =
    Segment(0xFFDA, Byte(1) + Byte(1) + Byte(0) + Byte(0) + Byte(0x3F) + Byte(0)) +
    std::string("\x12\x34\xFF\x00\x56\x78", 6);

std::string WholeJpeg(unsigned frame = 0xFFC0) {
  return kSoi + kJfif + kQuant + Frame(frame) + kHuffman + kScan + kEoi;
}

// An APP0 extension segment holding a thumbnail coded as JPEG.
std::string Thumbnail(const std::string& jpeg) {
  return Segment(0xFFE0, std::string("JFXX\0\x10", 6) + jpeg);
}

// ---------------------------------------------------------------------------
// Type of a file.

TEST(TypeOfFile, NamesCountWithExactCaseAndImagesOnlyWhileDetecting) {
  struct Case {
    const char* name;
    TypeCode detectionOff;
    TypeCode detectionOn;
  };
  const Case cases[] = {
      {"JCH00012.html", kTypeText, kTypeText}, {"JCH00012.HTM", kTypeText, kTypeText},
      {"JCH00012.htm", kTypeText, kTypeText},  {"notes.txt", kTypeText, kTypeText},
      {"NOTES.TXT", kTypeText, kTypeText},     {"page.HTML", kTypeNone, kTypeNone},
      {"page.Htm", kTypeNone, kTypeNone},      {"notes.Txt", kTypeNone, kTypeNone},
      {"logo.GIF", kTypeNone, kTypeGif},       {"logo.gif", kTypeNone, kTypeGif},
      {"logo.Gif", kTypeNone, kTypeNone},      {"photo.jpeg", kTypeNone, kTypeJpeg},
      {"photo.JPG", kTypeNone, kTypeJpeg},     {"photo.jpg", kTypeNone, kTypeJpeg},
      {"photo.JPEG", kTypeNone, kTypeNone},    {"photo.Jpg", kTypeNone, kTypeNone},
      {"M0000001", kTypeNone, kTypeNone},      {"song.mid", kTypeNone, kTypeNone},
  };
  test::TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    folder.Write(c.name, "plain words, no image signature");
    const FileRef ref = RefTo(folder, c.name);
    EXPECT_EQ(TypeOfFile(ref, kBrokenImageOff), c.detectionOff);
    EXPECT_EQ(TypeOfFile(ref, kBrokenImageRecycle), c.detectionOn);
  }
}

TEST(TypeOfFile, ContentWinsOverTheNameWhileDetecting) {
  struct Case {
    const char* what;
    const char* name;
    std::string content;  // empty: no such file
    TypeCode detectionOff;
    TypeCode detectionOn;
  };
  const std::string jfif = kSoi + kJfif;
  const Case cases[] = {
      {"a GIF named .gif", "x.gif", "GIF89a", kTypeNone, kTypeGif},
      {"a JPEG named .html", "page.html", jfif, kTypeText, kTypeJpeg},
      {"a GIF named .jpg", "x.jpg", "GIF87a and more", kTypeNone, kTypeGif},
      {"a JPEG without a name type", "M0000001", jfif, kTypeNone, kTypeJpeg},
      {"a page named .gif keeps the name's type", "x.gif", "<html>", kTypeNone, kTypeGif},
      {"a missing file keeps the name's type", "gone.jpg", "", kTypeNone, kTypeJpeg},
      {"a signature past 256 bytes is not seen", "late", std::string(256, ' ') + "GIF89a",
       kTypeNone, kTypeNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder folder;
    if (!c.content.empty()) folder.Write(c.name, c.content);
    const FileRef ref = RefTo(folder, c.name);
    EXPECT_EQ(TypeOfFile(ref, kBrokenImageOff), c.detectionOff);
    EXPECT_EQ(TypeOfFile(ref, kBrokenImageReport), c.detectionOn);
  }
}

TEST(TypeOfFile, AnEmptyFileIsTypedByItsName) {
  test::TempFolder folder;
  folder.Write("empty.gif", "");
  EXPECT_EQ(TypeOfFile(RefTo(folder, "empty.gif"), kBrokenImageDelete), kTypeGif);
}

TEST(ImageSignatures, NeedEveryByteAndNeverReadPastTheBuffer) {
  struct Case {
    const char* what;
    std::string bytes;
    bool gif;
    bool jpeg;
  };
  const Case cases[] = {
      {"GIF87a", "GIF87a", true, false},
      {"GIF89a", "GIF89a", true, false},
      {"any two digits and a lower-case letter", "GIF12z", true, false},
      {"an upper-case letter", "GIF89A", false, false},
      {"a letter among the digits", "GIF8xa", false, false},
      {"cut before the letter", "GIF89", false, false},
      {"JFIF", kSoi + kJfif, false, true},
      {"JFIF cut inside the name", (kSoi + kJfif).substr(0, 9), false, false},
      {"JFIF without its zero", kSoi + std::string("\xFF\xE0\x00\x10JFIF!", 9), false, false},
      {"Exif is not a signature", kSoi + Segment(0xFFE1, std::string("Exif\0\0", 6)), false,
       false},
      {"a table then a marker", kSoi + kQuant + Frame(0xFFC0), false, true},
      {"a table not followed by a marker", kSoi + kQuant + std::string(2, '\0'), false, false},
      {"a table whose high length byte is set", kSoi + "\xFF\xDB\x01\x02\xFF\xFF", false, false},
      {"a table running past the buffer", kSoi + std::string("\xFF\xDB\x00\x43\x00", 5), false, false},
      {"the next marker is the last byte", kSoi + std::string("\xFF\xDB\x00\x02\xFF", 5), false, true},
      {"start marker only", "\xFF\xD8\xFF", false, false},
      {"empty", "", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(OnExactBlock(c.bytes, HasGifSignature), c.gif);
    EXPECT_EQ(OnExactBlock(c.bytes, HasJpegSignature), c.jpeg);
  }
}

// ---------------------------------------------------------------------------
// Stored HTTP headers.

TEST(FindStoredHttpHeader, FindsOnlyTheFixedOpeningsWithExactCase) {
  struct Case {
    const char* what;
    std::string header;  // found: the body starts right after it
    bool found;
  };
  const std::string body = "<html>body</html>";
  const Case cases[] = {
      {"Date and Server, CR LF",
       "HTTP/1.0 200 OK\r\nDate: Sun, 06 May 2001\r\nServer: Apache\r\n"
       "Content-Type: text/html\r\nContent-Length: 17\r\n\r\n",
       true},
      {"Server and Date", "HTTP/1.1 200 OK\r\nServer: x\r\nDate: y\r\n\r\n", true},
      {"MIME-Version and Date", "HTTP/1.0 200 OK\r\nMIME-Version: 1.0\r\nDate: y\r\n\r\n", true},
      {"a Connection line first",
       "HTTP/1.1 200 OK\r\nConnection: close\r\nDate: y\r\nServer: x\r\n\r\n", true},
      {"lines ended by CR alone", "HTTP/1.0 200 OK\rDate: y\rServer: x\rETag: z\r\r", true},
      {"lines ended by LF, the empty one by CR LF",
       "HTTP/1.0 200 OK\nDate: y\nServer: x\n\r\n", true},
      {"the empty line is a lone CR before the body",
       "HTTP/1.0 200 OK\r\nDate: y\r\nServer: x\r\n\r", true},
      {"LF line ends throughout", "HTTP/1.0 200 OK\nDate: y\nServer: x\nContent-Type: a\n\n",
       false},
      {"straight to Content-Type",
       "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nDate: y\r\nServer: x\r\n\r\n", false},
      {"Date then something else", "HTTP/1.0 200 OK\r\nDate: y\r\nETag: z\r\n\r\n", false},
      {"MIME-Version then Server",
       "HTTP/1.0 200 OK\r\nMIME-Version: 1.0\r\nServer: x\r\n\r\n", false},
      {"a lower-case name", "HTTP/1.0 200 OK\r\ndate: y\r\nServer: x\r\n\r\n", false},
      {"a lower-case status", "http/1.0 200 OK\r\nDate: y\r\nServer: x\r\n\r\n", false},
      {"two Connection lines",
       "HTTP/1.1 200 OK\r\nConnection: a\r\nConnection: b\r\nDate: y\r\nServer: x\r\n\r\n",
       false},
      {"a leading blank", " HTTP/1.0 200 OK\r\nDate: y\r\nServer: x\r\n\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = c.header + body;
    uint32_t skip = 99;
    uint32_t length = 99;
    const bool found = OnExactBlock(file, [&](const unsigned char* b, size_t n) {
      return FindStoredHttpHeader(b, n, skip, length);
    });
    EXPECT_EQ(found, c.found);
    if (found && c.found) {
      EXPECT_EQ(skip, c.header.size());
      EXPECT_EQ(length, body.size());
    }
  }
}

TEST(FindStoredHttpHeader, NeedsTheEmptyLineWithinTheBuffer) {
  const std::string header = "HTTP/1.0 200 OK\r\nDate: y\r\nServer: x\r\nETag: z\r\n\r\n";
  const std::string file = header + "body";
  // Every cut up to and just after the empty line's CR finds nothing: until
  // the byte after the CR is seen, where the body starts is not known.
  for (size_t n = 0; n <= file.size(); ++n) {
    SCOPED_TRACE(n);
    uint32_t skip = 0;
    uint32_t length = 0;
    const bool found = OnExactBlock(file.substr(0, n), [&](const unsigned char* b, size_t size) {
      return FindStoredHttpHeader(b, size, skip, length);
    });
    EXPECT_EQ(found, n >= header.size());
    if (found) {
      EXPECT_EQ(skip, header.size());
      EXPECT_EQ(skip + length, n);
    }
  }
}

TEST(MoveStripped, CutsAStoredHeaderAndKeepsTheWholeBody) {
  struct Case {
    const char* what;
    std::string header;
    bool cut;
  };
  const std::string lead = "HTTP/1.0 200 OK\r\nDate: y\r\nServer: x\r\nX-Pad: ";
  const Case cases[] = {
      {"a header ending in the first block",
       "HTTP/1.0 200 OK\r\nDate: y\r\nServer: x\r\nContent-Length: 1000\r\n\r\n", true},
      {"the empty line's CR last in the first block, its LF past it",
       lead + std::string(253 - lead.size(), 'p') + "\r\n\r\n", false},
      {"a header ending past the first block",
       "HTTP/1.0 200 OK\r\nDate: y\r\nServer: x\r\nX-Pad: " + std::string(240, 'p') + "\r\n\r\n",
       false},
  };
  std::string body;
  for (int i = 0; i < 1000; ++i) body += static_cast<char>('a' + i % 26);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder cache;
    std::filesystem::create_directory(cache.Path() / "host");
    cache.Write("JCH00001.HTM", c.header + body);
    const FileRef destination = RefTo(cache, std::string("host") + PathSeparator());
    ASSERT_EQ(MoveStripped(RefTo(cache, "JCH00001.HTM"), destination,
                           kStripMacBinary | kStripHttpHeader),
              kNoError);
    EXPECT_FALSE(cache.Exists("JCH00001.HTM"));
    EXPECT_EQ(cache.Read("host/JCH00001.HTM"), c.cut ? body : c.header + body);
  }
}

// ---------------------------------------------------------------------------
// GIF structure.

TEST(IsBrokenGif, WalksTheBlocksAsTheFileStatesThem) {
  struct Case {
    const char* what;
    std::string bytes;
    bool broken;
  };
  const std::string whole = WholeGif();
  const std::string image = GifImage();
  const Case cases[] = {
      {"a whole animated GIF", whole, false},
      {"no colour tables", GifHeader() + image + kGifTrailer, false},
      {"a local colour table", GifHeader() + GifImage(2) + kGifTrailer, false},
      {"two images", GifHeader(0) + image + kGifControl + image + kGifTrailer, false},
      {"no trailer, the last block ending the file", GifHeader() + kGifControl + image, false},
      {"cut inside the image data", (GifHeader() + image).substr(0, GifHeader().size() + 13),
       true},
      {"cut before the data terminator", GifHeader() + image.substr(0, image.size() - 1), true},
      {"extensions only", GifHeader() + kGifLoop + kGifControl + kGifComment + kGifTrailer,
       true},
      {"the trailer before the image", GifHeader() + kGifTrailer + image, true},
      {"a comment with an empty first block", GifHeader() + "\x21\xFE" + Byte(0) + image, false},
      {"stray bytes between blocks", GifHeader() + Byte(0) + Byte(0x7F) + image + Byte(0) + kGifTrailer,
       false},
      {"an application extension cut in its sub-blocks",
       GifHeader() + image + kGifLoop.substr(0, kGifLoop.size() - 3), true},
      {"an extension cut in its first block", GifHeader() + image + std::string("\x21\xF9\x04\x00", 4), true},
      {"an extension label at the end", GifHeader() + image + "\x21", true},
      {"a descriptor cut short", GifHeader() + image + image.substr(0, 9), true},
      {"a local colour table cut short", GifHeader() + GifImage(7).substr(0, 100), true},
      {"a global colour table longer than the file", GifHeader(7).substr(0, 200), true},
      {"the screen descriptor only", GifHeader(), true},
      {"twelve bytes", GifHeader().substr(0, 12), true},
      {"empty", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(GifBroken(c.bytes), c.broken);
  }
}

// Every cut and every single-byte change of a whole image: the checks must
// stay inside the block, whatever sizes the damaged bytes announce.
TEST(IsBrokenGif, NeverReadsPastTheDataWhenCutOrSpoilt) {
  const std::string whole = WholeGif();
  for (size_t n = 0; n < whole.size(); ++n) {
    SCOPED_TRACE(n);
    const bool broken = GifBroken(whole.substr(0, n));
    // Cut after an image's terminator the file is whole; anywhere else broken.
    if (n != whole.size() - 1) {
      EXPECT_TRUE(broken);
    }
  }
  for (size_t i = 0; i < whole.size(); ++i) {
    for (unsigned value : {0x00u, 0x21u, 0x2Cu, 0x3Bu, 0x80u, 0xFFu}) {
      std::string spoilt = whole;
      spoilt[i] = static_cast<char>(value);
      GifBroken(spoilt);
    }
  }
}

// ---------------------------------------------------------------------------
// JPEG structure.

TEST(IsBrokenJpeg, NeedsTheTablesAFrameAndTheEndMarker) {
  struct Case {
    const char* what;
    std::string bytes;
    bool broken;
  };
  const std::string body = kQuant + Frame(0xFFC0) + kHuffman + kScan;
  const Case cases[] = {
      {"a whole baseline JPEG", WholeJpeg(), false},
      {"a whole progressive JPEG", WholeJpeg(0xFFC2), false},
      {"no APP0 segment", kSoi + body + kEoi, false},
      {"another APP segment first", kSoi + Segment(0xFFE1, "Exif") + body + kEoi, false},
      {"a second start marker", kSoi + kJfif + kSoi + body + kEoi, false},
      {"no end marker", kSoi + kJfif + body, true},
      {"no Huffman table", kSoi + kJfif + kQuant + Frame(0xFFC0) + kScan + kEoi, true},
      {"no quantisation table", kSoi + kJfif + Frame(0xFFC0) + kHuffman + kScan + kEoi, true},
      {"no frame", kSoi + kJfif + kQuant + kHuffman + kScan + kEoi, true},
      {"an extended sequential frame", WholeJpeg(0xFFC1), true},
      {"an arithmetic-coded frame without Huffman tables",
       kSoi + kJfif + kQuant + Frame(0xFFC9) + kScan + kEoi, true},
      {"an APP0 that is not JFIF", kSoi + Segment(0xFFE0, "AVI1xxxxxxxx") + body + kEoi, true},
      {"no start marker", kJfif + body + kEoi, true},
      {"fill bytes before a marker", kSoi + kJfif + kQuant + "\xFF" + Frame(0xFFC0) + kHuffman +
                                         kScan + kEoi,
       true},
      {"a segment length running past the end",
       kSoi + kJfif + kQuant + Frame(0xFFC0) + kHuffman + std::string("\xFF\xFE\x70\x00", 4) +
           kScan + kEoi,
       true},
      {"nineteen bytes", WholeJpeg().substr(0, 19), true},
      {"empty", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(JpegBroken(c.bytes), c.broken);
  }
}

TEST(IsBrokenJpeg, ChecksAThumbnailCodedAsJpeg) {
  struct Case {
    const char* what;
    std::string bytes;
    bool broken;
  };
  const std::string tail = kQuant + Frame(0xFFC0) + kHuffman + kScan + kEoi;
  const std::string damaged = WholeJpeg().substr(0, WholeJpeg().size() - 2);
  const Case cases[] = {
      {"a whole thumbnail", kSoi + kJfif + Thumbnail(WholeJpeg()) + tail, false},
      {"a thumbnail without its end marker", kSoi + kJfif + Thumbnail(damaged) + tail, true},
      {"a thumbnail without a Huffman table",
       kSoi + kJfif + Thumbnail(kSoi + kQuant + Frame(0xFFC0) + kScan + kEoi) + tail, true},
      {"a palette thumbnail is not examined",
       kSoi + kJfif + Segment(0xFFE0, std::string("JFXX\0\x11", 6) + "garbage") + tail, false},
      {"a thumbnail inside a thumbnail, damaged",
       kSoi + kJfif + Thumbnail(kSoi + kJfif + Thumbnail(damaged) + tail) + tail, true},
      {"a damaged thumbnail nested too deep to be examined",
       [&] {
         std::string inner = damaged;
         for (int depth = 0; depth < 6; ++depth) inner = kSoi + kJfif + Thumbnail(inner) + tail;
         return inner;
       }(),
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(JpegBroken(c.bytes), c.broken);
  }
}

TEST(IsBrokenJpeg, NeverReadsPastTheDataWhenCutOrSpoilt) {
  const std::string whole = kSoi + kJfif + Thumbnail(WholeJpeg()) + kQuant + Frame(0xFFC2) +
                            kHuffman + kScan + kEoi;
  ASSERT_FALSE(JpegBroken(whole));
  // The end marker is the last thing in the file: every cut loses it.
  for (size_t n = 0; n < whole.size(); ++n) {
    SCOPED_TRACE(n);
    EXPECT_TRUE(JpegBroken(whole.substr(0, n)));
  }
  for (size_t i = 0; i < whole.size(); ++i) {
    for (unsigned value : {0x00u, 0x01u, 0x10u, 0x7Fu, 0xD8u, 0xD9u, 0xDAu, 0xE0u, 0xFFu}) {
      std::string spoilt = whole;
      spoilt[i] = static_cast<char>(value);
      JpegBroken(spoilt);
    }
  }
}

// ---------------------------------------------------------------------------
// Whole files.

std::string MacBinaryWrapped(const std::string& data, const std::string& resourceFork) {
  std::string header(128, '\0');
  header[1] = 8;
  header.replace(2, 8, "logo.gif");
  header.replace(65, 8, "GIFfJVWR");
  header[83] = static_cast<char>(data.size() >> 24);
  header[84] = static_cast<char>(data.size() >> 16);
  header[85] = static_cast<char>(data.size() >> 8);
  header[86] = static_cast<char>(data.size());
  return header + data + resourceFork;
}

TEST(CheckImageFile, ChecksTheContentInsideItsWrapper) {
  struct Case {
    const char* what;
    std::string content;
    ImageChecker checker;
    bool broken;
  };
  const std::string stored = "HTTP/1.0 200 OK\r\nDate: y\r\nServer: x\r\n\r\n";
  const std::string badGif = WholeGif().substr(0, 40);
  std::string packedLog = std::string("\xAB\xCD\x00\x54", 4) + std::string(36, '\x01');
  packedLog[22] = '*';
  const Case cases[] = {
      {"a whole GIF", WholeGif(), IsBrokenGif, false},
      {"a cut GIF", badGif, IsBrokenGif, true},
      {"an empty file", "", IsBrokenGif, false},
      {"a whole GIF in MacBinary, its resource fork dropped",
       MacBinaryWrapped(WholeGif(), "resource fork bytes"), IsBrokenGif, false},
      {"a cut GIF in MacBinary", MacBinaryWrapped(badGif, std::string(200, '\0')), IsBrokenGif,
       true},
      {"a whole JPEG after a stored header", stored + WholeJpeg(), IsBrokenJpeg, false},
      {"a JPEG without its end after a stored header",
       stored + WholeJpeg().substr(0, WholeJpeg().size() - 2), IsBrokenJpeg, true},
      {"a packed cache log is left alone", packedLog, IsBrokenJpeg, false},
      {"a packed cache log needs its '*'", std::string(packedLog).replace(22, 1, "+"),
       IsBrokenJpeg, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder folder;
    folder.Write("M0000001", c.content);
    EXPECT_EQ(CheckImageFile(RefTo(folder, "M0000001"), c.checker), c.broken);
    // The bytes read already give the same answer.
    EXPECT_EQ(CheckImageBytes(reinterpret_cast<const unsigned char*>(c.content.data()),
                              c.content.size(), c.checker),
              c.broken);
  }
  test::TempFolder folder;
  EXPECT_FALSE(CheckImageFile(RefTo(folder, "missing.gif"), IsBrokenGif));
}

// Recycling is tested where the trash can be pointed at a test folder.
TEST(CheckAndDisposeImage, DetectsAndDisposesAsTheSettingSays) {
  struct Case {
    int mode;
    bool reported;
    bool kept;
  };
  const Case cases[] = {
      {kBrokenImageOff, false, true},
      {kBrokenImageReport, true, true},
      {kBrokenImageDelete, true, false},
      {4, true, true},
      {-1, true, true},
  };
  for (const Case& c : cases) {
    for (TypeCode type : {kTypeGif, kTypeJpeg}) {
      SCOPED_TRACE(std::to_string(c.mode) + (type == kTypeGif ? " GIF" : " JPEG"));
      test::TempFolder folder;
      folder.Write("broken", "GIF89a cut short");
      folder.Write("whole", type == kTypeGif ? WholeGif() : WholeJpeg());
      EXPECT_EQ(CheckAndDisposeImage(RefTo(folder, "broken"), type, c.mode), c.reported);
      EXPECT_EQ(folder.Exists("broken"), c.kept);
      EXPECT_FALSE(CheckAndDisposeImage(RefTo(folder, "whole"), type, c.mode));
      EXPECT_TRUE(folder.Exists("whole"));
    }
  }
}

TEST(CheckAndDisposeImage, LeavesOtherTypesAlone) {
  test::TempFolder folder;
  for (TypeCode type : {kTypeText, kTypeMidi, kTypePnra, kTypeNone}) {
    SCOPED_TRACE(type);
    folder.Write("file", "GIF89a cut short");
    EXPECT_FALSE(CheckAndDisposeImage(RefTo(folder, "file"), type, kBrokenImageDelete));
    EXPECT_TRUE(folder.Exists("file"));
  }
}

TEST(EarlyImageCheck, RunsOnlyUnderSettingsOneToThree) {
  struct Case {
    int mode;
    bool reported;
    bool kept;
  };
  const Case cases[] = {
      {kBrokenImageOff, false, true},
      {kBrokenImageReport, true, true},
      {kBrokenImageDelete, true, false},
      {kBrokenImageRecycle, false, true},  // the check after the move does it
      {4, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    test::TempFolder folder;
    folder.Write("JCH00003.JPG", kSoi + kJfif + kQuant);
    EXPECT_EQ(EarlyImageCheck(RefTo(folder, "JCH00003.JPG"), kTypeJpeg, c.mode), c.reported);
    EXPECT_EQ(folder.Exists("JCH00003.JPG"), c.kept);
  }
}

}  // namespace
}  // namespace hoard

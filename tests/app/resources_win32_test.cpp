// The string table and icon linked into the program, as Windows hands them
// out. The texts must come back as the CP932 bytes of the text table.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/messages.h"

namespace hoard {
namespace {

constexpr UINT kCodePage932 = 932;
// The program loads its strings into 256-byte buffers.
constexpr int kStringCapacity = 256;

// Every string the program shows by number, as its wide form converted to
// code page 932: the resource itself, whatever the system code page is.
TEST(StringResources, HoldTheTextTableInEveryCodePage) {
  HINSTANCE self = ::GetModuleHandleA(nullptr);
  for (const messages::Entry& entry : messages::AllTexts()) {
    if (entry.stringId == 0) continue;
    SCOPED_TRACE("string id " + std::to_string(entry.stringId) + ": " + entry.utf8);
    const wchar_t* wide = nullptr;
    // A length of 0 in the buffer argument asks for a pointer into the
    // resource itself.
    int wideLength = ::LoadStringW(self, entry.stringId, reinterpret_cast<LPWSTR>(&wide), 0);
    ASSERT_GT(wideLength, 0) << "missing from the string table";
    char bytes[kStringCapacity];
    int length = ::WideCharToMultiByte(kCodePage932, 0, wide, wideLength, bytes,
                                       sizeof bytes, nullptr, nullptr);
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::string(bytes, length), entry.bytes);
  }
}

TEST(StringResources, LoadAsCp932BytesOnAJapaneseSystem) {
  ASSERT_EQ(::GetACP(), kCodePage932)
      << "the system code page must be 932: run with LANG=ja_JP.UTF-8 and "
         "LC_ALL=ja_JP.UTF-8 (the locale generated)";
  HINSTANCE self = ::GetModuleHandleA(nullptr);
  for (const messages::Entry& entry : messages::AllTexts()) {
    if (entry.stringId == 0) continue;
    SCOPED_TRACE("string id " + std::to_string(entry.stringId) + ": " + entry.utf8);
    char bytes[kStringCapacity];
    int length = ::LoadStringA(self, entry.stringId, bytes, sizeof bytes);
    ASSERT_GT(length, 0) << "missing from the string table";
    EXPECT_EQ(std::string(bytes, length), entry.bytes);
  }
}

TEST(StringResources, HaveNothingUnderUnusedIds) {
  HINSTANCE self = ::GetModuleHandleA(nullptr);
  const int unused[] = {0, 2, 4, 6, 7, 9, 10, 14, 15, 16};
  for (int id : unused) {
    SCOPED_TRACE("string id " + std::to_string(id));
    char bytes[kStringCapacity] = "";
    EXPECT_EQ(::LoadStringA(self, id, bytes, sizeof bytes), 0);
  }
}

TEST(IconResource, LoadsUnderId101) {
  HINSTANCE self = ::GetModuleHandleA(nullptr);
  EXPECT_NE(::FindResourceA(self, MAKEINTRESOURCEA(101), RT_GROUP_ICON), nullptr)
      << "no icon group 101";
  HICON icon = ::LoadIconA(self, MAKEINTRESOURCEA(101));
  EXPECT_NE(icon, nullptr);
}

}  // namespace
}  // namespace hoard

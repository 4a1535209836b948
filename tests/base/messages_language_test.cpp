// The language of the terminal program's messages, as the locale decides it,
// and the English column it shows.
#include <gtest/gtest.h>

#include <string_view>

#include "base/messages.h"

namespace hoard::messages {
namespace {

TEST(LanguageForLocale, TheFirstSetVariableDecides) {
  struct Case {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    Language language;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, Language::kEnglish},
      {"ja_JP.UTF-8", nullptr, nullptr, Language::kJapanese},
      {"ja", nullptr, nullptr, Language::kJapanese},
      {"C", "ja_JP.UTF-8", "ja_JP.UTF-8", Language::kEnglish},
      {"", "ja_JP.eucJP", "C", Language::kJapanese},
      {"", "", "ja_JP.SJIS", Language::kJapanese},
      {nullptr, "en_GB.UTF-8", "ja_JP.UTF-8", Language::kEnglish},
      {"jam", nullptr, nullptr, Language::kEnglish},
      {"de_DE.UTF-8", nullptr, nullptr, Language::kEnglish},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.lcAll ? c.lcAll : "-") + " " + (c.lcMessages ? c.lcMessages : "-") +
                 " " + (c.lang ? c.lang : "-"));
    EXPECT_EQ(LanguageForLocale(c.lcAll, c.lcMessages, c.lang), c.language);
  }
}

// The English column is ASCII (shown as it is, whatever the terminal's
// encoding), and the Windows program's Japanese is what Get answers until
// English is chosen.
TEST(MessageTable, EnglishIsAsciiAndChosenOnlyWhenAsked) {
  for (const Entry& entry : AllTexts()) {
    SCOPED_TRACE(entry.utf8);
    EXPECT_STREQ(Get(entry.text), entry.bytes);
    if (entry.english == nullptr) continue;
    for (const unsigned char c : std::string_view(entry.english)) EXPECT_LT(c, 0x80);
    SetLanguage(Language::kEnglish);
    EXPECT_STREQ(Get(entry.text), entry.english);
    SetLanguage(Language::kJapanese);
  }
}

}  // namespace
}  // namespace hoard::messages

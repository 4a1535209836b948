// The language of the terminal program's messages, as the locale decides it,
// and the English column it shows.
#include <gtest/gtest.h>

#include <string>
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

// The conversions of a printf format in order ("%zu", "%s", ...).
std::string Conversions(std::string_view format) {
  std::string found;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    const size_t end = format.find_first_of("sdiu%", i + 1);
    found += std::string(format.substr(i, end - i + 1)) + " ";
    i = end;
  }
  return found;
}

// A text printed as a format takes the same values in both languages.
TEST(MessageTable, BothLanguagesOfAFormatTakeTheSameValues) {
  for (const Entry& entry : AllTexts()) {
    SCOPED_TRACE(entry.utf8);
    if (entry.english == nullptr) continue;
    EXPECT_EQ(Conversions(entry.bytes), Conversions(entry.english));
  }
}

}  // namespace
}  // namespace hoard::messages

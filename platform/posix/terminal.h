// Message boxes and the open-file dialog as terminal prompts. The streams and
// the "is there a terminal" fact are parameters so that every path can be
// tried without a terminal; platform/posix/ui.cpp binds them to the process's
// standard streams.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/ui.h"

namespace hoard::platform {

struct Terminal {
  std::FILE* in;       // where answers are read
  std::FILE* out;      // where messages and prompts go
  bool interactive;    // someone can answer on `in`
  const char* codeset; // the terminal's character encoding (iconv's name)
};

// The terminal's encoding as the user's locale names it. Sets LC_CTYPE from
// the environment the first time.
const char* TerminalCodeset();

// CP932 text in the terminal's encoding, appended to `out`. A byte iconv
// cannot convert (or every byte, when the conversion is unknown) is passed
// through unchanged; CR LF line ends become LF.
void ConvertForTerminal(std::string_view cp932, const char* codeset, std::string& out);

// The answer a typed line gives for these buttons; false for a line that
// answers nothing (asked again). Letters match in either case; for an OK box
// any line, even an empty one, is OK.
bool ParseAnswer(std::string_view line, Buttons buttons, Answer& answer);

// The answer when nobody can give one: OK for a notice, No for a question.
Answer UnattendedAnswer(Buttons buttons);

// Shows the message; on an interactive terminal asks until an answer is
// given (end of input takes the unattended answer), otherwise takes the
// unattended answer at once.
Answer AskOnTerminal(const Terminal& terminal, const char* caption, const char* text, Icon icon,
                     Buttons buttons);

// Shows the title and the filters and asks for a path. The answer must name
// an existing file (asked again otherwise); a relative one is made absolute.
// An empty answer takes the initial path when it names a file and cancels
// otherwise. false without a terminal, at end of input, when cancelled.
bool AskPathOnTerminal(const Terminal& terminal, const char* title, const FileFilter* filters,
                       size_t filterCount, char* path, size_t capacity);

}  // namespace hoard::platform

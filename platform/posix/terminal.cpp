#include "platform/posix/terminal.h"

#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstring>

#include "platform/posix/paths.h"

namespace hoard::platform {
namespace {

constexpr size_t kMaxLine = 4096;

unsigned char FoldAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

bool EqualsLowerWord(std::string_view line, std::string_view word) {
  if (line.size() != word.size()) return false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (FoldAscii(static_cast<unsigned char>(line[i])) != static_cast<unsigned char>(word[i])) {
      return false;
    }
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                           text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

// One line of input without its line end; false at end of input. The rest of
// an overlong line is read and dropped.
bool ReadLine(std::FILE* in, std::string& line) {
  line.clear();
  char chunk[256];
  bool any = false;
  while (std::fgets(chunk, sizeof chunk, in) != nullptr) {
    any = true;
    size_t length = std::strlen(chunk);
    bool ended = length > 0 && chunk[length - 1] == '\n';
    if (ended) --length;
    if (line.size() + length <= kMaxLine) line.append(chunk, length);
    if (ended) break;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return any;
}

void PutConverted(const Terminal& terminal, std::string_view cp932) {
  std::string text;
  ConvertForTerminal(cp932, terminal.codeset, text);
  std::fwrite(text.data(), 1, text.size(), terminal.out);
}

const char* IconLabel(Icon icon) {
  switch (icon) {
    case Icon::kWarning: return "warning";
    case Icon::kError: return "error";
    case Icon::kInformation: return "information";
  }
  return "message";
}

const char* ChoicePrompt(Buttons buttons) {
  switch (buttons) {
    case Buttons::kOk: return "[Enter] OK: ";
    case Buttons::kYesNo: return "[y]es/[n]o: ";
    case Buttons::kYesNoCancel: return "[y]es/[n]o/[c]ancel: ";
  }
  return "";
}

const char* AnswerName(Answer answer) {
  switch (answer) {
    case Answer::kOk: return "OK";
    case Answer::kCancel: return "Cancel";
    case Answer::kYes: return "Yes";
    case Answer::kNo: return "No";
  }
  return "";
}

bool IsFile(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

bool MakeAbsolute(std::string_view typed, PathText& out) {
  if (!typed.empty() && typed.front() == '/') return out.Assign(typed);
  char current[kMaxPosixPath];
  if (getcwd(current, sizeof current) == nullptr) return false;
  return out.Assign(current) && (out.length == 1 || out.Append("/")) && out.Append(typed);
}

}  // namespace

const char* TerminalCodeset() {
  static char codeset[64] = {};
  if (codeset[0] == '\0') {
    std::setlocale(LC_CTYPE, "");
    const char* name = nl_langinfo(CODESET);
    if (name == nullptr || name[0] == '\0' || std::strlen(name) >= sizeof codeset) name = "UTF-8";
    std::memcpy(codeset, name, std::strlen(name) + 1);
  }
  return codeset;
}

void ConvertForTerminal(std::string_view cp932, const char* codeset, std::string& out) {
  std::string converted;
  iconv_t cd = iconv_open(codeset, "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    converted.assign(cp932);
  } else {
    char* in = const_cast<char*>(cp932.data());
    size_t inLeft = cp932.size();
    char buffer[512];
    while (inLeft > 0) {
      char* put = buffer;
      size_t room = sizeof buffer;
      size_t done = iconv(cd, &in, &inLeft, &put, &room);
      converted.append(buffer, static_cast<size_t>(put - buffer));
      if (done != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) continue;
      // A byte the conversion refuses goes out as it is.
      converted.push_back(*in);
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
  }
  for (size_t i = 0; i < converted.size(); ++i) {
    if (converted[i] == '\r' && i + 1 < converted.size() && converted[i + 1] == '\n') continue;
    out.push_back(converted[i]);
  }
}

bool ParseAnswer(std::string_view line, Buttons buttons, Answer& answer) {
  if (buttons == Buttons::kOk) {
    answer = Answer::kOk;
    return true;
  }
  line = TrimBlanks(line);
  if (EqualsLowerWord(line, "y") || EqualsLowerWord(line, "yes")) {
    answer = Answer::kYes;
    return true;
  }
  if (EqualsLowerWord(line, "n") || EqualsLowerWord(line, "no")) {
    answer = Answer::kNo;
    return true;
  }
  if (buttons == Buttons::kYesNoCancel && (EqualsLowerWord(line, "c") || EqualsLowerWord(line, "cancel"))) {
    answer = Answer::kCancel;
    return true;
  }
  return false;
}

Answer UnattendedAnswer(Buttons buttons) {
  return buttons == Buttons::kOk ? Answer::kOk : Answer::kNo;
}

Answer AskOnTerminal(const Terminal& terminal, const char* caption, const char* text, Icon icon,
                     Buttons buttons) {
  std::fputs("\n== ", terminal.out);
  PutConverted(terminal, caption);
  std::fprintf(terminal.out, " (%s) ==\n", IconLabel(icon));
  PutConverted(terminal, text);
  std::fputc('\n', terminal.out);
  Answer answer = UnattendedAnswer(buttons);
  if (!terminal.interactive) {
    std::fprintf(terminal.out, "(no terminal to answer: %s)\n", AnswerName(answer));
    std::fflush(terminal.out);
    return answer;
  }
  std::string line;
  for (;;) {
    std::fputs(ChoicePrompt(buttons), terminal.out);
    std::fflush(terminal.out);
    if (!ReadLine(terminal.in, line)) {
      answer = UnattendedAnswer(buttons);
      std::fprintf(terminal.out, "\n(end of input: %s)\n", AnswerName(answer));
      std::fflush(terminal.out);
      return answer;
    }
    if (ParseAnswer(line, buttons, answer)) return answer;
  }
}

bool AskPathOnTerminal(const Terminal& terminal, const char* title, const FileFilter* filters,
                       size_t filterCount, char* path, size_t capacity) {
  if (capacity == 0) return false;
  std::string initial = path;
  std::fputs("\n== ", terminal.out);
  PutConverted(terminal, title);
  std::fputs(" ==\n", terminal.out);
  for (size_t i = 0; i < filterCount; ++i) {
    std::fputs("  ", terminal.out);
    PutConverted(terminal, filters[i].text != nullptr ? filters[i].text : "");
    std::fprintf(terminal.out, " (%s)\n", filters[i].pattern != nullptr ? filters[i].pattern : "");
  }
  if (!terminal.interactive) {
    std::fputs("(no terminal to answer: no file chosen)\n", terminal.out);
    std::fflush(terminal.out);
    return false;
  }
  std::string line;
  for (;;) {
    if (initial.empty()) {
      std::fputs("File path (empty to cancel): ", terminal.out);
    } else {
      std::fputs("File path [", terminal.out);
      std::fputs(initial.c_str(), terminal.out);
      std::fputs("] (empty for this one): ", terminal.out);
    }
    std::fflush(terminal.out);
    if (!ReadLine(terminal.in, line)) {
      std::fputc('\n', terminal.out);
      return false;
    }
    if (line.empty()) {
      if (initial.empty()) return false;
      line = initial;
    }
    PathText chosen;
    if (!MakeAbsolute(line, chosen) || !IsFile(chosen.text)) {
      std::fprintf(terminal.out, "No such file: %s\n", line.c_str());
      if (line == initial) return false;
      continue;
    }
    if (chosen.length >= capacity) {
      std::fprintf(terminal.out, "The path is too long (at most %zu bytes).\n", capacity - 1);
      if (line == initial) return false;
      continue;
    }
    std::memcpy(path, chosen.text, chosen.length + 1);
    return true;
  }
}

}  // namespace hoard::platform

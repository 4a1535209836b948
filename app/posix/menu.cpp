#include "app/posix/menu.h"

#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "app/options.h"
#include "base/messages.h"
#include "platform/posix/terminal.h"

namespace hoard::app {
namespace {

using messages::Text;

// The keys of the buttons. The check boxes and radio buttons answer to the
// access keys of their dialog texts.
constexpr char kFolderKey = '1';
constexpr char kFileKey = '2';
constexpr char kSpecialKey = '3';
constexpr char kManualKey = '4';
constexpr char kResidentKey = '5';
constexpr char kQuitKey = 'Q';
constexpr char kOkKey = '1';
constexpr char kCancelKey = '2';

constexpr size_t kMaxLine = 256;

unsigned char UpperAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

void Put(const MenuTerminal& terminal, std::string_view cp932) {
  std::string text;
  platform::ConvertForTerminal(cp932, terminal.codeset, text);
  std::fwrite(text.data(), 1, text.size(), terminal.out);
}

void PutAscii(const MenuTerminal& terminal, const char* text) { std::fputs(text, terminal.out); }

void PutEntry(const MenuTerminal& terminal, char key, const char* mark, std::string_view label) {
  std::fprintf(terminal.out, "  %c  %s", key, mark);
  Put(terminal, label);
  std::fputc('\n', terminal.out);
}

// One line without its end; false at the end of input.
bool ReadLine(std::FILE* in, std::string& line) {
  line.clear();
  std::array<char, kMaxLine> chunk{};
  bool any = false;
  while (std::fgets(chunk.data(), chunk.size(), in) != nullptr) {
    any = true;
    size_t length = std::strlen(chunk.data());
    const bool ended = length > 0 && chunk[length - 1] == '\n';
    if (ended) --length;
    if (line.size() + length <= kMaxLine) line.append(chunk.data(), length);
    if (ended) break;
  }
  return any;
}

// The check boxes of a menu and their states until a choice applies them.
template <size_t N>
struct CheckBoxes {
  const CheckBoxRow (&rows)[N];
  std::array<bool, N> ticked{};

  explicit CheckBoxes(const CheckBoxRow (&boxes)[N]) : rows(boxes) {
    CheckBoxStates(rows, ticked.data());
  }
  // Toggles the box of `key`; false when no box has it.
  bool Toggle(unsigned char key) {
    for (size_t i = 0; i < N; ++i) {
      if (AccessKeyOf(rows[i].text) != key) continue;
      ticked[i] = !ticked[i];
      return true;
    }
    return false;
  }
  void Show(const MenuTerminal& terminal) const {
    for (size_t i = 0; i < N; ++i) {
      PutEntry(terminal, AccessKeyOf(rows[i].text), ticked[i] ? "[x] " : "[ ] ",
               LabelWithoutAccessKey(rows[i].text));
    }
  }
  void Apply() const { ApplyCheckBoxes(rows, ticked.data()); }
};

struct MainMenuState {
  CheckBoxes<std::size(kMainCheckBoxes)> boxes{kMainCheckBoxes};
  // The selected radio button's mode; -1 when none is (a mode the menu does
  // not offer).
  int mode = RadioIdForMode(CurrentOptions().BrokenImageMode) != 0
                 ? CurrentOptions().BrokenImageMode
                 : -1;

  bool Select(unsigned char key) {
    for (const RadioRow& radio : kBrokenImageRadios) {
      if (AccessKeyOf(radio.text) != key) continue;
      mode = radio.mode;
      return true;
    }
    return false;
  }
  void Apply() const {
    boxes.Apply();
    ApplyBrokenImageMode(mode);
  }
};

void ShowMainMenu(const MenuTerminal& terminal, const MainMenuState& state) {
  PutAscii(terminal, "\n== ");
  Put(terminal, messages::ProgramCaption());
  PutAscii(terminal, " ==\n");
  Put(terminal, messages::Get(Text::kMainQuestionLine1));
  PutAscii(terminal, "\n");
  Put(terminal, messages::Get(Text::kMainQuestionLine2));
  PutAscii(terminal, "\n\n");
  PutEntry(terminal, kFolderKey, "", messages::Get(Text::kButtonFolder));
  PutEntry(terminal, kFileKey, "", messages::Get(Text::kButtonFile));
  PutEntry(terminal, kSpecialKey, "", messages::Get(Text::kButtonSpecial));
  PutEntry(terminal, kManualKey, "", messages::Get(Text::kButtonManual));
  PutEntry(terminal, 'q', "", messages::Get(Text::kButtonQuit));
  PutAscii(terminal, "\n");
  state.boxes.Show(terminal);
  PutAscii(terminal, "  ");
  Put(terminal, messages::Get(Text::kGroupBrokenImages));
  PutAscii(terminal, ":\n");
  for (const RadioRow& radio : kBrokenImageRadios) {
    PutEntry(terminal, AccessKeyOf(radio.text), state.mode == radio.mode ? "(*) " : "( ) ",
             LabelWithoutAccessKey(radio.text));
  }
  PutAscii(terminal, "Type 1-4 or q and Enter; a letter toggles its option: ");
  std::fflush(terminal.out);
}

void ShowSpecialMenu(const MenuTerminal& terminal,
                     const CheckBoxes<std::size(kSpecialCheckBoxes)>& boxes) {
  PutAscii(terminal, "\n== ");
  Put(terminal, messages::Get(Text::kButtonSpecial));
  PutAscii(terminal, " ==\n");
  boxes.Show(terminal);
  PutAscii(terminal, "\n");
  PutEntry(terminal, kOkKey, "", messages::Get(Text::kButtonOk));
  PutEntry(terminal, kCancelKey, "", messages::Get(Text::kButtonCancel));
  PutAscii(terminal, "Type 1 or 2 and Enter; a letter toggles its option: ");
  std::fflush(terminal.out);
}

void ShowManualAddress(const MenuTerminal& terminal) {
  Put(terminal, messages::Get(Text::kButtonManual));
  std::fprintf(terminal.out, ": %s\n", kOnlineManualAddress);
}

void ExplainResident(const MenuTerminal& terminal) {
  Put(terminal, messages::Get(Text::kButtonResident));
  PutAscii(terminal,
           ": only the Windows program stays resident (it keeps its window open);\n"
           "this one ends when its work is done.\n");
}

void UnknownKey(const MenuTerminal& terminal, unsigned char key) {
  std::fprintf(terminal.out, "No choice or option has the key '%c'.\n", key);
}

}  // namespace

MainChoice RunMainMenu(const MenuTerminal& terminal) {
  for (;;) {
    MainMenuState state;
    bool special = false;
    MainChoice choice = MainChoice::kQuit;
    bool chosen = false;
    std::string line;
    while (!chosen) {
      ShowMainMenu(terminal, state);
      if (!ReadLine(terminal.in, line)) {
        // The end of input closes the menu as the close box does.
        std::fputc('\n', terminal.out);
        chosen = true;
        break;
      }
      for (const char c : line) {
        const unsigned char key = UpperAscii(static_cast<unsigned char>(c));
        if (key == ' ' || key == '\t' || key == '\r') continue;
        if (key == kFolderKey || key == kFileKey || key == kQuitKey) {
          choice = key == kFolderKey ? MainChoice::kFolder
                   : key == kFileKey ? MainChoice::kFile
                                     : MainChoice::kQuit;
          chosen = true;
        } else if (key == kSpecialKey) {
          special = chosen = true;
        } else if (key == kManualKey) {
          ShowManualAddress(terminal);
        } else if (key == kResidentKey) {
          ExplainResident(terminal);
        } else if (!state.boxes.Toggle(key) && !state.Select(key)) {
          UnknownKey(terminal, key);
        }
        if (chosen) break;
      }
    }
    state.Apply();
    if (!special) return choice;
    RunSpecialSettingsMenu(terminal);
  }
}

void RunSpecialSettingsMenu(const MenuTerminal& terminal) {
  CheckBoxes<std::size(kSpecialCheckBoxes)> boxes{kSpecialCheckBoxes};
  std::string line;
  for (;;) {
    ShowSpecialMenu(terminal, boxes);
    if (!ReadLine(terminal.in, line)) {
      std::fputc('\n', terminal.out);
      return;
    }
    for (const char c : line) {
      const unsigned char key = UpperAscii(static_cast<unsigned char>(c));
      if (key == ' ' || key == '\t' || key == '\r') continue;
      if (key == kOkKey) {
        boxes.Apply();
        return;
      }
      if (key == kCancelKey) return;
      if (!boxes.Toggle(key)) UnknownKey(terminal, key);
    }
  }
}

}  // namespace hoard::app

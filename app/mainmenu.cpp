#include "app/mainmenu.h"


namespace hoard::app {
namespace {

constexpr std::string_view kAccessMark = "(&";

}  // namespace

int RadioIdForMode(int mode) {
  for (const RadioRow& radio : kBrokenImageRadios) {
    if (radio.mode == mode) return radio.controlId;
  }
  return 0;
}

int ModeForRadioId(int controlId) {
  for (const RadioRow& radio : kBrokenImageRadios) {
    if (radio.controlId == controlId) return radio.mode;
  }
  return -1;
}

ButtonAction ActionOfButton(int controlId, MainChoice& choice) {
  struct Row {
    int controlId;
    ButtonAction action;
    MainChoice choice;
  };
  static constexpr Row kRows[] = {
      {kIdFolderButton, ButtonAction::kChoose, MainChoice::kFolder},
      {kIdFileButton, ButtonAction::kChoose, MainChoice::kFile},
      {kIdQuitButton, ButtonAction::kChoose, MainChoice::kQuit},
      {kIdResidentButton, ButtonAction::kChoose, MainChoice::kResident},
      {kIdSpecialButton, ButtonAction::kSpecialSettings, MainChoice::kCannotShow},
  };
  for (const Row& row : kRows) {
    if (row.controlId != controlId) continue;
    choice = row.choice;
    return row.action;
  }
  return ButtonAction::kNone;
}

char AccessKeyOf(messages::Text text) {
  const std::string_view label = messages::Get(text);
  const size_t mark = label.rfind(kAccessMark);
  if (mark == std::string_view::npos || mark + kAccessMark.size() >= label.size()) return 0;
  const unsigned char key = static_cast<unsigned char>(label[mark + kAccessMark.size()]);
  if (key >= 'a' && key <= 'z') return static_cast<char>(key - 'a' + 'A');
  if (key >= 'A' && key <= 'Z') return static_cast<char>(key);
  return 0;
}

std::string_view LabelWithoutAccessKey(messages::Text text) {
  const std::string_view label = messages::Get(text);
  const size_t mark = label.rfind(kAccessMark);
  // The mark is the label's last four bytes, "(&X)".
  if (mark == std::string_view::npos || mark + kAccessMark.size() + 2 != label.size() ||
      label.back() != ')') {
    return label;
  }
  return label.substr(0, mark);
}

void ApplyCheckBoxes(std::span<const CheckBoxRow> boxes, const bool* ticked) {
  for (size_t i = 0; i < boxes.size(); ++i) ApplyFlagOption(boxes[i].option, ticked[i]);
}

void CheckBoxStates(std::span<const CheckBoxRow> boxes, bool* ticked) {
  const Options& options = CurrentOptions();
  for (size_t i = 0; i < boxes.size(); ++i) ticked[i] = options.*boxes[i].option.field != 0;
}

}  // namespace hoard::app

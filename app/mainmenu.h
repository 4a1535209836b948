// The choices of the main dialog and the special-settings dialog as data:
// which control sets which option, the buttons and what they decide. The
// Windows dialogs and the terminal menus are both built from these tables.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "app/options.h"
#include "base/messages.h"

namespace hoard::app {

struct CheckBoxRow {
  int controlId;
  messages::Text text;  // ends with "(&X)": X is the box's access key
  FlagOption option;
};

inline constexpr CheckBoxRow kMainCheckBoxes[] = {
    {1001, messages::Text::kCheckEditLinks, kEditLinksOption},
    {1002, messages::Text::kCheckDeleteBackup, kDeleteBackupOption},
    {1003, messages::Text::kCheckUnixToMac, kUnixToMacOption},
    {1004, messages::Text::kCheckEucToShiftJis, kEucToShiftJisOption},
};

inline constexpr CheckBoxRow kSpecialCheckBoxes[] = {
    {1011, messages::Text::kCheckShortenInfoseek, kShortenInfoseekOption},
    {1012, messages::Text::kCheckLocaliseFtp, kLocaliseFtpOption},
    {1013, messages::Text::kCheckOptionValues, kOptionValuesOption},
    {1014, messages::Text::kCheckFixTableEnds, kFixTableEndsOption},
    {1015, messages::Text::kCheckScriptParams, kScriptParamsOption},
    {1016, messages::Text::kCheckFormActions, kFormActionsOption},
};

struct RadioRow {
  int controlId;
  messages::Text text;
  uint8_t mode;
};

// The broken-image group, first button first.
inline constexpr RadioRow kBrokenImageRadios[] = {
    {1005, messages::Text::kRadioDetectNone, kBrokenImagesKept},
    {1006, messages::Text::kRadioRecycle, kBrokenImagesRecycled},
    {1007, messages::Text::kRadioDelete, kBrokenImagesDeleted},
};

// The radio button of a mode; 0 for a mode no button stands for.
int RadioIdForMode(int mode);
// The mode of the selected radio button; -1 for none.
int ModeForRadioId(int controlId);

// Buttons of the main dialog.
inline constexpr int kIdFolderButton = 1;
inline constexpr int kIdQuitButton = 2;
inline constexpr int kIdSpecialButton = 4;
inline constexpr int kIdResidentButton = 5;
inline constexpr int kIdManualButton = 6;
inline constexpr int kIdFileButton = 1000;
// Buttons of the special-settings dialog.
inline constexpr int kIdOkButton = 1;
inline constexpr int kIdCancelButton = 2;

// What the main dialog decided (RunMainDialog's result).
enum class MainChoice {
  kCannotShow = 0,  // the dialog could not be created
  kFolder = 1,
  kQuit = 2,
  kFile = 3,
  kResident = 4,
};

// What a button of the main dialog does once the options are applied.
enum class ButtonAction {
  kNone,             // not a choice (the online manual, a check box)
  kChoose,           // ends the dialog with `choice`
  kSpecialSettings,  // runs the special settings, then the dialog again
};
ButtonAction ActionOfButton(int controlId, MainChoice& choice);

// The access key of a check box or radio button: the letter after "(&" in its
// text, as an upper-case ASCII letter; 0 when there is none.
char AccessKeyOf(messages::Text text);
// The text without its "(&X)" access-key mark.
std::string_view LabelWithoutAccessKey(messages::Text text);

// Applies the states of a dialog's check boxes, in the order of `boxes`.
void ApplyCheckBoxes(std::span<const CheckBoxRow> boxes, const bool* ticked);
// The states the options give the check boxes.
void CheckBoxStates(std::span<const CheckBoxRow> boxes, bool* ticked);

// The online manual: a page on the web that the user's browser opens.
inline constexpr char kOnlineManualAddress[] = "https://hoard-hoard.example.org/manual/";

}  // namespace hoard::app

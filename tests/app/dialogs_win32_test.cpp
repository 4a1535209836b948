// The dialog resources as Windows hands them out: every control's id, kind,
// text, place and style, read from the dialog templates linked into the
// program, against the layout the dialogs must have and the texts of the
// program's text table.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/mainmenu.h"
#include "base/messages.h"

namespace hoard {
namespace {

using messages::Text;

constexpr UINT kCodePage932 = 932;
constexpr uint16_t kButtonClass = 0x0080;
constexpr uint16_t kStaticClass = 0x0082;
constexpr uint16_t kNoId = 0xFFFF;

struct Control {
  uint16_t id;
  uint16_t classAtom;
  std::string text;   // CP932; "#101" for a resource ordinal
  DWORD kind;         // the low four style bits: the button or static kind
  bool group;         // WS_GROUP (checked for radio buttons)
  short x, y, cx, cy;
};

struct Dialog {
  DWORD style = 0;
  std::string title;
  uint16_t pointSize = 0;
  std::string font;
  short cx = 0, cy = 0;
  std::vector<Control> controls;
  std::string error;
};

std::string ToCp932(const wchar_t* wide, size_t length) {
  if (length == 0) return "";
  char bytes[512];
  const int written = ::WideCharToMultiByte(kCodePage932, 0, wide, static_cast<int>(length), bytes,
                                            sizeof bytes, nullptr, nullptr);
  return std::string(bytes, written > 0 ? written : 0);
}

// Reads a template field that is a wide string, an ordinal or nothing.
class TemplateReader {
 public:
  TemplateReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
  bool Word(uint16_t& value) {
    if (pos_ + 2 > size_) return false;
    value = static_cast<uint16_t>(bytes_[pos_] | bytes_[pos_ + 1] << 8);
    pos_ += 2;
    return true;
  }
  bool Dword(DWORD& value) {
    uint16_t low = 0, high = 0;
    if (!Word(low) || !Word(high)) return false;
    value = static_cast<DWORD>(low) | static_cast<DWORD>(high) << 16;
    return true;
  }
  bool Short(short& value) {
    uint16_t word = 0;
    if (!Word(word)) return false;
    value = static_cast<short>(word);
    return true;
  }
  bool WideText(std::string& out) {
    std::wstring wide;
    uint16_t c = 0;
    for (;;) {
      if (!Word(c)) return false;
      if (c == 0) break;
      wide.push_back(static_cast<wchar_t>(c));
    }
    out = ToCp932(wide.data(), wide.size());
    return true;
  }
  // 0x0000: none; 0xFFFF and a number: "#number"; otherwise a text.
  bool TextOrOrdinal(std::string& out) {
    if (pos_ + 2 > size_) return false;
    const uint16_t first = static_cast<uint16_t>(bytes_[pos_] | bytes_[pos_ + 1] << 8);
    if (first == 0xFFFF) {
      pos_ += 2;
      uint16_t ordinal = 0;
      if (!Word(ordinal)) return false;
      out = "#" + std::to_string(ordinal);
      return true;
    }
    return WideText(out);
  }
  void AlignToDword() { pos_ = (pos_ + 3) & ~size_t{3}; }
  bool Skip(size_t count) {
    if (pos_ + count > size_) return false;
    pos_ += count;
    return true;
  }

 private:
  const uint8_t* bytes_;
  size_t size_;
  size_t pos_ = 0;
};

Dialog LoadDialog(int id) {
  Dialog dialog;
  HMODULE self = ::GetModuleHandleA(nullptr);
  HRSRC found = ::FindResourceA(self, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
  if (found == nullptr) {
    dialog.error = "no dialog resource";
    return dialog;
  }
  const auto* bytes = static_cast<const uint8_t*>(::LockResource(::LoadResource(self, found)));
  TemplateReader reader(bytes, ::SizeofResource(self, found));
  DWORD extendedStyle = 0;
  uint16_t count = 0;
  short x = 0, y = 0;
  std::string menu, windowClass;
  if (!reader.Dword(dialog.style) || !reader.Dword(extendedStyle) || !reader.Word(count) ||
      !reader.Short(x) || !reader.Short(y) || !reader.Short(dialog.cx) || !reader.Short(dialog.cy) ||
      !reader.TextOrOrdinal(menu) || !reader.TextOrOrdinal(windowClass) ||
      !reader.WideText(dialog.title)) {
    dialog.error = "the header is cut short";
    return dialog;
  }
  if (dialog.style == 0xFFFF0001) {
    dialog.error = "an extended template; the reader knows the plain one";
    return dialog;
  }
  if ((dialog.style & DS_SETFONT) != 0 &&
      (!reader.Word(dialog.pointSize) || !reader.WideText(dialog.font))) {
    dialog.error = "the font is cut short";
    return dialog;
  }
  for (uint16_t i = 0; i < count; ++i) {
    reader.AlignToDword();
    DWORD style = 0;
    Control control{};
    std::string classText;
    uint16_t extra = 0;
    if (!reader.Dword(style) || !reader.Dword(extendedStyle) || !reader.Short(control.x) ||
        !reader.Short(control.y) || !reader.Short(control.cx) || !reader.Short(control.cy) ||
        !reader.Word(control.id) || !reader.TextOrOrdinal(classText) ||
        !reader.TextOrOrdinal(control.text) || !reader.Word(extra) || !reader.Skip(extra)) {
      dialog.error = "control " + std::to_string(i) + " is cut short";
      return dialog;
    }
    if (classText.size() < 2 || classText[0] != '#') {
      dialog.error = "control " + std::to_string(i) + " has a class by name: " + classText;
      return dialog;
    }
    control.classAtom = static_cast<uint16_t>(std::stoi(classText.substr(1)));
    control.kind = style & 0x0F;
    control.group = (style & WS_GROUP) != 0;
    dialog.controls.push_back(control);
  }
  return dialog;
}

std::string Label(Text text) { return messages::Get(text); }

void ExpectControls(const Dialog& dialog, const std::vector<Control>& expected) {
  ASSERT_EQ(dialog.controls.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const Control& want = expected[i];
    const Control& got = dialog.controls[i];
    SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(want.id) + ")");
    EXPECT_EQ(got.id, want.id);
    EXPECT_EQ(got.classAtom, want.classAtom);
    EXPECT_EQ(got.text, want.text);
    EXPECT_EQ(got.kind, want.kind);
    // A new group starts at the first radio button and at no other one.
    if (want.classAtom == kButtonClass && want.kind == BS_AUTORADIOBUTTON) {
      EXPECT_EQ(got.group, want.group);
    }
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.cx, want.cx);
    EXPECT_EQ(got.cy, want.cy);
  }
}

void ExpectFrame(const Dialog& dialog) {
  EXPECT_EQ(dialog.style & (WS_POPUP | WS_CAPTION | WS_SYSMENU), WS_POPUP | WS_CAPTION | WS_SYSMENU);
  // Modeless and hidden until it is centred and shown.
  EXPECT_EQ(dialog.style & WS_VISIBLE, 0u);
  EXPECT_EQ(dialog.pointSize, 9);
  EXPECT_EQ(dialog.font, Label(Text::kDialogFont));
}

TEST(MainDialogResource, HasTheControlsOfTheMainDialogInPlace) {
  const Dialog dialog = LoadDialog(101);
  ASSERT_EQ(dialog.error, "");
  ExpectFrame(dialog);
  EXPECT_EQ(dialog.title, messages::Get(Text::kCaption));
  const DWORD kPush = BS_PUSHBUTTON, kDefault = BS_DEFPUSHBUTTON, kCheck = BS_AUTOCHECKBOX,
              kRadio = BS_AUTORADIOBUTTON, kGroupBox = BS_GROUPBOX;
  ExpectControls(
      dialog,
      {
          {kNoId, kStaticClass, "#101", SS_ICON, false, 11, 3, 20, 20},
          {kNoId, kStaticClass,
           Label(Text::kMainQuestionLine1) + "\n" + Label(Text::kMainQuestionLine2), SS_LEFT,
           false, 37, 7, 138, 18},
          {1, kButtonClass, Label(Text::kButtonFolder), kDefault, false, 16, 34, 50, 14},
          {1000, kButtonClass, Label(Text::kButtonFile), kPush, false, 88, 34, 50, 14},
          {2, kButtonClass, Label(Text::kButtonQuit), kPush, false, 160, 34, 50, 14},
          {4, kButtonClass, Label(Text::kButtonSpecial), kPush, false, 160, 56, 50, 14},
          {5, kButtonClass, Label(Text::kButtonResident), kPush, false, 160, 78, 50, 14},
          {6, kButtonClass, Label(Text::kButtonManual), kPush, false, 160, 100, 50, 14},
          {1001, kButtonClass, Label(Text::kCheckEditLinks), kCheck, false, 19, 55, 136, 10},
          {1002, kButtonClass, Label(Text::kCheckDeleteBackup), kCheck, false, 19, 69, 136, 10},
          {1003, kButtonClass, Label(Text::kCheckUnixToMac), kCheck, false, 19, 83, 136, 10},
          {1004, kButtonClass, Label(Text::kCheckEucToShiftJis), kCheck, false, 19, 97, 136, 10},
          {kNoId, kButtonClass, Label(Text::kGroupBrokenImages), kGroupBox, false, 12, 115, 204, 27},
          {1005, kButtonClass, Label(Text::kRadioDetectNone), kRadio, true, 21, 125, 60, 10},
          {1006, kButtonClass, Label(Text::kRadioRecycle), kRadio, false, 85, 125, 60, 10},
          {1007, kButtonClass, Label(Text::kRadioDelete), kRadio, false, 149, 125, 60, 10},
      });
}

TEST(SpecialDialogResource, HasTheSixRewriterOptionsInPlace) {
  const Dialog dialog = LoadDialog(103);
  ASSERT_EQ(dialog.error, "");
  ExpectFrame(dialog);
  EXPECT_EQ(dialog.title, Label(Text::kButtonSpecial));
  const DWORD kCheck = BS_AUTOCHECKBOX;
  ExpectControls(
      dialog,
      {
          {1, kButtonClass, Label(Text::kButtonOk), BS_DEFPUSHBUTTON, false, 156, 7, 50, 14},
          {2, kButtonClass, Label(Text::kButtonCancel), BS_PUSHBUTTON, false, 156, 24, 50, 14},
          {1011, kButtonClass, Label(Text::kCheckShortenInfoseek), kCheck, false, 17, 7, 136, 12},
          {1012, kButtonClass, Label(Text::kCheckLocaliseFtp), kCheck, false, 17, 25, 136, 12},
          {1013, kButtonClass, Label(Text::kCheckOptionValues), kCheck, false, 17, 43, 136, 12},
          {1014, kButtonClass, Label(Text::kCheckFixTableEnds), kCheck, false, 17, 61, 136, 12},
          {1015, kButtonClass, Label(Text::kCheckScriptParams), kCheck, false, 17, 79, 136, 12},
          {1016, kButtonClass, Label(Text::kCheckFormActions), kCheck, false, 17, 97, 136, 12},
      });
}

TEST(DialogResources, UseTheIdsOfTheSharedChoiceTables) {
  const Dialog mainDialog = LoadDialog(101);
  const Dialog special = LoadDialog(103);
  ASSERT_EQ(mainDialog.error, "");
  ASSERT_EQ(special.error, "");
  auto textOf = [](const Dialog& dialog, int id) {
    for (const Control& control : dialog.controls) {
      if (control.id == id) return control.text;
    }
    return std::string("<none>");
  };
  for (const app::CheckBoxRow& box : app::kMainCheckBoxes) {
    SCOPED_TRACE(box.controlId);
    EXPECT_EQ(textOf(mainDialog, box.controlId), Label(box.text));
  }
  for (const app::RadioRow& radio : app::kBrokenImageRadios) {
    SCOPED_TRACE(radio.controlId);
    EXPECT_EQ(textOf(mainDialog, radio.controlId), Label(radio.text));
  }
  for (const app::CheckBoxRow& box : app::kSpecialCheckBoxes) {
    SCOPED_TRACE(box.controlId);
    EXPECT_EQ(textOf(special, box.controlId), Label(box.text));
  }
}

}  // namespace
}  // namespace hoard

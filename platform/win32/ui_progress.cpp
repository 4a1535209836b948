// The progress display on Windows: drawn straight into the main window's
// client area, each drawing taking the window's device context for the one
// operation. Nothing is redrawn on repaint; a covered part stays blank until
// its value changes again.
#include <windows.h>

#include <cstring>

#include "platform/ui.h"

namespace hoard::platform {
namespace {

HWND gProgressWindow = nullptr;

struct Place {
  int x;
  int y;
};
constexpr Place kWorkingLabel{25, 20};
constexpr Place kPercentText{133, 20};
constexpr Place kTimeLeftLabel{25, 98};
constexpr Place kTimeLeftText{115, 98};
constexpr Place kElapsedLabel{200, 98};
constexpr Place kElapsedText{290, 98};
constexpr RECT kBarArea{25, 45, 375, 65};
constexpr int kBarPixelsPerPercent = 3;
constexpr RECT kItemArea{31, 70, 319, 98};
constexpr Place kItemText{31, 70};
constexpr COLORREF kEmptyBarColour = RGB(128, 128, 192);
constexpr COLORREF kFilledBarColour = RGB(0, 0, 255);

// The window's device context for one drawing; empty (and nothing drawn)
// when there is no window or it is gone.
class WindowDc {
 public:
  WindowDc() : dc_(gProgressWindow != nullptr ? ::GetDC(gProgressWindow) : nullptr) {}
  ~WindowDc() {
    if (dc_ != nullptr) ::ReleaseDC(gProgressWindow, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

void PutText(HDC dc, Place place, const char* text, size_t length) {
  ::TextOutA(dc, place.x, place.y, text, static_cast<int>(length));
}

void FillWith(HDC dc, const RECT& area, COLORREF colour) {
  HRGN region = ::CreateRectRgn(area.left, area.top, area.right, area.bottom);
  HBRUSH brush = ::CreateSolidBrush(colour);
  if (region != nullptr && brush != nullptr) ::FillRgn(dc, region, brush);
  if (brush != nullptr) ::DeleteObject(brush);
  if (region != nullptr) ::DeleteObject(region);
}

}  // namespace

void SetProgressWindow(void* window) { gProgressWindow = static_cast<HWND>(window); }

void DrawProgressLabels(const char* working, const char* timeLeftLabel, const char* elapsedLabel) {
  WindowDc dc;
  if (dc.get() == nullptr) return;
  PutText(dc.get(), kWorkingLabel, working, std::strlen(working));
  PutText(dc.get(), kTimeLeftLabel, timeLeftLabel, std::strlen(timeLeftLabel));
  PutText(dc.get(), kElapsedLabel, elapsedLabel, std::strlen(elapsedLabel));
}

void DrawProgressCount(int /*current*/, int /*total*/) {
  // The main window shows the percentage only.
}

void DrawProgressPercent(int percent, const char* percentText) {
  WindowDc dc;
  if (dc.get() == nullptr) return;
  PutText(dc.get(), kPercentText, percentText, std::strlen(percentText));
  if (percent <= 0) {
    FillWith(dc.get(), kBarArea, kEmptyBarColour);
  } else {
    RECT filled = kBarArea;
    filled.right = kBarArea.left + kBarPixelsPerPercent * percent;
    FillWith(dc.get(), filled, kFilledBarColour);
  }
}

void DrawProgressTimes(const char* timeLeft, const char* elapsed) {
  WindowDc dc;
  if (dc.get() == nullptr) return;
  if (timeLeft != nullptr) PutText(dc.get(), kTimeLeftText, timeLeft, std::strlen(timeLeft));
  PutText(dc.get(), kElapsedText, elapsed, std::strlen(elapsed));
}

void DrawCurrentItem(const char* text, size_t length) {
  WindowDc dc;
  if (dc.get() == nullptr) return;
  ::FillRect(dc.get(), &kItemArea, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  PutText(dc.get(), kItemText, text, length);
}

PumpEvent PumpOneMessage() {
  MSG message;
  if (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return PumpEvent::kNothing;
}

void ShowWaitCursor(bool wait) {
  ::SetCursor(::LoadCursorA(nullptr, wait ? IDC_WAIT : IDC_ARROW));
}

void EndProgress() {}

}  // namespace hoard::platform

// The Windows desktop program's way in.
#include <windows.h>

#include <array>

#include "app/listing.h"
#include "app/messages.h"
#include "app/run.h"
#include "pipeline/convert.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR commandLine,
                   int /*showCommand*/) {
  // The caption every message box carries; the short one stays when the
  // string table lacks it.
  constexpr int kCaptionCapacity = 64;
  std::array<char, kCaptionCapacity> caption{};
  if (::LoadStringA(instance, hoard::messages::kIdCaption, caption.data(), kCaptionCapacity) > 0) {
    hoard::messages::SetProgramCaption(caption.data());
  }
  // A desktop program has no console of its own; where it was started from one
  // that keeps its output (Wine, a redirected run), the listing arrives there.
  hoard::SetLookupObserver(hoard::app::PrintLookup);
  return hoard::app::RunCommandLine(commandLine);
}

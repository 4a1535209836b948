// The user's options as the core reads them: one plain record, handed to the
// conversion as a parameter. Where they come from (the settings file, the
// dialogs) is the front end's business (app/options.h).
#pragma once

#include <cstdint>

namespace hoard {

// What happens to a broken GIF or JPEG image. The dialogs store only these
// three values; a hand-edited file may hold any value 0..7.
inline constexpr uint8_t kBrokenImagesKept = 0;      // not detected
inline constexpr uint8_t kBrokenImagesDeleted = 3;   // deleted completely
inline constexpr uint8_t kBrokenImagesRecycled = 6;  // sent to the recycle bin

struct Options {
  uint8_t EditLinks = 0;
  uint8_t DeleteBackup = 0;
  uint8_t UnixToMacLineEnds = 0;
  uint8_t EucToShiftJis = 0;
  uint8_t ShortenInfoseekResults = 0;
  uint8_t LocaliseFtp = 0;
  uint8_t AdjustOptionValues = 0;
  uint8_t FixTableEnds = 0;
  uint8_t AdjustScriptParams = 0;
  uint8_t AdjustFormActions = 0;
  uint8_t BrokenImageMode = kBrokenImagesKept;  // 0..7
  // Both 1 exactly when BrokenImageMode is not 0.
  uint8_t CheckGif = 0;
  uint8_t CheckJpeg = 0;
};

}  // namespace hoard

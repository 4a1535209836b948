// The process's options and the per-user settings file of 512 bytes that keeps
// them between runs. Every option is one byte of the file at a fixed offset;
// the file is read whole once and afterwards changed one byte at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/options.h"

namespace hoard {

// The options of this process, filled by LoadOptions and changed only by the
// dialogs.
Options& CurrentOptions();

// --- The settings file.
inline constexpr size_t kSettingsFileBytes = 512;
using SettingsRecord = std::array<uint8_t, kSettingsFileBytes>;

// A yes/no option: its byte in the settings file and its field. Bit 0 of the
// byte holds the value; the other bits are kept as they were read.
struct FlagOption {
  uint16_t offset;
  uint8_t Options::*field;
};
inline constexpr FlagOption kEditLinksOption{388, &Options::EditLinks};
// Any non-zero byte reads as on.
inline constexpr FlagOption kDeleteBackupOption{389, &Options::DeleteBackup};
inline constexpr FlagOption kUnixToMacOption{390, &Options::UnixToMacLineEnds};
inline constexpr FlagOption kEucToShiftJisOption{391, &Options::EucToShiftJis};
inline constexpr FlagOption kShortenInfoseekOption{392, &Options::ShortenInfoseekResults};
inline constexpr FlagOption kLocaliseFtpOption{394, &Options::LocaliseFtp};
inline constexpr FlagOption kOptionValuesOption{395, &Options::AdjustOptionValues};
inline constexpr FlagOption kFixTableEndsOption{396, &Options::FixTableEnds};
inline constexpr FlagOption kScriptParamsOption{435, &Options::AdjustScriptParams};
inline constexpr FlagOption kFormActionsOption{438, &Options::AdjustFormActions};
inline constexpr FlagOption kAllFlagOptions[] = {
    kEditLinksOption,     kDeleteBackupOption,    kUnixToMacOption,    kEucToShiftJisOption,
    kShortenInfoseekOption, kLocaliseFtpOption,   kOptionValuesOption, kFixTableEndsOption,
    kScriptParamsOption,  kFormActionsOption,
};
// The broken-image mode is the three low bits of this byte.
inline constexpr size_t kBrokenImageModeOffset = 432;
inline constexpr uint8_t kBrokenImageModeBits = 0x07;

// The record of a user's first start: edit links, delete backups and repair
// table ends on; everything else off, reserved bytes zero.
SettingsRecord NewSettingsRecord();
// Every option from its byte.
Options OptionsFromRecord(const SettingsRecord& record);

// The settings file's name for a log-on name: its first 8 bytes and ".qrc";
// "noname.qrc" for an empty name. false when it does not fit `capacity`.
bool SettingsFileName(const char* logonName, char* out, size_t capacity);
// The full path: the settings folder (the Windows folder) and the name.
bool SettingsFilePath(char* out, size_t capacity);

// Reads the settings file into the process's record and options, creating it
// on a user's first start. false when a missing file cannot be created.
bool LoadOptions();
// The same for a file at `path`.
bool LoadOptionsFrom(const char* path);
// The record as it was read, with the flag changes applied since.
const SettingsRecord& CurrentSettingsRecord();

// Writes one byte of the settings file in place. Failures are silent: the
// option stays in force for this run.
void SaveOptionByte(size_t offset, uint8_t value);

// A check box's state applied: the field and bit 0 of its record byte follow
// it, and the byte is written when the value changed.
void ApplyFlagOption(const FlagOption& option, bool ticked);
// The radio group applied: a negative mode (nothing selected) keeps the
// mode. A new mode is written into the three low bits of its byte in the
// file, the other bits as they were read.
void ApplyBrokenImageMode(int mode);

}  // namespace hoard

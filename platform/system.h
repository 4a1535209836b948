// Facts about the user and the machine.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hoard::platform {

// Where the settings file lives: the Windows folder on Windows; the user's
// configuration folder (created when missing) elsewhere. No trailing
// separator. false when unknown or too long.
bool GetSettingsFolder(char* buffer, size_t capacity);
// The user's log-on name; false (and an empty text) when unknown.
bool GetLogonName(char* buffer, size_t capacity);
// Wall-clock time in whole seconds.
int64_t NowSeconds();

}  // namespace hoard::platform

// String values under the current user's part of the registry. Keys are
// written as on Windows ("Software\\Tolvar\\Hoard2"). Elsewhere they live in
// a small text file in the user's configuration folder.
#pragma once

#include <cstddef>

namespace hoard::platform {

// false when the key or value is missing or does not fit with its NUL.
bool ReadUserString(const char* key, const char* name, char* buffer, size_t capacity);
// Creates the key when missing. false on any failure.
bool WriteUserString(const char* key, const char* name, const char* value);

}  // namespace hoard::platform

#include "app/options.h"

#include <cstring>

#include "platform/fs.h"
#include "platform/system.h"
#include "store/fileref.h"

namespace hoard {
namespace {

// Only the first bytes of the log-on name name the file.
constexpr size_t kLogonNameBytes = 8;
constexpr char kSettingsExtension[] = ".qrc";
constexpr char kNoName[] = "noname";

struct Settings {
  Options options;
  SettingsRecord record{};
  CPath path{};  // empty until LoadOptions has run
};

Settings gSettings;

bool CopyText(const char* text, char* out, size_t capacity) {
  const size_t length = std::strlen(text);
  if (length + 1 > capacity) return false;
  std::memcpy(out, text, length + 1);
  return true;
}

// Reads up to the whole record; what the file holds lands in `record`, the
// rest stays as it was. false when nothing could be read.
bool ReadRecord(platform::Handle file, SettingsRecord& record) {
  uint32_t count = kSettingsFileBytes;
  SettingsRecord read{};
  if (!platform::ReadFrom(file, read.data(), count) || count == 0) return false;
  std::memcpy(record.data(), read.data(), count);
  return true;
}

bool WriteNewFile(const char* path, const SettingsRecord& record) {
  platform::Handle file = platform::OpenPath(path, platform::OpenMode::kCreateAlways);
  if (file == platform::kNoHandle) return false;
  uint32_t count = kSettingsFileBytes;
  const bool written = platform::WriteTo(file, record.data(), count) && count == kSettingsFileBytes;
  platform::Close(file);
  return written;
}

}  // namespace

Options& CurrentOptions() { return gSettings.options; }

const SettingsRecord& CurrentSettingsRecord() { return gSettings.record; }

SettingsRecord NewSettingsRecord() {
  SettingsRecord record{};
  record[kEditLinksOption.offset] = 1;
  record[kDeleteBackupOption.offset] = 1;
  record[kFixTableEndsOption.offset] = 1;
  return record;
}

Options OptionsFromRecord(const SettingsRecord& record) {
  Options options;
  for (const FlagOption& option : kAllFlagOptions) {
    options.*option.field = record[option.offset] & 1;
  }
  options.DeleteBackup = record[kDeleteBackupOption.offset] != 0 ? 1 : 0;
  options.BrokenImageMode = record[kBrokenImageModeOffset] & kBrokenImageModeBits;
  options.CheckGif = options.CheckJpeg = options.BrokenImageMode != 0 ? 1 : 0;
  return options;
}

bool SettingsFileName(const char* logonName, char* out, size_t capacity) {
  size_t length = logonName == nullptr ? 0 : std::strlen(logonName);
  if (length == 0) {
    logonName = kNoName;
    length = sizeof kNoName - 1;
  }
  if (length > kLogonNameBytes) length = kLogonNameBytes;
  if (length + sizeof kSettingsExtension > capacity) return false;
  std::memcpy(out, logonName, length);
  std::memcpy(out + length, kSettingsExtension, sizeof kSettingsExtension);
  return true;
}

bool SettingsFilePath(char* out, size_t capacity) {
  constexpr size_t kLogonCapacity = 257;  // the longest Windows user name and its NUL
  char logonName[kLogonCapacity];
  if (!platform::GetLogonName(logonName, sizeof logonName)) logonName[0] = '\0';
  char fileName[kLogonNameBytes + sizeof kSettingsExtension];
  if (!SettingsFileName(logonName, fileName, sizeof fileName)) return false;
  if (!platform::GetSettingsFolder(out, capacity)) return false;
  const size_t length = std::strlen(out);
  const size_t nameLength = std::strlen(fileName);
  if (length + 1 + nameLength + 1 > capacity) return false;
  out[length] = PathSeparator();
  std::memcpy(out + length + 1, fileName, nameLength + 1);
  return true;
}

bool LoadOptions() {
  CPath path{};
  if (!SettingsFilePath(path.data(), path.size())) return false;
  return LoadOptionsFrom(path.data());
}

bool LoadOptionsFrom(const char* path) {
  Settings& settings = gSettings;
  if (!CopyText(path, settings.path.data(), settings.path.size())) return false;
  settings.record = SettingsRecord{};
  platform::Handle file = platform::OpenPath(path, platform::OpenMode::kRead);
  if (file == platform::kNoHandle && platform::IsNotFound(platform::LastError())) {
    // A user's first start.
    settings.record = NewSettingsRecord();
    if (!WriteNewFile(path, settings.record)) return false;
    file = platform::OpenPath(path, platform::OpenMode::kRead);
  }
  if (file != platform::kNoHandle) {
    ReadRecord(file, settings.record);
    platform::Close(file);
  }
  settings.options = OptionsFromRecord(settings.record);
  return true;
}

void SaveOptionByte(size_t offset, uint8_t value) {
  if (offset >= kSettingsFileBytes || gSettings.path[0] == '\0') return;
  platform::Handle file = platform::OpenPath(gSettings.path.data(), platform::OpenMode::kReadWrite);
  if (file == platform::kNoHandle) return;
  // Reading the bytes before the offset moves the file position there; the
  // one byte is then written in place and nothing else is touched.
  SettingsRecord before{};
  uint32_t count = static_cast<uint32_t>(offset);
  if (offset == 0 || (platform::ReadFrom(file, before.data(), count) && count == offset)) {
    count = 1;
    platform::WriteTo(file, &value, count);
  }
  platform::Close(file);
}

void ApplyFlagOption(const FlagOption& option, bool ticked) {
  const uint8_t value = ticked ? 1 : 0;
  uint8_t& field = gSettings.options.*option.field;
  const uint8_t before = field;
  field = value;
  uint8_t& byte = gSettings.record[option.offset];
  byte = static_cast<uint8_t>((byte & ~1u) | value);
  if (value != before) SaveOptionByte(option.offset, byte);
}

void ApplyBrokenImageMode(int mode) {
  if (mode < 0) return;
  const uint8_t value = static_cast<uint8_t>(mode) & kBrokenImageModeBits;
  Options& options = gSettings.options;
  if (value == options.BrokenImageMode) return;
  options.BrokenImageMode = value;
  options.CheckGif = options.CheckJpeg = value != 0 ? 1 : 0;
  // Only the file changes: the record keeps the byte as it was read, so its
  // five high bits stay what the file held.
  const uint8_t byte = gSettings.record[kBrokenImageModeOffset];
  SaveOptionByte(kBrokenImageModeOffset,
                 static_cast<uint8_t>((byte & ~kBrokenImageModeBits) | value));
}

}  // namespace hoard

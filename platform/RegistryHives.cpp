#include "platform/RegistryHives.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "core/hive/HiveList.h"
#include "core/ntfs/ByteSource.h"
#include "core/ntfs/FileData.h"
#include "core/ntfs/VolumeIndex.h"
#include "platform/ProcAddress.h"
#include "platform/UniqueHandle.h"
#include "platform/VolumeBytes.h"

namespace quarvel::win {
namespace {

using NtStatus = LONG;
constexpr NtStatus kNoMoreEntries = static_cast<NtStatus>(0x8000001A);
constexpr NtStatus kBufferOverflow = static_cast<NtStatus>(0x80000005);
constexpr NtStatus kBufferTooSmall = static_cast<NtStatus>(0xC0000023);
constexpr ULONG kKeyBasicInformation = 0;
constexpr ULONG kKeyValueFullInformation = 1;
// A hive is at most 2 GiB; its logs are smaller.
constexpr std::uint64_t kHiveLimit = 0x80000000ull;

using EnumerateFunction = NtStatus(NTAPI*)(HANDLE, ULONG, ULONG, PVOID, ULONG, PULONG);

std::u16string U16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

// A name as a program of the Win32 API sees it: the API's contract is a
// NUL-terminated string, so a name stored with a NUL inside ends there (some
// implementations also hand back the rest, past a NUL no caller reads over).
std::u16string Win32Name(const wchar_t* name, DWORD length) {
  std::u16string text(name, name + length);
  return text.substr(0, text.find(u'\0'));
}


std::optional<UniqueRegistryKey> OpenKey(HKEY root, const std::wstring& path, REGSAM view, bool& missing) {
  UniqueRegistryKey key;
  const LONG opened = RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | view, key.put());
  missing = opened == ERROR_FILE_NOT_FOUND;
  if (opened != ERROR_SUCCESS) return std::nullopt;
  return key;
}

EnumerateFunction NtFunction(const char* name) {
  return ProcAddress<EnumerateFunction>(GetModuleHandleW(L"ntdll.dll"), name);
}

// Calls an NtEnumerate* function for each index until it has no more entries,
// growing the buffer as asked; false on any other failure.
template <class Take>
bool EnumerateNative(EnumerateFunction enumerate, HANDLE key, ULONG information_class, Take take) {
  if (!enumerate) return false;
  std::vector<std::byte> buffer(4096);
  for (ULONG index = 0;; ++index) {
    ULONG needed = 0;
    NtStatus status = enumerate(key, index, information_class, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kBufferOverflow || status == kBufferTooSmall) {
      buffer.resize(std::max<std::size_t>(needed, buffer.size() * 2));
      status = enumerate(key, index, information_class, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    }
    if (status == kNoMoreEntries) return true;
    if (status < 0) return false;
    take(std::span<const std::byte>(buffer.data(), std::min<std::size_t>(needed ? needed : buffer.size(), buffer.size())));
  }
}

std::uint32_t Field(std::span<const std::byte> bytes, std::size_t at) {
  std::uint32_t value = 0;
  if (at + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

std::u16string NameAt(std::span<const std::byte> bytes, std::size_t at, std::size_t length) {
  std::u16string name;
  for (std::size_t i = 0; i + 1 < length && at + i + 1 < bytes.size(); i += 2)
    name += static_cast<char16_t>(std::to_integer<unsigned>(bytes[at + i]) | (std::to_integer<unsigned>(bytes[at + i + 1]) << 8));
  return name;
}

}  // namespace

ntfs::Result<hive::HiveFileLocation> LoadedHiveFile(const std::wstring& hive_key) {
  const std::wstring hivelist = L"SYSTEM\\CurrentControlSet\\Control\\hivelist";
  std::array<wchar_t, 4096> device_path{};
  DWORD size = static_cast<DWORD>(device_path.size() * sizeof(wchar_t));
  const LONG read = RegGetValueW(HKEY_LOCAL_MACHINE, hivelist.c_str(), hive_key.c_str(), RRF_RT_REG_SZ, nullptr,
                                 device_path.data(), &size);
  if (read != ERROR_SUCCESS) return ntfs::Failure{"hivelist names no file for this hive: error " + std::to_string(read)};
  std::vector<hive::DriveDevice> drives;
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    const wchar_t drive[] = {letter, L':', 0};
    std::array<wchar_t, 1024> device{};
    if (QueryDosDeviceW(drive, device.data(), static_cast<DWORD>(device.size())))
      drives.push_back({static_cast<char16_t>(letter), U16(device.data())});
  }
  auto location = hive::LocateHiveFile(U16(device_path.data()), drives);
  if (!location) return ntfs::Failure{"no drive letter for the hive's volume"};
  return *location;
}

struct RawHiveVolume::Parts {
  explicit Parts(UniqueFileHandle volume) : bytes(std::move(volume)), sectors(bytes, 512) {}
  VolumeBytes bytes;
  ntfs::SectorAlignedSource sectors;
  std::optional<ntfs::VolumeIndex> index;
};

RawHiveVolume::RawHiveVolume(std::unique_ptr<Parts> parts, char letter) : parts_(std::move(parts)), letter_(letter) {}
RawHiveVolume::RawHiveVolume(RawHiveVolume&&) noexcept = default;
RawHiveVolume::~RawHiveVolume() = default;

ntfs::Result<RawHiveVolume> RawHiveVolume::Open(char16_t drive) {
  const char letter = static_cast<char>(drive);
  const std::string volume_name = std::string("\\\\.\\") + letter + ":";
  UniqueFileHandle volume(CreateFileA(volume_name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
  if (!volume)
    return ntfs::Failure{std::string("volume ") + letter + ": cannot be read raw: error " + std::to_string(GetLastError())};
  auto parts = std::make_unique<Parts>(std::move(volume));
  auto index = ntfs::VolumeIndex::Read(parts->sectors);
  if (!index) return ntfs::Failure{std::string("volume ") + letter + ": " + index.failure().text};
  parts->index.emplace(std::move(*index));
  return RawHiveVolume(std::move(parts), letter);
}

ntfs::Result<hive::Recovered> RawHiveVolume::Read(std::u16string_view path) {
  const std::string where = std::string("volume ") + letter_ + ": ";
  const ntfs::VolumeIndex& index = *parts_->index;
  auto record = ntfs::FindPath(index, path);
  if (!record) return ntfs::Failure{where + "the hive file is not in its MFT"};
  auto primary = ntfs::ReadFileData(parts_->sectors, index, *record, kHiveLimit);
  if (!primary) return ntfs::Failure{where + primary.failure().text};
  // A log that is not there is no log; one that is there but unreadable fails the read.
  std::vector<std::vector<std::byte>> log_bytes;
  std::vector<std::string> log_names;
  // .LOG1 and .LOG2 since Vista; .LOG alone before it (old format only).
  for (const char* suffix : {".LOG1", ".LOG2", ".LOG"}) {
    auto log_record = ntfs::FindPath(index, std::u16string(path) + std::u16string(suffix, suffix + std::strlen(suffix)));
    if (!log_record) continue;
    auto log = ntfs::ReadFileData(parts_->sectors, index, *log_record, kHiveLimit);
    if (!log) return ntfs::Failure{where + log.failure().text};
    log_bytes.push_back(std::move(*log));
    log_names.push_back(suffix);
  }
  std::vector<hive::LogFile> logs;
  for (std::size_t i = 0; i < log_bytes.size(); ++i) logs.push_back({log_names[i], log_bytes[i]});
  return hive::Recover(std::move(*primary), logs);
}

ntfs::Result<hive::Recovered> ReadHiveFromVolume(const hive::HiveFileLocation& location) {
  auto volume = RawHiveVolume::Open(location.letter);
  if (!volume) return volume.failure();
  return volume->Read(location.path);
}

LoadedHives::LoadedHives() = default;
LoadedHives::~LoadedHives() = default;

ntfs::Result<HiveFile> LoadedHives::Read(const std::wstring& hive_key) {
  auto location = LoadedHiveFile(hive_key);
  if (!location) return location.failure();
  auto volume = std::find_if(volumes_.begin(), volumes_.end(), [&](const auto& v) { return v.first == location->letter; });
  if (volume == volumes_.end()) {
    volumes_.emplace_back(location->letter, RawHiveVolume::Open(location->letter));
    volume = volumes_.end() - 1;
  }
  if (!volume->second) return volume->second.failure();
  auto recovered = volume->second->Read(location->path);
  if (!recovered) return recovered.failure();
  if (recovered->recovery.dirty && recovered->recovery.entries_applied == 0) {
    std::string why = "the hive file is dirty and no log brings it up to date";
    for (const auto& note : recovered->recovery.notes) why += "; " + note;
    return ntfs::Failure{why};
  }
  hive::Recovery recovery = recovered->recovery;
  auto opened = hive::Hive::Open(std::move(recovered->file));
  if (!opened) return opened.failure();
  return HiveFile{*location, std::move(recovery), std::move(*opened)};
}

std::optional<std::vector<hive::SeenValue>> Win32Values(HKEY root, const std::wstring& path, REGSAM view) {
  bool missing = false;
  auto key = OpenKey(root, path, view, missing);
  if (!key) return missing ? std::optional(std::vector<hive::SeenValue>{}) : std::nullopt;
  std::vector<hive::SeenValue> values;
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data(1 << 16);
  for (DWORD index = 0;; ++index) {
    DWORD name_length = static_cast<DWORD>(name.size());
    DWORD data_size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    LONG status = RegEnumValueW(key->get(), index, name.data(), &name_length, nullptr, &type, data.data(), &data_size);
    if (status == ERROR_MORE_DATA) {
      data.resize(data_size + 2);
      name_length = static_cast<DWORD>(name.size());
      data_size = static_cast<DWORD>(data.size());
      status = RegEnumValueW(key->get(), index, name.data(), &name_length, nullptr, &type, data.data(), &data_size);
    }
    if (status == ERROR_NO_MORE_ITEMS) return values;
    if (status != ERROR_SUCCESS) return std::nullopt;
    hive::SeenValue value;
    value.name = Win32Name(name.data(), name_length);
    value.type = type;
    value.data.assign(reinterpret_cast<const std::byte*>(data.data()), reinterpret_cast<const std::byte*>(data.data()) + data_size);
    values.push_back(std::move(value));
  }
}

std::optional<std::vector<hive::SeenValue>> NativeValues(HKEY root, const std::wstring& path, REGSAM view) {
  bool missing = false;
  auto key = OpenKey(root, path, view, missing);
  if (!key) return missing ? std::optional(std::vector<hive::SeenValue>{}) : std::nullopt;
  std::vector<hive::SeenValue> values;
  // KEY_VALUE_FULL_INFORMATION: TitleIndex, Type, DataOffset, DataLength, NameLength, Name.
  const bool read = EnumerateNative(NtFunction("NtEnumerateValueKey"), key->get(), kKeyValueFullInformation,
                                    [&](std::span<const std::byte> entry) {
                                      hive::SeenValue value;
                                      value.type = Field(entry, 4);
                                      const std::size_t offset = Field(entry, 8);
                                      const std::size_t length = Field(entry, 12);
                                      value.name = NameAt(entry, 20, Field(entry, 16));
                                      if (offset <= entry.size() && length <= entry.size() - offset)
                                        value.data.assign(entry.begin() + offset, entry.begin() + offset + length);
                                      values.push_back(std::move(value));
                                    });
  if (!read) return std::nullopt;
  return values;
}

std::optional<std::vector<std::u16string>> Win32Subkeys(HKEY root, const std::wstring& path, REGSAM view) {
  bool missing = false;
  auto key = OpenKey(root, path, view, missing);
  if (!key) return missing ? std::optional(std::vector<std::u16string>{}) : std::nullopt;
  std::vector<std::u16string> names;
  std::array<wchar_t, 256> name{};
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    const LONG status = RegEnumKeyExW(key->get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) return names;
    if (status != ERROR_SUCCESS) return std::nullopt;
    names.push_back(Win32Name(name.data(), length));
  }
}

std::optional<std::vector<std::u16string>> NativeSubkeys(HKEY root, const std::wstring& path, REGSAM view) {
  bool missing = false;
  auto key = OpenKey(root, path, view, missing);
  if (!key) return missing ? std::optional(std::vector<std::u16string>{}) : std::nullopt;
  std::vector<std::u16string> names;
  // KEY_BASIC_INFORMATION: LastWriteTime, TitleIndex, NameLength, Name.
  const bool read = EnumerateNative(NtFunction("NtEnumerateKey"), key->get(), kKeyBasicInformation,
                                    [&](std::span<const std::byte> entry) { names.push_back(NameAt(entry, 16, Field(entry, 12))); });
  if (!read) return std::nullopt;
  return names;
}

namespace {

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

ntfs::Result<std::vector<hive::SeenValue>> FileValuesOrEmpty(const hive::Hive& file, std::u16string_view path) {
  auto values = hive::FileValues(file, path);
  if (!values) return values.failure();
  return values->value_or(std::vector<hive::SeenValue>{});
}

}  // namespace

ntfs::Result<std::vector<KeyCrossView>> CompareAutostartKey(const hive::Hive& file, std::u16string_view control_set,
                                                            const hive::AutostartKey& key) {
  const std::u16string file_path = hive::FilePath(key, control_set);
  const REGSAM view = key.wow64_32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  std::vector<KeyCrossView> out;
  auto compare_values = [&](const std::u16string& in_file, const std::u16string& api_path) -> ntfs::Status {
    auto values = FileValuesOrEmpty(file, in_file);
    if (!values) return values.failure();
    const std::wstring api = Wide(api_path);
    auto win32 = Win32Values(HKEY_LOCAL_MACHINE, api, view);
    auto native = NativeValues(HKEY_LOCAL_MACHINE, api, view);
    const bool win32_read = win32.has_value(), native_read = native.has_value();
    hive::ValueViews views{std::move(*values), std::move(win32), std::move(native)};
    hive::Comparison comparison = hive::CompareValues(views);
    out.push_back({api_path, key.wow64_32, false, std::move(comparison), win32_read, native_read, std::move(views)});
    return ntfs::Ok();
  };
  if (auto done = compare_values(file_path, key.api_path); !done) return done.failure();
  if (!key.per_subkey) return out;

  auto subkeys = hive::FileSubkeys(file, file_path);
  if (!subkeys) return subkeys.failure();
  std::vector<std::u16string> in_file = subkeys->value_or(std::vector<std::u16string>{});
  const std::wstring api = Wide(key.api_path);
  auto native = NativeSubkeys(HKEY_LOCAL_MACHINE, api, view);
  auto win32 = Win32Subkeys(HKEY_LOCAL_MACHINE, api, view);
  const bool win32_read = win32.has_value(), native_read = native.has_value();
  out.push_back({key.api_path, key.wow64_32, true, hive::CompareSubkeys({in_file, std::move(win32), native}), win32_read,
                 native_read, {}});
  std::vector<std::u16string> every = in_file;
  if (native)
    for (const auto& name : *native)
      if (std::find(every.begin(), every.end(), name) == every.end()) every.push_back(name);
  for (const auto& name : every)
    if (auto done = compare_values(file_path + u"\\" + name, key.api_path + u"\\" + name); !done) return done.failure();
  return out;
}

}  // namespace quarvel::win

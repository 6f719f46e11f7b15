// The registry seen three ways, compared: the hive file (read by this reader,
// logs applied), the Win32 API (RegEnumValueW / RegEnumKeyExW, which return a
// name up to its first NUL) and the native API (NtEnumerateValueKey /
// NtEnumerateKey, counted names). Per value, names are compared as stored and
// types and data byte for byte; per subkey, names as stored. A view that was
// not read is nullopt, and nothing is concluded from it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/hive/Hive.h"

namespace quarvel::hive {

struct SeenValue {
  std::u16string name;
  std::uint32_t type = 0;
  std::vector<std::byte> data;

  friend bool operator==(const SeenValue&, const SeenValue&) = default;
};

enum class Verdict {
  kHiddenFromApi,        // in the file, missing from a view of the API
  kEmbeddedNul,          // in the file; its name holds a NUL the Win32 API cuts off
  kChangedSinceWritten,  // in the API but not in the file, or not as the file holds it: benign
};

// The texts the user sees.
std::string_view VerdictText(Verdict verdict);
// The stable codes beside the texts, for scripts.
std::string_view VerdictCode(Verdict verdict);
inline constexpr Verdict kHiveVerdicts[] = {Verdict::kHiddenFromApi, Verdict::kEmbeddedNul, Verdict::kChangedSinceWritten};

enum View : unsigned { kWin32View = 1, kNativeView = 2 };

struct Difference {
  std::u16string name;  // as the file stores it, or as the API returned it when the file has none
  Verdict verdict;
  unsigned views = 0;   // which API views the difference was seen in (View bits)

  friend bool operator==(const Difference&, const Difference&) = default;
};

struct ValueViews {
  std::vector<SeenValue> file;
  std::optional<std::vector<SeenValue>> win32;
  std::optional<std::vector<SeenValue>> native;
};

struct NameViews {
  std::vector<std::u16string> file;
  std::optional<std::vector<std::u16string>> win32;
  std::optional<std::vector<std::u16string>> native;
};

struct Comparison {
  std::vector<Difference> differences;
  // Whether both API views were read: "no difference" may only be said of a
  // key whose every view was read.
  bool complete = false;
};

Comparison CompareValues(const ValueViews& views);
Comparison CompareSubkeys(const NameViews& views);

// The file's view of one key, by its path below the hive's root; nullopt when
// the key is not in the file.
Result<std::optional<std::vector<SeenValue>>> FileValues(const Hive& hive, std::u16string_view path);
Result<std::optional<std::vector<std::u16string>>> FileSubkeys(const Hive& hive, std::u16string_view path);

}  // namespace quarvel::hive

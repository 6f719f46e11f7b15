// Every value of a registry key as stored, name by name: what the repair copies
// between keys, compares byte for byte and records in its marker.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace quarvel {

struct StoredValue {
  unsigned long type = 0;
  std::string data;  // the raw bytes, a text's terminating NUL included
  bool operator==(const StoredValue&) const = default;
};

using KeyContents = std::map<std::string, StoredValue>;

// The answer to reading a whole key: its values, or none when the key is not
// there. `error` is the system's code when the key is there but could not be
// read; a failure is never taken for a missing key.
struct KeyRead {
  long error = 0;
  std::optional<KeyContents> values;
};

// The text a REG_SZ value holds, cut at its first NUL; "" for a value of any
// other type and for a missing one.
std::string TextOf(const KeyContents& values, const std::string& name);

// Whether both hold the same values, names, types and bytes, apart from the
// value named `except`.
bool SameValuesExcept(const KeyContents& a, const KeyContents& b, const std::string& except);

// A short text that changes with any name, type or byte of the values: their
// count and a 64-bit FNV-1a hash over them in name order.
std::string Fingerprint(const KeyContents& values);

}  // namespace quarvel

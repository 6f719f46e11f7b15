// A registry key as stored, read through the wide functions: its values name by
// name, its subkeys, and who may change it. What the repair copies between
// keys, compares and records in its marker.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quarvel {

inline constexpr unsigned long kRegSzType = 1;
inline constexpr unsigned long kRegExpandSzType = 2;

struct StoredValue {
  unsigned long type = 0;
  // The raw bytes as the wide functions return them: text is UTF-16LE with its
  // terminating NUL.
  std::string data;
  bool operator==(const StoredValue&) const = default;
};

// Names are the wide names in UTF-8 (an unpaired surrogate keeps its own
// three-byte form), so two names compare equal only when Windows' do.
using KeyContents = std::map<std::string, StoredValue>;

struct KeyTree {
  KeyContents values;
  std::map<std::string, KeyTree> subkeys;
  // The key's access list in the system's text form ("D:..."); subkeys carry none.
  std::string security;
  bool operator==(const KeyTree&) const = default;
};

// The answer to reading a whole key: its tree, or none when the key is not
// there. `error` is the system's code when the key is there but could not be
// read; a failure is never taken for a missing key.
struct KeyRead {
  long error = 0;
  std::optional<KeyTree> tree;
};

// UTF-16 to UTF-8, exactly: an unpaired surrogate is encoded on its own.
std::string Utf8OfWide(std::u16string_view wide);
// The stored form of a text value: UTF-16LE of `text` (UTF-8) with its NUL.
std::string WideData(std::string_view text);

// The text of a REG_SZ or REG_EXPAND_SZ value, cut at its first NUL; nullopt
// for a missing value and for one of any other type.
std::optional<std::u16string> WideTextOf(const KeyContents& values, const std::string& name);

// Whether both hold the same values (apart from the one named `except`) and the
// same subkeys with the same values, all the way down; access lists aside.
bool SameContentsExcept(const KeyTree& a, const KeyTree& b, const std::string& except);

// SHA-256 over every name, type and byte of the values and of the subkeys, in
// name order, with lengths before contents; access lists aside.
std::string ContentsDigest(const KeyTree& tree);

}  // namespace quarvel

#include "core/KeyContents.h"

#include <cstdint>
#include <cstdio>

namespace quarvel {
namespace {

class Fnv1a {
 public:
  void Add(const std::string& bytes) {
    Add(bytes.size());
    for (const unsigned char c : bytes) Byte(c);
  }
  void Add(std::uint64_t number) {
    for (int shift = 0; shift < 64; shift += 8) Byte(static_cast<unsigned char>(number >> shift));
  }
  std::uint64_t Value() const { return hash_; }

 private:
  void Byte(unsigned char c) {
    hash_ ^= c;
    hash_ *= 0x100000001b3ULL;
  }
  std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

}  // namespace

std::string TextOf(const KeyContents& values, const std::string& name) {
  const auto found = values.find(name);
  if (found == values.end() || found->second.type != 1) return "";
  const std::string& data = found->second.data;
  return data.substr(0, data.find('\0'));
}

bool SameValuesExcept(const KeyContents& a, const KeyContents& b, const std::string& except) {
  KeyContents left = a;
  KeyContents right = b;
  left.erase(except);
  right.erase(except);
  return left == right;
}

std::string Fingerprint(const KeyContents& values) {
  // Lengths go in before the bytes, so no two different sets of values run
  // together into the same stream.
  Fnv1a hash;
  for (const auto& [name, value] : values) {
    hash.Add(name);
    hash.Add(value.type);
    hash.Add(value.data);
  }
  char hex[17];
  std::snprintf(hex, sizeof(hex), "%016llx", static_cast<unsigned long long>(hash.Value()));
  return std::to_string(values.size()) + " values " + hex;
}

}  // namespace quarvel

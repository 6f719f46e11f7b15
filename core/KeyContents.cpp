#include "core/KeyContents.h"

#include <cstdint>

#include "core/Sha256.h"
#include "core/Wtf8.h"

namespace quarvel {
namespace {

void AddNumber(Sha256& hash, std::uint64_t number) {
  char bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(number >> (8 * i));
  hash.Add(std::string_view(bytes, 8));
}

void AddCounted(Sha256& hash, const std::string& bytes) {
  AddNumber(hash, bytes.size());
  hash.Add(bytes);
}

void AddTree(Sha256& hash, const KeyTree& tree) {
  AddNumber(hash, tree.values.size());
  for (const auto& [name, value] : tree.values) {
    AddCounted(hash, name);
    AddNumber(hash, value.type);
    AddCounted(hash, value.data);
  }
  AddNumber(hash, tree.subkeys.size());
  for (const auto& [name, subkey] : tree.subkeys) {
    AddCounted(hash, name);
    AddTree(hash, subkey);
  }
}

bool SameContents(const KeyTree& a, const KeyTree& b) {
  if (a.values != b.values || a.subkeys.size() != b.subkeys.size()) return false;
  for (auto left = a.subkeys.begin(), right = b.subkeys.begin(); left != a.subkeys.end(); ++left, ++right) {
    if (left->first != right->first || !SameContents(left->second, right->second)) return false;
  }
  return true;
}


}  // namespace

std::string Utf8OfWide(std::u16string_view wide) { return Wtf8FromUtf16(wide); }

std::string WideData(std::string_view text) {
  std::u16string wide;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (int k = 1; k < length && i + k < text.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += length;
    if (c >= 0x10000) {
      wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      wide += static_cast<char16_t>(c);
    }
  }
  wide += u'\0';
  std::string bytes;
  for (const char16_t unit : wide) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::optional<std::u16string> WideTextOf(const KeyContents& values, const std::string& name) {
  const auto found = values.find(name);
  if (found == values.end()) return std::nullopt;
  const StoredValue& value = found->second;
  if (value.type != kRegSzType && value.type != kRegExpandSzType) return std::nullopt;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(value.data[i]) |
                                            static_cast<unsigned char>(value.data[i + 1]) << 8);
    if (unit == u'\0') break;
    text += unit;
  }
  return text;
}

bool SameContentsExcept(const KeyTree& a, const KeyTree& b, const std::string& except) {
  KeyTree left{a.values, a.subkeys, ""};
  KeyTree right{b.values, b.subkeys, ""};
  left.values.erase(except);
  right.values.erase(except);
  return SameContents(left, right);
}

std::string ContentsDigest(const KeyTree& tree) {
  Sha256 hash;
  AddTree(hash, tree);
  return hash.HexDigest();
}

}  // namespace quarvel

// SHA-256 (FIPS 180-4), for the repair's record of what step 1 wrote and
// checked: a hive file's bytes and a registry key's contents.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quarvel {

class Sha256 {
 public:
  Sha256();
  void Add(std::string_view bytes);
  // The digest as 64 lower-case hex digits; the object is spent afterwards.
  std::string HexDigest();

 private:
  void Block(const unsigned char* block);

  std::array<std::uint32_t, 8> state_;
  std::array<unsigned char, 64> pending_{};
  std::size_t pending_size_ = 0;
  std::uint64_t total_bytes_ = 0;
};

std::string Sha256Hex(std::string_view bytes);

}  // namespace quarvel

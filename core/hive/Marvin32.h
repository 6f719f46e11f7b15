// Marvin32, the keyed hash that guards each entry of a new-format transaction
// log (its two 64-bit hashes), written from the published description.
#pragma once

#include <cstdint>
#include <span>

namespace quarvel::hive {

// The seed Windows uses for the log entries' hashes.
constexpr std::uint64_t kLogEntrySeed = 0xC5554E7A884DEF82ull;

std::uint64_t Marvin32(std::span<const std::byte> data, std::uint64_t seed);

}  // namespace quarvel::hive

#include "core/RegistryValue.h"

#include <charconv>
#include <limits>

#include "core/Text.h"

namespace quarvel {
namespace {

const ConversionError kTypeMismatch{13, "Type mismatch"};
const ConversionError kOverflow{6, "Overflow"};

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace

std::string ToText(const RegistryValue& value) {
  return std::visit(Overloaded{
                        [](std::monostate) { return std::string(); },
                        [](const std::string& text) { return text; },
                        [](const RegistryBytes& bytes) { return std::string(bytes.begin(), bytes.end()); },
                        [](std::int32_t number) { return std::to_string(number); },
                    },
                    value);
}

std::variant<std::int32_t, ConversionError> ToDword(const RegistryValue& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return *number;
  const auto* text = std::get_if<std::string>(&value);
  if (text == nullptr) return kTypeMismatch;
  std::string_view digits = TrimBlanks(*text);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  std::int64_t parsed = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
  if (digits.empty() || end != digits.data() + digits.size()) {
    return error == std::errc::result_out_of_range ? kOverflow : kTypeMismatch;
  }
  if (error == std::errc::result_out_of_range || parsed < std::numeric_limits<std::int32_t>::min() ||
      parsed > std::numeric_limits<std::int32_t>::max()) {
    return kOverflow;
  }
  return static_cast<std::int32_t>(parsed);
}

std::variant<RegistryBytes, ConversionError> ToBytes(const RegistryValue& value) {
  if (const auto* bytes = std::get_if<RegistryBytes>(&value)) return *bytes;
  return kTypeMismatch;
}

}  // namespace quarvel

#include "platform/SystemError.h"

#include <array>

namespace quarvel::win {

std::string SystemErrorDescription(DWORD code) {
  std::array<char, 512> buffer{};
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                     buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
  std::string text(buffer.data(), length);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  return text.empty() ? "System error " + std::to_string(code) : text;
}

}  // namespace quarvel::win

#include "core/ErrorText.h"

namespace quarvel {

std::string ErrorText(long number, std::string_view description) {
  return "Error: " + std::to_string(number) + ". " + std::string(description);
}

}  // namespace quarvel

// The one form in which a support operation reports a run-time failure.
#pragma once

#include <string>
#include <string_view>

namespace quarvel {

// "Error: " + number + ". " + description.
std::string ErrorText(long number, std::string_view description);

}  // namespace quarvel

// The message box through which a support operation reports a run-time failure:
// the operation's name as title, "Error: N. description" as text, OK only and no
// icon. The operation then returns its default result; its caller is never told.
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace quarvel::win {

using ErrorBoxShower = std::function<void(const std::string& title, const std::string& text)>;

// The number a run-time failure inside an operation shows; the description
// says what failed.
inline constexpr long kRunTimeFailureNumber = 7;

void ShowErrorBox(const std::string& title, const std::string& text);
void ReportError(const std::string& operation, long number, const std::string& description);
// A failure thrown inside `operation`.
void ReportRunTimeFailure(const std::string& operation, const std::exception& failure);
// A Win32 error code, described by the system.
void ReportSystemError(const std::string& operation, unsigned long code);

// Seam: replaces how the box is shown (the product keeps the real message box);
// returns the shower in place before.
ErrorBoxShower ReplaceErrorBoxShower(ErrorBoxShower shower);

}  // namespace quarvel::win

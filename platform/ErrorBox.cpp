#include "platform/ErrorBox.h"

#include <windows.h>

#include "core/ErrorText.h"
#include "platform/SystemError.h"

namespace quarvel::win {
namespace {

void ShowRealBox(const std::string& title, const std::string& text) {
  MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(), MB_OK);
}

ErrorBoxShower& CurrentShower() {
  static ErrorBoxShower shower = ShowRealBox;
  return shower;
}

}  // namespace

void ShowErrorBox(const std::string& title, const std::string& text) { CurrentShower()(title, text); }

void ReportError(const std::string& operation, long number, const std::string& description) {
  ShowErrorBox(operation, ErrorText(number, description));
}

void ReportRunTimeFailure(const std::string& operation, const std::exception& failure) {
  ReportError(operation, kRunTimeFailureNumber, failure.what());
}

void ReportSystemError(const std::string& operation, unsigned long code) {
  ReportError(operation, static_cast<long>(code), SystemErrorDescription(code));
}

ErrorBoxShower ReplaceErrorBoxShower(ErrorBoxShower shower) {
  auto previous = std::move(CurrentShower());
  CurrentShower() = shower ? std::move(shower) : ErrorBoxShower(ShowRealBox);
  return previous;
}

}  // namespace quarvel::win

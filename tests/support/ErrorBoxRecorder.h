// Records the support operations' error boxes instead of showing them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/ErrorBox.h"

namespace quarvel::testing {

class ErrorBoxRecorder {
 public:
  ErrorBoxRecorder()
      : previous_(win::ReplaceErrorBoxShower(
            [this](const std::string& title, const std::string& text) { boxes.emplace_back(title, text); })) {}
  ~ErrorBoxRecorder() { win::ReplaceErrorBoxShower(previous_); }
  ErrorBoxRecorder(const ErrorBoxRecorder&) = delete;
  ErrorBoxRecorder& operator=(const ErrorBoxRecorder&) = delete;

  std::vector<std::pair<std::string, std::string>> boxes;

 private:
  win::ErrorBoxShower previous_;
};

}  // namespace quarvel::testing

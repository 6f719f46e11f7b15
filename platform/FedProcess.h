// A program started with a pipe as its standard input, which the caller feeds
// while both run: the lister's second look starts as soon as the comparison
// meets the first unseen file and works beside it, on the other processor.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/UniqueHandle.h"

namespace quarvel::win {

class FedProcess {
 public:
  // Starts the command line (in the caller's current folder, minimised as every
  // started program is); nothing when it cannot be started, `error` says why.
  static std::optional<FedProcess> Start(const std::string& command_line, DWORD& error);

  FedProcess(FedProcess&& other) noexcept;
  FedProcess& operator=(FedProcess&& other) noexcept;
  FedProcess(const FedProcess&) = delete;
  ~FedProcess();

  // Writes to the program's input; false once the program no longer reads.
  bool Write(std::string_view bytes);
  // Ends the input and waits for the program to end, the window's messages
  // running meanwhile; `should_stop` can end the program instead. True when it
  // ended of itself.
  bool Finish(const std::function<bool()>& should_stop = {});

 private:
  FedProcess() = default;
  void End() noexcept;

  PROCESS_INFORMATION info_{};
  UniqueKernelHandle input_;
  bool finished_ = false;
};

}  // namespace quarvel::win

// A program started with a pipe as its standard input, which the caller feeds
// while both run: the lister's second look starts as soon as the comparison
// meets the first unseen file and works beside it, on the other processor.
// The feeding never blocks the caller: a thread of its own writes to the pipe,
// so the window answers "Escape" and a close while the child is busy reading.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/UniqueHandle.h"

namespace quarvel::win {

class FedProcess {
 public:
  // Starts the command line (in the caller's current folder, minimised as every
  // started program is), the pipe's reading end and `output` (its standard
  // output, when given; made inheritable) the only handles it inherits;
  // nothing when it cannot be started, `error` says why.
  static std::optional<FedProcess> Start(const std::string& command_line, DWORD& error, HANDLE output = nullptr);

  FedProcess(FedProcess&& other) noexcept;
  FedProcess& operator=(FedProcess&& other) noexcept;
  FedProcess(const FedProcess&) = delete;
  ~FedProcess();

  // Queues bytes for the program's input; false once the program no longer
  // reads. Never waits for the program.
  bool Write(std::string_view bytes);
  // Ends the input and waits for the program to end, the window's messages
  // running meanwhile; `should_stop` can end the program instead. True when it
  // ended of itself; `exit_code` then holds its exit code.
  bool Finish(const std::function<bool()>& should_stop = {}, DWORD* exit_code = nullptr);

 private:
  // What the caller and the writing thread share.
  struct Feed {
    std::mutex lock;
    std::condition_variable more;
    std::string queued;
    bool closed = false;  // no more bytes will come
    bool broken = false;  // the program no longer reads
  };

  FedProcess() = default;
  void End() noexcept;
  void CloseFeed() noexcept;
  // Writes what is queued until the feed is closed and written, then closes
  // the pipe (the program then sees the end of its input), or until the
  // program stops reading.
  static void WriteAll(UniqueKernelHandle input, Feed& feed);

  PROCESS_INFORMATION info_{};
  bool finished_ = false;
  std::unique_ptr<Feed> feed_;
  std::thread writer_;
};

}  // namespace quarvel::win

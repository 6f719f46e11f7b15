#include "platform/FedProcess.h"

#include <utility>
#include <vector>

#include "platform/InheritedHandles.h"
#include "platform/LaunchAppSync.h"

namespace quarvel::win {
namespace {

// Room for much of a large second look in the pipe itself.
constexpr DWORD kPipeSize = 1 << 20;

}  // namespace

std::optional<FedProcess> FedProcess::Start(const std::string& command_line, DWORD& error, HANDLE output) {
  // Neither end is inheritable when made; only the reading end is made so,
  // and handed to this child alone, with `output`.
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  if (!CreatePipe(&read, &write, nullptr, kPipeSize)) {
    error = GetLastError();
    return std::nullopt;
  }
  const UniqueKernelHandle child_end(read);
  UniqueKernelHandle input(write);
  std::vector<HANDLE> handed{read};
  if (output != nullptr) handed.push_back(output);
  // Inheritable only until the child is made: they go on to no other child.
  const InheritedHandles inherited(std::move(handed));
  if (inherited.List() == nullptr) {
    error = GetLastError();
    return std::nullopt;
  }

  STARTUPINFOEXA startup{};
  startup.StartupInfo.cb = sizeof(startup);
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.StartupInfo.wShowWindow = static_cast<WORD>(ShowWindowState());
  startup.StartupInfo.hStdInput = child_end.get();
  startup.StartupInfo.hStdOutput = output;
  startup.lpAttributeList = inherited.List();
  std::vector<char> writable(command_line.begin(), command_line.end());
  writable.push_back('\0');
  FedProcess process;
  const bool started = CreateProcessA(nullptr, writable.data(), nullptr, nullptr, TRUE,
                                      NORMAL_PRIORITY_CLASS | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                                      &startup.StartupInfo, &process.info_);
  if (!started) {
    error = GetLastError();
    return std::nullopt;
  }
  process.feed_ = std::make_unique<Feed>();
  process.writer_ = std::thread(&FedProcess::WriteAll, std::move(input), std::ref(*process.feed_));
  return process;
}

void FedProcess::WriteAll(UniqueKernelHandle input, Feed& feed) {
  std::string writing;
  for (;;) {
    {
      std::unique_lock lock(feed.lock);
      feed.more.wait(lock, [&] { return !feed.queued.empty() || feed.closed; });
      if (feed.queued.empty()) return;  // closed and all written: the handle closes here
      writing.swap(feed.queued);
    }
    std::string_view bytes = writing;
    while (!bytes.empty()) {
      DWORD written = 0;
      if (!WriteFile(input.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        const std::lock_guard lock(feed.lock);
        feed.broken = true;
        return;
      }
      bytes.remove_prefix(written);
    }
    writing.clear();
  }
}

FedProcess::FedProcess(FedProcess&& other) noexcept
    : info_(std::exchange(other.info_, PROCESS_INFORMATION{})),
      finished_(std::exchange(other.finished_, true)),
      feed_(std::move(other.feed_)),
      writer_(std::move(other.writer_)) {}

FedProcess& FedProcess::operator=(FedProcess&& other) noexcept {
  if (this != &other) {
    End();
    info_ = std::exchange(other.info_, PROCESS_INFORMATION{});
    finished_ = std::exchange(other.finished_, true);
    feed_ = std::move(other.feed_);
    writer_ = std::move(other.writer_);
  }
  return *this;
}

FedProcess::~FedProcess() { End(); }

void FedProcess::CloseFeed() noexcept {
  if (!feed_) return;
  {
    const std::lock_guard lock(feed_->lock);
    feed_->closed = true;
  }
  feed_->more.notify_one();
}

// A program never finished is ended first, which breaks the pipe and so ends
// a write the thread may be waiting in: an abandoned second look must not
// linger.
void FedProcess::End() noexcept {
  if (!finished_ && info_.hProcess != nullptr) {
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, INFINITE);
  }
  if (feed_) {
    {
      const std::lock_guard lock(feed_->lock);
      feed_->queued.clear();
    }
    CloseFeed();
  }
  if (writer_.joinable()) writer_.join();
  if (info_.hThread != nullptr) CloseHandle(info_.hThread);
  if (info_.hProcess != nullptr) CloseHandle(info_.hProcess);
  info_ = PROCESS_INFORMATION{};
}

bool FedProcess::Write(std::string_view bytes) {
  if (!feed_) return false;
  {
    const std::lock_guard lock(feed_->lock);
    if (feed_->broken || feed_->closed) return false;
    feed_->queued.append(bytes);
  }
  feed_->more.notify_one();
  return true;
}

bool FedProcess::Finish(const std::function<bool()>& should_stop, DWORD* exit_code) {
  // The thread writes the rest and closes the pipe; the program reads to its
  // end and ends. The wait runs the window's messages meanwhile, and a stop
  // ends the program, which breaks the pipe under the thread.
  CloseFeed();
  PROCESS_INFORMATION info = std::exchange(info_, PROCESS_INFORMATION{});
  finished_ = true;
  const bool ended = WaitForProcess(info, should_stop, exit_code);
  if (writer_.joinable()) writer_.join();
  return ended;
}

}  // namespace quarvel::win

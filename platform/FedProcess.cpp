#include "platform/FedProcess.h"

#include <utility>
#include <vector>

#include "platform/LaunchAppSync.h"

namespace quarvel::win {
namespace {

// Room for the whole of a large second look, so the feeding rarely waits.
constexpr DWORD kPipeSize = 1 << 20;

}  // namespace

std::optional<FedProcess> FedProcess::Start(const std::string& command_line, DWORD& error) {
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  if (!CreatePipe(&read, &write, &inheritable, kPipeSize)) {
    error = GetLastError();
    return std::nullopt;
  }
  const UniqueKernelHandle child_end(read);
  FedProcess process;
  process.input_.reset(write);
  SetHandleInformation(write, HANDLE_FLAG_INHERIT, 0);  // only the reading end goes to the child

  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = static_cast<WORD>(ShowWindowState());
  startup.hStdInput = child_end.get();
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::vector<char> writable(command_line.begin(), command_line.end());
  writable.push_back('\0');
  if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                      &startup, &process.info_)) {
    error = GetLastError();
    return std::nullopt;
  }
  return process;
}

FedProcess::FedProcess(FedProcess&& other) noexcept
    : info_(std::exchange(other.info_, PROCESS_INFORMATION{})),
      input_(std::move(other.input_)),
      finished_(std::exchange(other.finished_, true)) {}

FedProcess& FedProcess::operator=(FedProcess&& other) noexcept {
  if (this != &other) {
    End();
    info_ = std::exchange(other.info_, PROCESS_INFORMATION{});
    input_ = std::move(other.input_);
    finished_ = std::exchange(other.finished_, true);
  }
  return *this;
}

FedProcess::~FedProcess() { End(); }

// A program never finished is ended: an abandoned second look must not linger.
void FedProcess::End() noexcept {
  input_.reset();
  if (!finished_ && info_.hProcess != nullptr) {
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, INFINITE);
  }
  if (info_.hThread != nullptr) CloseHandle(info_.hThread);
  if (info_.hProcess != nullptr) CloseHandle(info_.hProcess);
  info_ = PROCESS_INFORMATION{};
}

bool FedProcess::Write(std::string_view bytes) {
  while (!bytes.empty() && input_) {
    DWORD written = 0;
    if (!WriteFile(input_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return false;
    bytes.remove_prefix(written);
  }
  return static_cast<bool>(input_);
}

bool FedProcess::Finish(const std::function<bool()>& should_stop) {
  input_.reset();
  finished_ = true;
  PROCESS_INFORMATION info = std::exchange(info_, PROCESS_INFORMATION{});
  return WaitForProcess(info, should_stop);
}

}  // namespace quarvel::win

// run-hooked <dll> <command line...>
// Test tool: starts the command suspended, queues LoadLibraryW of the DLL to its
// first thread (it runs before the program's own code), resumes it, waits, and
// exits with its exit code. How the tests put a hider into a program they do
// not drive through a window, such as the console companion.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

// The text after the first `count` tokens of a command line.
std::wstring After(const wchar_t* line, int count) {
  std::wstring text = line;
  std::size_t at = 0;
  for (int token = 0; token < count; ++token) {
    while (at < text.size() && text[at] == L' ') ++at;
    if (at < text.size() && text[at] == L'"') {
      at = text.find(L'"', at + 1);
      at = at == std::wstring::npos ? text.size() : at + 1;
    } else {
      while (at < text.size() && text[at] != L' ') ++at;
    }
  }
  while (at < text.size() && text[at] == L' ') ++at;
  return text.substr(at);
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 3) {
    std::fprintf(stderr, "usage: run-hooked <dll> <command line>\n");
    return 99;
  }
  const std::wstring dll = argv[1];
  std::wstring command = After(GetCommandLineW(), 2);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                      &child)) {
    std::fprintf(stderr, "run-hooked: cannot start the command: error %lu\n", GetLastError());
    return 99;
  }
  const std::size_t bytes = (dll.size() + 1) * sizeof(wchar_t);
  void* remote = VirtualAllocEx(child.hProcess, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  WriteProcessMemory(child.hProcess, remote, dll.c_str(), bytes, nullptr);
  const auto load = reinterpret_cast<PAPCFUNC>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryW")));
  QueueUserAPC(load, child.hThread, reinterpret_cast<ULONG_PTR>(remote));
  ResumeThread(child.hThread);
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD code = 99;
  GetExitCodeProcess(child.hProcess, &code);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return static_cast<int>(code);
}

#include "tests/support/UiDriver.h"

#include <psapi.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

#include "app/ControlIds.h"
#include "platform/AnsiText.h"

namespace quarvel::testing {
namespace {

constexpr UINT kSendTimeoutMs = 10000;

// Text travels between processes through the wide messages: the ANSI forms
// came back cut to their first character across processes under Wine.
std::string Narrow(const std::wstring& wide) { return win::AnsiFromWide(wide); }
std::wstring Widen(const std::string& text) { return win::WideFromAnsi(text); }

LRESULT Send(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, msg, wp, lp, SMTO_NORMAL, kSendTimeoutMs, &result)) {
    throw std::runtime_error("the window did not answer message " + std::to_string(msg));
  }
  return static_cast<LRESULT>(result);
}

std::string WindowText(HWND window) {
  const auto length = Send(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto copied = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return Narrow(text);
}

struct FindContext {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM lp) {
  auto* context = reinterpret_cast<FindContext*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char caption[256] = {};
  GetWindowTextA(window, caption, sizeof(caption));
  if (owner == context->process_id && std::string(caption) == app::kMainCaption) {
    context->found = window;
    return FALSE;
  }
  return TRUE;
}

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK FindControlById(HWND window, LPARAM lp) {
  auto* search = reinterpret_cast<ControlSearch*>(lp);
  if (GetDlgCtrlID(window) == search->id) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(15ms);
  }
  return condition();
}

std::optional<MessageBoxView> FindMessageBox(const std::string& title) {
  HWND box = FindWindowA("#32770", title.c_str());
  if (box == nullptr) return std::nullopt;
  MessageBoxView view;
  view.window = box;
  HWND text = GetDlgItem(box, 0xFFFF);
  view.text = text == nullptr ? std::string() : WindowText(text);
  return view;
}

std::optional<MessageBoxView> WaitForMessageBox(const std::string& title, std::chrono::milliseconds timeout) {
  std::optional<MessageBoxView> box;
  WaitUntil([&] { return (box = FindMessageBox(title)).has_value(); }, timeout);
  return box;
}

void PressButton(const MessageBoxView& box, int button_id) {
  HWND button = GetDlgItem(box.window, button_id);
  PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

std::string AcknowledgeMessageBox(const std::string& title) {
  const auto box = WaitForMessageBox(title);
  if (!box) return "";
  PressButton(*box, IDOK);
  WaitUntil([&] { return !IsWindow(box->window); });
  return box->text;
}

std::string ClipboardText() {
  for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) Sleep(20);
  std::string text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = Narrow(chars);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

AppSession::AppSession(const std::string& exe, const std::string& work_folder, const std::string& early_library)
    : AppSession(exe, Widen(work_folder), early_library) {}

AppSession::AppSession(const std::string& exe, const std::wstring& work_folder, const std::string& early_library) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  const std::wstring wide_exe = Widen(exe);
  std::wstring command = L"\"" + wide_exe + L"\"";
  const auto start = [&] {
    const DWORD flags = early_library.empty() ? 0 : CREATE_SUSPENDED;
    if (!CreateProcessW(wide_exe.c_str(), command.data(), nullptr, nullptr, FALSE, flags, nullptr, work_folder.c_str(),
                        &startup, &process_)) {
      return false;
    }
    if (early_library.empty()) return true;
    // LoadLibraryW queued to the first thread runs before the program's own code.
    const std::wstring library = Widen(early_library);
    const std::size_t bytes = (library.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process_.hProcess, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    const auto load = reinterpret_cast<PAPCFUNC>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryW")));
    const bool queued = remote != nullptr && WriteProcessMemory(process_.hProcess, remote, library.c_str(), bytes, nullptr) &&
                        QueueUserAPC(load, process_.hThread, reinterpret_cast<ULONG_PTR>(remote));
    ResumeThread(process_.hThread);
    if (!queued) throw std::runtime_error("cannot load " + early_library + " into " + exe);
    return true;
  };
  // Wine now and then fails a start with ERROR_INTERNAL_ERROR (met once in a
  // whole test run, between two scenarios); a second try a moment later runs.
  bool started = start();
  if (!started && GetLastError() == ERROR_INTERNAL_ERROR) {
    Sleep(500);
    started = start();
  }
  if (!started) throw std::runtime_error("cannot start " + exe + ": error " + std::to_string(GetLastError()));
  FindContext context{process_.dwProcessId, nullptr};
  WaitUntil([&] {
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&context));
    return context.found != nullptr;
  });
  main_ = context.found;
  if (main_ == nullptr) throw std::runtime_error("the main window did not appear");
  // Start-up has run once the window answers.
  Send(main_, WM_NULL, 0, 0);
}

AppSession::~AppSession() {
  if (!exited_) {
    Close();
    if (!WaitForExit(20s)) TerminateProcess(process_.hProcess, 99);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

HWND AppSession::Control(int id) const {
  ControlSearch search{id, nullptr};
  EnumChildWindows(main_, FindControlById, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) throw std::runtime_error("no control with id " + std::to_string(id));
  return search.found;
}

void AppSession::Click(int id) { PostMessageW(Control(id), BM_CLICK, 0, 0); }

HWND AppSession::EditField(int id) const {
  HWND target = Control(id);
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof(combo);
  if (GetComboBoxInfo(target, &combo) && combo.hwndItem != nullptr) target = combo.hwndItem;
  return target;
}

void AppSession::Type(int id, const std::string& text) {
  const std::wstring wide = Widen(text);
  Send(EditField(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void AppSession::TypeAndReturn(int id, const std::string& text) {
  // The waiting send runs on a thread of its own that keeps its copy of the text.
  std::thread([target = EditField(id), wide = Widen(text)] {
    SendMessageW(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }).detach();
}

void AppSession::Pick(int id, const std::string& entry) {
  HWND combo = Control(id);
  const std::wstring wide = Widen(entry);
  const auto index = Send(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wide.c_str()));
  if (index == CB_ERR) throw std::runtime_error("no entry " + entry);
  Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  // A selection by the user is announced to the window.
  Send(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::string AppSession::Text(int id) const { return WindowText(Control(id)); }

bool AppSession::Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }

bool AppSession::Checked(int id) const { return Send(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

int AppSession::ListCount(int id) const { return static_cast<int>(Send(Control(id), LB_GETCOUNT, 0, 0)); }

std::vector<std::string> AppSession::ListItems(int id) const {
  HWND list = Control(id);
  std::vector<std::string> items;
  const int count = static_cast<int>(Send(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const auto length = Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied = Send(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
    item.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
    items.push_back(Narrow(item));
  }
  return items;
}

// Real mouse input at the middle of a list item: the program learns of a press
// in a list the way Windows tells it, not from a message posted to the list.
namespace {

POINT ListItemOnScreen(HWND list, int index) {
  const auto height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  const auto top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
  POINT at{5, (index - top) * height + height / 2};
  ClientToScreen(list, &at);
  return at;
}

void PressMouse(DWORD down, DWORD up) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = down;
  input[1].mi.dwFlags = up;
  SendInput(2, input, sizeof(INPUT));
}

}  // namespace

void AppSession::ClickListItem(int id, int index, UINT down) {
  const POINT at = ListItemOnScreen(Control(id), index);
  SetForegroundWindow(main_);
  SetCursorPos(at.x, at.y);
  if (down == WM_RBUTTONDOWN) {
    PressMouse(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    return;  // the caller waits for the popup menu
  }
  PressMouse(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  // Input reaches the program after what is posted to it, so a command posted
  // next could overtake the click. The press moves the selection and takes the
  // mouse capture; the release gives the capture back and notifies the window
  // of the new selection within the same dispatch. Once both have been seen, a
  // command posted next comes after the click's handlers.
  if (index >= 0 && index < ListCount(id)) {
    HWND list = Control(id);
    const DWORD thread = GetWindowThreadProcessId(main_, nullptr);
    WaitUntil([&] {
      GUITHREADINFO info{sizeof(GUITHREADINFO)};
      return Send(list, LB_GETCURSEL, 0, 0) == index && GetGUIThreadInfo(thread, &info) && info.hwndCapture != list;
    }, 5s);
  }
}

void AppSession::DoubleClickListItem(int id, int index) {
  const POINT at = ListItemOnScreen(Control(id), index);
  SetForegroundWindow(main_);
  SetCursorPos(at.x, at.y);
  PressMouse(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  PressMouse(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
}

void AppSession::Command(int command_id) { PostMessageW(main_, WM_COMMAND, MAKEWPARAM(command_id, 0), 0); }

bool AppSession::ChoosePopupItem(int position, std::chrono::milliseconds timeout) const {
  HWND popup = nullptr;
  if (!WaitUntil([&] {
        popup = FindWindowA("#32768", nullptr);
        return popup != nullptr && IsWindowVisible(popup);
      }, timeout)) {
    return false;
  }
  // Real key presses: the menu's own loop reads the keyboard.
  const auto press = [](WORD key) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
    Sleep(30);
  };
  for (int i = 0; i <= position; ++i) press(VK_DOWN);
  press(VK_RETURN);
  return WaitUntil([] {
    HWND open = FindWindowA("#32768", nullptr);
    return open == nullptr || !IsWindowVisible(open);
  }, 5s);
}

void AppSession::ClosePopupMenu() const { PostMessageW(main_, WM_CANCELMODE, 0, 0); }

void AppSession::Hover(int id) const {
  RECT rect;
  GetWindowRect(Control(id), &rect);
  SetCursorPos(rect.left + 3, rect.top + 3);
  Sleep(50);
  SetCursorPos(rect.left + 6, rect.top + 6);
}

bool AppSession::InjectLibrary(const std::string& dll_path) {
  void* remote = VirtualAllocEx(process_.hProcess, nullptr, dll_path.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote == nullptr) return false;
  WriteProcessMemory(process_.hProcess, remote, dll_path.c_str(), dll_path.size() + 1, nullptr);
  const auto load_library = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
  HANDLE thread = CreateRemoteThread(process_.hProcess, nullptr, 0, load_library, remote, 0, nullptr);
  if (thread == nullptr) return false;
  WaitForSingleObject(thread, 10000);
  DWORD loaded = 0;
  GetExitCodeThread(thread, &loaded);
  CloseHandle(thread);
  VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
  return loaded != 0;
}

std::size_t AppSession::PeakWorkingSetBytes() const {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(process_.hProcess, &counters, sizeof(counters))) return 0;
  return counters.PeakWorkingSetSize;
}

void AppSession::Close() { PostMessageW(main_, WM_CLOSE, 0, 0); }

bool AppSession::WaitForExit(std::chrono::milliseconds timeout, DWORD* exit_code) {
  if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return false;
  exited_ = true;
  if (exit_code != nullptr) GetExitCodeProcess(process_.hProcess, exit_code);
  return true;
}

bool AppSession::Screenshot(const std::string& bmp_path, int margin) const {
  RECT rect;
  if (!GetWindowRect(main_, &rect)) return false;
  rect.left = std::max(0L, rect.left - margin);
  rect.top = std::max(0L, rect.top - margin);
  rect.right = std::min<LONG>(GetSystemMetrics(SM_CXSCREEN), rect.right + margin);
  rect.bottom = std::min<LONG>(GetSystemMetrics(SM_CYSCREEN), rect.bottom + margin);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);

  const DWORD row = static_cast<DWORD>((width * 3 + 3) & ~3);
  const DWORD image_size = row * static_cast<DWORD>(height);
  BITMAPFILEHEADER file_header{};
  file_header.bfType = 0x4D42;
  file_header.bfOffBits = sizeof(file_header) + sizeof(info.bmiHeader);
  file_header.bfSize = file_header.bfOffBits + image_size;
  info.bmiHeader.biSizeImage = image_size;
  bool written = false;
  HANDLE file = CreateFileA(bmp_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD n = 0;
    written = WriteFile(file, &file_header, sizeof(file_header), &n, nullptr) &&
              WriteFile(file, &info.bmiHeader, sizeof(info.bmiHeader), &n, nullptr) &&
              WriteFile(file, bits, image_size, &n, nullptr);
    CloseHandle(file);
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return written;
}

std::string VerdictCountsShown(const AppSession& app) {
  const std::string text = app.Text(app::kLblIsDir);
  return text.substr(0, text.find("; volume view: "));
}

}  // namespace quarvel::testing

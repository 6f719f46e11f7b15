// The base of the program's own windows: registers the window class once,
// binds the C++ object to its window on WM_NCCREATE and lets go on
// WM_NCDESTROY, owns the window (destroyed with the object unless it went
// first), and runs every message inside one failure boundary, so no exception
// ever crosses the window procedure and a failed handler leaves the window
// usable. A failure is reported after the message that failed, from a posted
// message, never with a box (a nested message loop) inside the handler.
//
// `Derived` provides `LRESULT HandleMessage(UINT, WPARAM, LPARAM)` and may
// provide `void ReportFailure(const std::string& where, const std::string& what)`
// (the default shows a message box owned by the window).
#pragma once

#include <windows.h>

#include <cstdio>
#include <deque>
#include <exception>
#include <string>
#include <type_traits>
#include <utility>

#include "ui/GdiOwners.h"

namespace quarvel::ui {

template <class Derived>
class WindowBase {
 public:
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  HWND Handle() const { return hwnd_; }

  // The message that carries a failure report to the window; the windows'
  // own messages stay below it.
  static constexpr UINT kReportFailure = WM_APP + 0x3FFF;

 protected:
  WindowBase() = default;
  // The derived window is gone by now: a window still there is destroyed (by
  // window_) without its messages reaching it.
  ~WindowBase() {
    if (hwnd_ != nullptr) SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
  }

  // Registers `class_name` with this type's window procedure unless the class
  // exists already; false when it can be neither found nor registered.
  static bool RegisterOnce(HINSTANCE instance, const char* class_name, HICON icon = nullptr) {
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof(window_class);
    if (GetClassInfoExA(instance, class_name, &window_class)) return true;
    window_class.lpfnWndProc = &WindowBase::WindowProc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.hIcon = icon;
    window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    window_class.lpszClassName = class_name;
    return RegisterClassExA(&window_class) != 0;
  }

  // Creates the window bound to and owned by this object; nullptr when it
  // cannot be created.
  HWND CreateBound(DWORD ex_style, const char* class_name, const char* caption, DWORD style, int x, int y,
                   int width, int height, HWND owner, HINSTANCE instance) {
    window_.reset(CreateWindowExA(ex_style, class_name, caption, style, x, y, width, height, owner, nullptr,
                                  instance, static_cast<Derived*>(this)));
    return window_.get();
  }

  // Destroys the window now (its WM_DESTROY and WM_NCDESTROY run inside).
  void Destroy() { window_.reset(); }

  // Runs `handler` inside the failure boundary: a failure is reported under
  // `name` and the window goes on. `name` is text, or something that makes the
  // text, asked only when the handler failed. True when the handler completed.
  template <class Name, class Handler>
  bool Guarded(Name&& name, Handler&& handler) {
    try {
      std::forward<Handler>(handler)();
      return true;
    } catch (const std::exception& error) {
      PostFailure(NameText(name), error.what());
    } catch (...) {
      PostFailure(NameText(name), "unknown failure");
    }
    return false;
  }

  void ReportFailure(const std::string& where, const std::string& what) {
    MessageBoxA(hwnd_, (where + " failed: " + what).c_str(), nullptr, MB_OK | MB_ICONERROR);
  }

  HWND hwnd_ = nullptr;

 private:
  template <class Name>
  static std::string NameText(Name& name) {
    if constexpr (std::is_invocable_v<Name&>) {
      return name();
    } else {
      return std::string(name);
    }
  }

  // The report waits for the window's own message; without a window (it went
  // with the failure) it is shown at once, owned by nobody.
  void PostFailure(std::string where, std::string what) {
    try {
      failures_.emplace_back(std::move(where), std::move(what));
      if (hwnd_ != nullptr && PostMessageA(hwnd_, kReportFailure, 0, 0)) return;
      ShowFailures();
    } catch (...) {
      // Out of memory for the report itself: nothing more can be said.
    }
  }

  void ShowFailures() {
    while (!failures_.empty()) {
      auto [where, what] = std::move(failures_.front());
      failures_.pop_front();
      static_cast<Derived*>(this)->ReportFailure(where, what);
    }
  }

  static std::string MessageName(UINT msg) {
    char name[32];
    std::snprintf(name, sizeof(name), "Window message 0x%04X", msg);
    return name;
  }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Derived* self = nullptr;
    if (msg == WM_NCCREATE) {
      self = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
      self->hwnd_ = hwnd;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<Derived*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) return DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
      // Nothing may reach the object once its window is gone, and the object
      // no longer owns it.
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
      static_cast<void>(self->window_.release());
      return DefWindowProcA(hwnd, msg, wp, lp);
    }
    if (msg == kReportFailure) {
      self->ShowFailures();
      return 0;
    }
    LRESULT result = 0;
    if (self->Guarded([msg] { return MessageName(msg); }, [&] { result = self->HandleMessage(msg, wp, lp); })) {
      return result;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
  }

  UniqueWindow window_;
  std::deque<std::pair<std::string, std::string>> failures_;
};

}  // namespace quarvel::ui

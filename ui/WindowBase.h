// The base of the program's own windows: registers the window class once,
// binds the C++ object to its window on WM_NCCREATE and lets go on
// WM_NCDESTROY, and runs every message inside one failure boundary, so no
// exception ever crosses the window procedure and a failed handler leaves the
// window usable.
//
// `Derived` provides `LRESULT HandleMessage(UINT, WPARAM, LPARAM)` and may
// provide `void ReportFailure(const std::string& where, const std::string& what)`
// (the default shows a message box owned by the window).
#pragma once

#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>
#include <utility>

namespace quarvel::ui {

template <class Derived>
class WindowBase {
 public:
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  HWND Handle() const { return hwnd_; }

 protected:
  WindowBase() = default;
  ~WindowBase() = default;

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

  // Creates the window bound to this object; nullptr when it cannot be created.
  HWND CreateBound(DWORD ex_style, const char* class_name, const char* caption, DWORD style, int x, int y,
                   int width, int height, HWND owner, HINSTANCE instance) {
    return CreateWindowExA(ex_style, class_name, caption, style, x, y, width, height, owner, nullptr, instance,
                           static_cast<Derived*>(this));
  }

  // Runs `handler` inside the failure boundary: a failure is reported under
  // `name` and the window goes on. True when the handler completed.
  template <class Handler>
  bool Guarded(const std::string& name, Handler&& handler) {
    std::string failure;
    try {
      std::forward<Handler>(handler)();
      return true;
    } catch (const std::exception& error) {
      failure = error.what();
    } catch (...) {
      failure = "unknown failure";
    }
    static_cast<Derived*>(this)->ReportFailure(name, failure);
    return false;
  }

  void ReportFailure(const std::string& where, const std::string& what) {
    MessageBoxA(hwnd_, (where + " failed: " + what).c_str(), nullptr, MB_OK | MB_ICONERROR);
  }

  HWND hwnd_ = nullptr;

 private:
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
      // Nothing may reach the object once its window is gone.
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
      return DefWindowProcA(hwnd, msg, wp, lp);
    }
    LRESULT result = 0;
    if (self->Guarded(MessageName(msg), [&] { result = self->HandleMessage(msg, wp, lp); })) return result;
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
};

}  // namespace quarvel::ui

// Owners for the GDI and USER objects the windows create or borrow: windows,
// fonts and menus they create, device contexts they borrow, objects they
// select into a device context, and the painting of a window. Each is
// move-only: a moved-from owner gives back nothing.
#pragma once

#include <windows.h>

#include <utility>

#include "platform/UniqueHandle.h"

namespace quarvel::ui {

using UniqueWindow = win::UniqueHandle<HWND, &DestroyWindow>;
using UniqueFont = win::UniqueHandle<HFONT, &DeleteObject>;
using UniqueMenu = win::UniqueHandle<HMENU, &DestroyMenu>;

// A window's device context (the screen's for a null window), borrowed with
// GetDC and given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(WindowDc&& other) noexcept
      : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDc& operator=(WindowDc&& other) noexcept {
    if (this != &other) {
      Release();
      window_ = other.window_;
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  ~WindowDc() { Release(); }
  HDC get() const { return dc_; }

 private:
  void Release() {
    if (dc_ != nullptr) ReleaseDC(window_, std::exchange(dc_, nullptr));
  }
  HWND window_;
  HDC dc_;
};

// The painting of a window between BeginPaint and EndPaint.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  PaintDc(PaintDc&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), paint_(other.paint_), dc_(std::exchange(other.dc_, nullptr)) {}
  PaintDc& operator=(PaintDc&& other) noexcept {
    if (this != &other) {
      End();
      window_ = std::exchange(other.window_, nullptr);
      paint_ = other.paint_;
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  ~PaintDc() { End(); }
  HDC get() const { return dc_; }

 private:
  void End() {
    if (window_ != nullptr) EndPaint(std::exchange(window_, nullptr), &paint_);
    dc_ = nullptr;
  }
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// An object selected into a device context; the one it replaced goes back in
// when this goes away.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectedObject(SelectedObject&& other) noexcept
      : dc_(other.dc_), previous_(std::exchange(other.previous_, nullptr)) {}
  SelectedObject& operator=(SelectedObject&& other) noexcept {
    if (this != &other) {
      Restore();
      dc_ = other.dc_;
      previous_ = std::exchange(other.previous_, nullptr);
    }
    return *this;
  }
  ~SelectedObject() { Restore(); }

 private:
  void Restore() {
    const HGDIOBJ previous = std::exchange(previous_, nullptr);
    if (previous != nullptr && previous != HGDI_ERROR) SelectObject(dc_, previous);
  }
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace quarvel::ui

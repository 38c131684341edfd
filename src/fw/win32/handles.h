// Small owners for the user-interface handles of the Win32 front end that
// outlive one call: a registered window class and a loaded menu.
#pragma once
#include "fw/win32/windows_api.h"

namespace relvo::fw::win32 {

// A window class registered for one module; unregistered with the object
// (once no window of the class is left).
class WindowClass {
 public:
  WindowClass() = default;
  ~WindowClass() { reset(); }
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;

  // RegisterClassExW; false when the system refuses.
  bool register_class(const WNDCLASSEXW& wc) {
    reset();
    atom_ = RegisterClassExW(&wc);
    instance_ = wc.hInstance;
    return atom_ != 0;
  }
  bool registered() const { return atom_ != 0; }
  LPCWSTR name() const { return MAKEINTATOM(atom_); }
  void reset() {
    if (atom_) UnregisterClassW(MAKEINTATOM(atom_), instance_);
    atom_ = 0;
  }

 private:
  ATOM atom_ = 0;
  HINSTANCE instance_ = nullptr;
};

// A menu from LoadMenuW until a window takes it over (release); destroyed
// with the object otherwise. A menu that the system destroyed meanwhile
// (with a window that failed to be made) is left alone.
class MenuHandle {
 public:
  explicit MenuHandle(HMENU h = nullptr) : h_(h) {}
  ~MenuHandle() {
    if (h_ && IsMenu(h_)) DestroyMenu(h_);
  }
  MenuHandle(const MenuHandle&) = delete;
  MenuHandle& operator=(const MenuHandle&) = delete;
  HMENU get() const { return h_; }
  HMENU release() {
    HMENU h = h_;
    h_ = nullptr;
    return h;
  }

 private:
  HMENU h_;
};

}  // namespace relvo::fw::win32

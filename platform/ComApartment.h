// COM initialised on the window's thread for its life, apartment-threaded, as
// the shell's folder dialog and ShellExecute hand-offs require.
#pragma once

#include <objbase.h>

namespace quarvel::win {

class ComApartment {
 public:
  ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

}  // namespace quarvel::win

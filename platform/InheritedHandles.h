// The handles a started program may inherit, and nothing else: a list for
// CreateProcess's PROC_THREAD_ATTRIBUTE_HANDLE_LIST. Each handle is made
// inheritable while the list lives and made private again when it ends, so
// it goes on to no other child.
#pragma once

#include <windows.h>

#include <vector>

namespace quarvel::win {

class InheritedHandles {
 public:
  explicit InheritedHandles(std::vector<HANDLE> handles);
  ~InheritedHandles();
  InheritedHandles(const InheritedHandles&) = delete;
  InheritedHandles& operator=(const InheritedHandles&) = delete;

  // Nothing when a handle could not be made inheritable or the list not made;
  // GetLastError() then says why.
  LPPROC_THREAD_ATTRIBUTE_LIST List() const { return ok_ ? list_ : nullptr; }

 private:
  std::vector<HANDLE> handles_;
  std::vector<unsigned char> storage_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
  bool ok_ = false;
};

}  // namespace quarvel::win

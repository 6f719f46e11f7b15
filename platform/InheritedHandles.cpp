#include "platform/InheritedHandles.h"

#include <utility>

namespace quarvel::win {

InheritedHandles::InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
  for (const HANDLE handle : handles_) {
    if (!SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) return;
  }
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  storage_.resize(size);
  list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
  if (!InitializeProcThreadAttributeList(list_, 1, 0, &size)) {
    list_ = nullptr;
    return;
  }
  ok_ = UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                  handles_.size() * sizeof(HANDLE), nullptr, nullptr);
}

InheritedHandles::~InheritedHandles() {
  if (list_ != nullptr) DeleteProcThreadAttributeList(list_);
  for (const HANDLE handle : handles_) SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
}

}  // namespace quarvel::win

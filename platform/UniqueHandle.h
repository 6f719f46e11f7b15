// One move-only owner for every Win32 handle kind: the handle type and how to
// close it, one line per kind below. Null and INVALID_HANDLE_VALUE both mean "no
// handle", since the API answers a failure with one or the other; closing keeps
// GetLastError intact so a caller can still read the failure that made it give up.
#pragma once

#include <windows.h>

#include <utility>

namespace quarvel::win {

template <class Handle, auto Close>
class UniqueHandle {
 public:
  static bool IsValid(Handle handle) noexcept {
    return handle != Handle{} && handle != reinterpret_cast<Handle>(INVALID_HANDLE_VALUE);
  }

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(IsValid(handle) ? handle : Handle{}) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Handle{}; }

  // Gives up ownership; the caller (or whoever it hands the handle to) closes it.
  [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, Handle{}); }

  void reset(Handle handle = Handle{}) noexcept {
    const Handle old = std::exchange(handle_, IsValid(handle) ? handle : Handle{});
    if (old != Handle{}) {
      const DWORD error = GetLastError();
      Close(old);
      SetLastError(error);
    }
  }

  // For out-parameters: closes what is held and hands out a slot for the call
  // to write. What it wrote is taken at the end of the call's full expression
  // as reset() takes a handle, so a failure's INVALID_HANDLE_VALUE is never held.
  class OutSlot {
   public:
    explicit OutSlot(UniqueHandle& owner) noexcept : owner_(owner) {}
    ~OutSlot() { owner_.reset(value_); }
    OutSlot(const OutSlot&) = delete;
    OutSlot& operator=(const OutSlot&) = delete;
    operator Handle*() noexcept { return &value_; }

   private:
    UniqueHandle& owner_;
    Handle value_{};
  };
  [[nodiscard]] OutSlot put() noexcept {
    reset();
    return OutSlot(*this);
  }

 private:
  Handle handle_{};
};

// Processes, threads, tokens and files (CreateFile answers INVALID_HANDLE_VALUE, the others null).
using UniqueKernelHandle = UniqueHandle<HANDLE, &CloseHandle>;
using UniqueFileHandle = UniqueKernelHandle;
using UniqueFindHandle = UniqueHandle<HANDLE, &FindClose>;
using UniqueRegistryKey = UniqueHandle<HKEY, &RegCloseKey>;
using UniqueModule = UniqueHandle<HMODULE, &FreeLibrary>;
using UniqueGlobalMemory = UniqueHandle<HGLOBAL, &GlobalFree>;
using UniqueLocalMemory = UniqueHandle<HLOCAL, &LocalFree>;

}  // namespace quarvel::win

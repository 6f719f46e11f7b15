#include "platform/Clipboard.h"

#include <cstring>
#include <stdexcept>

#include "platform/UniqueHandle.h"

namespace quarvel::win {
namespace {

class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) {
    // Another program may hold it for a moment.
    for (int attempt = 0; attempt < 20 && !open_; ++attempt) {
      open_ = OpenClipboard(owner) != FALSE;
      if (!open_) Sleep(25);
    }
    if (!open_) throw std::runtime_error("the clipboard is held by another program");
  }
  ~OpenedClipboard() { CloseClipboard(); }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;

 private:
  bool open_ = false;
};

}  // namespace

void PutClipboardText(HWND owner, const std::string& text) {
  const OpenedClipboard clipboard(owner);
  EmptyClipboard();
  UniqueGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, text.size() + 1));
  if (!memory) throw std::runtime_error("no memory for the clipboard text");
  void* bytes = GlobalLock(memory.get());
  std::memcpy(bytes, text.c_str(), text.size() + 1);
  GlobalUnlock(memory.get());
  // Once placed, the memory belongs to the clipboard.
  if (SetClipboardData(CF_TEXT, memory.get()) != nullptr) static_cast<void>(memory.release());
}

}  // namespace quarvel::win

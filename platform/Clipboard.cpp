#include "platform/Clipboard.h"

#include <cstring>
#include <stdexcept>

#include "platform/AnsiText.h"
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

// Puts `size` bytes in a format on the open clipboard; once placed, the memory
// belongs to the clipboard.
void PutFormat(UINT format, const void* data, std::size_t size) {
  UniqueGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!memory) throw std::runtime_error("no memory for the clipboard text");
  void* bytes = GlobalLock(memory.get());
  std::memcpy(bytes, data, size);
  GlobalUnlock(memory.get());
  if (SetClipboardData(format, memory.get()) != nullptr) static_cast<void>(memory.release());
}

}  // namespace

void PutClipboardText(HWND owner, const std::string& text) {
  const OpenedClipboard clipboard(owner);
  EmptyClipboard();
  PutFormat(CF_TEXT, text.c_str(), text.size() + 1);
  // The wide form too, so programs that paste Unicode get the text as it was
  // meant rather than as another code page reads the bytes.
  const std::wstring wide = WideFromAnsi(text);
  PutFormat(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
}

}  // namespace quarvel::win

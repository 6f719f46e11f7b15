// Drives a running quarvel.exe the way a user does, from another process and
// through window messages only: finds the window by its caption and controls by
// id, clicks, types, ticks, reads texts, list items and enabled states, answers
// message boxes, reads the clipboard and takes screenshots.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quarvel::testing {

using namespace std::chrono_literals;

// Waits until `condition` holds, checking every few milliseconds.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 30s);

struct MessageBoxView {
  HWND window = nullptr;
  std::string text;
};

// A message box of any process, found by its title.
std::optional<MessageBoxView> FindMessageBox(const std::string& title);
std::optional<MessageBoxView> WaitForMessageBox(const std::string& title, std::chrono::milliseconds timeout = 30s);
// Presses IDOK, IDYES, IDNO... of a message box.
void PressButton(const MessageBoxView& box, int button_id);
// Waits for the box, presses OK and waits until it is gone; returns its text
// ("" when no such box came).
std::string AcknowledgeMessageBox(const std::string& title);

std::string ClipboardText();

class AppSession {
 public:
  // Starts the program with `work_folder` as its current folder and waits for
  // its main window.
  // `early_library`, when given, is loaded into it before its own code runs
  // (queued to its first thread while it is suspended), as a hider that is
  // there from the start would be.
  AppSession(const std::string& exe, const std::string& work_folder, const std::string& early_library = "");
  // The same in a folder whose name the ANSI code page may not spell.
  AppSession(const std::string& exe, const std::wstring& work_folder, const std::string& early_library = "");
  ~AppSession();  // closes the window; the process must end
  AppSession(const AppSession&) = delete;
  AppSession& operator=(const AppSession&) = delete;

  HWND Main() const { return main_; }
  HWND Control(int id) const;

  // Presses a button or ticks a check box as a click does (a disabled control
  // ignores it). Returns at once: the handler may run for a long time.
  void Click(int id);
  // Sets the text of an edit control or of a combo box's edit field, which
  // runs the control's change handler.
  void Type(int id, const std::string& text);
  // The same, but returns at once: for a change whose handler opens a modal
  // box, and so answers only when the box is closed.
  void TypeAndReturn(int id, const std::string& text);
  // Picks an entry of a combo box's list, as a user does with the drop-down.
  void Pick(int id, const std::string& entry);
  std::string Text(int id) const;
  bool Enabled(int id) const;
  bool Checked(int id) const;
  std::vector<std::string> ListItems(int id) const;
  int ListCount(int id) const;

  // Presses and releases a mouse button (WM_LBUTTONDOWN or WM_RBUTTONDOWN) on
  // item `index` of a list box with real mouse input, as a user does.
  void ClickListItem(int id, int index, UINT down = WM_LBUTTONDOWN);
  void DoubleClickListItem(int id, int index);
  // Chooses a command of the window's menus, as the menu does when an item is picked.
  void Command(int command_id);
  // Waits for a popup menu, then picks its item at `position` (from 0) with the
  // arrow keys and Enter, as a user does from the keyboard. (Under Wine another
  // process cannot read a menu's items, so tests watch what the choice does.)
  bool ChoosePopupItem(int position, std::chrono::milliseconds timeout = 10s) const;
  void ClosePopupMenu() const;
  // Rests the mouse on a control.
  void Hover(int id) const;

  // Loads a library into the running program (CreateRemoteThread with
  // LoadLibraryA), as a program that intercepts the file interfaces does.
  bool InjectLibrary(const std::string& dll_path);

  // The most memory the program's process has held at once (its peak working
  // set), as Task Manager shows it; 0 when it cannot be read.
  std::size_t PeakWorkingSetBytes() const;

  // Asks the window to close, as its close box does.
  void Close();
  // True when the process ended within the time; its exit code then.
  bool WaitForExit(std::chrono::milliseconds timeout, DWORD* exit_code = nullptr);

  // Writes the window, as the screen shows it, to a BMP file; `margin` pixels
  // around it are taken too (for a tip or menu that pops out of it).
  bool Screenshot(const std::string& bmp_path, int margin = 0) const;

 private:
  // The control itself, or a combo box's edit field.
  HWND EditField(int id) const;

  PROCESS_INFORMATION process_{};
  HWND main_ = nullptr;
  bool exited_ = false;
};

// The label under the lists without the volume view's words after its verdict
// counts ("Unseen: hidden by attribute 1; volume view: ..." gives the first part).
std::string VerdictCountsShown(const AppSession& app);

}  // namespace quarvel::testing

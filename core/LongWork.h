// The one owner of long work in a window: a step that lets the window's
// messages run while it works (the lister, the compare, the rescan, the
// repair's tools). It keeps the busy and close state, the clock on which the
// messages run, and the rules that stop a step ("Escape", a close, an exit).
// The window behind it is a LongWorkHost, so the rules are tested without one.
#pragma once

#include <chrono>
#include <utility>

#include "core/Pacer.h"

namespace quarvel {

class LongWorkHost {
 public:
  virtual ~LongWorkHost() = default;
  // Runs every message waiting for the window (keyboard navigation included).
  virtual void PumpMessages() = 0;
  // True once an exit (WM_QUIT) was taken by a pump.
  virtual bool QuitRequested() = 0;
  // Shows whether "Escape" is pressed (its button's caption).
  virtual void ShowEscape(bool pressed) = 0;
  // A close came while a step runs: the window goes out of sight at once.
  virtual void HideWindow() = 0;
  // Unloads and destroys the window.
  virtual void CloseWindow() = 0;
};

// What ends a step before its end.
enum class StopOn {
  kNothing,        // runs to its end (the repair's tools: a half-run repair is worse)
  kClose,          // a close or an exit (the lister: a partial listing is of no use)
  kEscapeOrClose,  // "Escape" too (the compare, the rescan)
};

class LongWork {
 public:
  // How often a step lets the window's messages run: often enough for a click
  // to be answered at once (a stop also has its end to finish within the
  // 100 ms a user waits), rare enough to cost nothing.
  static constexpr std::chrono::milliseconds kAnswerInterval{10};

  explicit LongWork(LongWorkHost& host, Pacer::Clock now = &std::chrono::steady_clock::now)
      : host_(host), pacer_(kAnswerInterval, std::move(now)) {}
  LongWork(const LongWork&) = delete;
  LongWork& operator=(const LongWork&) = delete;

  bool Busy() const { return busy_; }

  // Runs `step` as the window's one long step. A second request while one runs
  // (a click answered by the step's own pump) is refused: false. A step that
  // "Escape" stops starts with "Escape" let go. When the step ends, normally or
  // by an exception (which goes on to the caller), a close that came meanwhile
  // is carried out.
  template <class Step>
  bool Run(StopOn stop_on, Step&& step) {
    if (busy_) return false;
    busy_ = true;
    stop_on_ = stop_on;
    if (stop_on == StopOn::kEscapeOrClose) ReleaseEscape();
    try {
      std::forward<Step>(step)();
    } catch (...) {
      Finish();
      throw;
    }
    Finish();
    return true;
  }

  // Asked by a running step as often as it likes: on the clock it runs
  // `on_clock` (the step shows its progress) and lets the messages run; true
  // while the step's rule says go on.
  template <class OnClock>
  bool KeepGoing(OnClock&& on_clock) {
    if (pacer_.Due()) {
      std::forward<OnClock>(on_clock)();
      host_.PumpMessages();
    }
    return !StopRequested();
  }
  bool KeepGoing() {
    return KeepGoing([] {});
  }

  // Lets the waiting messages run now (before a step reads what the user chose).
  void PumpNow() { host_.PumpMessages(); }

  // The running step's rule says stop.
  bool StopRequested() {
    switch (stop_on_) {
      case StopOn::kNothing:
        return false;
      case StopOn::kClose:
        return Closing();
      case StopOn::kEscapeOrClose:
        return escape_ || Closing();
    }
    return false;
  }

  // The window is to go (a close waits for the step, or an exit was taken):
  // a step shows nothing more.
  bool Closing() { return close_pending_ || host_.QuitRequested(); }

  // "Escape" clicked: pressed, or let go when it was.
  void ToggleEscape() {
    escape_ = !escape_;
    host_.ShowEscape(escape_);
  }
  bool EscapePressed() const { return escape_; }

  // The window's close (its box, "Exit"): at once when idle; during a step the
  // window hides and closes when the step ends.
  void RequestClose() {
    if (!busy_) {
      host_.CloseWindow();
      return;
    }
    close_pending_ = true;
    host_.HideWindow();
  }

 private:
  void ReleaseEscape() {
    if (!escape_) return;
    escape_ = false;
    host_.ShowEscape(false);
  }

  void Finish() {
    busy_ = false;
    stop_on_ = StopOn::kNothing;
    if (!close_pending_) return;
    close_pending_ = false;
    host_.CloseWindow();
  }

  LongWorkHost& host_;
  Pacer pacer_;
  bool busy_ = false;
  bool close_pending_ = false;
  bool escape_ = false;
  StopOn stop_on_ = StopOn::kNothing;
};

}  // namespace quarvel

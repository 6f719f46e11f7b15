// The main window's identity and its controls' ids, in the window's control
// order. Other programs (the UI driver of the tests) find the window by its
// caption and its controls by these ids.
#pragma once

namespace quarvel::app {

inline constexpr const char* kMainCaption = "File Sort Utility for Divevi.com";
inline constexpr const char* kAppTitle = "Quarvel";

enum ControlId : int {
  kCmdLog = 101,  // below 1000 and 1001, which list and combo boxes give their own parts
  kCmdExit,
  kCmdEsc,
  kFraOptions,
  kChkSubDir,
  kCmdBrowse,
  kPathTxt,
  kComboExt,
  kCmdLocate,
  kLblAdmin,
  kCmdScan,
  kList2,
  kList1,
  kLabel1,
  kLblSize,
  kLblIsDir,
  kLblInfo,
};

// The context menu's ids come with its commands (CommandList.h).

}  // namespace quarvel::app

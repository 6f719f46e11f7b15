// Every user action the main window answers, each written once here. A row's
// names give the handler's declaration (FrmFerrow.h), its route and the name a
// failure report shows (Commands.cpp); a menu row also gives the item's id and
// its place in the context menu. Adding a command is a row and its handler.
#pragma once

#include "app/ControlIds.h"

namespace quarvel::app {

// What happens to a control; Commands.cpp maps each to its notification.
enum class Event { kClick, kChange, kSelChange, kDblClick, kMouseDown, kMouseMove, kMenuPick };

// X(control, suffix, event): the control's id is k<control>, its handler
// <control>_<suffix>.
#define QUARVEL_CONTROL_COMMANDS(X)       \
  X(CmdLog, Click, kClick)                \
  X(CmdExit, Click, kClick)               \
  X(CmdEsc, Click, kClick)                \
  X(CmdBrowse, Click, kClick)             \
  X(PathTxt, Change, kChange)             \
  X(PathTxt, MouseMove, kMouseMove)       \
  X(CmdLocate, Click, kClick)             \
  X(CmdScan, Click, kClick)               \
  X(List2, MouseDown, kMouseDown)         \
  X(List2, Click, kSelChange)             \
  X(List1, MouseDown, kMouseDown)         \
  X(List1, Click, kSelChange)             \
  X(List1, DblClick, kDblClick)

// X(name, caption, in_list1, in_list2): the item mnuAdvanced shows with
// `caption` for the lists it names; its id is kMnu<name>, its handler
// mnu<name>_Click. The items stand in the menu in this order.
#define QUARVEL_MENU_COMMANDS(X)                         \
  X(Copy, "Copy", true, true)                            \
  X(ExPath, "Extract Path to Clipboard", true, false)    \
  X(GotoDir, "Go to Directory", false, true)             \
  X(Rescan, "Rescan", true, false)                       \
  X(Find, "Open Windows Find", false, true)

// Items of the context menu mnuAdvanced, from 2001.
enum MenuId : int {
  kMnuNone = 2000,
#define QUARVEL_MENU_ID(name, caption, in_list1, in_list2) kMnu##name,
  QUARVEL_MENU_COMMANDS(QUARVEL_MENU_ID)
#undef QUARVEL_MENU_ID
};

// The rows as data: what the routes and the menu are made of.
struct CommandRow {
  int id;
  Event event;
  const char* handler;  // the handler's name, as failure reports show it
  const char* caption;  // menu items only
  bool in_list1;
  bool in_list2;
};

inline constexpr CommandRow kCommandRows[] = {
#define QUARVEL_CONTROL_ROW(control, suffix, event) {k##control, Event::event, #control "_" #suffix, nullptr, false, false},
    QUARVEL_CONTROL_COMMANDS(QUARVEL_CONTROL_ROW)
#undef QUARVEL_CONTROL_ROW
#define QUARVEL_MENU_ROW(name, caption, in_list1, in_list2) {kMnu##name, Event::kMenuPick, "mnu" #name "_Click", caption, in_list1, in_list2},
    QUARVEL_MENU_COMMANDS(QUARVEL_MENU_ROW)
#undef QUARVEL_MENU_ROW
};

}  // namespace quarvel::app

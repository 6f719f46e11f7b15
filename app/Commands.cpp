// What each user action runs: the routes from control (or menu item) and event
// to the handler, made from the one list of commands (CommandList.h).
#include "app/CommandList.h"
#include "app/FrmFerrow.h"

namespace quarvel::app {
namespace {

// The notification code that carries each event to the window.
constexpr int NotificationOf(Event event) {
  switch (event) {
    case Event::kClick: return BN_CLICKED;
    case Event::kChange: return EN_CHANGE;
    case Event::kSelChange: return LBN_SELCHANGE;
    case Event::kDblClick: return LBN_DBLCLK;
    case Event::kMouseDown: return FrmFerrow::kMouseDown;
    case Event::kMouseMove: return FrmFerrow::kMouseMove;
    case Event::kMenuPick: return FrmFerrow::kMenuPick;
  }
  return -1;
}

}  // namespace

std::span<const FrmFerrow::Route> FrmFerrow::Routes() {
  static constexpr Route kRoutes[] = {
#define QUARVEL_CONTROL_ROUTE(control, suffix, event) \
  {k##control, NotificationOf(Event::event), #control "_" #suffix, &FrmFerrow::control##_##suffix},
      QUARVEL_CONTROL_COMMANDS(QUARVEL_CONTROL_ROUTE)
#undef QUARVEL_CONTROL_ROUTE
#define QUARVEL_MENU_ROUTE(name, caption, in_list1, in_list2) \
  {kMnu##name, kMenuPick, "mnu" #name "_Click", &FrmFerrow::mnu##name##_Click},
      QUARVEL_MENU_COMMANDS(QUARVEL_MENU_ROUTE)
#undef QUARVEL_MENU_ROUTE
  };
  return kRoutes;
}

void FrmFerrow::Dispatch(int id, int event) {
  for (const Route& route : Routes()) {
    if (route.id == id && route.event == event) {
      Guarded(route.name, [this, &route] { (this->*route.handler)(); });
      return;
    }
  }
}

}  // namespace quarvel::app

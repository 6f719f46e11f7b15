// Where the main window's controls go, for a client area and a DPI: the scan
// settings on top, the status lines, the two result lists (which take all the
// height and width the window gives), the summary and the last buttons below.
#pragma once

#include <windows.h>

#include <vector>

namespace quarvel::app {

struct ControlPlace {
  int id;
  RECT rect;
};

struct MainPlaces {
  std::vector<ControlPlace> controls;
  RECT list1_caption;
  RECT list2_caption;
};

MainPlaces PlaceControls(int client_width, int client_height, int dpi);
SIZE InitialWindowSize(int dpi);
SIZE SmallestWindowSize(int dpi);

}  // namespace quarvel::app

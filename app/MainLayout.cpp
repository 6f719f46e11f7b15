#include "app/MainLayout.h"

#include "app/ControlIds.h"

namespace quarvel::app {

MainPlaces PlaceControls(int w, int h, int dpi) {
  const auto s = [dpi](int dips) { return MulDiv(dips, dpi, 96); };
  const int m = s(10);
  MainPlaces places;
  auto place = [&places](int id, int left, int top, int right, int bottom) {
    places.controls.push_back({id, RECT{left, top, right, bottom}});
  };

  // Scan settings.
  const int frame_top = s(6);
  place(kFraOptions, m, frame_top, w - m, frame_top + s(88));
  const int inner_left = m + s(12);
  const int inner_right = w - m - s(12);
  place(kPathTxt, inner_left, s(30), inner_right - s(40), s(30) + s(24));
  place(kCmdBrowse, inner_right - s(34), s(29), inner_right, s(29) + s(26));
  place(kComboExt, inner_left, s(62), inner_left + s(140), s(62) + s(200));
  place(kChkSubDir, inner_left + s(156), s(63), inner_left + s(156) + s(240), s(63) + s(22));

  // Steps and status.
  const int row = s(104);
  place(kCmdLocate, m, row, m + s(150), row + s(30));
  place(kCmdScan, m + s(158), row, m + s(158) + s(120), row + s(30));
  place(kCmdEsc, m + s(286), row, m + s(286) + s(120), row + s(30));
  place(kLblAdmin, w - m - s(340), row + s(7), w - m, row + s(27));
  place(kLblInfo, m, s(142), w - m, s(162));
  place(kLblIsDir, m, s(164), w - m, s(184));

  // Bottom row and summary.
  const int bottom_row = h - m - s(30);
  place(kCmdExit, w - m - s(90), bottom_row, w - m, h - m);
  place(kCmdLog, w - m - s(98) - s(240), bottom_row, w - m - s(98), h - m);
  place(kLabel1, m, bottom_row + s(7), w - m - s(346), bottom_row + s(27));
  const int size_bottom = bottom_row - s(6);
  const int size_top = size_bottom - s(54);  // three lines: AppInit_DLLs at start-up, 32-bit programs' too
  place(kLblSize, m, size_top, w - m, size_bottom);

  // The result lists share what is left: the findings above, what Windows sees below.
  const int caption = s(22);
  const int gap = s(6);
  const int lists_top = s(188);
  const int lists_bottom = size_top - gap;
  const int room = lists_bottom - lists_top - 2 * caption - gap;
  const int list1_height = room * 45 / 100;
  places.list1_caption = RECT{m, lists_top, w - m, lists_top + caption - s(3)};
  const int list1_top = lists_top + caption;
  place(kList1, m, list1_top, w - m, list1_top + list1_height);
  const int list2_caption_top = list1_top + list1_height + gap;
  places.list2_caption = RECT{m, list2_caption_top, w - m, list2_caption_top + caption - s(3)};
  place(kList2, m, list2_caption_top + caption, w - m, lists_bottom);
  return places;
}

SIZE InitialWindowSize(int dpi) { return SIZE{MulDiv(1000, dpi, 96), MulDiv(740, dpi, 96)}; }

SIZE SmallestWindowSize(int dpi) { return SIZE{MulDiv(780, dpi, 96), MulDiv(560, dpi, 96)}; }

}  // namespace quarvel::app

// PageLayout: where the main window puts its tab control and its log for
// the selected tab. On the flash and dump tabs the log of fixed height sits
// at the bottom and the tab control above it; on the other tabs the log is
// hidden and the tab control takes its place. Both keep a 5-pixel margin
// and leave the top strip (40 pixels) to the main button and the progress
// display; pixels of the reference font, scaled to the window's.
#pragma once

#include <QRect>
#include <QSize>

#include "pages/dialog_units.h"

namespace varnel {

inline constexpr int kInstructionTabIndex = 0;
inline constexpr int kFlasherTabIndex = 1;
inline constexpr int kDumperTabIndex = 2;
inline constexpr int kPatcherTabIndex = 3;
inline constexpr int kTabCount = 4;

// The log's height in dialog units.
inline constexpr int kLogHeightUnits = 54;

struct PageLayout {
  QRect tabs;
  QRect log;
  bool logShown = false;
};

// Whether `tab` shows the region panel and the log.
bool IsTransferTab(int tab);

// The layout for `tab` in a client area of `client` pixels.
PageLayout LayOutPage(int tab, QSize client, const DialogUnits& units);

}  // namespace varnel

// The main window's page layout.
#include "gui/page_layout.h"

namespace varnel {
namespace {

constexpr int kMarginPixels = 5;
constexpr int kTopStripPixels = 40;

}  // namespace

bool IsTransferTab(int tab) { return tab == kFlasherTabIndex || tab == kDumperTabIndex; }

PageLayout LayOutPage(int tab, QSize client, const DialogUnits& units) {
  const int marginX = units.ReferenceX(kMarginPixels);
  const int marginY = units.ReferenceY(kMarginPixels);
  const int top = units.ReferenceY(kTopStripPixels);
  const int width = client.width() - 2 * marginX;
  PageLayout layout;
  if (!IsTransferTab(tab)) {
    layout.tabs = QRect(marginX, top, width, client.height() - top - marginY);
    return layout;
  }
  const int logHeight = units.Y(kLogHeightUnits);
  const int logTop = client.height() - marginY - logHeight;
  layout.log = QRect(marginX, logTop, width, logHeight);
  layout.tabs = QRect(marginX, top, width, logTop - marginY - top);
  layout.logShown = true;
  return layout;
}

}  // namespace varnel

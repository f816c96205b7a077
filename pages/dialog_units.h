// DialogUnits: positions and sizes given in dialog units, turned into
// pixels from a font, so a window keeps its proportions on any font. A
// dialog unit is a quarter of the font's average character width across
// and an eighth of its character height down. GUI thread (fonts).
#pragma once

#include <QFont>
#include <QRect>

namespace varnel {

// The dialogs' push buttons are at least this wide, and the warning
// dialog's look has a message this wide, in dialog units.
inline constexpr int kDialogButtonWidth = 50;
inline constexpr int kDialogMessageWidth = 234;

class DialogUnits {
 public:
  // The base units of `font`: the average width of the 52 Latin letters
  // and the font's height, in pixels.
  explicit DialogUnits(const QFont& font);
  DialogUnits(int baseWidth, int baseHeight);

  int X(int units) const;
  int Y(int units) const;
  QRect Rect(int x, int y, int width, int height) const;

  // Pixel distances laid out for the reference font (8-point MS Sans Serif
  // at 96 dpi, base units 6 x 13), scaled to this font.
  int ReferenceX(int pixels) const;
  int ReferenceY(int pixels) const;

  int BaseWidth() const { return baseWidth; }
  int BaseHeight() const { return baseHeight; }

 private:
  int baseWidth;
  int baseHeight;
};

}  // namespace varnel

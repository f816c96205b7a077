// Dialog units from a font's metrics.
#include "pages/dialog_units.h"

#include <QFontMetrics>

#include <algorithm>

namespace varnel {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kAlphabetLength = sizeof kAlphabet - 1;
constexpr int kUnitsPerBaseWidth = 4;
constexpr int kUnitsPerBaseHeight = 8;
constexpr int kReferenceBaseWidth = 6;
constexpr int kReferenceBaseHeight = 13;

// a * b / c rounded to the nearest integer, as the window system does.
int MulDiv(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  return static_cast<int>((product + (product >= 0 ? c : -c) / 2) / c);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(QString::fromLatin1(kAlphabet));
  baseWidth = std::max(1, (width / (kAlphabetLength / 2) + 1) / 2);
  baseHeight = std::max(1, metrics.height());
}

DialogUnits::DialogUnits(int width, int height) : baseWidth(std::max(1, width)), baseHeight(std::max(1, height)) {}

int DialogUnits::X(int units) const { return MulDiv(units, baseWidth, kUnitsPerBaseWidth); }

int DialogUnits::Y(int units) const { return MulDiv(units, baseHeight, kUnitsPerBaseHeight); }

QRect DialogUnits::Rect(int x, int y, int width, int height) const { return QRect(X(x), Y(y), X(width), Y(height)); }

int DialogUnits::ReferenceX(int pixels) const { return MulDiv(pixels, baseWidth, kReferenceBaseWidth); }

int DialogUnits::ReferenceY(int pixels) const { return MulDiv(pixels, baseHeight, kReferenceBaseHeight); }

}  // namespace varnel

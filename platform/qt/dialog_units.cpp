#include "platform/qt/dialog_units.h"

#include <QFontMetrics>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdlib>

namespace tavrinole::qt {

int MulDiv(int value, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const int64_t product = static_cast<int64_t>(value) * numerator;
  const int64_t half = std::llabs(denominator) / 2;
  const bool negative = (product < 0) != (denominator < 0);
  const int64_t magnitude = (std::llabs(product) + half) / std::llabs(denominator);
  return static_cast<int>(negative ? -magnitude : magnitude);
}

BaseUnits BaseUnitsFrom(int alphabetAdvance, int cellHeight) {
  return {(alphabetAdvance / 26 + 1) / 2, cellHeight};
}

BaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return BaseUnitsFrom(metrics.horizontalAdvance(alphabet), metrics.height());
}

QRect ToPixels(const resources::Place& place, BaseUnits units) {
  return {MulDiv(place.X, units.X, 4), MulDiv(place.Y, units.Y, 8), MulDiv(place.Width, units.X, 4),
          MulDiv(place.Height, units.Y, 8)};
}

QFont FontFor(const resources::DialogFont& font) {
  QFont qfont;
  const QString face =
      QString::fromUtf16(font.Face.data(), static_cast<qsizetype>(font.Face.size()));
  qfont.setFamilies(QStringList{face, QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
  qfont.setStyleHint(QFont::SansSerif);
  qfont.setPointSize(font.PointSize);
  qfont.setWeight(font.Weight >= 700 ? QFont::Bold : QFont::Normal);
  qfont.setItalic(font.Italic);
  return qfont;
}

}  // namespace tavrinole::qt

// Dialog units to pixels, the way Windows lays out a dialog template: the base units
// come from the dialog font's own metrics, so a template keeps its proportions in any
// font and at any resolution.
#pragma once

#include <QFont>
#include <QRect>

#include "resources/dialog_templates.h"

namespace tavrinole::qt {

struct BaseUnits {
  int X = 0;  // half the average width of the letters A..Z a..z, rounded up
  int Y = 0;  // the font's cell height
  friend bool operator==(const BaseUnits&, const BaseUnits&) = default;
};

// Windows' MulDiv: value * numerator / denominator, rounded half away from zero.
[[nodiscard]] int MulDiv(int value, int numerator, int denominator);

// ((width of "A..Za..z") / 26 + 1) / 2 and the cell height, from the given advance
// and height; split out so the arithmetic is checked without a font.
[[nodiscard]] BaseUnits BaseUnitsFrom(int alphabetAdvance, int cellHeight);
[[nodiscard]] BaseUnits BaseUnitsOf(const QFont& font);

// x and width by baseX / 4, y and height by baseY / 8.
[[nodiscard]] QRect ToPixels(const resources::Place& place, BaseUnits units);

// The template's font where it exists, else a comparable sans-serif, at its size.
// "MS Shell Dlg" names no real font; Windows maps it to its shell font, and we map it
// like any missing face.
[[nodiscard]] QFont FontFor(const resources::DialogFont& font);

}  // namespace tavrinole::qt

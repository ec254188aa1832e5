#pragma once

#include <QString>
#include <optional>

namespace varnex {

// Conversions between the stored texts and the values of the window's controls. A reader
// returns std::nullopt when the text does not convert; the caller then leaves its control as it
// is. Numbers are read in decimal with "." as the decimal point whatever the user's locale,
// with an optional sign and exponent; blanks around a value are ignored.

// "True" or "False" in any letter case, or a number: 0 is false, any other number true.
std::optional<bool> truthFromText(const QString& text);

// A check box state: 0 clear, 1 ticked, 2 greyed. A fractional number is rounded to the
// nearest whole number, a half to the even neighbour ("0.5" gives 0, "1.5" gives 2), and only
// then checked against 0..2.
std::optional<int> tickFromText(const QString& text);

// A window dimension in twips: a finite number within single precision, rounded to single
// precision.
std::optional<double> twipsFromText(const QString& text);

// A whole number, rounded as for tick texts, within the range of int.
std::optional<int> wholeNumberFromText(const QString& text);

// "True" or "False".
QString truthText(bool value);

// The state in decimal: "0", "1" or "2".
QString tickText(int state);

// The dimension rounded to single precision, in the shortest decimal text that reads back to
// the same value, without exponent: 8000 gives "8000", never "8000.0" or "8e+03".
QString twipsText(double twips);

} // namespace varnex

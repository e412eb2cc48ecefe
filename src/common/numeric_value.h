#pragma once

#include <QStringView>

// Reads a number the way the operator's boxes are read: blanks, tabs and line
// feeds are skipped anywhere; then an optional sign, digits with at most one
// "." (whatever the locale) and an exponent (E or e, optional sign, digits);
// or "&H" / "&O" and a hexadecimal or octal whole number. Reading stops at the
// first character that cannot continue the number. A text that begins with no
// number reads as 0; a number beyond the range of a double reads as an
// infinity of its sign.
struct NumberReading
{
    double value = 0.0;
    // True when nothing but skipped blanks follows the number, and there was one.
    bool wholeText = false;
};

NumberReading readNumber(QStringView text);

// The number with which the text begins.
inline double numericValue(QStringView text) { return readNumber(text).value; }

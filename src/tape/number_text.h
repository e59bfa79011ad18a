#pragma once
// Number text: how the calculator writes a double for the display, the labels
// and the tape, and how it reads such texts back.

#include <optional>
#include <string>
#include <string_view>

namespace tally {

// The decimal places a user can choose: 0 to this many.
inline constexpr int kMaxDecimalPlaces = 6;

// The picture for n decimal places (0..6): "#0." followed by n zeros.
std::string PictureForPlaces(int places);

// Writes x with a picture: the empty picture is the general form (at most 15
// significant digits, exponent form outside 1E-4 .. 1E+15); "#0." plus n zeros
// rounds to n places, a half away from zero, always writing the separator.
// A value that rounds to zero never carries a minus sign.
std::string FormatNumber(double x, std::string_view picture, std::string_view decimalSeparator);

// Reads back what FormatNumber writes: optional "-", digits, the separator
// (possibly last), digits, optional exponent ("E+15", "E-07"). The whole text
// must be the number. Nothing for any other text or a value out of range.
std::optional<double> ReadFormattedNumber(std::string_view text, std::string_view decimalSeparator);

// Reads the number at the start of a text, "." being the only decimal point:
// blanks, tabs and line feeds are skipped anywhere; "&H"/"&O" start an
// unsigned hexadecimal/octal whole number; then sign, digits with one point,
// optional exponent with E or D. Reading stops at the first character that
// cannot continue the number; no digit gives 0. A number beyond the range of
// a double gives an infinity of its sign: callers decide what that means.
double ParseLeadingNumber(std::string_view text);

// A number pasted from the clipboard, as the keys that type it: digits and at
// most one "." for the point, and whether "+/-" follows.
struct PastedNumber {
  std::string keys;
  bool negative = false;
};

// Reads a pasted text as one number the way a person wrote it: blanks (the
// no-break space too), a leading "+" and a currency symbol before or after it
// ("R$", "$", "€") are dropped; a leading "-" makes it negative. When both "."
// and "," occur, the one that occurs last is the decimal point and the other
// groups digits; a lone "," is the point if it occurs once and the locale's
// separator is ","; a lone "." is the point if it occurs once. Anything else
// (letters, two numbers, an empty text, more than 400 characters) is nothing.
std::optional<PastedNumber> ReadPastedNumber(std::string_view text,
                                             std::string_view decimalSeparator);

}  // namespace tally

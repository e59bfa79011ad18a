#pragma once
// Number text: how the calculator writes a double for the display, the labels
// and the tape, and how it reads such texts back.

#include <cstdint>
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
// must be the number. Nothing for any other text or a value out of range; the
// largest double, written with 15 digits past its own value, reads back.
std::optional<double> ReadFormattedNumber(std::string_view text, std::string_view decimalSeparator);

// How a decimal number past the largest double reads.
enum class PastLargest : std::uint8_t {
  // An infinity of its sign (a number keyed: it does not fit).
  Infinity,
  // Up to the largest double as written with 15 significant digits,
  // 1.79769313486232E+308, the largest double of its sign, so that a number
  // the calculator wrote reads back; past that an infinity.
  WrittenLargest,
};

// Reads the number at the start of a text, "." being the only decimal point:
// blanks, tabs and line feeds are skipped anywhere; "&H"/"&O" start an
// unsigned hexadecimal/octal whole number; then sign, digits with one point,
// optional exponent with E or D. Reading stops at the first character that
// cannot continue the number; no digit gives 0. A decimal number beyond the
// range of a double reads as `past` says; a hexadecimal or octal one gives
// an infinity: callers decide what that means.
double ParseLeadingNumber(std::string_view text, PastLargest past = PastLargest::Infinity);

}  // namespace tally

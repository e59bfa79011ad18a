#pragma once
// Number text: how the calculator writes a double for the display, the labels
// and the tape, and how it reads such texts back.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tally {

// The decimal places a user can choose: 0 to this many.
inline constexpr int kMaxDecimalPlaces = 6;

// The picture for n decimal places (0..6): "#0." followed by n zeros.
std::string PictureForPlaces(int places);
// The places of a "#0.000" picture; -1 for the general form.
int PlacesOf(std::string_view picture);

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

// A text that changes at its end, a byte at a time, read as
// ParseLeadingNumber reads it (keyed entries: past the largest double, an
// infinity). The reading is kept up to date as bytes come and go, so that a
// digit added to an entry of any length costs the same: only a bounded
// number of significant digits, and whether any non-zero digit follows them,
// decide a double.
//
// The text belongs to the caller, who changes it only through these
// functions; each takes it as an argument.
class LeadingNumberText {
 public:
  // A text no longer than `readWholeUpTo` bytes is read whole, at a cost that
  // length bounds; a longer one is followed byte by byte.
  explicit LeadingNumberText(std::size_t readWholeUpTo = 32) : readWholeUpTo_(readWholeUpTo) {}

  void Assign(std::string& text, std::string value);
  void PushBack(std::string& text, char byte);
  void PopBack(std::string& text);
  // ParseLeadingNumber(text), bit for bit.
  double Value(const std::string& text) const;
  // Index of the first "." of the text; npos when there is none.
  std::size_t FirstPoint(const std::string& text) const {
    return whole_ ? text.find('.') : firstPoint_;
  }

 private:
  enum class Phase : std::uint8_t { Sign, Mantissa, ExpMark, ExpSign, ExpDigits, Stopped };
  static constexpr std::size_t kNone = std::string::npos;

  // Blanks and "&H"/"&O" numbers are read by ParseLeadingNumber itself: the
  // calculator never writes them, so they need not be quick.
  bool Unusual(const std::string& text) const { return blanks_ > 0 || text[0] == '&'; }
  void Restart(const std::string& text);
  void Step(char byte, std::size_t index);
  void Unstep(char byte, std::size_t index);
  void Stop(std::size_t index);

  std::size_t readWholeUpTo_;
  // The text is read whole, not followed: it was put in place whole (most
  // such texts are replaced before a key changes them) and is still short.
  bool whole_ = true;
  Phase phase_ = Phase::Sign;
  Phase stoppedIn_ = Phase::Sign;
  std::size_t stop_ = kNone;  // the byte that ended the number
  std::size_t firstPoint_ = kNone;
  std::size_t blanks_ = 0;
  bool signed_ = false;
  bool negative_ = false;
  // The mantissa.
  std::size_t point_ = kNone;
  std::size_t digits_ = 0;
  std::size_t nonZero_ = 0;
  std::size_t firstNonZero_ = kNone;
  long integerDigits_ = 0;    // significant digits before the point
  long leadingFraction_ = 0;  // zeros after the point before the first non-zero
  // The exponent.
  std::size_t expMark_ = kNone;
  bool expSigned_ = false;
  bool expNegative_ = false;
  std::size_t expDigits_ = 0;
  std::size_t expFirstNonZero_ = kNone;
};

// A number pasted from the clipboard, as the keys that type it: digits and at
// most one "." for the point, and whether "+/-" follows.
struct PastedNumber {
  std::string keys;
  bool negative = false;
};

// Reads a pasted text as one number the way a person wrote it: blanks (the
// no-break space too), a leading "+" and a currency symbol before or after it
// ("R$", "$", "€") are dropped; a leading or trailing "-", or parentheses
// around it, make it negative. When both "." and "," occur, the one that
// occurs last is the decimal point and the other groups digits; one that
// occurs more than once groups digits; a lone one groups digits when it is
// not the locale's separator and exactly three digits follow it ("2.500" in
// pt_BR), and is the point otherwise. The calculator's own exponent form
// with the locale's separator ("9,9999997E+23") is read as the number it
// writes. Anything else (other letters, two numbers, an empty text, more than
// 400 characters) is nothing.
std::optional<PastedNumber> ReadPastedNumber(std::string_view text,
                                             std::string_view decimalSeparator);

}  // namespace tally

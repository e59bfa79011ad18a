#include "tape/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>

namespace tally {
namespace {

std::string NonFiniteText(double x) {
  if (std::isnan(x)) return "nan";
  return x < 0 ? "-inf" : "inf";
}

// Places of a "#0.000" picture; -1 for the general form.
int PlacesOf(std::string_view picture) {
  if (picture.size() < 3 || picture.substr(0, 3) != "#0.") return -1;
  const auto zeros = picture.substr(3);
  if (zeros.size() > static_cast<std::size_t>(kMaxDecimalPlaces) ||
      zeros.find_first_not_of('0') != std::string_view::npos) {
    return -1;
  }
  return static_cast<int>(zeros.size());
}

std::string FormatGeneral(double x, std::string_view sep) {
  if (x == 0) return "0";  // also for -0
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 15);
  std::string out;
  out.reserve(static_cast<std::size_t>(res.ptr - buf) + sep.size());
  for (const char* p = buf; p != res.ptr; ++p) {
    if (*p == '.') {
      out += sep;
    } else if (*p == 'e') {
      out += 'E';
    } else {
      out += *p;
    }
  }
  return out;
}

// x is first written with 15 significant digits, and that decimal text is
// rounded to the places, so 1.005 gives 1.01 as a user expects.
std::string FormatFixed(double x, int places, std::string_view sep) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
  const std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
  std::size_t pos = 0;
  const bool negative = sci[0] == '-';
  if (negative) ++pos;
  std::string digits;  // the 15 significant digits
  digits.reserve(15);
  for (; pos < sci.size() && sci[pos] != 'e'; ++pos) {
    if (sci[pos] != '.') digits += sci[pos];
  }
  int exponent = 0;
  std::from_chars(sci.data() + pos + 1 + (sci[pos + 1] == '+' ? 1 : 0), sci.data() + sci.size(),
                  exponent);

  // Digits of |x| * 10^places, as a whole number, rounded.
  const long kept = static_cast<long>(exponent) + 1 + places;
  std::string whole;
  if (kept <= 0) {
    whole = (kept == 0 && digits[0] >= '5') ? "1" : "0";
  } else if (kept >= static_cast<long>(digits.size())) {
    whole = digits;
    whole.append(static_cast<std::size_t>(kept) - digits.size(), '0');
  } else {
    whole = digits.substr(0, static_cast<std::size_t>(kept));
    if (digits[static_cast<std::size_t>(kept)] >= '5') {
      std::size_t k = whole.size();
      while (k > 0 && whole[k - 1] == '9') whole[--k] = '0';
      if (k == 0) {
        whole.insert(whole.begin(), '1');
      } else {
        ++whole[k - 1];
      }
    }
  }
  const auto firstNonZero = whole.find_first_not_of('0');
  const bool isZero = firstNonZero == std::string::npos;
  whole.erase(0, isZero ? whole.size() : firstNonZero);
  const auto minLength = static_cast<std::size_t>(places) + 1;
  if (whole.size() < minLength) {
    whole.insert(0, minLength - whole.size(), '0');
  }
  std::string out;
  out.reserve(whole.size() + sep.size() + 1);
  if (negative && !isZero) out += '-';
  out.append(whole, 0, whole.size() - static_cast<std::size_t>(places));
  out += sep;
  out.append(whole, whole.size() - static_cast<std::size_t>(places));
  return out;
}

// Whether a clean ASCII number ("-123.45e-7") that lies past the largest
// double lies no further than the largest double written with 15 significant
// digits, 1.79769313486232e308: compared digit by digit, not as a double.
bool NotPastWrittenLargest(std::string_view clean) {
  constexpr std::string_view kWritten = "179769313486232";
  constexpr long kLeadingPower = 308;
  std::size_t pos = clean.empty() || (clean[0] != '-' && clean[0] != '+') ? 0 : 1;
  const std::size_t mark = std::min(clean.find_first_of("eE", pos), clean.size());
  const std::string_view mantissa = clean.substr(pos, mark - pos);
  long exponent = 0;
  if (mark < clean.size()) {
    std::size_t k = mark + 1;
    const bool negative = k < clean.size() && clean[k] == '-';
    if (k < clean.size() && (clean[k] == '-' || clean[k] == '+')) ++k;
    for (; k < clean.size(); ++k) {
      exponent = std::min(1000000L, exponent * 10 + (clean[k] - '0'));
    }
    if (negative) exponent = -exponent;
  }
  // The power of ten of the leading significant digit, and the digits from it.
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  const std::size_t first = mantissa.find_first_of("123456789");
  if (first == std::string_view::npos) return false;
  const long power =
      (first < point ? static_cast<long>(point - first) - 1 : -static_cast<long>(first - point)) +
      exponent;
  if (power != kLeadingPower) return false;
  std::size_t seen = 0;
  for (std::size_t k = first; k < mantissa.size(); ++k) {
    if (mantissa[k] == '.') continue;
    const char limit = seen < kWritten.size() ? kWritten[seen] : '0';
    ++seen;
    if (mantissa[k] != limit) return mantissa[k] < limit;
  }
  return true;
}

// Converts a clean ASCII number ("-123.45e-7") with from_chars, which ignores
// the C locale; out-of-range results become an infinity or zero, or the
// largest double when `past` lets a written one read back.
double ConvertClean(const std::string& clean, bool negative, bool mantissaNonZero,
                    long decimalMagnitude, PastLargest past) {
  double value = 0;
  const auto res = std::from_chars(clean.data(), clean.data() + clean.size(), value);
  if (res.ec == std::errc::result_out_of_range) {
    if (!mantissaNonZero || decimalMagnitude <= 0) {
      value = 0;
    } else if (past == PastLargest::WrittenLargest && NotPastWrittenLargest(clean)) {
      value = std::numeric_limits<double>::max();
    } else {
      value = std::numeric_limits<double>::infinity();
    }
    if (negative) value = -value;
  }
  return value;
}

// Exponent digits saturate well past the range of a double.
constexpr long kExponentCap = 100000;

// 16 for "H", 8 for "O" (either case) after an "&"; 0 for anything else.
int RadixOf(char kind) {
  if (kind == 'H' || kind == 'h') return 16;
  if (kind == 'O' || kind == 'o') return 8;
  return 0;
}

// The unsigned whole number in `digits` up to the first character that is no
// digit of `base`.
double ReadRadixWhole(std::string_view digits, int base) {
  double value = 0;
  for (const char c : digits) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0 || digit >= base) break;
    value = value * base + digit;
  }
  return value;
}

// The exponent at the start of `text` ("E", "e", "D" or "d", an optional
// sign, digits); 0 when there is none.
long ReadExponent(std::string_view text) {
  if (text.empty() || (text[0] != 'E' && text[0] != 'e' && text[0] != 'D' && text[0] != 'd')) {
    return 0;
  }
  std::size_t k = 1;
  bool negative = false;
  if (k < text.size() && (text[k] == '+' || text[k] == '-')) {
    negative = text[k] == '-';
    ++k;
  }
  long exponent = 0;
  for (; k < text.size() && text[k] >= '0' && text[k] <= '9'; ++k) {
    exponent = std::min(kExponentCap, exponent * 10 + (text[k] - '0'));
  }
  return negative ? -exponent : exponent;
}

}  // namespace

std::string PictureForPlaces(int places) {
  places = std::clamp(places, 0, kMaxDecimalPlaces);
  return "#0." + std::string(static_cast<std::size_t>(places), '0');
}

std::string FormatNumber(double x, std::string_view picture, std::string_view decimalSeparator) {
  if (!std::isfinite(x)) return NonFiniteText(x);
  const int places = PlacesOf(picture);
  if (places < 0) return FormatGeneral(x, decimalSeparator);
  return FormatFixed(x, places, decimalSeparator);
}

std::optional<double> ReadFormattedNumber(std::string_view text, std::string_view sep) {
  std::string clean;
  clean.reserve(text.size());
  std::size_t pos = 0;
  if (pos < text.size() && text[pos] == '-') {
    clean += '-';
    ++pos;
  }
  bool anyDigit = false;
  auto takeDigits = [&] {
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      clean += text[pos++];
      anyDigit = true;
    }
  };
  takeDigits();
  if (!sep.empty() && text.substr(pos, sep.size()) == sep) {
    clean += '.';
    pos += sep.size();
    takeDigits();
  }
  if (!anyDigit) return std::nullopt;
  if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
    clean += 'e';
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
      clean += text[pos++];
    }
    const std::size_t start = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      clean += text[pos++];
    }
    if (pos == start) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;
  double value = 0;
  const auto res = std::from_chars(clean.data(), clean.data() + clean.size(), value);
  if (res.ec == std::errc::result_out_of_range && NotPastWrittenLargest(clean)) {
    return clean[0] == '-' ? -std::numeric_limits<double>::max()
                           : std::numeric_limits<double>::max();
  }
  if (res.ec != std::errc{} || !std::isfinite(value)) return std::nullopt;
  return value;
}

double ParseLeadingNumber(std::string_view text, PastLargest past) {
  std::string compact;
  compact.reserve(text.size());
  for (const char c : text) {
    if (c != ' ' && c != '\t' && c != '\n') compact += c;
  }
  std::size_t pos = 0;
  const auto at = [&](std::size_t k) -> char { return k < compact.size() ? compact[k] : '\0'; };

  if (at(0) == '&') {
    const int base = RadixOf(at(1));
    if (base != 0) return ReadRadixWhole(std::string_view(compact).substr(2), base);
  }

  std::string clean;
  clean.reserve(compact.size() + 8);
  bool negative = false;
  if (at(pos) == '+' || at(pos) == '-') {
    negative = at(pos) == '-';
    if (negative) clean += '-';
    ++pos;
  }
  bool anyDigit = false;
  bool mantissaNonZero = false;
  bool seenPoint = false;
  long integerDigits = 0;    // significant digits before the point
  long leadingFraction = 0;  // zeros after the point before the first non-zero
  for (;; ++pos) {
    const char c = at(pos);
    if (c >= '0' && c <= '9') {
      anyDigit = true;
      if (c != '0') {
        mantissaNonZero = true;
      } else if (!mantissaNonZero && seenPoint) {
        ++leadingFraction;
      }
      if (!seenPoint && mantissaNonZero) ++integerDigits;
      clean += c;
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
      clean += '.';
    } else {
      break;
    }
  }
  if (!anyDigit) return 0.0;

  const long exponent = ReadExponent(std::string_view(compact).substr(pos));
  if (exponent != 0) {
    clean += 'e';
    clean += std::to_string(exponent);
  }
  const long magnitude = (integerDigits > 0 ? integerDigits : -leadingFraction) + exponent;
  return ConvertClean(clean, negative, mantissaNonZero, magnitude, past);
}

}  // namespace tally

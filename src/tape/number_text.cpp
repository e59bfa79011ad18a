#include "tape/number_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>
#include <utility>

#include "tape/text_utils.h"

namespace tally {
namespace {

std::string NonFiniteText(double x) {
  if (std::isnan(x)) return "nan";
  return x < 0 ? "-inf" : "inf";
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
double ConvertClean(std::string_view clean, bool negative, bool mantissaNonZero,
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

int PlacesOf(std::string_view picture) {
  if (picture.size() < 3 || picture.substr(0, 3) != "#0.") return -1;
  const auto zeros = picture.substr(3);
  if (zeros.size() > static_cast<std::size_t>(kMaxDecimalPlaces) ||
      zeros.find_first_not_of('0') != std::string_view::npos) {
    return -1;
  }
  return static_cast<int>(zeros.size());
}

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

namespace tally {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsExponentMark(char c) { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }

// Significant digits that decide a double whatever follows them: a halfway
// point between two doubles has at most 767. Past them only whether another
// non-zero digit follows matters.
constexpr std::size_t kDecidingDigits = 800;
// Digits read first: enough, nearly always, to leave no boundary between two
// doubles among the digits after them.
constexpr std::size_t kLeadingDigits = 19;

}  // namespace

void LeadingNumberText::Assign(std::string& text, std::string value) {
  text = std::move(value);
  whole_ = true;
}

void LeadingNumberText::PushBack(std::string& text, char byte) {
  if (whole_) {
    text.push_back(byte);
    if (text.size() > readWholeUpTo_) Restart(text);
    return;
  }
  text.push_back(byte);
  const std::size_t index = text.size() - 1;
  if (byte == '.' && firstPoint_ == kNone) firstPoint_ = index;
  if (IsBlank(byte)) ++blanks_;
  if (!Unusual(text)) Step(byte, index);
}

void LeadingNumberText::PopBack(std::string& text) {
  if (text.empty()) return;
  if (whole_) {
    text.pop_back();
    return;
  }
  const bool wasUnusual = Unusual(text);
  const std::size_t index = text.size() - 1;
  const char byte = text.back();
  text.pop_back();
  if (index == firstPoint_) firstPoint_ = kNone;
  if (IsBlank(byte)) --blanks_;
  if (text.empty() || (wasUnusual && !Unusual(text))) {
    Restart(text);
  } else if (!wasUnusual) {
    Unstep(byte, index);
  }
}

void LeadingNumberText::Restart(const std::string& text) {
  *this = LeadingNumberText(readWholeUpTo_);
  whole_ = false;
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] == '.' && firstPoint_ == kNone) firstPoint_ = k;
    if (IsBlank(text[k])) ++blanks_;
  }
  if (text.empty() || Unusual(text)) return;
  for (std::size_t k = 0; k < text.size() && phase_ != Phase::Stopped; ++k) Step(text[k], k);
}

void LeadingNumberText::Stop(std::size_t index) {
  stoppedIn_ = phase_;
  phase_ = Phase::Stopped;
  stop_ = index;
}

void LeadingNumberText::Step(char c, std::size_t index) {
  switch (phase_) {
    case Phase::Sign:
      phase_ = Phase::Mantissa;
      if (c == '+' || c == '-') {
        signed_ = true;
        negative_ = c == '-';
        return;
      }
      [[fallthrough]];
    case Phase::Mantissa:
      if (IsDigit(c)) {
        ++digits_;
        if (c != '0') {
          if (nonZero_ == 0) firstNonZero_ = index;
          ++nonZero_;
        } else if (nonZero_ == 0 && point_ != kNone) {
          ++leadingFraction_;
        }
        if (point_ == kNone && nonZero_ > 0) ++integerDigits_;
      } else if (c == '.' && point_ == kNone) {
        point_ = index;
      } else if (digits_ > 0 && IsExponentMark(c)) {
        phase_ = Phase::ExpMark;
        expMark_ = index;
      } else {
        Stop(index);
      }
      return;
    case Phase::ExpMark:
      if (c == '+' || c == '-') {
        phase_ = Phase::ExpSign;
        expSigned_ = true;
        expNegative_ = c == '-';
        return;
      }
      [[fallthrough]];
    case Phase::ExpSign:
      if (!IsDigit(c)) {
        Stop(index);
        return;
      }
      phase_ = Phase::ExpDigits;
      [[fallthrough]];
    case Phase::ExpDigits:
      if (!IsDigit(c)) {
        Stop(index);
        return;
      }
      ++expDigits_;
      if (c != '0' && expFirstNonZero_ == kNone) expFirstNonZero_ = index;
      return;
    case Phase::Stopped: return;
  }
}

// Undoes the Step of the last byte, which `index` held.
void LeadingNumberText::Unstep(char c, std::size_t index) {
  switch (phase_) {
    case Phase::Stopped:
      if (index == stop_) {
        phase_ = stoppedIn_;
        stop_ = kNone;
      }
      return;
    case Phase::ExpDigits:
      --expDigits_;
      if (index == expFirstNonZero_) expFirstNonZero_ = kNone;
      if (expDigits_ == 0) phase_ = expSigned_ ? Phase::ExpSign : Phase::ExpMark;
      return;
    case Phase::ExpSign:
      phase_ = Phase::ExpMark;
      expSigned_ = false;
      expNegative_ = false;
      return;
    case Phase::ExpMark:
      phase_ = Phase::Mantissa;
      expMark_ = kNone;
      return;
    case Phase::Mantissa:
      if (index == 0 && signed_) {
        phase_ = Phase::Sign;
        signed_ = false;
        negative_ = false;
      } else if (index == point_) {
        point_ = kNone;
      } else {
        if (point_ == kNone && nonZero_ > 0) --integerDigits_;
        --digits_;
        if (c != '0') {
          --nonZero_;
          if (nonZero_ == 0) firstNonZero_ = kNone;
        } else if (nonZero_ == 0 && point_ != kNone) {
          --leadingFraction_;
        }
      }
      return;
    case Phase::Sign: return;
  }
}

double LeadingNumberText::Value(const std::string& text) const {
  if (text.empty()) return 0.0;
  if (whole_ || Unusual(text)) return ParseLeadingNumber(text);
  if (digits_ == 0) return 0.0;

  long exponent = 0;
  if (expFirstNonZero_ != kNone) {
    const std::size_t end = phase_ == Phase::Stopped ? stop_ : text.size();
    const std::size_t significant = end - expFirstNonZero_;
    exponent = kExponentCap;
    if (significant <= 6) {
      long value = 0;
      for (std::size_t k = expFirstNonZero_; k < end; ++k) value = value * 10 + (text[k] - '0');
      exponent = std::min(kExponentCap, value);
    }
    if (expNegative_) exponent = -exponent;
  }
  const long magnitude = (integerDigits_ > 0 ? integerDigits_ : -leadingFraction_) + exponent;
  if (nonZero_ == 0)
    return ConvertClean(negative_ ? "-0" : "0", negative_, false, magnitude, PastLargest::Infinity);

  // The number is 0.DDD...e(magnitude), its significant digits DDD... read
  // from the text. `digits` of them written so, with `more` for a non-zero
  // digit past them, read as the whole text does.
  const std::size_t end =
      expMark_ != kNone ? expMark_ : (phase_ == Phase::Stopped ? stop_ : text.size());
  const auto convert = [&](std::string_view digits, long power, bool more) {
    char clean[kDecidingDigits + 32];
    char* out = clean;
    if (negative_) *out++ = '-';
    *out++ = '0';
    *out++ = '.';
    out = std::copy(digits.begin(), digits.end(), out);
    if (more) *out++ = '1';
    *out++ = 'e';
    out = std::to_chars(out, clean + sizeof clean, power).ptr;
    return ConvertClean(std::string_view(clean, static_cast<std::size_t>(out - clean)), negative_,
                        true, power, PastLargest::Infinity);
  };
  // Writes up to `count` significant digits to `digits`; returns how many,
  // and in `nonZero` how many of them are not 0.
  const auto significant = [&](std::size_t count, char* digits, std::size_t& nonZero) {
    std::size_t n = 0;
    nonZero = 0;
    for (std::size_t k = firstNonZero_; k < end && n < count; ++k) {
      if (text[k] == '.') continue;
      digits[n++] = text[k];
      if (text[k] != '0') ++nonZero;
    }
    return n;
  };

  // Mostly the leading digits decide: the number lies between them as they
  // stand and them raised by one in their last place, and when both ends read
  // as the same double so does the number.
  char lead[kLeadingDigits];
  std::size_t leadNonZero = 0;
  const std::string_view leading(lead, significant(kLeadingDigits, lead, leadNonZero));
  if (leadNonZero == nonZero_) return convert(leading, magnitude, false);
  const double low = convert(leading, magnitude, false);
  char raisedDigits[kLeadingDigits];
  std::copy(leading.begin(), leading.end(), raisedDigits);
  std::size_t k = leading.size();
  while (k > 0 && raisedDigits[k - 1] == '9') --k;
  double high = 0;
  if (k == 0) {
    high = convert("1", magnitude + 1, false);  // 0.999...9 raised is 0.1e(magnitude+1)
  } else {
    ++raisedDigits[k - 1];
    high = convert(std::string_view(raisedDigits, k), magnitude, false);
  }
  if (std::bit_cast<std::uint64_t>(high) == std::bit_cast<std::uint64_t>(low)) return low;

  // A boundary between two doubles lies among the later digits.
  char deciding[kDecidingDigits];
  std::size_t decidingNonZero = 0;
  const std::size_t decidingSize = significant(kDecidingDigits, deciding, decidingNonZero);
  return convert(std::string_view(deciding, decidingSize), magnitude, decidingNonZero < nonZero_);
}

namespace {

// The exponent form as FormatNumber writes it: digits, the locale's
// separator and digits (or none), then "E", a sign and two or three digits.
// The keys are its digits with the point moved by the exponent.
std::optional<PastedNumber> ReadExponentForm(std::u32string_view mantissa,
                                             std::u32string_view exponent,
                                             std::string_view decimalSeparator,
                                             PastedNumber number) {
  const auto isDigit = [](char32_t c) { return c >= U'0' && c <= U'9'; };
  const char32_t sep = decimalSeparator == "," ? U',' : U'.';
  std::string digits;
  std::size_t pointAt = std::string::npos;
  for (const char32_t c : mantissa) {
    if (isDigit(c)) {
      digits += static_cast<char>(c);
    } else if (c == sep && pointAt == std::string::npos && !digits.empty()) {
      pointAt = digits.size();
    } else {
      return std::nullopt;
    }
  }
  if (digits.empty() || (pointAt != std::string::npos && pointAt == digits.size())) {
    return std::nullopt;
  }
  if (pointAt == std::string::npos) pointAt = digits.size();
  if (exponent.size() < 3 || exponent.size() > 4 || (exponent[0] != U'+' && exponent[0] != U'-') ||
      !std::all_of(exponent.begin() + 1, exponent.end(), isDigit)) {
    return std::nullopt;
  }
  long shift = 0;
  for (const char32_t c : exponent.substr(1)) shift = shift * 10 + static_cast<long>(c - U'0');
  if (exponent[0] == U'-') shift = -shift;
  const long at = static_cast<long>(pointAt) + shift;
  if (at <= 0) {
    // A digit first: after a total, a point typed first would be lost when
    // the digit starts the new calculation.
    number.keys = "0." + std::string(static_cast<std::size_t>(-at), '0') + digits;
  } else if (static_cast<std::size_t>(at) >= digits.size()) {
    number.keys = digits + std::string(static_cast<std::size_t>(at) - digits.size(), '0');
  } else {
    number.keys = digits.substr(0, static_cast<std::size_t>(at)) + "." +
                  digits.substr(static_cast<std::size_t>(at));
  }
  // Past the largest double the keys could not type it: refused rather than
  // typed as a smaller number.
  if (!std::isfinite(ParseLeadingNumber(number.keys))) return std::nullopt;
  return number;
}

}  // namespace

std::optional<PastedNumber> ReadPastedNumber(std::string_view text,
                                             std::string_view decimalSeparator) {
  constexpr std::size_t kMaxPastedChars = 400;
  if (!IsValidUtf8(text) || Utf8Length(text) > kMaxPastedChars) return std::nullopt;
  std::u32string chars;
  for (std::size_t pos = 0; pos < text.size();) chars += *DecodeUtf8At(text, pos);

  // Blanks, and line ends and tabs around the number (a spreadsheet cell
  // comes with a line end), are dropped; between digits only blanks are.
  const auto isBlank = [](char32_t c) {
    return c == U' ' || c == 0xA0 || c == 0x202F || c == 0x2007;
  };
  const auto isSpace = [&](char32_t c) {
    return isBlank(c) || c == U'\t' || c == U'\r' || c == U'\n';
  };
  while (!chars.empty() && isSpace(chars.back())) chars.pop_back();
  std::size_t first = 0;
  while (first < chars.size() && isSpace(chars[first])) ++first;
  std::u32string body;
  for (std::size_t k = first; k < chars.size(); ++k) {
    if (!isBlank(chars[k])) body += chars[k];
  }

  PastedNumber number;
  bool signSeen = false;
  bool currencySeen = false;
  // An amount in parentheses is negative, as accounts write it.
  if (body.size() >= 2 && body.front() == U'(' && body.back() == U')') {
    body = body.substr(1, body.size() - 2);
    number.negative = true;
    signSeen = true;
  }
  const auto takeCurrency = [&](bool atStart) {
    for (const std::u32string_view symbol :
         {std::u32string_view(U"R$"), std::u32string_view(U"$"), std::u32string_view(U"€")}) {
      const std::u32string_view b(body);
      const bool found =
          atStart ? b.substr(0, symbol.size()) == symbol
                  : b.size() >= symbol.size() && b.substr(b.size() - symbol.size()) == symbol;
      if (found && !currencySeen) {
        body.erase(atStart ? 0 : body.size() - symbol.size(), symbol.size());
        currencySeen = true;
        return true;
      }
    }
    return false;
  };
  const auto takeSign = [&](bool atStart) {
    if (signSeen || body.empty()) return false;
    const char32_t c = atStart ? body.front() : body.back();
    // A trailing sign is a minus only ("1.234,56-").
    if (c != U'-' && (!atStart || c != U'+')) return false;
    number.negative = c == U'-';
    body.erase(atStart ? 0 : body.size() - 1, 1);
    signSeen = true;
    return true;
  };
  while (takeSign(true) || takeCurrency(true)) {
  }
  while (takeCurrency(false) || takeSign(false)) {
  }

  // The calculator's own exponent form, "9,9999997E+23" with the locale's
  // separator: typed as the digits and point it stands for.
  if (const auto e = body.find(U'E'); e != std::u32string::npos) {
    return ReadExponentForm(std::u32string_view(body).substr(0, e),
                            std::u32string_view(body).substr(e + 1), decimalSeparator, number);
  }

  std::size_t digits = 0, dots = 0, commas = 0;
  std::size_t lastDot = 0, lastComma = 0;
  for (std::size_t k = 0; k < body.size(); ++k) {
    const char32_t c = body[k];
    if (c >= U'0' && c <= U'9') {
      ++digits;
    } else if (c == U'.') {
      ++dots;
      lastDot = k;
    } else if (c == U',') {
      ++commas;
      lastComma = k;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0) return std::nullopt;
  char32_t point = 0;
  if (dots > 0 && commas > 0) {
    point = lastDot > lastComma ? U'.' : U',';
    if ((point == U'.' ? dots : commas) > 1) return std::nullopt;
  } else if (dots + commas == 1) {
    // A lone mark is grouping where it cannot be the locale's point and
    // three digits follow it, as in "R$ 2.500"; otherwise it is the point.
    const char32_t mark = dots == 1 ? U'.' : U',';
    const std::size_t at = dots == 1 ? lastDot : lastComma;
    const bool localePoint = decimalSeparator == (mark == U'.' ? "." : ",");
    const bool grouping = !localePoint && at > 0 && body.size() - at - 1 == 3;
    if (!grouping) point = mark;
  }
  for (const char32_t c : body) {
    if (c >= U'0' && c <= U'9') {
      number.keys += static_cast<char>(c);
    } else if (c == point) {
      number.keys += '.';
    }
  }
  return number;
}

}  // namespace tally

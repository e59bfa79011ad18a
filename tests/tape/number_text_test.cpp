#include "tape/number_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tally {
namespace {

struct FormatCase {
  double value;
  int places;         // -1: the empty picture
  std::string comma;  // expected with ","
};

std::string Picture(int places) { return places < 0 ? std::string() : PictureForPlaces(places); }

std::string WithDot(std::string text) {
  for (auto& c : text) {
    if (c == ',') c = '.';
  }
  return text;
}

const std::vector<FormatCase> kFormatCases = {
    // General form: 15 significant digits, no trailing zeros.
    {12, -1, "12"},
    {2.5, -1, "2,5"},
    {0.5, -1, "0,5"},
    {1.0 / 3, -1, "0,333333333333333"},
    {-1234.5, -1, "-1234,5"},
    {0, -1, "0"},
    {-0.0, -1, "0"},
    {123456789012345, -1, "123456789012345"},
    {0.0001, -1, "0,0001"},
    // Exponent form below 1E-4 and from 1E+15 on.
    {1e15, -1, "1E+15"},
    {1234567890123456, -1, "1,23456789012346E+15"},
    {1.5e-7, -1, "1,5E-07"},
    {-0.00001, -1, "-1E-05"},
    {1e308, -1, "1E+308"},
    // Pictures with places: halves away from zero after 15 digits.
    {1234.5, 0, "1235,"},
    {1234.5, 2, "1234,50"},
    {7.5, 0, "8,"},
    {-7.5, 0, "-8,"},
    {0.4, 0, "0,"},
    {0.5, 0, "1,"},
    {1.0 / 3, 6, "0,333333"},
    {2.0 / 3, 3, "0,667"},
    {1.005, 2, "1,01"},
    {2.675, 2, "2,68"},
    {-0.125, 2, "-0,13"},
    {0.05, 1, "0,1"},
    {9.995, 2, "10,00"},
    {999999.9999995, 6, "1000000,000000"},
    {0.0000005, 6, "0,000001"},
    {0.00000049, 6, "0,000000"},
    {123456789.123456789, 4, "123456789,1235"},
    {5, 2, "5,00"},
    {-5, 2, "-5,00"},
    {12, 1, "12,0"},
    {40, 5, "40,00000"},
    // Zero and values that round to zero carry no minus sign.
    {0, 2, "0,00"},
    {-0.0, 3, "0,000"},
    {-0.001, 2, "0,00"},
    {-0.4, 0, "0,"},
    // Large values: digits past the fifteenth are zeros.
    {1e20, 2, "100000000000000000000,00"},
    {123456789012345678.0, 0, "123456789012346000,"},
    {-1e17, 1, "-100000000000000000,0"},
};

TEST(NumberText, FormatsEveryPictureWithCommaAndDot) {
  for (const auto& c : kFormatCases) {
    SCOPED_TRACE("value " + std::to_string(c.value) + " places " + std::to_string(c.places));
    EXPECT_EQ(FormatNumber(c.value, Picture(c.places), ","), c.comma);
    EXPECT_EQ(FormatNumber(c.value, Picture(c.places), "."), WithDot(c.comma));
  }
}

TEST(NumberText, HugeValueWithPlacesWritesEveryDigit) {
  const std::string text = FormatNumber(1e300, PictureForPlaces(2), ",");
  EXPECT_EQ(text, "1" + std::string(300, '0') + ",00");
}

TEST(NumberText, PicturesForPlaces) {
  EXPECT_EQ(PictureForPlaces(0), "#0.");
  EXPECT_EQ(PictureForPlaces(3), "#0.000");
  EXPECT_EQ(PictureForPlaces(6), "#0.000000");
}

TEST(NumberText, MultiByteSeparator) {
  EXPECT_EQ(FormatNumber(2.5, "#0.00", "\xD9\xAB"),
            "2\xD9\xAB"
            "50");
  EXPECT_EQ(ReadFormattedNumber("2\xD9\xAB"
                                "50",
                                "\xD9\xAB"),
            2.5);
}

// Whatever FormatNumber writes reads back as the value it shows.
TEST(NumberText, ReadsBackEveryFormWritten) {
  for (const auto& c : kFormatCases) {
    for (const std::string sep : {",", "."}) {
      const std::string text = FormatNumber(c.value, Picture(c.places), sep);
      SCOPED_TRACE(text);
      const auto back = ReadFormattedNumber(text, sep);
      ASSERT_TRUE(back.has_value());
      const std::string dotted = sep == "," ? WithDot(text) : text;
      EXPECT_EQ(*back, std::stod(dotted));
      // And writing it again gives the same text.
      EXPECT_EQ(FormatNumber(*back, Picture(c.places), sep), text);
    }
  }
}

TEST(NumberText, ReadBackCases) {
  const struct {
    const char* text;
    const char* sep;
    std::optional<double> expected;
  } cases[] = {
      {"12,50", ",", 12.5},          {"8,", ",", 8.0},
      {"-0,13", ",", -0.13},         {"1,5E-07", ",", 1.5e-7},
      {"1E+15", ",", 1e15},          {",5", ",", 0.5},
      {"12.50", ".", 12.5},          {"12.50", ",", std::nullopt},
      {"", ",", std::nullopt},       {"-", ",", std::nullopt},
      {",", ",", std::nullopt},      {"abc", ",", std::nullopt},
      {"1E", ",", std::nullopt},     {"--1", ",", std::nullopt},
      {" 12,00", ",", std::nullopt}, {"15,00 sub total", ",", std::nullopt},
      {"1E+999", ",", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadFormattedNumber(c.text, c.sep), c.expected);
  }
}

// The largest double is written "1,79769313486232E+308" (15 significant
// digits), a value past the largest double: read back, a number up to that
// text is the largest double of its sign, so a written line keeps its value.
const double kLargest = std::numeric_limits<double>::max();
const std::string kLargestFixed = "179769313486232" + std::string(294, '0');

TEST(NumberText, TheLargestNumberWrittenReadsBack) {
  const struct {
    std::string text;
    const char* sep;
    std::optional<double> expected;
  } cases[] = {
      {"1,79769313486232E+308", ",", kLargest},
      {"-1,79769313486232E+308", ",", -kLargest},
      {"1.79769313486232E+308", ".", kLargest},
      {kLargestFixed + ",00", ",", kLargest},
      {"-" + kLargestFixed + ",", ",", -kLargest},
      {"0,179769313486232000E+309", ",", kLargest},
      {"1,797693134862315808E+308", ",", kLargest},  // just past the largest double
      {"1,7976931348623157E+308", ",", kLargest},
      {"1,79769313486231E+308", ",", 1.79769313486231e308},
      // Past the written text: out of range as before.
      {"1,797693134862320000001E+308", ",", std::nullopt},
      {"1,79769313486233E+308", ",", std::nullopt},
      {"1" + kLargestFixed + ",00", ",", std::nullopt},
      {"1,8E+308", ",", std::nullopt},
      {"1E+309", ",", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    EXPECT_EQ(ReadFormattedNumber(c.text, c.sep), c.expected);
  }
  for (const char* picture : {"", "#0.", "#0.00", "#0.000000"}) {
    SCOPED_TRACE(picture);
    for (const double value : {kLargest, -kLargest}) {
      const std::string text = FormatNumber(value, picture, ",");
      EXPECT_EQ(ReadFormattedNumber(text, ","), value) << text;
    }
  }
}

// Where the edit panel's field is read the same holds; an entry key and an
// "&H"/"&O" number still find such a number out of range.
TEST(ParseLeadingNumber, TheLargestNumberWrittenReadsBackWhenAsked) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    std::string text;
    double entry;    // PastLargest::Infinity, the default
    double written;  // PastLargest::WrittenLargest
  } cases[] = {
      {"1.79769313486232E+308", inf, kLargest},
      {"-1.79769313486232E+308", -inf, -kLargest},
      {"+1.79769313486232e308 rest", inf, kLargest},
      {"1.79769313486232D+308", inf, kLargest},
      {" 1 . 797 69313486232E+3 08", inf, kLargest},
      {kLargestFixed + ".00", inf, kLargest},
      {"17976931348623157" + std::string(292, '0') + ".", kLargest, kLargest},
      {"1.79769313486233E+308", inf, inf},
      {"-1" + kLargestFixed, -inf, -inf},
      {"1E+309", inf, inf},
      {"&H" + std::string(300, 'F'), inf, inf},
      {"1e-400", 0, 0},
      {"12.5", 12.5, 12.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    EXPECT_EQ(ParseLeadingNumber(c.text), c.entry);
    EXPECT_EQ(ParseLeadingNumber(c.text, PastLargest::WrittenLargest), c.written);
  }
}

TEST(ParseLeadingNumber, Table) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    std::string text;
    double expected;
  } cases[] = {
      {".", 0},
      {"125.", 125},
      {"007.", 7},
      {".5", 0.5},
      {"-5.00", -5},
      {"1234,50", 1234},
      {"0", 0},
      {"", 0},
      {"abc", 0},
      {"-.", 0},
      {"-.5", -0.5},
      {"+7", 7},
      {"--7", 0},
      {"1.2.3", 1.2},
      // Blanks, tabs and line feeds are skipped wherever they stand.
      {" 1 2 . 5", 12.5},
      {"\t-\n3", -3},
      {"1 E 2", 100},
      // Exponents with E or D, either case.
      {"1E3", 1000},
      {"1e-2", 0.01},
      {"1D3", 1000},
      {"2.5d+2x", 250},
      {"1E", 1},
      {"1E+", 1},
      {"3E2.5", 300},
      // Hexadecimal and octal, unsigned.
      {"&HFF", 255},
      {"&hff", 255},
      {"&HFFFF", 65535},
      {"&H7FFFFFFF", 2147483647},
      {"&HFFFFFFFFFFFFFFFF", 18446744073709551615.0},
      {"&O17", 15},
      {"&o8", 0},
      {"&H", 0},
      {"& H10", 16},
      {"&X10", 0},
      // Out of range.
      {"1e400", inf},
      {"-1e400", -inf},
      {"1e-400", 0},
      {"1E99999999999999999999999", inf},
      {std::string(400, '9') + ".", inf},
      {"0." + std::string(400, '0') + "1", 0},
      {"1" + std::string(99, '0') + ".", 1e99},
      {"&H" + std::string(300, 'F'), inf},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    EXPECT_EQ(ParseLeadingNumber(c.text), c.expected);
  }
}

}  // namespace
}  // namespace tally

namespace tally {
namespace {

std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }

// Decimal digits of `digits` (a whole number) times base^power, base 2 or 5.
std::string TimesPower(std::string digits, int base, int power) {
  for (int k = 0; k < power; ++k) {
    int carry = 0;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
      const int v = (*it - '0') * base + carry;
      *it = static_cast<char>('0' + v % 10);
      carry = v / 10;
    }
    if (carry > 0) digits.insert(digits.begin(), static_cast<char>('0' + carry));
  }
  return digits;
}

// The exact decimal of `digits` / 10^places, places > number of digits.
std::string Fraction(const std::string& digits, std::size_t places) {
  return "0." + std::string(places - digits.size(), '0') + digits;
}

// Follows `text` as ParseLeadingNumber reads it, after every change.
class Follower {
 public:
  // Texts up to `readWholeUpTo` bytes are read whole; 0 follows every text.
  explicit Follower(std::size_t readWholeUpTo = 32) : reader_(readWholeUpTo) {}

  void Push(char c) {
    reader_.PushBack(text_, c);
    Check();
  }
  void Push(std::string_view bytes) {
    for (const char c : bytes) Push(c);
  }
  void Pop() {
    reader_.PopBack(text_);
    Check();
  }
  void Assign(std::string_view value) {
    reader_.Assign(text_, std::string(value));
    Check();
  }
  const std::string& Text() const { return text_; }
  double Value() const { return reader_.Value(text_); }

 private:
  void Check() {
    const double expected = ParseLeadingNumber(text_);
    const double actual = reader_.Value(text_);
    if (Bits(actual) != Bits(expected) || reader_.FirstPoint(text_) != text_.find('.')) {
      ++failures_;
      if (failures_ <= 5) {
        ADD_FAILURE() << "text (" << text_.size() << " bytes) \"" << text_.substr(0, 80)
                      << (text_.size() > 80 ? "...\"" : "\"") << " reads " << actual
                      << ", expected " << expected << "; first point " << reader_.FirstPoint(text_);
      }
    }
  }
  std::string text_;
  LeadingNumberText reader_;
  int failures_ = 0;
};

// Long entries where the digits past the deciding ones still decide:
// exact halfway points between two doubles, then a far non-zero digit.
TEST(LeadingNumberText, FarDigitsStillDecideTheRounding) {
  const double largest = std::numeric_limits<double>::max();
  const double tiny = std::numeric_limits<double>::denorm_min();
  // 1 + 2^-53, halfway between 1 and the next double.
  const std::string halfAfterOne = "1.00000000000000011102230246251565404236316680908203125";
  // 5 * 2^-1075, halfway between the second and third smallest doubles.
  const std::string halfTiny = Fraction(TimesPower("5", 5, 1075), 1075);
  // 2^1024 - 2^970, halfway between the largest double and overflow.
  const std::string overflowEdge = TimesPower("18014398509481983", 2, 970);
  const std::string far = std::string(1000, '0') + "1";
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    std::string text;
    double expected;
  } cases[] = {
      {halfAfterOne, 1.0},
      {halfAfterOne + far, std::nextafter(1.0, 2.0)},
      {"-" + halfAfterOne + far, -std::nextafter(1.0, 2.0)},
      {halfTiny, 2 * tiny},
      {halfTiny + far, 3 * tiny},
      {overflowEdge + ".", inf},
      {overflowEdge.substr(0, overflowEdge.size() - 1) + "1." + std::string(1000, '9'), largest},
      {"0." + std::string(2000, '0') + "1", 0},
      {std::string(5000, '7') + "e-4990", 7.777777777777778e9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 30));
    EXPECT_EQ(Bits(ParseLeadingNumber(c.text)), Bits(c.expected));
    Follower keyed;
    keyed.Push(c.text);
    EXPECT_EQ(Bits(keyed.Value()), Bits(c.expected));
  }
}

// Random texts built a byte at a time, with bytes taken back and whole texts
// put in place: the followed reading is ParseLeadingNumber's, bit for bit.
TEST(LeadingNumberText, FollowsParseLeadingNumberBitForBit) {
  std::mt19937 rng(20261210);
  const std::vector<std::string> others = {
      ".", "-", "+", "E", "e",  "D",  "d",        "E+",       "E-",           "x",   ",", "&",
      "H", "h", "O", " ", "\t", "\n", "\xC3\xA9", "\xD9\xAB", "\xE2\x80\x93", "\xFF"};
  const std::vector<std::string> starts = {
      "",        ".",    "-.",   "0",   "0.", "12.", "-12,5", "1,5E+20",   "1.5E+20",
      "-1.5e-7", "&H1F", "&o17", "1 2", "E5", "-0.", "1e",    "9.99E+307", "1.79769313486232E+308"};
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    // Half the rounds follow even the shortest texts byte by byte.
    Follower f(round % 2 == 0 ? 0 : 32);
    f.Assign(starts[static_cast<std::size_t>(round) % starts.size()]);
    // Some rounds are mostly digits and grow long; others churn.
    const int digitsPercent = round % 3 == 0 ? 97 : 70;
    const int popPercent = round % 3 == 0 ? 2 : 20;
    const int steps = round % 3 == 0 ? 4000 : 600;
    for (int step = 0; step < steps; ++step) {
      const int roll = std::uniform_int_distribution<int>(0, 99)(rng);
      if (roll < popPercent) {
        f.Pop();
      } else if (roll == 99 && round % 3 != 0) {
        f.Assign(starts[std::uniform_int_distribution<std::size_t>(0, starts.size() - 1)(rng)]);
      } else if (std::uniform_int_distribution<int>(0, 99)(rng) < digitsPercent) {
        const int digit = std::uniform_int_distribution<int>(-3, 9)(rng);
        f.Push(static_cast<char>('0' + std::max(digit, 0)));
      } else {
        f.Push(others[std::uniform_int_distribution<std::size_t>(0, others.size() - 1)(rng)]);
      }
    }
  }
}

}  // namespace
}  // namespace tally

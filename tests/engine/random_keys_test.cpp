// Long seeded random sessions of keys, clicks and tape corrections. After
// every step nothing that is not finite may be stored, shown or printed, and
// every tape line must be one of the line kinds.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "engine/calculator.h"
#include "fake_host.h"
#include "random_session.h"
#include "tape/number_text.h"
#include "tape/text_utils.h"

namespace tally {
namespace {

bool ReadsAsNumber(std::string_view text, std::string_view sep) {
  return ReadFormattedNumber(text, sep).has_value();
}

// Returns an empty text when the line is one of the kinds, else why not.
std::string CheckLine(const std::string& line, std::string_view sep) {
  const std::string_view first = FirstChar(line);
  if (line == kSeparatorLine) return {};
  if (first == "=") {
    std::string_view number = FromChar(line, 3);
    while (number.size() >= kSubtotalSuffix.size() &&
           number.substr(number.size() - kSubtotalSuffix.size()) == kSubtotalSuffix) {
      number.remove_suffix(kSubtotalSuffix.size());
    }
    return line.rfind("= ", 0) == 0 && ReadsAsNumber(number, sep) ? "" : "bad total";
  }
  if (line.rfind("GT ", 0) == 0) {
    return ReadsAsNumber(FromChar(line, 4), sep) ? "" : "bad grand total key line";
  }
  if (line.rfind("G ", 0) == 0) {
    return ReadsAsNumber(FromChar(line, 3), sep) ? "" : "bad grand total line";
  }
  if (first == "+" || first == "x" || first == "/" || first == kEnDash) {
    return FromChar(line, 2).substr(0, 1) == " " && ReadsAsNumber(FromChar(line, 3), sep)
               ? ""
               : "bad operand line";
  }
  return "unknown line kind";
}

void CheckInvariants(const Calculator& calc) {
  const auto& s = calc.State();
  for (const double v :
       {s.Accumulator, s.Operand, s.LastEntry, s.MemoryValue, s.GrandTotal, s.EntryValue}) {
    ASSERT_TRUE(std::isfinite(v));
  }
  ASSERT_LE(s.OperandCount, 2);
  const auto& l = calc.Labels();
  for (const std::string* text : {&l.lblResult, &l.lblOperator, &l.lblGrandTotal}) {
    ASSERT_EQ(text->find("inf"), std::string::npos) << *text;
    ASSERT_EQ(text->find("nan"), std::string::npos) << *text;
  }
  const Tape& tape = calc.GetTape();
  ASSERT_GE(tape.Selected(), -1);
  ASSERT_LT(tape.Selected(), tape.Count());
  for (const auto& line : tape.Lines()) {
    ASSERT_EQ(CheckLine(line.text, calc.DecimalSeparator()), "") << line.text;
  }
}

TEST(RandomSessions, NothingBreaks) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    testing::FakeHost host;
    Calculator calc(host, seed % 3 == 0 ? "." : ",");
    testing::Monkey monkey(calc, seed);
    for (int step = 0; step < 20000; ++step) {
      monkey.Step();
      CheckInvariants(calc);
      if (::testing::Test::HasFatalFailure()) {
        ADD_FAILURE() << "at step " << step;
        return;
      }
    }
    EXPECT_FALSE(host.closed);  // "s" and "x" are not in the key set
  }
}

// The display as the entry keys left it before the display's reading was
// followed key by key: the whole display re-read by ParseLeadingNumber after
// each digit, point and backspace. The calculator must give exactly these.
struct EntryOracle {
  std::string display;
  double entryValue = 0;
  bool exact = true;  // false when the key's result is not foreseen here
};

EntryOracle ExpectedAfterEntryKey(const Calculator& calc, char key) {
  const auto& s = calc.State();
  EntryOracle o{calc.Labels().lblResult, s.EntryValue};
  std::string& d = o.display;
  bool started = s.EntryStarted;
  if (key == '\b') {
    const std::size_t n = Utf8Length(d);
    if (n == 2) {
      d = ".";
    } else if (n > 2 && d.back() != '.') {
      DropLastChars(d, 1);
    } else if (n > 2) {
      DropLastChars(d, 2);
      d += '.';
    }
  } else if (key == '.') {
    if (s.LastInputKind != InputKind::Num) d = ".";
  } else {
    // A digit after a total starts a new calculation first, which may fail.
    if (s.PendingOperator == PendingOp::Equals) o.exact = false;
    if (s.LastInputKind != InputKind::Num) {
      d = ".";
      started = false;
    }
    if (started) {
      d += key;
    } else if (const auto point = d.find('.'); point != std::string::npos) {
      d.resize(point);
      d += key;
      d += '.';
    }
  }
  const double parsed = ParseLeadingNumber(d);
  if (std::isfinite(parsed)) o.entryValue = parsed;
  return o;
}

std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }

// Random sessions with long entries: every digit, point and backspace leaves
// the display and EntryValue exactly as re-reading the whole display would.
TEST(RandomSessions, EntryKeysReadTheDisplayAsBefore) {
  const char* const separators[] = {",", ".", "\xD9\xAB"};
  for (unsigned seed = 1; seed <= 9; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    testing::NullHost host;
    Calculator calc(host, separators[seed % 3]);
    std::mt19937 rng(seed);
    const auto uniform = [&](int lo, int hi) {
      return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    int mismatches = 0;
    for (int step = 0; step < 6000 && mismatches < 5; ++step) {
      // Entries past the digits that decide a double, but not so long that
      // re-reading the whole display makes the test slow.
      if (calc.Labels().lblResult.size() > 3000) calc.cmdCancelEntry_Click();
      const int pick = uniform(0, 99);
      if (pick < 85) {
        // An entry key; now and then a long run of digits.
        const int run = uniform(0, 199) == 0 ? uniform(200, 1200) : 1;
        for (int k = 0; k < run && mismatches < 5; ++k) {
          const int kind = run > 1 ? 0 : uniform(0, 9);
          const char key =
              kind < 7 ? static_cast<char>('0' + uniform(0, 9)) : (kind < 8 ? '.' : '\b');
          const EntryOracle expected = ExpectedAfterEntryKey(calc, key);
          if (key == '\b') {
            calc.cmdBackspace_Click();
          } else if (key == '.') {
            calc.cmdDecimal_Click();
          } else {
            calc.cmdNumber_Click(key - '0');
          }
          const auto& display = calc.Labels().lblResult;
          const double value = calc.State().EntryValue;
          const double reread = ParseLeadingNumber(display);
          const bool ok = expected.exact ? display == expected.display &&
                                               Bits(value) == Bits(expected.entryValue)
                                         : !std::isfinite(reread) || Bits(value) == Bits(reread);
          if (!ok) {
            ++mismatches;
            ADD_FAILURE() << "step " << step << " key " << int(key) << ": display \""
                          << display.substr(0, 60) << "\" (expected \""
                          << expected.display.substr(0, 60) << "\"), EntryValue " << value
                          << " (expected " << expected.entryValue << ")";
          }
        }
      } else if (pick < 88) {
        calc.cmdNegitive_Click();
      } else if (pick < 90) {
        calc.cmdCancelEntry_Click();
      } else if (pick < 94) {
        calc.cmdOperator_Click(uniform(0, kEquals));
      } else if (pick < 96) {
        calc.cmdFunction_Click(uniform(0, 2));
      } else if (pick < 97) {
        calc.cmdMemory_Click(uniform(0, 3));
      } else if (pick < 98) {
        calc.cboDecPlace_Click(uniform(0, 6));
      } else if (pick < 99) {
        calc.SetStartValue(uniform(-2000000, 2000000));
      } else {
        calc.cmdCancel_Click();
      }
    }
  }
}

}  // namespace
}  // namespace tally

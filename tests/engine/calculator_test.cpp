#include "engine/calculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "calculator_state.h"
#include "engine/error_report.h"
#include "fake_host.h"
#include "tape/number_text.h"

namespace tally {
namespace {

using testing::FakeHost;
using testing::kDash;
using testing::Keys;
using testing::kSep;
using testing::TapeLines;
using testing::Type;
using Lines = std::vector<std::string>;

class CalculatorTest : public ::testing::Test {
 protected:
  FakeHost host;
  Calculator calc{host, ","};
  void TwoPlaces() { calc.cboDecPlace_Click(2); }
};

// ------------------------------------------------------------ start values

TEST_F(CalculatorTest, StartsEmpty) {
  const auto& s = calc.State();
  EXPECT_EQ(calc.Labels().lblResult, "0.");
  EXPECT_EQ(calc.Labels().lblOperator, "+");
  EXPECT_EQ(calc.Labels().lblGrandTotal, "");
  EXPECT_FALSE(calc.Labels().lblMemoryVisible);
  EXPECT_TRUE(calc.GetTape().Empty());
  EXPECT_EQ(calc.GetTape().Selected(), -1);
  EXPECT_EQ(s.PendingOperator, PendingOp::Unset);
  EXPECT_EQ(s.LastInputKind, InputKind::Unset);
  EXPECT_EQ(s.NumberFormat, "");
  EXPECT_EQ(s.OperandCount, 0);
  EXPECT_EQ(s.Accumulator, 0);
  EXPECT_EQ(s.EntryValue, 0);
}

// ------------------------------------------------------------ StartNewTotal

TEST_F(CalculatorTest, StartNewTotalOnAnEmptyTapeWritesNothing) {
  calc.StartNewTotal(false);
  EXPECT_EQ(calc.Labels().lblResult, ".");
  EXPECT_EQ(calc.Labels().lblOperator, "+");
  EXPECT_TRUE(calc.GetTape().Empty());
  EXPECT_EQ(calc.State().PendingOperator, PendingOp::Add);
  EXPECT_EQ(calc.State().LastInputKind, InputKind::Num);
  EXPECT_EQ(host.focusCount, 1);
}

TEST_F(CalculatorTest, StartNewTotalTwiceAddsOnceAndWritesOneSeparator) {
  TwoPlaces();
  Keys(calc, "[C] 12+3=");
  calc.StartNewTotal(true);
  EXPECT_EQ(calc.State().GrandTotal, 15);
  EXPECT_EQ(calc.Labels().lblGrandTotal, "15,00 ");
  calc.cboDecPlace_Click(1);
  calc.StartNewTotal(true);  // adds the 0 the first call left in the entry
  EXPECT_EQ(calc.State().GrandTotal, 15);
  EXPECT_EQ(calc.Labels().lblGrandTotal, "15,0 ");  // rewritten all the same
  EXPECT_EQ(TapeLines(calc), (Lines{"+ 12,00", "+ 3,00", "= 15,00", kSep}));
  EXPECT_TRUE(calc.State().TotalPending);  // survives
}

TEST_F(CalculatorTest, StartNewTotalToZeroEmptiesTheLabel) {
  TwoPlaces();
  Keys(calc, "[C] 15==");
  EXPECT_EQ(calc.State().GrandTotal, 15);
  Keys(calc, "15 [+/-]");
  EXPECT_EQ(calc.State().EntryValue, -15);
  calc.StartNewTotal(true);
  EXPECT_EQ(calc.State().GrandTotal, 0);
  EXPECT_EQ(calc.Labels().lblGrandTotal, "");
}

TEST_F(CalculatorTest, StartNewTotalReportsAnOverflowAndKeepsItsState) {
  calc.cmdCancel_Click();
  Type(calc, std::string(308, '9') + "==");  // 1E+308 into the grand total
  // 308 nines are nearest to the double 1E+308.
  ASSERT_EQ(calc.State().GrandTotal, 1e308);
  Type(calc, std::string(308, '9'));
  const std::string display = calc.Labels().lblResult;
  calc.StartNewTotal(true);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text,
            "Ocorreu erro: 6\r\nDescription: Overflow\r\nModule: frmCalculator\r\n"
            "Function: StartNewTotal");
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_TRUE(std::isfinite(calc.State().GrandTotal));
  EXPECT_EQ(calc.Labels().lblResult, display);
}

// ------------------------------------------------------------ SetStartValue

TEST_F(CalculatorTest, SetStartValue) {
  TwoPlaces();
  calc.SetStartValue(125000);
  EXPECT_EQ(calc.Labels().lblResult, "12,50");
  EXPECT_EQ(calc.State().EntryValue, 12.5);
  EXPECT_EQ(calc.State().OperandCount, 1);
  EXPECT_TRUE(calc.State().EntryStarted);
  EXPECT_EQ(calc.State().PendingOperator, PendingOp::Add);
  EXPECT_EQ(calc.State().LastInputKind, InputKind::Num);
  for (const std::int64_t v : {0LL, -1LL, -125000LL}) {
    calc.SetStartValue(v);
    EXPECT_EQ(calc.Labels().lblResult, ".");
    EXPECT_EQ(calc.State().EntryValue, 0);
    EXPECT_EQ(calc.State().OperandCount, 0);
    EXPECT_FALSE(calc.State().EntryStarted);
  }
  calc.SetStartValue(1);
  EXPECT_EQ(calc.State().EntryValue, 0.0001);
  EXPECT_EQ(calc.Labels().lblResult, "0,00");
  EXPECT_EQ(host.focusCount, 1);  // only the decimal places choice
  EXPECT_TRUE(calc.GetTape().Empty());
}

TEST_F(CalculatorTest, SetStartValueThenAnOperator) {
  TwoPlaces();
  Keys(calc, "[C] 1+1= [C]");
  calc.SetStartValue(125000);
  Keys(calc, "+2=");
  EXPECT_EQ(calc.Labels().lblResult, "14,50");
}

// ------------------------------------------------------------ line texts

TEST_F(CalculatorTest, LineTextsOfEveryKind) {
  TwoPlaces();
  Keys(calc, "[C] 12-3+3 [+/-] =");
  EXPECT_EQ(TapeLines(calc),
            (Lines{"+ 12,00", kDash + " 3,00", kSep, "+ 9,00", "+ -3,00", "= 6,00"}));
  Keys(calc, "+4== [C] 34==");
  Keys(calc, "[C] [C]");
  Keys(calc, "40== [Grande Total]");
  const Lines lines = TapeLines(calc);
  EXPECT_EQ(lines[5], "= 6,00 sub total");
  EXPECT_EQ(lines[lines.size() - 4], "G 44,00");
  EXPECT_EQ(lines[lines.size() - 6], "= 10,00");  // 34 went into the total alone
  EXPECT_EQ(lines[lines.size() - 2], "GT 40,00");
  EXPECT_EQ(lines.back(), kSep);
}

TEST_F(CalculatorTest, GeneralFormBeforeAnyChoice) {
  Keys(calc, "12+2.5+");
  EXPECT_EQ(TapeLines(calc), (Lines{"+ 12", "+ 2,5"}));
  EXPECT_EQ(calc.Labels().lblResult, "14,5");
}

TEST_F(CalculatorTest, FirstOperandLineAfterOpeningCarriesPlus) {
  Keys(calc, "7*2=");
  EXPECT_EQ(TapeLines(calc), (Lines{"+ 7", "x 2", "= 14"}));
}

// ------------------------------------------------------------ clear and click

TEST_F(CalculatorTest, ClearKeepsTheGrandTotal) {
  TwoPlaces();
  Keys(calc, "[C] 5== [Limpar]");
  EXPECT_TRUE(calc.GetTape().Empty());
  EXPECT_EQ(calc.State().GrandTotal, 5);
  EXPECT_EQ(calc.Labels().lblGrandTotal, "5,00 ");
  Keys(calc, "5==");
  EXPECT_EQ(calc.Labels().lblGrandTotal, "10,00 ");
}

TEST_F(CalculatorTest, TapeClickSelectsAndFocuses) {
  Keys(calc, "1+2+");
  const int focus = host.focusCount;
  calc.lstTape_Click(0);
  EXPECT_EQ(calc.GetTape().Selected(), 0);
  EXPECT_EQ(host.focusCount, focus + 1);
  EXPECT_EQ(TapeLines(calc), (Lines{"+ 1", "+ 2"}));
}

// The largest double keyed and written on the tape ("+ 1,79769313486232E+308"
// reads past the largest double) keeps its line when it is saved unchanged
// and when another line is corrected.
TEST_F(CalculatorTest, TheLargestNumberSurvivesACorrection) {
  const double largest = std::numeric_limits<double>::max();
  const std::string keyed = "17976931348623157" + std::string(292, '0');
  const struct {
    int places;  // -1: the general form
    std::string written;
  } cases[] = {
      {-1, "1,79769313486232E+308"},
      {2, "179769313486232" + std::string(294, '0') + ",00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.places);
    calc.cmdClear_Click();
    if (c.places >= 0) calc.cboDecPlace_Click(c.places);
    Keys(calc, "[C]" + keyed + "+5=");
    ASSERT_EQ(TapeLines(calc)[0], "+ " + c.written);
    ASSERT_EQ(calc.State().EntryValue, largest);

    // The line itself, saved unchanged.
    calc.lstTape_Click(0);
    calc.lstTape_DblClick();
    ASSERT_TRUE(calc.Panel().visible);
    EXPECT_EQ(calc.Panel().txtChangeTo, c.written);
    calc.cmdSaveChange_Click();
    EXPECT_EQ(TapeLines(calc)[0], "+ " + c.written);
    EXPECT_EQ(TapeLines(calc)[2], "= " + c.written);

    // Another line corrected: the replay adds the largest number again.
    calc.lstTape_Click(1);
    calc.lstTape_DblClick();
    calc.SetChangeTo("6");
    calc.cmdSaveChange_Click();
    EXPECT_EQ(TapeLines(calc)[0], "+ " + c.written);
    EXPECT_EQ(TapeLines(calc)[2], "= " + c.written);
    EXPECT_EQ(calc.State().EntryValue, largest);
  }
}

}  // namespace
}  // namespace tally

namespace tally {
namespace {

// ------------------------------------------------------------ keyboard

// The calculator whole, and how often it asked its host for each thing.
std::string Take(const Calculator& calc, const testing::FakeHost& host) {
  return testing::DescribeState(calc) + "messages " + std::to_string(host.messages.size()) +
         "\nerrors " + std::to_string(host.errors.size()) + "\nprints " +
         std::to_string(host.printCount) + "\nfocus " + std::to_string(host.focusCount) +
         "\nclosed " + std::to_string(host.closed) + "\n";
}

void ExpectSame(const std::string& a, const std::string& b) { EXPECT_EQ(a, b); }

// Every row of the key table: the typed key does exactly what a click on its
// button does, from a state where each operation leaves a visible trace, and
// the key is consumed.
TEST(KeyTable, EveryMappedKeyRunsItsButton) {
  const struct {
    std::vector<int> codes;
    const char* button;  // "" for keys that do nothing
  } rows[] = {
      {{'0'}, "0"},
      {{'1'}, "1"},
      {{'2'}, "2"},
      {{'3'}, "3"},
      {{'4'}, "4"},
      {{'5'}, "5"},
      {{'6'}, "6"},
      {{'7'}, "7"},
      {{'8'}, "8"},
      {{'9'}, "9"},
      // The calculator below writes "," for the point: the comma is its key.
      {{'.', ','}, "."},
      {{8}, "Backspace"},
      {{'E', 'e'}, "CE"},
      {{'+'}, "+"},
      {{'-'}, "-"},
      {{'*'}, "x"},
      {{'/'}, "/"},
      {{13, '='}, "="},
      {{'%'}, "%"},
      {{'C', 'c', 27}, "C"},
      {{'G', 'g'}, "Grande Total"},
      {{'L', 'l'}, "Limpar"},
      {{'P', 'p'}, "Imprimir"},
      {{'S', 's', 'X', 'x'}, "Sair"},
      // Mapped to nothing: they change nothing, but are consumed too.
      {{'a', ' ', ';', 'M', 'r', '#', 0, 200, 150, 255}, ""},
  };
  std::set<int> covered;
  for (const auto& row : rows) {
    for (const int code : row.codes) {
      SCOPED_TRACE("key code " + std::to_string(code));
      covered.insert(code);
      FakeHost typedHost, clickedHost;
      Calculator typed(typedHost, ","), clicked(clickedHost, ",");
      for (Calculator* c : {&typed, &clicked}) {
        c->cboDecPlace_Click(2);
        Keys(*c, "[C] 40== C 200+12.5");
      }
      int key = code;
      typed.CheckKeyPress(key);
      if (*row.button) {
        const Button* button = FindButton(row.button);
        ASSERT_NE(button, nullptr);
        clicked.Click(*button);
      }
      EXPECT_EQ(key, 0);
      ExpectSame(Take(typed, typedHost), Take(clicked, clickedHost));
    }
  }
  // The key table holds no binding this test does not know of.
  for (const KeyBinding& binding : kKeyBindings) {
    EXPECT_TRUE(covered.count(binding.code)) << "key code " << binding.code;
  }
}

// Each button of the table has its own control and click name, and runs the
// handler of its array with its index.
TEST(KeyTable, ButtonsAreDistinctAndRunTheirHandler) {
  std::set<std::string> controls, names;
  for (const Button& b : kButtons) {
    SCOPED_TRACE(std::string(b.control));
    EXPECT_TRUE(controls.insert(std::string(b.control)).second);
    EXPECT_TRUE(names.insert(ClickName(b)).second);
    EXPECT_EQ(FindButton(ClickName(b)), &b);
    FakeHost viaTable, direct;
    Calculator a(viaTable, ","), c(direct, ",");
    for (Calculator* calc : {&a, &c}) Keys(*calc, "[C] 40== C 200+12.5 [M+]");
    a.Click(b);
    c.Perform(b.operation, b.index);
    ExpectSame(Take(a, viaTable), Take(c, direct));
  }
}

// What the operator label shows names the button a screen reader reads it as.
TEST(KeyTable, TheOperatorLabelShowsItsButton) {
  const struct {
    PendingOp op;
    const char* control;
  } cases[] = {
      {PendingOp::Divide, "cmdOperator0"},   {PendingOp::Add, "cmdOperator1"},
      {PendingOp::Multiply, "cmdOperator2"}, {PendingOp::Subtract, "cmdOperator3"},
      {PendingOp::Equals, "cmdOperator4"},
  };
  for (const auto& c : cases) {
    const Button* button = OperatorButtonShown(OperatorText(c.op));
    ASSERT_NE(button, nullptr) << c.control;
    EXPECT_EQ(button->control, c.control);
  }
  EXPECT_EQ(OperatorButtonShown(""), nullptr);
  EXPECT_EQ(OperatorButtonShown("*"), nullptr);
}

TEST(KeyTable, TypedAndClickedCalculationsAgree) {
  testing::FakeHost h1, h2;
  Calculator typed(h1, ","), clicked(h2, ",");
  Type(typed, "12+3\r");
  for (const int d : {1, 2}) clicked.cmdNumber_Click(d);
  clicked.cmdOperator_Click(kAdd);
  clicked.cmdNumber_Click(3);
  clicked.cmdOperator_Click(kEquals);
  ExpectSame(Take(typed, h1), Take(clicked, h2));
  EXPECT_EQ(TapeLines(typed), (Lines{"+ 12", "+ 3", "= 15"}));
}

// ------------------------------------------------------------ limits

TEST_F(CalculatorTest, DigitsBeyondTheRangeOfADoubleKeepTheLastValue) {
  Keys(calc, "[C]");
  Type(calc, std::string(308, '9'));
  const double fitted = calc.State().EntryValue;
  EXPECT_TRUE(std::isfinite(fitted));
  Type(calc, std::string(200, '9') + ".5");
  EXPECT_EQ(calc.State().EntryValue, fitted);
  EXPECT_EQ(Utf8Length(calc.Labels().lblResult), 510u);
  Type(calc, "+=");
  EXPECT_TRUE(std::isfinite(calc.State().Accumulator));
  for (const auto& line : TapeLines(calc)) {
    EXPECT_EQ(line.find("inf"), std::string::npos);
  }
}

TEST_F(CalculatorTest, OverflowNeverReachesStateLabelsOrTape) {
  const std::string big(300, '9');  // about 1E+300
  Keys(calc, "[C]");
  Type(calc, big + "*" + big + "=");
  EXPECT_EQ(calc.State().Accumulator, 1e300);  // the nearest double to 300 nines
  Type(calc, "*");  // repeats, overflows again
  EXPECT_EQ(calc.State().Accumulator, 1e300);
  // Memory keeps its value when a sum would overflow.
  const std::string huge(308, '9');  // about 1E+308
  const double hugeValue = 1e308;  // the nearest double to 308 nines
  Keys(calc, "[MC] [C]");
  Type(calc, huge);
  Keys(calc, "[M+] [M+] [M+]");
  EXPECT_EQ(calc.State().MemoryValue, hugeValue);
  Keys(calc, "[MC] [C]");
  Type(calc, huge);
  Keys(calc, "[M-] [M-] [M-]");
  EXPECT_EQ(calc.State().MemoryValue, -hugeValue);
  EXPECT_TRUE(calc.Labels().lblMemoryVisible);
  // Percent and reciprocal report an overflow and leave the entry alone.
  Keys(calc, "[C]");
  Type(calc, big + "+" + big);
  const std::string before = calc.Labels().lblResult;
  Keys(calc, "[%]");
  ASSERT_FALSE(host.messages.empty());
  EXPECT_NE(host.messages.back().text.find("Function: cmdFunction_Click1"), std::string::npos);
  EXPECT_EQ(calc.Labels().lblResult, before);
  calc.SetStartValue(1);  // 0.0001
  Keys(calc, "[1/x]");
  EXPECT_EQ(calc.State().EntryValue, 10000);
  for (const auto& line : TapeLines(calc)) {
    EXPECT_EQ(line.find("inf"), std::string::npos) << line;
    EXPECT_EQ(line.find("nan"), std::string::npos) << line;
  }
}

TEST_F(CalculatorTest, FunctionErrorsLeaveTheEntryAndLog) {
  TwoPlaces();
  const struct {
    const char* keys;
    const char* number;
    const char* procedure;
  } cases[] = {
      {"[C] 4 [+/-] [sqrt]", "5", "cmdFunction_Click0"},
      {"[C] 0 [1/x]", "11", "cmdFunction_Click2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    host.messages.clear();
    host.errors.clear();
    Keys(calc, c.keys);
    const auto display = calc.Labels().lblResult;
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].number, c.number);
    EXPECT_EQ(host.errors[0].moduleName, "frmCalculator");
    EXPECT_EQ(host.errors[0].procedureName, c.procedure);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, ErrorBoxTitle());
    EXPECT_EQ(calc.Labels().lblResult, display);
  }
  EXPECT_EQ(calc.State().OperandCount, 0);  // untouched by the failed key
}

TEST_F(CalculatorTest, MemoryMarkFollowsTheMemory) {
  TwoPlaces();
  const struct {
    const char* keys;
    double memory;
    bool visible;
  } steps[] = {
      {"[C] 0 [M+]", 0, false}, {"[CE] 5 [M+]", 5, true},  {"[CE] 3 [M+]", 8, true},
      {"[MR]", 8, true},        {"[CE] 8 [M-]", 0, false}, {"[CE] 5 [M-]", -5, true},
      {"[MC]", 0, false},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.keys);
    Keys(calc, step.keys);
    EXPECT_EQ(calc.State().MemoryValue, step.memory);
    EXPECT_EQ(calc.Labels().lblMemoryVisible, step.visible);
  }
  Keys(calc, "[CE] 8 [M+] [C] [MR]");
  EXPECT_EQ(calc.Labels().lblResult, "8,00");
  EXPECT_EQ(calc.State().EntryValue, 8);
  EXPECT_TRUE(TapeLines(calc).empty());
}

TEST_F(CalculatorTest, DivisionByZeroMessageIsNotReachedByAZeroDivisor) {
  TwoPlaces();
  Keys(calc, "[C] 5/0= 5-5/3=");
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace tally

namespace tally {
namespace {

TEST_F(CalculatorTest, DoubleClickWithoutSelectionDoesNothing) {
  TwoPlaces();
  Keys(calc, "[C] 4+4=");
  calc.lstTape_Click(-1);
  calc.lstTape_DblClick();
  EXPECT_FALSE(calc.Panel().visible);
  calc.cmdClear_Click();
  calc.lstTape_DblClick();
  EXPECT_FALSE(calc.Panel().visible);
}

TEST_F(CalculatorTest, SaveRewritesTheWholeTapeInOneChange) {
  struct CountingObserver final : TapeObserver {
    int changes = 0;
    void BeforeAppend(std::int32_t) override {}
    void AfterAppend() override {}
    void BeforeRemoveOldest(std::int32_t) override {}
    void AfterRemoveOldest() override {}
    void LinesChanged(std::int32_t, std::int32_t) override { ++changes; }
    void BeforeClear() override {}
    void AfterClear() override {}
    void SelectionChanged(std::int32_t) override {}
    void BeforeInsert(std::int32_t) override {}
    void AfterInsert() override {}
    void BeforeRemove(std::int32_t) override {}
    void AfterRemove() override {}
  } observer;
  TwoPlaces();
  for (int k = 0; k < 200; ++k) Keys(calc, "12+3==");
  calc.SetTapeObserver(&observer);
  calc.lstTape_Click(0);
  calc.lstTape_DblClick();
  ASSERT_TRUE(calc.Panel().visible);
  calc.SetChangeTo("13");
  calc.cmdSaveChange_Click();
  EXPECT_EQ(observer.changes, 1);
  EXPECT_EQ(TapeLines(calc)[2], "= 16,00");
  EXPECT_EQ(calc.Labels().lblGrandTotal, "3001,00");
  EXPECT_FALSE(calc.Panel().visible);
  calc.SetTapeObserver(nullptr);
}

}  // namespace
}  // namespace tally

namespace tally {
namespace {

// Whatever lands in the edit panel's number field, saving writes a line of
// the right kind: the number read, or 0 when nothing can be read.
TEST_F(CalculatorTest, HostileNumberFieldTexts) {
  TwoPlaces();
  std::string megabyte(1 << 20, '7');
  std::string controls;
  for (int c = 1; c < 32; ++c) controls += static_cast<char>(c);
  const struct {
    std::string text;
    const char* line;
  } cases[] = {
      {megabyte, "+ 0,00"},  // beyond the range of a double
      {"12" + controls + "5", "+ 12,00"},
      {"\xFF\xFE\xC3(\xE2\x82", "+ 0,00"},
      {"4\xC3\xA9", "+ 4,00"},
      {"&H" + std::string(400, 'F'), "+ 0,00"},
      {"&O" + std::string(400, '7'), "+ 0,00"},
      {"&HFFFF", "+ 65535,00"},
      {"-1e309", "+ 0,00"},
      {"1e-400", "+ 0,00"},
      {std::string(1 << 16, ' ') + "3", "+ 3,00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 20));
    calc.cmdClear_Click();
    Keys(calc, "[C] 4+4=");
    calc.lstTape_Click(0);
    calc.lstTape_DblClick();
    ASSERT_TRUE(calc.Panel().visible);
    calc.SetChangeTo(c.text);
    calc.cmdSaveChange_Click();
    EXPECT_FALSE(calc.Panel().visible);
    EXPECT_EQ(TapeLines(calc)[0], c.line);
    EXPECT_TRUE(std::isfinite(calc.State().EntryValue));
  }
}

}  // namespace
}  // namespace tally

namespace tally {
namespace {

// A failure that no operation handles itself is reported by the keyboard
// handling, and the key is left as typed.
TEST(KeyTable, UnhandledFailureIsReportedUnderCheckKeyPress) {
  struct FailingPrinter final : CalculatorHost {
    std::vector<MessageBoxRequest> messages;
    std::vector<ErrorInfo> errors;
    void ShowMessageBox(const MessageBoxRequest& r) override { messages.push_back(r); }
    bool AskYesNo(const MessageBoxRequest&) override { return false; }
    void AppendErrorLog(const ErrorInfo& e) override { errors.push_back(e); }
    void FocusSink() override {}
    void PrintTape() override { throw std::runtime_error("printer on fire"); }
    void CloseWindow() override {}
    void StoreDecimalPlaces(int) override {}
  } host;
  Calculator calc(host, ",");
  Type(calc, "1+2=");
  int key = 'p';
  calc.CheckKeyPress(key);
  EXPECT_EQ(key, 'p');
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0].procedureName, "CheckKeyPress");
  EXPECT_EQ(host.errors[0].moduleName, "frmCalculator");
  EXPECT_EQ(host.errors[0].description, "printer on fire");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].title, ErrorBoxTitle());
  // The calculator goes on.
  key = '+';
  calc.CheckKeyPress(key);
  EXPECT_EQ(key, 0);
}

}  // namespace
}  // namespace tally

namespace tally {
namespace {

// Where the locale writes "," for the point, the typed "," is the point key;
// elsewhere it does nothing.
TEST(CommaKey, IsThePointWhereTheLocaleWritesOne) {
  const struct {
    const char* separator;
    const char* keys;
    double entry;
    const char* tape;
  } cases[] = {
      {",", "12,34+", 12.34, "+ 12,34"},
      {",", "0,5+,25+", 0.25, "+ 0,25"},
      {".", "12,34+", 1234, "+ 1234.00"},
      {".", "12.34+", 12.34, "+ 12.34"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.keys) + " with " + c.separator);
    testing::FakeHost host;
    Calculator calc(host, c.separator);
    calc.cboDecPlace_Click(2);
    testing::Type(calc, c.keys);
    EXPECT_EQ(calc.State().LastEntry, c.entry);
    EXPECT_EQ(testing::TapeLines(calc).back(), c.tape);
    EXPECT_TRUE(host.errors.empty());
  }
  // The key is consumed where it is the point, and left where it is nothing.
  testing::FakeHost host;
  Calculator comma(host, ",");
  int code = ',';
  comma.CheckKeyPress(code);
  EXPECT_EQ(code, 0);
  Calculator dot(host, ".");
  code = ',';
  dot.CheckKeyPress(code);
  EXPECT_EQ(dot.Labels().lblResult, "0.");
}

// Digits typed after a result in exponent form take the display past the
// largest double; a Backspace that leaves it there keeps the entry, and typed
// it is told as an overflow.
TEST(BackspacePastTheLargest, TypedIsAnOverflowClickedIsSilent) {
  for (const bool typed : {true, false}) {
    SCOPED_TRACE(typed ? "typed" : "clicked");
    testing::FakeHost host;
    Calculator calc(host, ".");
    testing::Keys(calc, "10000000000000000000000000000000000000000[sqrt]9999");
    ASSERT_EQ(calc.Labels().lblResult, "1E+209999");
    const double entry = calc.State().EntryValue;
    ASSERT_EQ(entry, 1e209);  // the last value that fitted
    int code = kKeyBackspace;
    if (typed) {
      calc.CheckKeyPress(code);
    } else {
      calc.cmdBackspace_Click();
    }
    EXPECT_EQ(calc.Labels().lblResult, "1E+20999");
    EXPECT_EQ(calc.State().EntryValue, entry);
    if (typed) {
      ASSERT_EQ(host.errors.size(), 1u);
      EXPECT_EQ(host.errors[0].number, "6");
      EXPECT_EQ(host.errors[0].description, "Overflow");
      EXPECT_EQ(host.errors[0].procedureName, "CheckKeyPress");
      EXPECT_EQ(host.messages.size(), 1u);
      EXPECT_EQ(code, kKeyBackspace);
    } else {
      EXPECT_TRUE(host.errors.empty());
      EXPECT_TRUE(host.messages.empty());
    }
    // Back within range, Backspace reads the display again, unreported.
    for (int k = 0; k < 3; ++k) testing::Type(calc, "\b");
    EXPECT_EQ(calc.Labels().lblResult, "1E+20");
    EXPECT_EQ(calc.State().EntryValue, 1e20);
    EXPECT_EQ(host.errors.size(), typed ? 2u : 1u);
  }
}

// A display in exponent form, copied, pastes back as the number it shows.
TEST(ExponentPaste, ACopiedDisplayPastesBack) {
  for (const char* sep : {",", "."}) {
    SCOPED_TRACE(sep);
    testing::FakeHost host;
    Calculator calc(host, sep);
    for (const char* keys : {"999999970000000000000000+=", ".00000015+="}) {
      testing::Keys(calc, keys);
      const std::string copied = calc.DisplayNumberText();
      ASSERT_NE(copied.find('E'), std::string::npos) << copied;
      ASSERT_TRUE(calc.Paste(copied)) << copied;
      EXPECT_EQ(calc.State().EntryValue, ReadFormattedNumber(copied, sep)) << copied;
      calc.cmdCancel_Click();
    }
    EXPECT_TRUE(host.messages.empty());
  }
}

}  // namespace
}  // namespace tally

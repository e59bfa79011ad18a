#include "tape/print_layout.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "tape/text_utils.h"

namespace tally {
namespace {

// Every character is 1/16 inch wide; a 10-point line is 1/4 inch high and a
// 5-point line 1/8. Binary fractions keep the sums exact, so the column test's
// equality case is really met.
class FakeMetric final : public PrintMetric {
 public:
  static constexpr double kCharWidth = 0.0625;
  double TextWidth(std::string_view text, double points) const override {
    return static_cast<double>(Utf8Length(text)) * kCharWidth * points / 10;
  }
  double TextHeight(std::string_view, double points) const override { return 0.25 * points / 10; }
};

// Header 0.25 + gap 0.125.
constexpr double kTapeTop = 0.375;
constexpr double kLine = 0.25;
// After four lines from TapeTop, y + two lines equals this height exactly.
constexpr double kFourLineHeight = kTapeTop + 4 * kLine + 2 * kLine;
constexpr PrintArea kArea{8.0, kFourLineHeight};

const std::string kHeader = "Tallyroller (Impresso em: qua. 12/09/2026 @ 10:33 PM)";

Tape NumberedTape(int count) {
  Tape tape;
  for (int k = 0; k < count; ++k) tape.AppendDirect("+ " + std::to_string(k));
  return tape;
}

double RightEnd(const PlacedText& t) { return t.x + FakeMetric().TextWidth(t.text, t.points); }

TEST(PrintLayout, OneLineUnderTheHeaderRuleAndGap) {
  Tape tape;
  tape.AppendDirect("+ 12,00");
  const auto layout = LayOutTapePrint(tape, kHeader, kArea, FakeMetric());

  ASSERT_EQ(layout.PageCount(), 1u);
  const auto page = layout.Page(0);
  ASSERT_EQ(page.size(), 2u);

  EXPECT_EQ(page[0].text, kHeader);
  EXPECT_EQ(page[0].x, 0);
  EXPECT_EQ(page[0].top, 0);
  EXPECT_EQ(page[0].points, 10);
  EXPECT_EQ(page[0].colour, kPrintBlack);

  EXPECT_EQ(layout.rule.x1, 0);
  EXPECT_EQ(layout.rule.y1, kLine);
  EXPECT_EQ(layout.rule.x2, 8.0);
  EXPECT_EQ(layout.rule.y2, kLine);
  EXPECT_EQ(layout.rule.colour, kPrintBlack);
  EXPECT_EQ(layout.tapeTop, kTapeTop);

  EXPECT_EQ(page[1].text, "+ 12,00");
  EXPECT_EQ(page[1].x, 1.5 - 7 * FakeMetric::kCharWidth);
  EXPECT_EQ(page[1].top, kTapeTop);
  EXPECT_EQ(page[1].points, 10);
  EXPECT_EQ(page[1].colour, kPrintBlack);
}

TEST(PrintLayout, TextWiderThanItsEdgeStartsLeftOfTheArea) {
  Tape tape;
  tape.AppendDirect(std::string(30, '9'));  // 30/16 inch > 1.5
  const auto layout = LayOutTapePrint(tape, kHeader, kArea, FakeMetric());
  EXPECT_EQ(layout.Page(0)[1].x, 1.5 - 30 * FakeMetric::kCharWidth);
  EXPECT_LT(layout.Page(0)[1].x, 0);
}

// A line wider than its column is cut at the column's left edge: a long
// line of the second column never prints over the line to its left.
TEST(PrintLayout, EachLineIsCutAtItsOwnColumn) {
  Tape tape;
  for (int k = 0; k < 4; ++k) tape.AppendDirect("\xE2\x80\x93 1,00");
  for (int k = 0; k < 12; ++k) tape.AppendDirect(std::string(26, '*'));  // 26/16 inch
  tape.AppendDirect(std::string(30, '9'));                               // 30/16 inch
  const auto layout = LayOutTapePrint(tape, kHeader, kArea, FakeMetric());
  ASSERT_EQ(layout.PageCount(), 2u);

  EXPECT_EQ(layout.Page(0)[0].clipLeft, 0);  // the header
  int wider = 0;
  for (std::size_t page = 0; page < layout.PageCount(); ++page) {
    for (const PlacedText& t : layout.Page(page)) {
      if (t.text == kHeader) continue;
      SCOPED_TRACE(std::string(t.text));
      const double right = RightEnd(t);
      EXPECT_EQ(t.clipLeft, right - 1.5);
      if (t.x < t.clipLeft) ++wider;
    }
  }
  // Twelve separators in columns 2 to 4 and the long line on page 2.
  EXPECT_EQ(wider, 13);
  EXPECT_EQ(layout.Page(1)[0].clipLeft, 0);
  EXPECT_EQ(layout.Page(0)[5].text, std::string(26, '*'));
  EXPECT_EQ(layout.Page(0)[5].clipLeft, 1.5);
  EXPECT_LT(layout.Page(0)[5].x, 1.5);
}

TEST(PrintLayout, EqualityEndsTheColumn) {
  struct Case {
    double height;
    int linesInFirstColumn;
  };
  const Case cases[] = {
      {kFourLineHeight - 1.0 / 32, 4},
      {kFourLineHeight, 4},  // y + two lines == height: full
      {kFourLineHeight + 1.0 / 32, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.height);
    const Tape tape = NumberedTape(12);
    const auto layout = LayOutTapePrint(tape, kHeader, {8.0, c.height}, FakeMetric());
    const auto page = layout.Page(0);
    int inFirst = 0;
    for (std::size_t k = 1; k < page.size(); ++k) {
      if (RightEnd(page[k]) == 1.5) ++inFirst;
    }
    EXPECT_EQ(inFirst, c.linesInFirstColumn);
    // The next line opens the second column at TapeTop.
    const auto& next = page[1 + static_cast<std::size_t>(c.linesInFirstColumn)];
    EXPECT_EQ(RightEnd(next), 3.0);
    EXPECT_EQ(next.top, kTapeTop);
  }
}

TEST(PrintLayout, ColumnsThenANewPageAtTheTop) {
  // Four columns of four lines fill page one; page two's first column starts
  // at the top of the page and holds six lines, its second starts at TapeTop.
  const auto tape = NumberedTape(16 + 6 + 2);
  const auto layout = LayOutTapePrint(tape, kHeader, kArea, FakeMetric());
  ASSERT_EQ(layout.PageCount(), 2u);

  struct Where {
    std::size_t page;
    double right;
    double top;
  };
  std::vector<Where> expected;
  for (double right : {1.5, 3.0, 4.5, 6.0}) {
    for (int k = 0; k < 4; ++k) expected.push_back({0, right, kTapeTop + k * kLine});
  }
  for (int k = 0; k < 6; ++k) expected.push_back({1, 1.5, k * kLine});
  for (int k = 0; k < 2; ++k) expected.push_back({1, 3.0, kTapeTop + k * kLine});

  std::vector<Where> actual;
  for (std::size_t p = 0; p < layout.PageCount(); ++p) {
    for (const auto& t : layout.Page(p)) {
      if (t.text == kHeader) continue;
      actual.push_back({p, RightEnd(t), t.top});
    }
  }
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t k = 0; k < expected.size(); ++k) {
    SCOPED_TRACE("line " + std::to_string(k));
    EXPECT_EQ(actual[k].page, expected[k].page);
    EXPECT_EQ(actual[k].right, expected[k].right);
    EXPECT_EQ(actual[k].top, expected[k].top);
  }
  // The header is printed once, on the first page.
  EXPECT_EQ(layout.Page(0)[0].text, kHeader);
  EXPECT_NE(layout.Page(1)[0].text, kHeader);
}

TEST(PrintLayout, APageBreakAfterTheLastLineLeavesNoBlankPage) {
  const struct {
    int lines;
    std::size_t pages;
  } cases[] = {{16, 1}, {17, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    const Tape tape = NumberedTape(c.lines);
    const auto layout = LayOutTapePrint(tape, kHeader, kArea, FakeMetric());
    EXPECT_EQ(layout.PageCount(), c.pages);
    EXPECT_FALSE(layout.Page(layout.PageCount() - 1).empty());
  }
}

TEST(PrintLayout, MinusLinesAreRedAndTheRestBlack) {
  const struct {
    std::string line;
    std::uint32_t colour;
  } cases[] = {
      {"+ 12,00", kPrintBlack},
      {std::string(kEnDash) + " 3,00", kPrintRed},
      {"+ -3,00", kPrintRed},
      {"x 1,5E-07", kPrintRed},
      {"- 2,00", kPrintRed},
      {"***********************", kPrintBlack},
      {"= 9,00 sub total", kPrintBlack},
      {"GT 40,00", kPrintBlack},
      {"G " + std::string(kEnDash), kPrintRed},
  };
  Tape tape;
  for (const auto& c : cases) tape.AppendDirect(c.line);
  const auto layout = LayOutTapePrint(tape, kHeader, {8.0, 100.0}, FakeMetric());
  const auto page = layout.Page(0);
  ASSERT_EQ(page.size(), std::size(cases) + 1);
  for (std::size_t k = 0; k < std::size(cases); ++k) {
    SCOPED_TRACE(cases[k].line);
    EXPECT_EQ(page[k + 1].text, cases[k].line);
    EXPECT_EQ(page[k + 1].colour, cases[k].colour);
  }
}

TEST(PrintLayout, EmptyTapeGivesTheHeaderOnly) {
  const Tape tape;
  const auto layout = LayOutTapePrint(tape, kHeader, kArea, FakeMetric());
  ASSERT_EQ(layout.PageCount(), 1u);
  ASSERT_EQ(layout.Page(0).size(), 1u);
  EXPECT_EQ(layout.Page(0)[0].text, kHeader);
}

TEST(PrintHeader, DatePictureWithTheLocalesTexts) {
  const PrintDateNames ptBR{"qua.", "/", ":", "AM", "PM", DateOrder::DayMonthYear};
  const PrintDateNames enUS{"Wed", "/", ":", "AM", "PM", DateOrder::MonthDayYear};
  const PrintDateNames deDE{"Mi.", ".", ":", "AM", "PM", DateOrder::DayMonthYear};
  const PrintDateNames words{"Wed", "-", ".", "a. m.", "p. m.", DateOrder::MonthDayYear};
  const PrintDateNames jaJP{"水", "/", ":", "午前", "午後", DateOrder::YearMonthDay};
  const struct {
    PrintDateTime when;
    PrintDateNames names;
    std::string text;
  } cases[] = {
      // 9 December: the day first where the locale writes it first.
      {{2026, 12, 9, 22, 33}, ptBR, "qua. 09/12/2026 @ 10:33 PM"},
      {{2026, 12, 9, 22, 33}, enUS, "Wed. 12/09/2026 @ 10:33 PM"},
      {{2026, 12, 9, 22, 33}, deDE, "Mi. 09.12.2026 @ 10:33 PM"},
      {{2026, 12, 9, 22, 33}, jaJP, "水. 2026/12/09 @ 10:33 午後"},
      {{2026, 3, 4, 9, 5}, ptBR, "qua. 04/03/2026 @ 09:05 AM"},
      {{2026, 3, 4, 0, 5}, enUS, "Wed. 03/04/2026 @ 12:05 AM"},
      {{2026, 3, 4, 1, 7}, enUS, "Wed. 03/04/2026 @ 01:07 AM"},
      {{2026, 3, 4, 11, 59}, enUS, "Wed. 03/04/2026 @ 11:59 AM"},
      {{2026, 3, 4, 12, 0}, enUS, "Wed. 03/04/2026 @ 12:00 PM"},
      {{987, 1, 2, 23, 59}, words, "Wed. 01-02-0987 @ 11.59 p. m."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatPrintDateTime(c.when, c.names), c.text);
  }
  EXPECT_EQ(PrintHeaderText("qua. 12/09/2026 @ 10:33 PM"),
            "Tallyroller (Impresso em: qua. 12/09/2026 @ 10:33 PM)");
}

}  // namespace
}  // namespace tally

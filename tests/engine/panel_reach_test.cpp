#include "engine/panel_reach.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/calculator.h"
#include "fake_host.h"

namespace tally {
namespace {

using testing::FakeHost;
using testing::Keys;

TEST(PanelReach, EveryActionHasOneRow) {
  std::set<Action> seen;
  for (const ActionReach& row : kActionReach) {
    EXPECT_TRUE(seen.insert(row.action).second) << static_cast<int>(row.action);
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(Action::PanelCancel) + 1);
}

TEST(PanelReach, ThePanelCoversTheWindowAndOwnsItsControls) {
  const struct {
    Action action;
    bool whileOpen;
    bool whileClosed;
  } cases[] = {
      {Action::Keypad, false, true},        {Action::ChooseDecimals, false, true},
      {Action::SelectLine, false, true},    {Action::OpenLine, false, true},
      {Action::TapeMenu, false, true},      {Action::CopyDisplay, false, true},
      {Action::CopyTape, false, true},      {Action::CopyLine, false, true},
      {Action::Paste, false, true},         {Action::SaveTape, false, true},
      {Action::OpenTape, false, true},      {Action::ExportCsv, false, true},
      {Action::ExportPdf, false, true},     {Action::Keeping, false, true},
      {Action::AddMode, false, true},
      {Action::Undo, false, true},
      {Action::Redo, false, true},
      {Action::RecentTape, false, true},
      {Action::PrintPreview, false, true},
      {Action::Help, true, true},
      {Action::About, false, true},
      {Action::Zoom, true, true},
      {Action::NoteLine, false, true},
      {Action::DeleteLine, false, true},
      {Action::InsertLine, false, true},
      {Action::UseNumber, false, true},
      {Action::MoveSelection, false, true},
      {Action::TypedKey, true, true},       {Action::StartValue, true, true},
      {Action::PanelNumber, true, false},   {Action::PanelOperation, true, false},
      {Action::PanelSave, true, false},     {Action::PanelCancel, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.action));
    EXPECT_EQ(Reaches(c.action, true), c.whileOpen);
    EXPECT_EQ(Reaches(c.action, false), c.whileClosed);
  }
}

class ChangeFieldTest : public ::testing::Test {
 protected:
  FakeHost host;
  Calculator calc{host, ","};

  // Opens the panel on "+ 12,00".
  void Open() {
    calc.cboDecPlace_Click(2);
    Keys(calc, "12+");
    calc.lstTape_Click(0);
    calc.lstTape_DblClick();
    ASSERT_TRUE(calc.Panel().visible);
    ASSERT_EQ(calc.Panel().txtChangeTo, "12,00");
  }
  void TypeAll(const std::vector<int>& codes) {
    for (int code : codes) {
      int key = code;
      calc.TypeKey(key);
    }
  }
};

TEST_F(ChangeFieldTest, KeysEditTheFieldAsASelectedTextBox) {
  const struct {
    std::vector<int> codes;
    std::string field;
  } cases[] = {
      {{'7'}, "7"},
      {{'7', '5'}, "75"},
      {{kKeyBackspace}, ""},
      {{kKeyBackspace, '3'}, "3"},
      {{'7', '5', kKeyBackspace}, "7"},
      {{kKeyEnter}, "12,00"},
      {{kKeyEnter, '4'}, "4"},
      {{1, 31, '4'}, "4"},
      {{0xE9}, "\xC3\xA9"},  // Windows-1252 e acute, stored as UTF-8
      {{kKeySpace}, " "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    Open();
    TypeAll(c.codes);
    EXPECT_TRUE(calc.Panel().visible);
    EXPECT_EQ(calc.Panel().txtChangeTo, c.field);
    calc.cmdCancelChange_Click();
  }
}

TEST_F(ChangeFieldTest, ASetTextLeavesNothingSelected) {
  Open();
  calc.SetChangeTo("9");
  TypeAll({'1', kKeyBackspace, kKeyBackspace, '8'});
  EXPECT_EQ(calc.Panel().txtChangeTo, "8");
}

TEST_F(ChangeFieldTest, EscapeIsCancelAndReachesNothingElse) {
  Open();
  const auto tape = calc.GetTape().Lines();
  TypeAll({'5', kKeyEscape});
  EXPECT_FALSE(calc.Panel().visible);
  EXPECT_EQ(calc.GetTape().Lines(), tape);
  EXPECT_EQ(calc.State().PendingOperator, PendingOp::Add);
}

TEST_F(ChangeFieldTest, KeysReachTheCalculatorOnlyWhileThePanelIsClosed) {
  Open();
  const std::string display = calc.Labels().lblResult;
  const auto tape = calc.GetTape().Lines();
  TypeAll({'+', '3'});
  EXPECT_EQ(calc.Panel().txtChangeTo, "+3");
  EXPECT_EQ(calc.Labels().lblResult, display);
  EXPECT_EQ(calc.GetTape().Lines(), tape);
  calc.cmdCancelChange_Click();
  TypeAll({'3'});
  EXPECT_EQ(calc.Labels().lblResult, "3.");
  // The field left as it was; a key with the panel closed never edits it.
  EXPECT_EQ(calc.Panel().txtChangeTo, "+3");
}

TEST_F(ChangeFieldTest, ReopeningSelectsTheNumberAgain) {
  Open();
  TypeAll({'4'});
  calc.cmdCancelChange_Click();
  calc.lstTape_DblClick();
  TypeAll({'6'});
  EXPECT_EQ(calc.Panel().txtChangeTo, "6");
}

}  // namespace
}  // namespace tally

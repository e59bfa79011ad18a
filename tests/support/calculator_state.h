#pragma once
// The whole of a calculator as one text, a field a line and every number bit
// for bit, so that two states compare in one check and a difference shows by
// the name of its field.

#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/calculator.h"
#include "fake_host.h"

namespace tally::testing {

inline std::string DescribeState(const CalculatorSnapshot& s) {
  std::string out;
  const auto number = [&](const char* name, double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", v);
    out += std::string(name) + " " + text + " (" +
           std::to_string(std::bit_cast<std::uint64_t>(v)) + ")\n";
  };
  const auto field = [&](const char* name, const std::string& v) {
    out += std::string(name) + " \"" + v + "\"\n";
  };
  const CalculatorState& c = s.state;
  number("Accumulator", c.Accumulator);
  number("Operand", c.Operand);
  number("LastEntry", c.LastEntry);
  number("MemoryValue", c.MemoryValue);
  number("GrandTotal", c.GrandTotal);
  number("EntryValue", c.EntryValue);
  field("EntryStarted", std::to_string(c.EntryStarted));
  field("OperandCount", std::to_string(c.OperandCount));
  field("LastInputKind", std::string(InputKindText(c.LastInputKind)));
  field("PendingOperator", std::string(OperatorText(c.PendingOperator)));
  field("NegativeEntry", std::to_string(c.NegativeEntry));
  field("TotalPending", std::to_string(c.TotalPending));
  field("CancelPressed", std::to_string(c.CancelPressed));
  field("NumberFormat", c.NumberFormat);
  field("AddMode", std::to_string(c.AddMode));
  field("EntryKeyed", std::to_string(c.EntryKeyed));
  field("lblResult", s.labels.lblResult);
  field("lblOperator", s.labels.lblOperator);
  field("lblGrandTotal", s.labels.lblGrandTotal);
  field("lblMemoryVisible", std::to_string(s.labels.lblMemoryVisible));
  field("selected", std::to_string(s.selected));
  for (const TapeLine& line : s.tape) {
    field("tape", line.text);
    if (line.closesWithoutAdding) field("mark", "closes without adding");
    if (!line.note.empty()) field("note", line.note);
  }
  return out;
}

// What a kept session holds of a calculator.
inline CalculatorSnapshot SnapshotOf(const Calculator& calc) {
  const auto& lines = calc.GetTape().Lines();
  return {calc.State(), calc.Labels(), {lines.begin(), lines.end()}, calc.GetTape().Selected()};
}

inline std::string DescribeState(const Calculator& calc) { return DescribeState(SnapshotOf(calc)); }

}  // namespace tally::testing

// Cost of one typed key through CheckKeyPress, on an empty tape and on a full
// one: the tape must cost the same per key whatever its length.

#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include "engine/calculator.h"
#include "engine/undo_history.h"
#include "fake_host.h"
#include "random_session.h"

namespace {

using tally::testing::NullHost;
using tally::testing::Type;

// A cycle of keys that writes operand, total and separator lines.
constexpr std::string_view kCycle = "12.5+3*2-1=7/4==";

void TypedKey(benchmark::State& state) {
  NullHost host;
  tally::Calculator calc(host, ",");
  calc.cboDecPlace_Click(2);
  const bool full = state.range(0) != 0;
  while (full && calc.GetTape().Count() < tally::Tape::kMaxLines) {
    Type(calc, kCycle);
  }
  // One iteration types the whole cycle; the empty tape is emptied again
  // ("Limpar") before each cycle, the full one stays full by its trim.
  for (auto _ : state) {
    if (!full) calc.cmdClear_Click();
    Type(calc, kCycle);
  }
  state.counters["key"] = benchmark::Counter(
      static_cast<double>(kCycle.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["tape_lines"] = calc.GetTape().Count();
}
BENCHMARK(TypedKey)->Arg(0)->ArgName("full_tape");
BENCHMARK(TypedKey)->Arg(1)->ArgName("full_tape");

}  // namespace

namespace {

// Saving a correction replays the whole tape: a full one here.
void ReplayFullTape(benchmark::State& state) {
  NullHost host;
  tally::Calculator calc(host, ",");
  calc.cboDecPlace_Click(2);
  while (calc.GetTape().Count() < tally::Tape::kMaxLines) Type(calc, kCycle);
  std::int32_t operand = 0;
  while (calc.GetTape().Text(operand).rfind("+ ", 0) != 0) ++operand;
  for (auto _ : state) {
    calc.lstTape_Click(operand);
    calc.lstTape_DblClick();
    if (!calc.Panel().visible) {
      state.SkipWithError("the panel did not open");
      break;
    }
    calc.SetChangeTo("12,50");
    calc.cmdSaveChange_Click();
  }
  state.counters["tape_lines"] = calc.GetTape().Count();
}
BENCHMARK(ReplayFullTape)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// A session of N keys from a fresh calculator: the cost per key must not grow
// with N (the tape fills after about 65,000 keys and then trims).
void SessionOfKeys(benchmark::State& state) {
  const auto keys = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    NullHost host;
    tally::Calculator calc(host, ",");
    calc.cboDecPlace_Click(2);
    for (std::size_t k = 0; k < keys; ++k) {
      int code = static_cast<unsigned char>(kCycle[k % kCycle.size()]);
      calc.CheckKeyPress(code);
    }
    benchmark::DoNotOptimize(calc.GetTape().Count());
  }
  state.counters["key"] =
      benchmark::Counter(static_cast<double>(keys), benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}
BENCHMARK(SessionOfKeys)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The same typed key, each one a step of the undo history (history 1) or
// without one (history 0), at an empty and at a full tape.
void TypedKeyWithHistory(benchmark::State& state) {
  NullHost host;
  tally::Calculator calc(host, ",");
  calc.cboDecPlace_Click(2);
  const bool full = state.range(0) != 0;
  while (full && calc.GetTape().Count() < tally::Tape::kMaxLines) Type(calc, kCycle);
  std::optional<tally::UndoHistory> history;
  if (state.range(1) != 0) history.emplace(calc);
  for (auto _ : state) {
    // "Limpar" is a step of its own, as in the window.
    if (!full && history) history->BeginStep();
    if (!full) calc.cmdClear_Click();
    if (!full && history) history->EndStep();
    for (const char c : kCycle) {
      if (history) history->BeginStep();
      int code = static_cast<unsigned char>(c);
      calc.CheckKeyPress(code);
      if (history) history->EndStep();
    }
  }
  state.counters["key"] = benchmark::Counter(
      static_cast<double>(kCycle.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  if (history) state.counters["history_bytes"] = static_cast<double>(history->MemoryBytes());
}
BENCHMARK(TypedKeyWithHistory)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"full_tape", "history"});

// "Limpar" of a full tape as a step of the history, and its undo: the
// 32,766 lines written into the step, then read back into the tape.
void HistoryClearFullTape(benchmark::State& state) {
  const bool undo = state.range(0) != 0;
  NullHost host;
  tally::Calculator calc(host, ",");
  calc.cboDecPlace_Click(2);
  while (calc.GetTape().Count() < tally::Tape::kMaxLines) Type(calc, kCycle);
  tally::UndoHistory history(calc);
  for (auto _ : state) {
    if (undo) state.PauseTiming();
    history.BeginStep();
    calc.cmdClear_Click();
    history.EndStep();
    if (undo) {
      state.ResumeTiming();
    } else {
      state.PauseTiming();
    }
    history.Undo();
    if (!undo) state.ResumeTiming();
  }
  state.counters["tape_lines_after"] = static_cast<double>(calc.GetTape().Count());
}
BENCHMARK(HistoryClearFullTape)->Arg(0)->Arg(1)->ArgName("undo")->Unit(benchmark::kMillisecond);

// The history's memory after 100,000 random steps, and after 50 clears of a
// full tape (each refilled), against its 16 MiB budget.
void HistoryMemory(benchmark::State& state) {
  const bool clears = state.range(0) != 0;
  std::size_t bytes = 0;
  std::size_t steps = 0;
  for (auto _ : state) {
    NullHost host;
    tally::Calculator calc(host, ",");
    tally::UndoHistory history(calc);
    if (clears) {
      for (int k = 0; k < 50; ++k) {
        calc.cboDecPlace_Click(2);
        while (calc.GetTape().Count() < tally::Tape::kMaxLines) Type(calc, kCycle);
        history.BeginStep();
        calc.cmdClear_Click();
        history.EndStep();
      }
    } else {
      tally::testing::Monkey monkey(calc, 2026);
      for (int k = 0; k < 100000; ++k) {
        history.BeginStep();
        monkey.Step();
        history.EndStep();
      }
    }
    bytes = history.MemoryBytes();
    steps = history.UndoCount();
  }
  state.counters["history_MiB"] = static_cast<double>(bytes) / (1 << 20);
  state.counters["steps_kept"] = static_cast<double>(steps);
}
BENCHMARK(HistoryMemory)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("full_tape_clears")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

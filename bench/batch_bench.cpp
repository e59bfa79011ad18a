// The batch driver's own work: parsing a script, and typing a long entry
// through a session. Parsing costs the same per command whether the commands
// share one line or stand on lines of their own, and a digit costs the same
// at any length of the entry. A million keys on a full tape leave the
// resident memory where the first 100,000 left it.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "batch/script.h"
#include "batch/session.h"

namespace {

using tally::batch::Command;
using tally::batch::ParseScript;
using tally::batch::Session;

// 1,000,000 commands of several kinds, on one line or one to a line.
void ParseCommands(benchmark::State& state) {
  constexpr std::size_t kCommands = 1000000;
  const bool oneLine = state.range(0) != 0;
  const std::string_view pieces[] = {"{click 1}",  "{key 43}",   "{dump}",
                                     "{select 3}", "{new 12,5}", "7"};
  std::string script;
  for (std::size_t k = 0; k < kCommands; ++k) {
    script += pieces[k % std::size(pieces)];
    if (!oneLine) script += '\n';
  }
  for (auto _ : state) {
    const auto parsed = ParseScript(script);
    const auto* commands = std::get_if<std::vector<Command>>(&parsed);
    if (!commands || commands->size() != kCommands) {
      state.SkipWithError("the script did not parse");
      break;
    }
    benchmark::DoNotOptimize(commands->data());
  }
  state.counters["command"] = benchmark::Counter(
      static_cast<double>(kCommands),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(ParseCommands)->ArgName("one_line")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// An entry of N digits typed through a fresh session, whole or after the
// point.
void TypeDigits(benchmark::State& state) {
  const auto digits = static_cast<std::size_t>(state.range(0));
  const bool afterPoint = state.range(1) != 0;
  std::string script = afterPoint ? "." : "";
  for (std::size_t k = 0; k < digits; ++k) script += static_cast<char>('1' + k % 9);
  const auto commands = std::get<std::vector<Command>>(ParseScript(script));
  for (auto _ : state) {
    Session session({});
    std::ostringstream out;
    session.RunCommands(commands, out);
    benchmark::DoNotOptimize(session.GetCalculator().State().EntryValue);
  }
  state.counters["key"] = benchmark::Counter(
      static_cast<double>(commands.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(TypeDigits)
    ->ArgNames({"digits", "after_point"})
    ->ArgsProduct({{10, 1000, 100000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// N keys typed into the edit panel's number field: each costs the same
// however long the field's text already is.
void TypeIntoPanel(benchmark::State& state) {
  const auto keys = static_cast<std::size_t>(state.range(0));
  std::string typed;
  for (std::size_t k = 0; k < keys; ++k) typed += static_cast<char>('1' + k % 9);
  const auto commands =
      std::get<std::vector<Command>>(ParseScript("5+{select 0}{dblclick}" + typed));
  for (auto _ : state) {
    Session session({});
    std::ostringstream out;
    session.RunCommands(commands, out);
    benchmark::DoNotOptimize(session.GetCalculator().Panel().txtChangeTo.size());
  }
  state.counters["key"] = benchmark::Counter(
      static_cast<double>(commands.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(TypeIntoPanel)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The process's resident memory, in KiB.
double ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return static_cast<double>(resident * (sysconf(_SC_PAGESIZE) / 1024));
}

// A working day of keys of one line kind (0: operands, totals and
// separators; 1: grand total "GT" lines; 2: C C "G" lines; 3: sign changes):
// the resident memory after the first 100,000 keys, when the tape is full,
// and after a million. The two stay within a few per cent of each other.
void MemoryOverAMillionKeys(benchmark::State& state) {
  const char* const cycles[] = {
      "{decimals 2}12.5+3*2-1=7/4==",
      "1+=G",
      "1+==CC",
      "1{click +/-}+",
  };
  const auto cycle =
      std::get<std::vector<Command>>(ParseScript(cycles[static_cast<std::size_t>(state.range(0))]));
  double afterFirst = 0;
  double atEnd = 0;
  for (auto _ : state) {
    Session session({});
    std::ostringstream sink;
    std::size_t keys = 0;
    afterFirst = 0;
    while (keys < 1000000) {
      for (const Command& command : cycle) session.RunCommand(command, sink);
      keys += cycle.size();
      if (afterFirst == 0 && keys >= 100000) afterFirst = ResidentKiB();
    }
    atEnd = ResidentKiB();
    benchmark::DoNotOptimize(session.GetCalculator().GetTape().Count());
  }
  state.counters["rss_100k_KiB"] = afterFirst;
  state.counters["rss_1M_KiB"] = atEnd;
  state.counters["growth_pct"] = afterFirst > 0 ? 100 * (atEnd - afterFirst) / afterFirst : 0;
}
BENCHMARK(MemoryOverAMillionKeys)
    ->ArgName("line_kind")
    ->DenseRange(0, 3)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

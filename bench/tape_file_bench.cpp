// Saving and opening a full tape (32,766 lines) as a user does: the file
// written through a temporary file renamed into place, and read back with
// every line checked and the whole tape replayed for its grand total.

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <string_view>

#include "fake_host.h"
#include "host/tape_documents.h"

namespace {

using tally::testing::NullHost;

using tally::testing::FillTape;

void SaveFullTape(benchmark::State& state) {
  NullHost host;
  tally::Calculator calc(host, ",");
  FillTape(calc);
  tally::host::TapeDocuments docs(calc, host, {});
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("fita.txt"));
  for (auto _ : state) {
    if (!docs.Save(path)) state.SkipWithError("the tape was not saved");
  }
  state.counters["tape_lines"] = calc.GetTape().Count();
}
BENCHMARK(SaveFullTape)->Unit(benchmark::kMillisecond);

void OpenFullTape(benchmark::State& state) {
  NullHost host;
  tally::Calculator calc(host, ",");
  FillTape(calc);
  tally::host::TapeDocuments docs(calc, host, {});
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("fita.txt"));
  docs.Save(path);
  for (auto _ : state) {
    if (!docs.Open(path)) state.SkipWithError("the tape was not opened");
  }
  state.counters["tape_lines"] = calc.GetTape().Count();
}
BENCHMARK(OpenFullTape)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

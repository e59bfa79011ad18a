// What keeping the session costs a typed key, at a full tape: the same keys
// with keeping off and on (every key recorded in the journal), and the
// reading of a full kept session at a start.

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <string_view>

#include "fake_host.h"
#include "host/kept_session.h"

namespace {

using tally::testing::NullHost;
using tally::testing::Type;

using tally::testing::FillTape;
constexpr std::string_view kCycle = tally::testing::kLineCycle;

void TypedKeyFullTape(benchmark::State& state) {
  const bool keeping = state.range(0) != 0;
  NullHost host;
  tally::Calculator calc(host, ",");
  FillTape(calc);
  QTemporaryDir dir;
  tally::host::KeptSession kept(dir.filePath(QStringLiteral("KeptSession.journal")));
  if (keeping) {
    kept.Load();
    if (!kept.Start(calc)) state.SkipWithError("the session cannot be kept");
  }
  std::size_t k = 0;
  for (auto _ : state) {
    int code = static_cast<unsigned char>(kCycle[k++ % kCycle.size()]);
    calc.CheckKeyPress(code);
    if (keeping) kept.Commit();
  }
  state.counters["tape_lines"] = calc.GetTape().Count();
}
BENCHMARK(TypedKeyFullTape)->Arg(0)->Arg(1)->ArgName("keeping");

void LoadFullSession(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("KeptSession.journal"));
  {
    NullHost host;
    tally::Calculator calc(host, ",");
    tally::host::KeptSession kept(path);
    kept.Load();
    kept.Start(calc);
    FillTape(calc);
    for (int k = 0; k < 20000; ++k) {
      Type(calc, kCycle.substr(static_cast<std::size_t>(k) % kCycle.size(), 1));
      kept.Commit();
    }
  }
  for (auto _ : state) {
    tally::host::KeptSession kept(path);
    auto found = kept.Load();
    if (!found.snapshot) state.SkipWithError("nothing was found");
    NullHost host;
    tally::Calculator calc(host, ",");
    calc.Restore(std::move(*found.snapshot));
    benchmark::DoNotOptimize(calc.GetTape().Count());
  }
}
BENCHMARK(LoadFullSession)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

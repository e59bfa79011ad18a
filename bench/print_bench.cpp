// Printing a full tape (32,766 lines): the placement alone, with a trivial
// metric and with the real font metrics, and the whole job written to a PDF.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QPdfWriter>

#include <string>

#include "host/document_file.h"
#include "print/tape_printer.h"
#include "tape/print_layout.h"
#include "tape/tape.h"

namespace {

// Lines as a day of sums leaves them, minus lines included.
const tally::Tape& FullTape() {
  static const tally::Tape tape = [] {
    tally::Tape t;
    const std::string lines[] = {
        "+ 1234,50", "\xE2\x80\x93 17,25",      "x 3,00",     "= 3650,75 sub total", "+ 12,00",
        "= 3662,75", "***********************", "GT 98127,40"};
    for (std::int32_t k = 0; k < tally::Tape::kMaxLines; ++k) {
      t.AppendDirect(lines[k % std::size(lines)]);
    }
    return t;
  }();
  return tape;
}

class FixedMetric final : public tally::PrintMetric {
 public:
  double TextWidth(std::string_view text, double points) const override {
    return static_cast<double>(text.size()) * points / 144;
  }
  double TextHeight(std::string_view, double points) const override { return points / 72 * 1.15; }
};

const std::string kHeader = "Tallyroller (Impresso em: qua. 12/09/2026 @ 10:33 PM)";
constexpr tally::PrintArea kA4Printable{7.77, 11.19};

void LayOutFixedMetric(benchmark::State& state) {
  const auto& tape = FullTape();
  const FixedMetric metric;
  for (auto _ : state) {
    auto layout = tally::LayOutTapePrint(tape, kHeader, kA4Printable, metric);
    benchmark::DoNotOptimize(layout.texts.data());
  }
  state.SetItemsProcessed(state.iterations() * tape.Count());
}
BENCHMARK(LayOutFixedMetric)->Unit(benchmark::kMillisecond);

void LayOutFontMetric(benchmark::State& state) {
  const auto& tape = FullTape();
  QPdfWriter device(QDir::temp().filePath(QStringLiteral("tallyroller-bench-metric.pdf")));
  const tally::print::QtPrintMetric metric(device);
  for (auto _ : state) {
    auto layout = tally::LayOutTapePrint(tape, kHeader, kA4Printable, metric);
    benchmark::DoNotOptimize(layout.texts.data());
  }
  state.SetItemsProcessed(state.iterations() * tape.Count());
}
BENCHMARK(LayOutFontMetric)->Unit(benchmark::kMillisecond);

// The whole job written to a file as the batch driver writes it: through a
// temporary file renamed into place.
void PrintToPdf(benchmark::State& state) {
  const auto& tape = FullTape();
  const QLocale locale(QStringLiteral("pt_BR"));
  const QString file = QDir::temp().filePath(QStringLiteral("tallyroller-bench-tape.pdf"));
  for (auto _ : state) {
    benchmark::DoNotOptimize(tally::host::WriteDocument(file, [&](QIODevice& device) {
      return tally::print::PrintTapeToPdf(tape, locale, device);
    }));
  }
  state.SetItemsProcessed(state.iterations() * tape.Count());
  state.counters["pdf_bytes"] = static_cast<double>(QFile(file).size());
  QFile::remove(file);
}
BENCHMARK(PrintToPdf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// The window (offscreen) with a full tape: a key that writes a tape line,
// with the update and repaint it causes, where every line has a note and
// where none has. The notes are drawn after the lines, so the key's cost
// must not depend on them.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <string>
#include <string_view>

#include "full_tape_window.h"

namespace {

using tally::bench::FullTapeWindow;
using tally::bench::Settle;

constexpr std::string_view kNote = "aluguel do escritório, março";

class Window {
 public:
  explicit Window(bool notes) : notes_(notes), full_(Quiet()) {
    if (notes_) {
      tally::Calculator& calc = full_.Window().calculator();
      for (int line = 0; line < Lines(); ++line) {
        calc.lstTape_Click(line);
        calc.SetSelectedNote(std::string(kNote));
      }
      calc.lstTape_Click(Lines() - 1);
    }
    Settle();
  }

  int Lines() const { return full_.Lines(); }
  void Type(QChar c) { full_.Type(c); }
  // The line just written gets its note too, so that every line keeps one.
  void NoteNewest() {
    if (notes_) full_.Window().calculator().SetSelectedNote(std::string(kNote));
  }

 private:
  static tally::ui::frmCalculator::Options Quiet() {
    tally::ui::frmCalculator::Options options;
    options.decimalSeparator = ",";
    return options;
  }

  bool notes_;
  FullTapeWindow full_;
};

Window& FullWindow(bool notes) {
  static Window* windows[2] = {};  // live until the process ends
  Window*& window = windows[notes ? 1 : 0];
  if (!window) window = new Window(notes);
  return *window;
}

// "+" after a digit writes an operand line on a full tape: the oldest line
// goes, the new one is selected and scrolled into view.
void LineKeyFullTape(benchmark::State& state) {
  Window& w = FullWindow(state.range(0) != 0);
  for (auto _ : state) {
    state.PauseTiming();
    w.Type(QLatin1Char('1'));
    Settle();
    state.ResumeTiming();
    w.Type(QLatin1Char('+'));
    Settle();
    state.PauseTiming();
    w.NoteNewest();
    Settle();
    state.ResumeTiming();
  }
  state.counters["tape_lines_after"] = w.Lines();
}
BENCHMARK(LineKeyFullTape)
    ->ArgName("notes")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(500)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

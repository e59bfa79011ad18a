// The window (offscreen) with a full tape: a key that writes a tape line,
// with the update and repaint it causes, where every line has a note and
// where none has. The notes are drawn after the lines, so the key's cost
// must not depend on them.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>

#include <string_view>

#include "ui/frm_calculator.h"

namespace {

constexpr std::string_view kCycle = "12.5+3*2-1=7/4==";
constexpr std::string_view kNote = "aluguel do escritório, março";

void Settle() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

class Window {
 public:
  explicit Window(bool notes) : notes_(notes), window_(Quiet()) {
    window_.findChild<QComboBox*>(QStringLiteral("cboDecPlace"))->setCurrentIndex(2);
    window_.show();
    Settle();
    sink_ = window_.findChild<QWidget*>(QStringLiteral("picSetFocus"));
    std::size_t k = 0;
    while (Lines() < tally::Tape::kMaxLines) {
      Type(QLatin1Char(kCycle[k++ % kCycle.size()]));
      if (k % 16 == 0) Settle();
    }
    Type(QLatin1Char('c'));
    if (notes_) {
      tally::Calculator& calc = window_.calculator();
      for (int line = 0; line < Lines(); ++line) {
        calc.lstTape_Click(line);
        calc.SetSelectedNote(std::string(kNote));
      }
      calc.lstTape_Click(Lines() - 1);
    }
    Settle();
  }

  int Lines() const { return window_.calculator().GetTape().Count(); }
  void Type(QChar c) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(sink_, &press);
  }
  // The line just written gets its note too, so that every line keeps one.
  void NoteNewest() {
    if (notes_) window_.calculator().SetSelectedNote(std::string(kNote));
  }

 private:
  static tally::ui::frmCalculator::Options Quiet() {
    tally::ui::frmCalculator::Options options;
    options.decimalSeparator = ",";
    return options;
  }

  bool notes_;
  tally::ui::frmCalculator window_;
  QWidget* sink_ = nullptr;
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

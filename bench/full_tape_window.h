#pragma once
// The window (offscreen) with a full tape, for the benchmarks of a key typed
// there: two decimal places, the tape filled by typing the line cycle on the
// focus sink, then "C", every event handled.

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>

#include <cstddef>
#include <memory>
#include <string_view>
#include <utility>

#include "fake_host.h"
#include "ui/frm_calculator.h"

namespace tally::bench {

// Handles what the last keys left to do: updates, repaints.
inline void Settle() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

class FullTapeWindow {
 public:
  explicit FullTapeWindow(ui::frmCalculator::Options options)
      : window_(std::make_unique<ui::frmCalculator>(std::move(options))) {
    window_->findChild<QComboBox*>(QStringLiteral("cboDecPlace"))->setCurrentIndex(2);
    window_->show();
    Settle();
    sink_ = window_->findChild<QWidget*>(QStringLiteral("picSetFocus"));
    constexpr std::string_view cycle = testing::kLineCycle;
    std::size_t k = 0;
    while (Lines() < Tape::kMaxLines) {
      Type(QLatin1Char(cycle[k++ % cycle.size()]));
      if (k % 16 == 0) Settle();
    }
    Type(QLatin1Char('c'));
    Settle();
  }

  ui::frmCalculator& Window() { return *window_; }
  int Lines() const { return window_->calculator().GetTape().Count(); }
  // A key typed on the focus sink, as the keyboard sends it.
  void Type(QChar c) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(sink_, &press);
  }

 private:
  std::unique_ptr<ui::frmCalculator> window_;
  QWidget* sink_ = nullptr;
};

}  // namespace tally::bench

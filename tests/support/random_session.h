#pragma once
// Seeded random sessions of keys, clicks, decimal choices and tape
// corrections, deletes, inserts and notes, as a hurried user might make them.

#include <random>

#include "engine/calculator.h"

namespace tally::testing {

class Monkey {
 public:
  Monkey(Calculator& calc, unsigned seed) : calc_(calc), rng_(seed) {}

  // One random action.
  void Step() {
    const int pick = Uniform(0, 99);
    if (calc_.Panel().visible) {
      EditPanel(pick);
    } else if (pick < 45) {
      int key = kKeys[static_cast<std::size_t>(Uniform(0, sizeof kKeys - 2))];
      calc_.CheckKeyPress(key);
    } else if (pick < 50) {
      calc_.cmdNegitive_Click();
    } else if (pick < 55) {
      calc_.cmdFunction_Click(Uniform(0, 2));
    } else if (pick < 62) {
      calc_.cmdMemory_Click(Uniform(0, 3));
    } else if (pick < 66) {
      calc_.cboDecPlace_Click(Uniform(0, 6));
    } else if (pick < 72) {
      // A run of digits, sometimes very long or very large.
      const int length = Uniform(0, 9) == 0 ? Uniform(15, 320) : Uniform(1, 4);
      for (int k = 0; k < length; ++k) calc_.cmdNumber_Click(Uniform(0, 9));
    } else if (pick < 76) {
      calc_.SetStartValue(Uniform(-2000000, 2000000));
    } else if (pick < 88 && !calc_.GetTape().Empty()) {
      calc_.lstTape_Click(Uniform(0, calc_.GetTape().Count() - 1));
      // Mostly corrections; now and then a line deleted, one inserted
      // (through the panel) or a note.
      if (pick < 84) {
        calc_.lstTape_DblClick();
      } else if (pick < 86) {
        calc_.cmdDeleteLine_Click();
      } else if (pick < 87) {
        calc_.cmdInsertLine_Click();
      } else {
        calc_.SetSelectedNote(Uniform(0, 2) == 0 ? "" : "nota");
      }
    } else if (pick < 90) {
      calc_.cmdClear_Click();
    } else {
      calc_.cmdGrandTotal_Click();
    }
  }

 private:
  void EditPanel(int pick) {
    static const char* const kNumbers[] = {
        "0",
        "12,50",
        "1.5",
        "abc",
        "-3",
        "&HFFFF",
        "1E308",
        "1e-320",
        "99999999999999999999",
        "",
        ",",
        "&H"
        "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
        "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
        "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
        "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF",
        "\x01\xFF\xC3"};
    static const char* const kOps[] = {"+", "-", "/", "x", "1/x"};
    calc_.SetChangeTo(kNumbers[Uniform(0, std::size(kNumbers) - 1)]);
    calc_.SetChangeType(kOps[Uniform(0, std::size(kOps) - 1)]);
    if (pick < 80) {
      calc_.cmdSaveChange_Click();
    } else {
      calc_.cmdCancelChange_Click();
    }
  }

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  int Uniform(int lo, std::size_t hi) { return Uniform(lo, static_cast<int>(hi)); }

  static constexpr char kKeys[] = "0123456789..+-*/=\r%Eecg\bCG,a ";
  Calculator& calc_;
  std::mt19937 rng_;
};

// A seeded random session whose numbers are all small whole numbers, so that
// every value is shown exactly and the tape alone can tell each total: keys,
// "C", sign changes, pasted negatives, decimal choices. Nothing that puts a
// number into a calculation without a line (memory, "C&E").
class WholeNumberMonkey {
 public:
  WholeNumberMonkey(Calculator& calc, unsigned seed) : calc_(calc), rng_(seed) {}

  void Step() {
    static const char* const kPastes[] = {"-12", "(7)", "3-", "R$ 2.500", "-1.000,00", "40"};
    const int pick = Uniform(0, 99);
    if (pick < 30) {
      const int length = Uniform(1, 3);
      for (int k = 0; k < length; ++k) calc_.cmdNumber_Click(Uniform(0, 9));
    } else if (pick < 70) {
      int key = kKeys[static_cast<std::size_t>(Uniform(0, sizeof kKeys - 2))];
      calc_.CheckKeyPress(key);
    } else if (pick < 80) {
      calc_.cmdNegitive_Click();
    } else if (pick < 90) {
      calc_.Paste(kPastes[Uniform(0, std::size(kPastes) - 1)]);
    } else {
      calc_.cboDecPlace_Click(Uniform(0, 6));
    }
  }

 private:
  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  int Uniform(int lo, std::size_t hi) { return Uniform(lo, static_cast<int>(hi)); }

  static constexpr char kKeys[] = "++--==\rCc\x1b";
  Calculator& calc_;
  std::mt19937 rng_;
};

}  // namespace tally::testing

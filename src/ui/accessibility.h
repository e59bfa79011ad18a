#pragma once
// What screen readers are told beyond what Qt tells them by itself: the focus
// sink stands for the calculator, with the display as its value, the number
// boxes give their whole number as their value, however little of it fits on
// screen, and the tape is a list of its lines. Installed once, from main()
// (and by the tests that ask a screen reader's questions).

#include <QString>

namespace tally::ui {

// Registers the window's accessible interfaces with Qt; once is enough, more
// calls do nothing.
void InstallAccessibleInterfaces();

// The number a display text stands for, as a screen reader's value: the
// keyed "12.5", the shown "12,5" and "1,5E+20" all read; an empty entry
// (".") reads as 0.
double SpokenNumber(const QString& text);

}  // namespace tally::ui

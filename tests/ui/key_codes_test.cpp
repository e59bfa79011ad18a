// Which character codes a key press hands to the calculator.

#include <QTest>

#include <vector>

#include "ui/key_codes.h"

using tally::ui::TypedKeyCodes;
using Codes = QList<int>;

class KeyCodesTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void codes_data();
  void codes();
};

void KeyCodesTest::codes_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
  QTest::addColumn<QString>("text");
  QTest::addColumn<Codes>("expected");

  const Qt::KeyboardModifiers none = Qt::NoModifier;
  const Qt::KeyboardModifiers pad = Qt::KeypadModifier;

  QTest::newRow("digit") << int(Qt::Key_7) << none << QStringLiteral("7") << Codes{55};
  QTest::newRow("keypad digit") << int(Qt::Key_7) << pad << QStringLiteral("7") << Codes{55};
  QTest::newRow("point") << int(Qt::Key_Period) << none << QStringLiteral(".") << Codes{46};
  QTest::newRow("keypad point") << int(Qt::Key_Period) << pad << QStringLiteral(".") << Codes{46};
  QTest::newRow("keypad decimal key giving a comma")
      << int(Qt::Key_Comma) << pad << QStringLiteral(",") << Codes{46};
  QTest::newRow("comma on the main keys stays a comma")
      << int(Qt::Key_Comma) << none << QStringLiteral(",") << Codes{44};
  QTest::newRow("Return") << int(Qt::Key_Return) << none << QStringLiteral("\r") << Codes{13};
  QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << pad << QStringLiteral("\r") << Codes{13};
  QTest::newRow("keypad Enter without text") << int(Qt::Key_Enter) << pad << QString() << Codes{13};
  QTest::newRow("Escape") << int(Qt::Key_Escape) << none << QStringLiteral("\x1b") << Codes{27};
  QTest::newRow("Escape without text") << int(Qt::Key_Escape) << none << QString() << Codes{27};
  QTest::newRow("Backspace") << int(Qt::Key_Backspace) << none << QStringLiteral("\b") << Codes{8};
  QTest::newRow("keypad plus") << int(Qt::Key_Plus) << pad << QStringLiteral("+") << Codes{43};
  QTest::newRow("keypad minus") << int(Qt::Key_Minus) << pad << QStringLiteral("-") << Codes{45};
  QTest::newRow("keypad times") << int(Qt::Key_Asterisk) << pad << QStringLiteral("*") << Codes{42};
  QTest::newRow("keypad divide") << int(Qt::Key_Slash) << pad << QStringLiteral("/") << Codes{47};
  QTest::newRow("shifted letter") << int(Qt::Key_S) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                  << QStringLiteral("S") << Codes{83};
  QTest::newRow("Latin-1 letter") << int(Qt::Key_Ccedilla) << none << QStringLiteral("ç")
                                  << Codes{231};
  QTest::newRow("euro sign has its Windows-1252 code")
      << int(Qt::Key_unknown) << none << QStringLiteral("€") << Codes{128};
  QTest::newRow("en dash has its Windows-1252 code")
      << int(Qt::Key_unknown) << none << QStringLiteral("\u2013") << Codes{150};
  QTest::newRow("character outside Windows-1252 arrives as ?")
      << int(Qt::Key_unknown) << none << QStringLiteral("\u20B9") << Codes{63};
  QTest::newRow("character outside the basic plane arrives as one ?")
      << int(Qt::Key_unknown) << none << QStringLiteral("\U0001F600") << Codes{63};
  QTest::newRow("two characters in one press")
      << int(Qt::Key_unknown) << none << QStringLiteral("12") << Codes{49, 50};
  QTest::newRow("arrow key") << int(Qt::Key_Down) << none << QString() << Codes{};
  QTest::newRow("Tab moves the focus")
      << int(Qt::Key_Tab) << none << QStringLiteral("\t") << Codes{};
  QTest::newRow("Alt+x is a shortcut, not x")
      << int(Qt::Key_X) << Qt::KeyboardModifiers(Qt::AltModifier) << QStringLiteral("x") << Codes{};
  QTest::newRow("Ctrl+c is not c") << int(Qt::Key_C) << Qt::KeyboardModifiers(Qt::ControlModifier)
                                   << QStringLiteral("\x03") << Codes{};
  QTest::newRow("Ctrl+Return is not =")
      << int(Qt::Key_Return) << Qt::KeyboardModifiers(Qt::ControlModifier) << QStringLiteral("\r")
      << Codes{};
}

void KeyCodesTest::codes() {
  QFETCH(int, key);
  QFETCH(Qt::KeyboardModifiers, modifiers);
  QFETCH(QString, text);
  QFETCH(Codes, expected);
  const std::vector<int> codes = TypedKeyCodes(key, modifiers, text);
  QCOMPARE(Codes(codes.begin(), codes.end()), expected);
}

QTEST_GUILESS_MAIN(KeyCodesTest)
#include "key_codes_test.moc"

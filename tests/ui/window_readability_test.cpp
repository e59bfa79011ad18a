// The window as it is read: text stays readable under a dark and a light
// colour scheme, a number is never shown cut, and a window made larger gives
// the room to the tape.

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPalette>
#include <QSettings>
#include <QStyle>

#include <algorithm>
#include <cmath>
#include <map>

#include "ui/accessibility.h"
#include "window_harness.h"
#include "window_test.h"

using tally::testing::S;
using tally::ui::testing::Harness;
using tally::ui::testing::WindowTest;

namespace {

// The colours of a dark desktop scheme as Qt hands them to a program: light
// text on dark grey fields and windows.
QPalette DarkPalette() {
  QPalette p;
  const std::pair<QPalette::ColorRole, QColor> colours[] = {
      {QPalette::WindowText, QColor(0xff, 0xff, 0xff)},
      {QPalette::Button, QColor(0x42, 0x42, 0x45)},
      {QPalette::Light, QColor(0x97, 0x97, 0x97)},
      {QPalette::Midlight, QColor(0x5e, 0x5c, 0x5b)},
      {QPalette::Dark, QColor(0x30, 0x2f, 0x2e)},
      {QPalette::Mid, QColor(0x4a, 0x49, 0x47)},
      {QPalette::Text, QColor(0xff, 0xff, 0xff)},
      {QPalette::BrightText, QColor(0xff, 0xff, 0xff)},
      {QPalette::ButtonText, QColor(0xff, 0xff, 0xff)},
      {QPalette::Base, QColor(0x3d, 0x3d, 0x3d)},
      {QPalette::Window, QColor(0x22, 0x20, 0x20)},
      {QPalette::Shadow, QColor(0xe7, 0xe4, 0xe0)},
      {QPalette::Highlight, QColor(0x12, 0x60, 0x8a)},
      {QPalette::HighlightedText, QColor(0xf9, 0xf9, 0xf9)},
      {QPalette::ToolTipBase, QColor(0x3f, 0x3f, 0x36)},
      {QPalette::ToolTipText, QColor(0xff, 0xff, 0xff)},
  };
  for (const auto& [role, colour] : colours) p.setColor(role, colour);
  return p;
}

// WCAG relative luminance and contrast ratio.
double Luminance(QRgb rgb) {
  const auto channel = [](int c) {
    const double v = c / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) + 0.0722 * channel(qBlue(rgb));
}

double Contrast(QRgb a, QRgb b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of the text drawn in `area` of a grabbed widget: the most
// common colour there is the background, and the glyphs' cores carry the
// text colour, the one that stands out most from it. 1 when nothing is
// drawn there.
double TextContrast(QWidget* widget, const QRect& area) {
  const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const qreal ratio = image.devicePixelRatio();
  std::map<QRgb, int> counts;
  const QRect pixels =
      QRect(QPoint(std::lround(area.left() * ratio), std::lround(area.top() * ratio)),
            QPoint(std::lround(area.right() * ratio), std::lround(area.bottom() * ratio)))
          .intersected(image.rect());
  for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
    for (int x = pixels.left(); x <= pixels.right(); ++x) ++counts[image.pixel(x, y)];
  }
  if (counts.empty()) return 1;
  const QRgb background =
      std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
        return a.second < b.second;
      })->first;
  double best = 1;
  for (const auto& [rgb, n] : counts) best = std::max(best, Contrast(rgb, background));
  return best;
}

QRect TextArea(QWidget* label) {
  const QVariant area = label->property("textArea");
  return area.isValid() ? area.toRect() : label->contentsRect();
}

}  // namespace

class WindowReadabilityTest : public WindowTest {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase();

  void textStandsOutUnderEveryColourScheme_data();
  void textStandsOutUnderEveryColourScheme();
  void numbersAreWholeOrElidedNeverCut_data();
  void numbersAreWholeOrElidedNeverCut();
  void aHugeEntryShowsItsEndAndKeepsTheWhole();
  void aLargerWindowGivesTheRoomToTheTape();

 private:
  void Finish() override { QApplication::setPalette(original_); }

  QPalette original_;
};

void WindowReadabilityTest::initTestCase() { original_ = QApplication::palette(); }

void WindowReadabilityTest::textStandsOutUnderEveryColourScheme_data() {
  QTest::addColumn<QPalette>("palette");
  QTest::newRow("dark") << DarkPalette();
  QTest::newRow("light") << QApplication::style()->standardPalette();
}

void WindowReadabilityTest::textStandsOutUnderEveryColourScheme() {
  QFETCH(QPalette, palette);
  QApplication::setPalette(palette);
  Harness h;
  QVERIFY(h.Active());
  // A closed calculation fills the grand total box, a new entry the display,
  // and the tape has a line that is not the selected one.
  h.Type(QStringLiteral("4821+3790==9053.6"));
  QVERIFY(!h.Text("lblGrandTotal").trimmed().isEmpty());

  for (const char* name : {"lblResult", "lblGrandTotal"}) {
    QWidget* label = h.Find(QString::fromLatin1(name));
    const double contrast = TextContrast(label, TextArea(label));
    QVERIFY2(contrast >= 4.5, qPrintable(QStringLiteral("%1: %2:1").arg(S(name)).arg(contrast)));
  }
  auto* tape = h.Find<QAbstractItemView>(QStringLiteral("lstTape"));
  const QRect firstLine = tape->visualRect(tape->model()->index(0, 0));
  const double contrast = TextContrast(tape->viewport(), firstLine);
  QVERIFY2(contrast >= 4.5, qPrintable(QStringLiteral("tape: %1:1").arg(contrast)));
}

void WindowReadabilityTest::numbersAreWholeOrElidedNeverCut_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("places");  // -1: no choice
  QTest::addColumn<QString>("keys");
  QTest::addColumn<QString>("number");  // what the label holds

  const QString digits = QStringLiteral("1234567890123456789012345");
  QTest::newRow("25-digit entry") << S("lblResult") << -1 << digits << digits + QLatin1Char('.');
  QTest::newRow("25-digit entry with a fraction")
      << S("lblResult") << 2 << digits + QStringLiteral("-") + digits + QStringLiteral(".75")
      << digits + QStringLiteral(".75");
  QTest::newRow("25-digit grand total, six places")
      << S("lblGrandTotal") << 6 << digits + QStringLiteral("==")
      << S("1234567890123460000000000,000000 ");
  QTest::newRow("grand total in exponent form")
      << S("lblGrandTotal") << -1 << digits + QStringLiteral("==") << S("1,23456789012346E+24 ");
}

void WindowReadabilityTest::numbersAreWholeOrElidedNeverCut() {
  QFETCH(QString, name);
  QFETCH(int, places);
  QFETCH(QString, keys);
  QFETCH(QString, number);
  Harness h;
  if (places >= 0) h.ChooseDecimals(places);
  h.Type(keys);
  QCOMPARE(h.Text(qPrintable(name)), number);

  QWidget* label = h.Find(name);
  const QString shown = label->property("shownText").toString();
  QVERIFY2(!shown.isEmpty(), "the label tells what it draws");
  const QFont font = label->property("shownFont").value<QFont>();
  // Whatever is drawn fits inside the box.
  QVERIFY(QFontMetricsF(font).horizontalAdvance(shown) <= TextArea(label).width());
  // Never smaller than the window's captions.
  QVERIFY(QFontInfo(font).pixelSize() >= QFontInfo(h.Window().font()).pixelSize());
  if (shown != number) {
    QVERIFY2(shown.startsWith(QChar(0x2026)), qPrintable(shown));
    QVERIFY2(number.endsWith(shown.mid(1)), qPrintable(shown));
    QVERIFY2(label->toolTip().contains(number), qPrintable(label->toolTip()));
  }
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(label);
  QVERIFY(accessible);
  QCOMPARE(accessible->text(QAccessible::Value), number);
}

void WindowReadabilityTest::aHugeEntryShowsItsEndAndKeepsTheWhole() {
  Harness h;
  QString digits;
  for (int k = 0; k < 400; ++k) digits += QChar(u'0' + (k * 7 + 3) % 10);
  h.Type(digits);
  QWidget* display = h.Find(QStringLiteral("lblResult"));
  const QString whole = digits + QLatin1Char('.');
  QCOMPARE(h.Text("lblResult"), whole);
  const QString shown = display->property("shownText").toString();
  QVERIFY2(shown.startsWith(QChar(0x2026)), qPrintable(shown));
  QVERIFY2(shown.size() > 10, qPrintable(shown));
  QVERIFY(whole.endsWith(shown.mid(1)));
  QVERIFY(display->toolTip().startsWith(QStringLiteral("Visor da calculadora")));
  QVERIFY(display->toolTip().contains(whole));

  // Once it fits again, the tooltip is the plain one.
  h.Type(QStringLiteral("c7"));
  QCOMPARE(display->property("shownText").toString(), QStringLiteral("7."));
  QCOMPARE(display->toolTip(), QStringLiteral("Visor da calculadora"));
}

void WindowReadabilityTest::aLargerWindowGivesTheRoomToTheTape() {
  Harness h;
  QVERIFY(h.Active());
  tally::ui::frmCalculator& window = h.Window();
  const QSize designed(375, 348);  // 5625 x 5220 twips
  QCOMPARE(window.size(), designed);
  QCOMPARE(window.minimumSize(), designed);

  h.Type(QStringLiteral("12+3=+4=="));
  QWidget* tape = h.Find(QStringLiteral("lstTape"));
  QWidget* print = h.Button(QStringLiteral("Imprimir"));
  QWidget* clear = h.Button(QStringLiteral("Limpar"));
  QMap<QWidget*, QRect> before;
  for (QWidget* w : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    before[w] = w->geometry();
  }

  const QSize grown(800, 700);
  window.resize(grown);
  QCOMPARE(window.size(), grown);
  const QSize extra = grown - designed;
  QCOMPARE(tape->geometry(), before[tape].adjusted(0, 0, extra.width(), extra.height()));
  for (QWidget* button : {print, clear}) {
    QCOMPARE(button->geometry(), before[button].translated(extra.width(), extra.height()));
  }
  // The item count keeps to the bottom-left corner, as wide as the list.
  QWidget* items = h.Find(QStringLiteral("lblItems"));
  QCOMPARE(items->geometry(),
           before[items].translated(0, extra.height()).adjusted(0, 0, extra.width(), 0));
  // The keypad side keeps its size and place.
  for (auto it = before.cbegin(); it != before.cend(); ++it) {
    QWidget* w = it.key();
    if (w == tape || w == print || w == clear || w == items ||
        w->objectName() == QLatin1String("fraChangeTape")) {
      continue;
    }
    QVERIFY2(w->geometry() == it.value(), qPrintable(w->objectName()));
  }

  // The edit panel covers the grown window, and follows a resize while open.
  QWidget* panel = h.Find(QStringLiteral("fraChangeTape"));
  QCOMPARE(panel->geometry(), window.rect());
  h.DoubleClickLine(0);
  QVERIFY(panel->isVisible());
  QCOMPARE(panel->geometry(), window.rect());
  window.resize(designed + QSize(100, 60));
  QCOMPARE(panel->geometry(), window.rect());
  QVERIFY(h.Click(QStringLiteral("Cancelar")));

  // It never becomes smaller than designed, and going back restores the
  // designed layout.
  window.resize(200, 150);
  QCOMPARE(window.size(), designed);
  QCOMPARE(tape->geometry(), before[tape]);
  QCOMPARE(print->geometry(), before[print]);

  // Nothing about the size is kept: the next window opens as designed.
  window.resize(grown);
  window.close();
  Harness next;
  QCOMPARE(next.Window().size(), designed);
}

QTEST_MAIN(WindowReadabilityTest)
#include "window_readability_test.moc"

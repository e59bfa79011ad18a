// What the main window does for the calculator beyond its keypad: message
// boxes, the error log, the stored decimal places, the links handed to the
// desktop, the terms window, and closing.

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>
#include <QUrl>

#include "window_harness.h"
#include "window_test.h"

using tally::testing::L;
using tally::testing::S;
using tally::ui::frmCalculator;
using tally::ui::testing::Harness;
using tally::ui::testing::ModalAnswerer;
using tally::ui::testing::WindowTest;

namespace {

// The version field of an error log record: the title, " v" and the version.
QString VersionField() {
  return QLatin1Char('"') + S(tally::kProgramTitle) + QStringLiteral(" v") + S(tally::kVersion) +
         QLatin1Char('"');
}

// A file where a folder should be: nothing can be created below it, even by
// root.
QString MakeBlocker(const QTemporaryDir& dir) {
  const QString blocker = dir.filePath(QStringLiteral("not-a-folder"));
  QFile file(blocker);
  if (file.open(QIODevice::WriteOnly)) file.close();
  return blocker;
}

QStringList ReadLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QString text = QString::fromUtf8(file.readAll());
  QStringList lines = text.split(QStringLiteral("\r\n"));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

// Collects the addresses handed to the desktop.
class UrlCatcher final : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> urls;

 public Q_SLOTS:
  void open(const QUrl& url) { urls << url; }
};

}  // namespace

class WindowServicesTest : public WindowTest {
  Q_OBJECT

 private Q_SLOTS:
  void failingFunctionShowsItsBoxThenLogs_data();
  void failingFunctionShowsItsBoxThenLogs();
  void exclamationBoxIsModalWithTheProgramTitle();
  void unwritableLogIsGivenUpQuietly();
  void defaultOptionsComeFromTheEnvironment();

  void arrowsOnTheClosedDecimalsListChooseIt_data();
  void arrowsOnTheClosedDecimalsListChooseIt();
  void settingIsNeverReadBack();
  void unwritableSettingsChangeNothing();

  void linksGoToTheDesktop_data();
  void linksGoToTheDesktop();
  void aLinkThatCannotOpenShowsItsAddress_data();
  void aLinkThatCannotOpenShowsItsAddress();
  void termsWindowIsModalAndCloses_data();
  void termsWindowIsModalAndCloses();

  void closesWithoutAQuestion_data();
  void closesWithoutAQuestion();

 public:
  // Each test here answers the windows it expects.
  WindowServicesTest() : WindowTest(Dialogs::AnsweredByTheTest) {}
};

// ------------------------------------------------------------ errors

void WindowServicesTest::failingFunctionShowsItsBoxThenLogs_data() {
  QTest::addColumn<QString>("before");
  QTest::addColumn<QStringList>("setup");  // buttons clicked before the failing one
  QTest::addColumn<QString>("failing");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("fields");  // the record less its time stamp

  QTest::newRow("square root of a negative")
      << S("5") << QStringList{S("+/-")} << S("sqrt")
      << S("Ocorreu erro: 5\nDescription: Invalid procedure call or argument\n"
           "Module: frmCalculator\nFunction: cmdFunction_Click0")
      << S("\"5\",\"Invalid procedure call or argument\",\"frmCalculator\","
           "\"cmdFunction_Click0\",") +
             VersionField() + S(",\"tester\",\"bench-01\"");
  QTest::newRow("reciprocal of zero")
      << QString() << QStringList{} << S("1/x")
      << S("Ocorreu erro: 11\nDescription: Division by zero\n"
           "Module: frmCalculator\nFunction: cmdFunction_Click2")
      << S("\"11\",\"Division by zero\",\"frmCalculator\",\"cmdFunction_Click2\",") +
             VersionField() + S(",\"tester\",\"bench-01\"");
}

void WindowServicesTest::failingFunctionShowsItsBoxThenLogs() {
  QFETCH(QString, before);
  QFETCH(QStringList, setup);
  QFETCH(QString, failing);
  QFETCH(QString, message);
  QFETCH(QString, fields);

  Harness h;
  h.Type(before);
  QVERIFY(h.ClickAll(setup));
  const QString display = h.Text("lblResult");
  bool logWhileOpen = true;
  ModalAnswerer answerer([&](QWidget*) { logWhileOpen = QFile::exists(h.LogPath()); });
  QVERIFY(h.Click(failing));

  QCOMPARE(answerer.seen.size(), 1);
  const auto& box = answerer.seen.first();
  QCOMPARE(box.title, S(tally::kProgramTitle) + QStringLiteral(" - ERRO"));
  QCOMPARE(box.icon, QMessageBox::Critical);
  QCOMPARE(box.text, message);
  QVERIFY(box.modal);
  QVERIFY2(!logWhileOpen, "the record is written after the box is closed");

  const QStringList records = ReadLines(h.LogPath());
  QCOMPARE(records.size(), 1);
  static const QRegularExpression stamp(
      QStringLiteral("^#\\d{4}-\\d\\d-\\d\\d( \\d\\d:\\d\\d:\\d\\d)?#,(.*)$"));
  const auto match = stamp.match(records.first());
  QVERIFY2(match.hasMatch(), qPrintable(records.first()));
  QCOMPARE(match.captured(2), fields);

  // The display keeps its text, and the focus waits in the sink for the
  // window to be active again.
  QCOMPARE(h.Text("lblResult"), display);
  QCOMPARE(h.Window().focusWidget(), h.Sink());

  // A second failure appends a second record.
  QVERIFY(h.Click(failing));
  QCOMPARE(answerer.seen.size(), 2);
  QCOMPARE(ReadLines(h.LogPath()).size(), 2);
  QCOMPARE(ReadLines(h.LogPath()).first(), records.first());
}

void WindowServicesTest::exclamationBoxIsModalWithTheProgramTitle() {
  Harness h;
  ModalAnswerer answerer;
  h.Window().ShowMessageBox(
      {tally::kProgramTitle, "Erro de divisão por zero", tally::MessageIcon::Exclamation});
  QCOMPARE(answerer.seen.size(), 1);
  QCOMPARE(answerer.seen.first().title, S(tally::kProgramTitle));
  QCOMPARE(answerer.seen.first().text, S("Erro de divisão por zero"));
  QCOMPARE(answerer.seen.first().icon, QMessageBox::Warning);
  QVERIFY(answerer.seen.first().modal);
  QVERIFY(!QFile::exists(h.LogPath()));
}

void WindowServicesTest::unwritableLogIsGivenUpQuietly() {
  QTemporaryDir dir;
  const QString blocker = MakeBlocker(dir);
  QVERIFY(QFileInfo(blocker).isFile());
  frmCalculator::Options options;
  options.errorLog.candidates = {blocker + QStringLiteral("/ErrorLog.txt")};
  Harness h(std::move(options));

  ModalAnswerer answerer;
  QVERIFY(h.Click(S("1/x")));
  QCOMPARE(answerer.seen.size(), 1);
  h.Type(S("2+3="));
  QCOMPARE(h.Text("lblResult"), S("5"));
}

void WindowServicesTest::defaultOptionsComeFromTheEnvironment() {
  const QByteArray user = qgetenv("USER");
  qputenv("USER", "someone");
  const frmCalculator::Options options = frmCalculator::DefaultOptions();
  qputenv("USER", user);
  QCOMPARE(options.errorLog.userName, S("someone"));
  QVERIFY(!options.errorLog.computerName.isEmpty());
  QVERIFY(!options.errorLog.candidates.isEmpty());
  QCOMPARE(options.errorLog.candidates.front(),
           QCoreApplication::applicationDirPath() + QStringLiteral("/ErrorLog.txt"));
}

// ------------------------------------------------------------ decimal places

void WindowServicesTest::arrowsOnTheClosedDecimalsListChooseIt_data() {
  // How each arrow key finds the list: Tab from the calculator, or the focus
  // given to it.
  QTest::addColumn<bool>("byTab");
  // "v" is Down and "^" Up on the closed list; anything else is typed on
  // the calculator.
  QTest::addColumn<QString>("script");
  QTest::addColumn<QList<int>>("chosen");  // the item after each arrow key
  QTest::addColumn<QStringList>("tape");
  QTest::newRow("first item") << false << S("v2.5+") << QList<int>{0} << L({"+ 3,"});
  QTest::newRow("item 3, the one without a blank")
      << false << S("vvvv2.5+") << QList<int>{0, 1, 2, 3} << L({"+ 2,500"});
  QTest::newRow("last item") << false << S("vvvvvvv2.5+") << QList<int>{0, 1, 2, 3, 4, 5, 6}
                             << L({"+ 2,500000"});
  QTest::newRow("down past the end changes nothing")
      << false << S("vvvvvvvvv2.5+") << QList<int>{0, 1, 2, 3, 4, 5, 6, 6, 6} << L({"+ 2,500000"});
  QTest::newRow("each change counts, with entries between")
      << false << S("v5+v8+") << QList<int>{0, 1} << L({"+ 5,", "+ 8,0"});
  QTest::newRow("reached with Tab, down and up")
      << true << S("vvv^5+") << QList<int>{0, 1, 2, 1} << L({"+ 5,0"});
}

void WindowServicesTest::arrowsOnTheClosedDecimalsListChooseIt() {
  QFETCH(bool, byTab);
  QFETCH(QString, script);
  QFETCH(QList<int>, chosen);
  QFETCH(QStringList, tape);
  Harness h;
  QVERIFY(h.Active());
  auto* combo = h.Find<QComboBox>(S("cboDecPlace"));
  qsizetype arrows = 0;
  for (const QChar c : script) {
    if (c != u'v' && c != u'^') {
      QTest::keyClick(h.Sink(), c.toLatin1());
      continue;
    }
    if (byTab) {
      // Tab from the calculator reaches the list first.
      QTest::keyClick(h.Sink(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), combo);
    } else {
      combo->setFocus();
    }
    const int before = combo->currentIndex();
    QTest::keyClick(combo, c == u'v' ? Qt::Key_Down : Qt::Key_Up);
    QVERIFY(arrows < chosen.size());
    const int expected = chosen[arrows++];
    QCOMPARE(combo->currentIndex(), expected);
    QCOMPARE(StoredDecimalPlaces(), QString::number(expected));
    // A change of the choice gives the focus back; no change, no choice.
    QCOMPARE(QApplication::focusWidget(),
             expected != before ? h.Sink() : static_cast<QWidget*>(combo));
  }
  QCOMPARE(arrows, chosen.size());
  QCOMPARE(h.TapeLines(), tape);
}

void WindowServicesTest::settingIsNeverReadBack() {
  QVERIFY(QDir().mkpath(SettingsRoot() + S("/Tallyroller")));
  QFile stored(SettingsRoot() + S("/Tallyroller/Tallyroller.conf"));
  QVERIFY(stored.open(QIODevice::WriteOnly));
  stored.write("[Options]\nCalculatorFP=4\n");
  stored.close();
  QCOMPARE(StoredDecimalPlaces(), S("4"));
  Harness h;
  QCOMPARE(h.Find<QComboBox>(S("cboDecPlace"))->currentIndex(), -1);
  h.Type(S("2.5+"));
  QCOMPARE(h.TapeLines(), QStringList{S("+ 2,5")});
}

void WindowServicesTest::unwritableSettingsChangeNothing() {
  QTemporaryDir dir;
  const QString blocker = MakeBlocker(dir);
  QVERIFY(QFileInfo(blocker).isFile());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, blocker);

  Harness h;
  QVERIFY(h.Active());
  auto* combo = h.Find<QComboBox>(S("cboDecPlace"));
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);
  QCOMPARE(combo->currentIndex(), 0);
  QCOMPARE(QApplication::focusWidget(), h.Sink());
  h.Type(S("2.5+"));
  QCOMPARE(h.TapeLines(), QStringList{S("+ 3,")});
}

// ------------------------------------------------------------ links

void WindowServicesTest::linksGoToTheDesktop_data() {
  QTest::addColumn<QString>("picture");
  QTest::addColumn<QString>("scheme");
  QTest::addColumn<QUrl>("url");
  QTest::newRow("mail") << S("Image1") << S("mailto") << QUrl(S(tally::kMakerMailUrl));
  QTest::newRow("web site") << S("Image2") << S("http") << QUrl(S(tally::kMakerWebUrl));
}

void WindowServicesTest::linksGoToTheDesktop() {
  QFETCH(QString, picture);
  QFETCH(QString, scheme);
  QFETCH(QUrl, url);
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler(scheme, &catcher, "open");
  Harness h;
  QVERIFY(h.Active());
  h.Type(S("12+"));
  const QString display = h.Text("lblResult");
  const QStringList tape = h.TapeLines();

  QTest::mouseClick(h.Find(picture), Qt::LeftButton);
  QDesktopServices::unsetUrlHandler(scheme);

  QCOMPARE(catcher.urls, QList<QUrl>{url});
  QCOMPARE(h.Text("lblResult"), display);
  QCOMPARE(h.TapeLines(), tape);
  QCOMPARE(QApplication::focusWidget(), h.Sink());
  if (scheme == S("http")) {
    // The tooltip names the address the click opens.
    QCOMPARE(h.Find(picture)->toolTip(), S("Visite ") + url.host());
  }
}

void WindowServicesTest::aLinkThatCannotOpenShowsItsAddress_data() {
  QTest::addColumn<QString>("picture");
  QTest::addColumn<QString>("opener");   // "none", "fails", "fails later", "opens"
  QTest::addColumn<QString>("address");  // shown in the message; empty: no message
  const QString mail = S(tally::kMakerMail);
  const QString web = S(tally::kMakerWebUrl);
  QTest::newRow("mail, no opener on the desktop") << S("Image1") << S("none") << mail;
  QTest::newRow("web, no opener on the desktop") << S("Image2") << S("none") << web;
  QTest::newRow("mail, no mail program") << S("Image1") << S("fails") << mail;
  QTest::newRow("web, the browser fails after a while") << S("Image2") << S("fails later") << web;
  QTest::newRow("web, opened") << S("Image2") << S("opens") << QString();
}

void WindowServicesTest::aLinkThatCannotOpenShowsItsAddress() {
  QFETCH(QString, picture);
  QFETCH(QString, opener);
  QFETCH(QString, address);
  Harness h;
  QVERIFY(h.Active());
  QList<QUrl> handed;
  if (opener != QLatin1String("none")) {
    h.Window().SetLinkOpener([&](const QUrl& url, std::function<void(bool)> done) {
      handed << url;
      if (opener == QLatin1String("fails later")) {
        QTimer::singleShot(30, [done] { done(false); });
      } else {
        done(opener == QLatin1String("opens"));
      }
    });
  }
  h.Type(S("12+"));
  const QString display = h.Text("lblResult");
  Qt::TextInteractionFlags flags;
  ModalAnswerer answerer([&](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) flags = box->textInteractionFlags();
  });
  QTest::mouseClick(h.Find(picture), Qt::LeftButton);
  if (opener != QLatin1String("none")) QCOMPARE(handed.size(), 1);

  if (address.isEmpty()) {
    // The opener answered at once: once the events that answer posted are
    // handled, the window has done all it will with it.
    QCoreApplication::processEvents();
    QVERIFY(answerer.seen.isEmpty());
    QVERIFY(!QApplication::activeModalWidget());
  } else {
    QTRY_COMPARE(answerer.seen.size(), 1);
    const auto& box = answerer.seen.first();
    QCOMPARE(box.title, S(tally::kProgramTitle));
    QVERIFY2(box.text.contains(QLatin1Char('\n') + address), qPrintable(box.text));
    QVERIFY2(box.text.startsWith(QStringLiteral("Não foi possível abrir")), qPrintable(box.text));
    // The address can be selected and copied.
    QVERIFY(flags & Qt::TextSelectableByMouse);
  }
  // Nothing else changes, and nothing is logged.
  QCOMPARE(h.Text("lblResult"), display);
  QCOMPARE(h.Window().focusWidget(), h.Sink());
  QVERIFY(!QFile::exists(h.LogPath()));
}

void WindowServicesTest::termsWindowIsModalAndCloses_data() {
  QTest::addColumn<bool>("byOk");
  QTest::newRow("OK") << true;
  QTest::newRow("close box") << false;
}

void WindowServicesTest::termsWindowIsModalAndCloses() {
  QFETCH(bool, byOk);
  Harness h;
  QVERIFY(h.Active());
  h.Type(S("7"));

  QList<QStringList> shown;
  bool blocking = false;
  const auto inspect = [&](QWidget* terms) {
    blocking = QApplication::activeModalWidget() == terms &&
               terms->windowModality() == Qt::ApplicationModal;
    QStringList texts{terms->windowTitle()};
    for (int k = 1; k <= 19; ++k) {
      auto* label = terms->findChild<QLabel*>(QStringLiteral("Label%1").arg(k));
      texts << (label ? label->text() : QString());
    }
    texts << QString::number(terms->findChildren<QWidget*>(QStringLiteral("Picture1")).size());
    shown << texts;
  };
  const auto answer = [byOk](QWidget* terms) {
    if (byOk) {
      ModalAnswerer::AnswerOk(terms);
    } else {
      terms->close();
    }
  };
  ModalAnswerer answerer(inspect, answer);
  QWidget* image3 = h.Find(S("Image3"));
  QTest::mouseClick(image3, Qt::LeftButton);  // returns once the window is gone
  QTest::mouseClick(image3, Qt::LeftButton);

  QCOMPARE(shown.size(), 2);
  QCOMPARE(answerer.seen.first().objectName, S("frmLicença"));
  QVERIFY(blocking);
  const QStringList& texts = shown.first();
  QVERIFY(texts[0].endsWith(S(" - SOFTWARES - Licença de uso")));
  QCOMPARE(texts[1], S("LICENÇA DE USO"));
  for (int k = 2; k <= 18; ++k)
    QVERIFY2(!texts[k].trimmed().isEmpty(), qPrintable(QString::number(k)));
  QVERIFY(texts[18].contains(QLatin1Char('@')));
  QCOMPARE(texts[19], S(" VENDA PROIBIDA "));
  QCOMPARE(texts[20], S("1"));
  QCOMPARE(shown[1], shown[0]);  // shown again, unchanged

  // The calculator goes on as before.
  QVERIFY(h.Window().findChildren<QDialog*>().isEmpty() ||
          !h.Window().findChild<QDialog*>()->isVisible());
  h.Type(S("+1="));
  QCOMPARE(h.Text("lblResult"), S("8"));
}

// ------------------------------------------------------------ closing

void WindowServicesTest::closesWithoutAQuestion_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<bool>("onePress");  // all of `typed` in one key press
  QTest::addColumn<QString>("clicked");
  QTest::newRow("s") << S("s") << false << QString();
  QTest::newRow("S") << S("S") << false << QString();
  QTest::newRow("x") << S("x") << false << QString();
  QTest::newRow("X") << S("X") << false << QString();
  QTest::newRow("nothing after x in the same press") << S("x9") << true << QString();
  QTest::newRow("Sair") << QString() << false << S("Sair");
  QTest::newRow("close box") << QString() << false << QString();
}

void WindowServicesTest::closesWithoutAQuestion() {
  QFETCH(QString, typed);
  QFETCH(bool, onePress);
  QFETCH(QString, clicked);
  Harness h;
  ModalAnswerer answerer;
  h.Type(S("12+3=+"));  // lines on the tape
  // A typed letter asks while there are lines to lose (tested with the
  // question); "Sair" and the close box never ask.
  if (!typed.isEmpty()) h.Type(S("l"));
  if (onePress) {
    QTest::sendKeyEvent(QTest::Click, h.FocusTarget(), Qt::Key_unknown, typed, Qt::NoModifier);
  } else if (!typed.isEmpty()) {
    h.Type(typed);
  } else if (!clicked.isEmpty()) {
    QVERIFY(h.Click(clicked));
  } else {
    QVERIFY(h.Window().close());
  }
  QVERIFY(!h.Window().isVisible());
  QVERIFY(answerer.seen.isEmpty());
  QCOMPARE(h.Text("lblResult"), S("15"));
}

QTEST_MAIN(WindowServicesTest)
#include "window_services_test.moc"

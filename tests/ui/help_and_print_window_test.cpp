// The help window (F1) against the manual's key section, the About box, and
// "Imprimir…" with its preview against the batch driver's PDF.

#include <QAction>
#include <QFile>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBrowser>

#include "identity.h"
#include "ui/help_window.h"
#include "window_harness.h"

using tally::testing::S;
using tally::ui::testing::Harness;
using tally::ui::testing::ReadFile;
using tally::ui::testing::ModalAnswerer;

namespace {

// The manual's key tables as a reader finds them: key and Portuguese action.
QList<QStringList> ManualKeyRows() {
  QList<QStringList> rows;
  bool inKeys = false;
  for (const QString& line : ReadFile(S(TALLYROLLER_MANUAL_PATH)).split(QLatin1Char('\n'))) {
    if (line.startsWith(S("## "))) inKeys = line == S("## Teclas / Keys");
    if (!inKeys || !line.startsWith(S("| ")) || line.contains(S("| tecla / key |")) ||
        line.contains(S("| atalho / shortcut |"))) {
      continue;
    }
    const QStringList cells = line.split(QLatin1Char('|'));
    QString key = cells[1].trimmed();
    key.remove(QLatin1Char('`')).replace(S("ou/or"), S("ou"));
    // The help shows the keys without the manual's code marks.
    rows << QStringList{key, cells[2].trimmed().remove(QLatin1Char('`')), cells[3].trimmed()};
  }
  return rows;
}

int PdfPages(const QString& path) {
  QProcess info;
  info.start(S("pdfinfo"), {path});
  if (!info.waitForFinished(30000)) return -1;
  for (const QString& line :
       QString::fromUtf8(info.readAllStandardOutput()).split(QLatin1Char('\n'))) {
    if (line.startsWith(S("Pages:"))) return line.mid(6).trimmed().toInt();
  }
  return -1;
}

}  // namespace

class HelpAndPrintWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void theBuiltInManualIsTheManual();
  void f1ShowsEveryKeyShortcutAndMenuItem();
  void aboutShowsNameVersionMakerAndAddresses();
  void thePreviewHasThePagesOfTheBatchPdf();
};

void HelpAndPrintWindowTest::theBuiltInManualIsTheManual() {
  const QString manual = ReadFile(S(TALLYROLLER_MANUAL_PATH));
  QVERIFY(!manual.isEmpty());
  QCOMPARE(tally::ui::BuiltInManual(), manual);
}

void HelpAndPrintWindowTest::f1ShowsEveryKeyShortcutAndMenuItem() {
  Harness h;
  QVERIFY(h.Active());
  QTest::keyClick(h.FocusTarget(), Qt::Key_F1);
  auto* help = h.Find<QDialog>(S("dlgHelp"));
  QVERIFY(help);
  QTRY_VERIFY(help->isVisible());
  QCOMPARE(help->windowTitle(), S("Ajuda do Tallyroller"));
  const QString text = help->findChild<QTextBrowser*>(S("txtHelp"))->toPlainText();

  const QList<QStringList> rows = ManualKeyRows();
  QVERIFY(rows.size() >= 15);
  for (const QStringList& row : rows) {
    QVERIFY2(text.contains(row[0]), qPrintable(row[0]));
    QVERIFY2(text.contains(row[1]), qPrintable(row[1]));
    // Portuguese only.
    QVERIFY2(!text.contains(row[2]), qPrintable(row[2]));
  }
  QVERIFY(text.contains(S("use o mouse, ou chegue a elas com Tab")));
  QVERIFY(!text.contains(S("Typed on the window")));
  // Every item of the tape's menu, with its shortcut.
  for (QAction* action : h.Window().actions()) {
    if (action->text().isEmpty()) continue;
    QVERIFY2(text.contains(action->text()), qPrintable(action->text()));
  }
  QVERIFY(text.contains(S("Ctrl+P")));

  // The calculator stays usable beside it, and F1 again brings the same one.
  h.Window().activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&h.Window()));
  h.Type(S("2+"));
  QCOMPARE(h.TapeLines().value(0), S("+ 2"));
  help->close();
  QTest::keyClick(h.FocusTarget(), Qt::Key_F1);
  QCOMPARE(h.Window().findChildren<QDialog*>(S("dlgHelp")).size(), 1);
  QTRY_VERIFY(help->isVisible());
}

void HelpAndPrintWindowTest::aboutShowsNameVersionMakerAndAddresses() {
  Harness h;
  ModalAnswerer answerer;
  h.Find<QAction>(S("actAbout"))->trigger();
  QCOMPARE(answerer.seen.size(), 1);
  QCOMPARE(answerer.seen[0].title, S("Sobre o ") + S(tally::kProgramTitle));
  for (const char* part : {tally::kProgramTitle, tally::kVersion, tally::kMakerName,
                           tally::kMakerMail, tally::kMakerWebUrl}) {
    QVERIFY2(answerer.seen[0].text.contains(S(part)), part);
  }
  QVERIFY(answerer.seen[0].text.contains(S("Versão ") + S(tally::kVersion)));
}

void HelpAndPrintWindowTest::thePreviewHasThePagesOfTheBatchPdf() {
  if (QStandardPaths::findExecutable(S("pdfinfo")).isEmpty()) {
    QSKIP("pdfinfo (poppler-utils) is not installed");
  }
  // Enough lines for more than one page.
  QString keys;
  for (int i = 1; i <= 400; ++i) keys += QString::number(i) + S("+");
  keys += S("=");

  Harness h;
  h.Type(keys);
  int previewPages = -1;
  ModalAnswerer answerer([&](QWidget* shown) {
    if (auto* preview = shown->findChild<QPrintPreviewWidget*>())
      previewPages = preview->pageCount();
  });
  QTest::keyClick(h.FocusTarget(), Qt::Key_P, Qt::ControlModifier);
  QCOMPARE(answerer.seen.size(), 1);
  QCOMPARE(answerer.seen[0].objectName, S("dlgPrintPreview"));
  // Nothing was printed at once, and the tape is as it was.
  QCOMPARE(h.TapeLines().size(), 401);

  const QString script = h.TempPath(S("fita.script"));
  const QString pdf = h.TempPath(S("fita.pdf"));
  {
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write((keys + S("\n{export-pdf ") + pdf + S("}\n")).toUtf8());
  }
  QProcess batch;
  batch.start(S(TALLYROLLER_BATCH_PATH), {S("--locale"), QLocale().name(), script});
  QVERIFY(batch.waitForFinished(60000));
  QCOMPARE(batch.exitCode(), 0);
  const int pdfPages = PdfPages(pdf);
  QVERIFY2(pdfPages > 1, qPrintable(QString::number(pdfPages)));
  QCOMPARE(previewPages, pdfPages);
}

QTEST_MAIN(HelpAndPrintWindowTest)
#include "help_and_print_window_test.moc"

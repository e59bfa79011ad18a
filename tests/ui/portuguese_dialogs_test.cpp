// Qt's own texts in the dialogs and menus the window opens (message boxes
// with standard buttons, the file dialogs and their warnings, the menus of
// the edit panel's fields) are Portuguese whatever the locale: the test runs
// under a Brazilian, an English and the C locale.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPrinterInfo>
#include <QTranslator>

#include <algorithm>
#include <memory>

#include "ui/translations.h"
#include "window_harness.h"

using tally::testing::L;
using tally::testing::S;
using tally::ui::testing::Harness;
using tally::ui::testing::ModalAnswerer;

namespace {

// Qt's English texts a user would meet in these dialogs, as they read once
// the access-key mark, a trailing colon or ellipsis and a menu item's
// shortcut are left off.
const QStringList kEnglishWords = L({"Yes",
                                     "No",
                                     "Cancel",
                                     "Close",
                                     "Save",
                                     "Open",
                                     "Choose",
                                     "Look in",
                                     "File name",
                                     "Files of type",
                                     "Back",
                                     "Forward",
                                     "Parent Directory",
                                     "Create New Folder",
                                     "List View",
                                     "Detail View",
                                     "Name",
                                     "Size",
                                     "Type",
                                     "Date Modified",
                                     "Undo",
                                     "Redo",
                                     "Cut",
                                     "Copy",
                                     "Paste",
                                     "Delete",
                                     "Select All",
                                     "Print",
                                     "Help"});
// Pieces of Qt's English sentences.
const QStringList kEnglishPhrases = L({"File not found", "Please verify", "already exists",
                                       "Do you want to replace"});

QString Normalized(QString text) {
  text = text.section(QLatin1Char('\t'), 0, 0);
  text.remove(QLatin1Char('&'));
  text = text.trimmed();
  for (const QString& tail : L({":", "…", "..."})) {
    if (text.endsWith(tail)) text.chop(tail.size());
  }
  return text.trimmed();
}

// Every text `root` shows or tells a screen reader, with where it was seen.
QStringList TextsOf(QWidget* root) {
  QStringList texts;
  const auto add = [&texts](const QString& where, const QString& text) {
    if (!text.isEmpty()) texts << where + QStringLiteral(": ") + text;
  };
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  add(S("title"), root->windowTitle());
  for (QWidget* w : widgets) {
    const QString name = S(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
    add(name + S(" tooltip"), w->toolTip());
    add(name + S(" accessible name"), w->accessibleName());
    if (auto* label = qobject_cast<QLabel*>(w)) add(name, label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) add(name, button->text());
    if (auto* field = qobject_cast<QLineEdit*>(w)) add(name, field->placeholderText());
    if (auto* box = qobject_cast<QComboBox*>(w)) {
      for (int i = 0; i < box->count(); ++i) add(name, box->itemText(i));
    }
    if (auto* header = qobject_cast<QHeaderView*>(w); header && header->model()) {
      for (int i = 0; i < header->count(); ++i) {
        add(name, header->model()->headerData(i, header->orientation()).toString());
      }
    }
    for (QAction* action : w->actions()) {
      add(name + S(" action"), action->text());
      add(name + S(" action tooltip"), action->toolTip());
    }
  }
  return texts;
}

// The texts of `root` that are Qt's English.
QStringList English(QWidget* root) {
  QStringList english;
  for (const QString& seen : TextsOf(root)) {
    const QString text = Normalized(seen.section(QStringLiteral(": "), 1));
    bool found = kEnglishWords.contains(text);
    for (const QString& phrase : kEnglishPhrases) found |= text.contains(phrase);
    if (found) english << seen;
  }
  return english;
}

// Looks at every window the answerer meets and keeps the English it finds,
// by the kind of window.
struct Findings {
  QStringList seen;     // the kinds of window met
  QStringList english;  // "kind: where: text"
  QList<QPointer<QWidget>> met;

  // False for a window met before and still open.
  bool First(QWidget* shown) {
    for (const QPointer<QWidget>& w : met) {
      if (w == shown) return false;
    }
    met << shown;
    return true;
  }

  void Inspect(QWidget* shown) {
    if (!First(shown)) return;
    QString kind = S(shown->metaObject()->className());
    if (auto* box = qobject_cast<QMessageBox*>(shown)) kind += QLatin1Char(' ') + box->text();
    seen << kind;
    for (const QString& text : English(shown)) english << kind + QStringLiteral(" | ") + text;
  }
};

// As a user types a name into a file dialog.
void TypeFileName(QFileDialog* dialog, const QString& name) {
  auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  QVERIFY(field);
  field->setText(name);
}

QString Report(const Findings& findings) {
  return findings.english.join(QLatin1Char('\n'));
}

}  // namespace

class PortugueseDialogsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase();
  void theTranslationFollowsAPortugueseLocaleElseBrazil_data();
  void theTranslationFollowsAPortugueseLocaleElseBrazil();
  void withoutTheTranslationQtSpeaksEnglish();
  void theNoPrinterQuestionAndTheSaveDialog();
  void theOpenDialogAndItsFileNotFound();
  void theMenusOfTheEditPanelsFields();
  void theTapesMenuAndTheTermsWindow();
};

void PortugueseDialogsTest::initTestCase() {
  // The locale the test was started for.
  if (qEnvironmentVariableIsSet("TALLYROLLER_TEST_LOCALE")) {
    QCOMPARE(QLocale().name(), qEnvironmentVariable("TALLYROLLER_TEST_LOCALE"));
  }
  // As the program does at start.
  QVERIFY(tally::ui::InstallQtTranslations(qApp));
  QVERIFY(tally::ui::InstallQtTranslations(qApp));
  QCOMPARE(qApp->findChildren<QTranslator*>().size(), 1);
}

void PortugueseDialogsTest::theTranslationFollowsAPortugueseLocaleElseBrazil_data() {
  QTest::addColumn<QStringList>("installed");
  QTest::addColumn<QString>("locale");
  QTest::addColumn<QString>("loaded");
  const QStringList all = L({"pt_BR", "pt_PT", "en", "de"});
  QTest::newRow("Brazil") << all << S("pt_BR") << S("pt_BR");
  QTest::newRow("Portugal, installed") << all << S("pt_PT") << S("pt_PT");
  QTest::newRow("Portugal, only the language") << L({"pt_BR", "pt"}) << S("pt_PT") << S("pt");
  QTest::newRow("Portugal, not installed") << L({"pt_BR", "en"}) << S("pt_PT") << S("pt_BR");
  QTest::newRow("English, installed") << all << S("en_US") << S("pt_BR");
  QTest::newRow("German, installed") << all << S("de_DE") << S("pt_BR");
  QTest::newRow("C") << all << S("C") << S("pt_BR");
  QTest::newRow("none installed") << L({"en", "de"}) << S("pt_BR") << QString();
  QTest::newRow("empty folder") << QStringList() << S("en_US") << QString();
}

void PortugueseDialogsTest::theTranslationFollowsAPortugueseLocaleElseBrazil() {
  QFETCH(QStringList, installed);
  QFETCH(QString, locale);
  QFETCH(QString, loaded);
  QTemporaryDir dir;
  for (const QString& name : installed) {
    QFile file(dir.filePath(S("qtbase_") + name + S(".qm")));
    QVERIFY(file.open(QIODevice::WriteOnly));
  }
  // A folder of the name is no translation.
  if (!installed.contains(S("pt_PT"))) QVERIFY(QDir(dir.path()).mkdir(S("qtbase_pt_PT.qm")));
  const QString file = tally::ui::QtTranslationFile(QLocale(locale), dir.path());
  QCOMPARE(file, loaded.isEmpty() ? QString() : dir.filePath(S("qtbase_") + loaded + S(".qm")));
}

void PortugueseDialogsTest::withoutTheTranslationQtSpeaksEnglish() {
  // The walk does see Qt's English where there is some.
  auto* translator = qApp->findChild<QTranslator*>();
  QVERIFY(translator);
  const bool installed = QCoreApplication::removeTranslator(translator);
  QStringList english;
  {
    QMessageBox box(QMessageBox::Question, S("Tallyroller"), S("?"),
                    QMessageBox::Yes | QMessageBox::No);
    english = English(&box);
  }
  {
    QLineEdit field;
    std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    english += English(menu.get());
  }
  if (installed) QCoreApplication::installTranslator(translator);
  QVERIFY2(english.size() >= 2 + 5, qPrintable(english.join(QLatin1Char('\n'))));
  QMessageBox box(QMessageBox::Question, S("Tallyroller"), S("?"),
                  QMessageBox::Yes | QMessageBox::No);
  QCOMPARE(box.button(QMessageBox::Yes)->text(), S("&Sim"));
  QCOMPARE(English(&box), QStringList());
}

void PortugueseDialogsTest::theNoPrinterQuestionAndTheSaveDialog() {
  if (!QPrinterInfo::defaultPrinter().isNull()) QSKIP("this machine has a printer");
  Harness h;
  QVERIFY(h.Active());
  h.Type(S("12+3="));
  const QString existing = h.TempPath(S("fita.pdf"));
  {
    QFile file(existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
  }
  Findings findings;
  bool exportPdf = false;
  bool dialogStayed = false;
  QList<QPointer<QWidget>> answered;
  ModalAnswerer answerer(
      [&](QWidget* shown) { findings.Inspect(shown); },
      [&](QWidget* shown) {
        if (auto* dialog = qobject_cast<QFileDialog*>(shown)) {
          if (std::find(answered.begin(), answered.end(), dialog) != answered.end()) return;
          answered << dialog;
          // Over an existing file: the question to replace it comes and is
          // refused, and the dialog stays until it is cancelled. From a
          // callback of its own, so that the question is answered too.
          QTimer::singleShot(0, dialog, [&, dialog] {
            dialog->setDirectory(QFileInfo(existing).path());
            TypeFileName(dialog, QFileInfo(existing).fileName());
            static_cast<QDialog*>(dialog)->accept();
            dialogStayed = dialog->isVisible();
            dialog->reject();
          });
        } else if (auto* box = qobject_cast<QMessageBox*>(shown)) {
          const bool yes = exportPdf && box->text().contains(S("impressora"));
          QTest::mouseClick(box->button(yes ? QMessageBox::Yes : QMessageBox::No), Qt::LeftButton);
        } else {
          shown->close();
        }
      });
  QVERIFY(h.Click(S("Imprimir")));
  QCOMPARE(findings.seen.size(), 1);
  QVERIFY(h.Reactivate());
  exportPdf = true;
  QVERIFY(h.Click(S("Imprimir")));
  QCOMPARE(findings.seen.size(), 4);
  QVERIFY(findings.seen[1].contains(S("impressora")));
  QCOMPARE(findings.seen[2], S("QFileDialog"));
  QVERIFY2(findings.seen[3].contains(S("fita.pdf")), qPrintable(findings.seen[3]));
  QVERIFY(dialogStayed);
  QCOMPARE(QFileInfo(existing).size(), 0);
  QVERIFY2(findings.english.isEmpty(), qPrintable(Report(findings)));
}

void PortugueseDialogsTest::theOpenDialogAndItsFileNotFound() {
  Harness h;
  QVERIFY(h.Active());
  Findings findings;
  const QString missing = h.TempPath(S("nao-existe.txt"));
  QList<QPointer<QWidget>> answered;
  ModalAnswerer answerer([&](QWidget* shown) { findings.Inspect(shown); },
                         [&](QWidget* shown) {
                           if (auto* dialog = qobject_cast<QFileDialog*>(shown)) {
                             if (std::find(answered.begin(), answered.end(), dialog) != answered.end()) return;
                             answered << dialog;
                             QTimer::singleShot(0, dialog, [dialog, missing] {
                               dialog->setDirectory(QFileInfo(missing).path());
                               TypeFileName(dialog, QFileInfo(missing).fileName());
                               static_cast<QDialog*>(dialog)->accept();
                               dialog->reject();
                             });
                           } else {
                             ModalAnswerer::AnswerOk(shown);
                           }
                         });
  QTest::keyClick(h.FocusTarget(), Qt::Key_O, Qt::ControlModifier);
  QCOMPARE(findings.seen.size(), 2);
  QCOMPARE(findings.seen[0], S("QFileDialog"));
  QVERIFY2(findings.seen[1].contains(S("nao-existe.txt")), qPrintable(findings.seen[1]));
  QVERIFY2(findings.english.isEmpty(), qPrintable(Report(findings)));
}

void PortugueseDialogsTest::theMenusOfTheEditPanelsFields() {
  Harness h;
  QVERIFY(h.Active());
  h.Type(S("12+3="));
  h.DoubleClickLine(0);
  QVERIFY(h.Find(S("fraChangeTape"))->isVisible());
  auto* number = h.Find<QLineEdit>(S("txtChangeTo"));
  QVERIFY(number);
  Findings findings;
  for (QWidget* field : {static_cast<QWidget*>(number),
                         static_cast<QWidget*>(h.Find<QComboBox>(S("cboType"))->lineEdit())}) {
    QContextMenuEvent event(QContextMenuEvent::Keyboard, field->rect().center(),
                            field->mapToGlobal(field->rect().center()));
    QApplication::sendEvent(field, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (field == number) QVERIFY(menu);
    if (!menu) continue;
    findings.Inspect(menu);
    menu->close();
    QTest::qWait(0);
  }
  // The number field's menu has its clipboard items, in Portuguese.
  QVERIFY2(findings.seen.size() >= 1, qPrintable(findings.seen.join(QLatin1Char('\n'))));
  QVERIFY2(findings.english.isEmpty(), qPrintable(Report(findings)));
}

void PortugueseDialogsTest::theTapesMenuAndTheTermsWindow() {
  Harness h;
  QVERIFY(h.Active());
  h.Type(S("12+3="));
  Findings findings;
  ModalAnswerer answerer([&](QWidget* shown) { findings.Inspect(shown); });
  QTest::keyClick(h.FocusTarget(), Qt::Key_F10, Qt::ShiftModifier);
  QVERIFY(h.Reactivate());
  QWidget* terms = h.Find(S("Image3"));
  QVERIFY(terms);
  QTest::mouseClick(terms, Qt::LeftButton);
  QCOMPARE(findings.seen.size(), 2);
  QVERIFY2(findings.english.isEmpty(), qPrintable(Report(findings)));
}

QTEST_MAIN(PortugueseDialogsTest)
#include "portuguese_dialogs_test.moc"

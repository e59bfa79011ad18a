// Qt's own texts in the dialogs and menus the window opens (message boxes
// with standard buttons, the file dialogs and their warnings, the print
// preview and the print, printer and page dialogs it opens, the help
// window, the About box, the menus of their text fields and of the edit
// panel's) are Portuguese whatever the locale: the test runs under a
// Brazilian, an English and the C locale.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTabBar>
#include <QTextBrowser>
#include <QTranslator>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

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
const QStringList kEnglishWords =
    L({"Yes", "No", "Cancel", "Close", "Save", "Open", "Choose", "Look in", "File name",
       "Files of type", "Back", "Forward", "Parent Directory", "Create New Folder", "List View",
       "Detail View", "Name", "Size", "Type", "Date Modified", "Undo", "Redo", "Cut", "Copy",
       "Paste", "Delete", "Select All", "Print", "Help",
       // The print preview's toolbar.
       "Print Preview", "Next page", "Previous page", "First page", "Last page", "Fit width",
       "Fit page", "Zoom in", "Zoom out", "Portrait", "Landscape", "Show single page",
       "Show facing pages", "Show overview of all pages", "Page setup",
       // The print and page dialogs.
       "Printer", "Properties", "Location", "Output file", "Options", "Copies", "Collate",
       "Reverse", "Print all", "Pages from", "Current Page", "Selection", "Color Mode", "Grayscale",
       "Duplex Printing", "Page Setup", "Paper", "Page size", "Width", "Height", "Orientation",
       "Margins", "Page Layout", "Pages per sheet", "Page order", "Paper source",
       "Printer Properties", "Job Options", "Advanced", "Job Control",
       // Text views and spin boxes.
       "Copy Link Location", "Step up", "Step down"});
// Pieces of Qt's English sentences.
const QStringList kEnglishPhrases =
    L({"File not found", "Please verify", "already exists", "Do you want to replace",
       "Print to File", "Local file", "Write PDF file"});

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
    if (w != root) add(name + S(" title"), w->windowTitle());
    add(name + S(" tooltip"), w->toolTip());
    add(name + S(" accessible name"), w->accessibleName());
    if (auto* label = qobject_cast<QLabel*>(w)) add(name, label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) add(name, button->text());
    if (auto* field = qobject_cast<QLineEdit*>(w)) add(name, field->placeholderText());
    if (auto* text = qobject_cast<QTextEdit*>(w)) add(name, text->placeholderText());
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) add(name, spin->specialValueText());
    if (auto* group = qobject_cast<QGroupBox*>(w)) add(name, group->title());
    if (auto* tabs = qobject_cast<QTabBar*>(w)) {
      for (int i = 0; i < tabs->count(); ++i) add(name, tabs->tabText(i));
    }
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
    seen << Kind(shown);
    Walk(shown, Kind(shown));
  }

  // And the context menu of each of its text fields, as the Menu key opens
  // it; a field that opens none is kept in `noMenu`.
  void InspectWithMenus(QWidget* shown) {
    if (!First(shown)) return;
    const QString kind = Kind(shown);
    seen << kind;
    Walk(shown, kind);
    for (QWidget* field : TextFields(shown)) {
      const QString where = kind + QStringLiteral(" | menu of ") +
                            S(field->metaObject()->className()) + QLatin1Char(' ') +
                            field->objectName();
      // A menu either pops up and the event returns, or runs modally (a
      // spin box's): it is looked at once, whichever comes first.
      bool looked = false;
      const auto look = [&] {
        if (std::exchange(looked, true)) return;
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !First(menu)) {
          // A label has a menu only over a link; a field may have none by
          // its dialog's choice.
          if (!qobject_cast<QLabel*>(field) && field->contextMenuPolicy() != Qt::NoContextMenu) {
            noMenu << where;
          }
          return;
        }
        menus << where;
        Walk(menu, where);
        menu->close();
      };
      QTimer modal;
      modal.setSingleShot(true);
      QObject::connect(&modal, &QTimer::timeout, look);
      modal.start(0);
      QContextMenuEvent event(QContextMenuEvent::Keyboard, field->rect().center(),
                              field->mapToGlobal(field->rect().center()));
      QApplication::sendEvent(field, &event);
      look();
      // The menu goes before the next field opens its own.
      QTest::qWait(0);
    }
  }

  QStringList menus;   // "kind | menu of field", each menu met
  QStringList noMenu;  // the same for fields that opened none

 private:
  static QString Kind(QWidget* shown) {
    QString kind = S(shown->metaObject()->className());
    if (auto* box = qobject_cast<QMessageBox*>(shown)) kind += QLatin1Char(' ') + box->text();
    return kind;
  }

  void Walk(QWidget* shown, const QString& kind) {
    for (const QString& text : English(shown)) english << kind + QStringLiteral(" | ") + text;
  }

  // What a user can open a context menu on: the shown and enabled line
  // edits (a spin box's own counts as the spin box), spin boxes, text views
  // and labels whose text can be selected.
  static QList<QWidget*> TextFields(QWidget* root) {
    QList<QWidget*> fields;
    for (QWidget* w : root->findChildren<QWidget*>()) {
      if (!w->isVisible() || !w->isEnabled()) continue;
      auto* label = qobject_cast<QLabel*>(w);
      const bool field =
          (qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractSpinBox*>(w->parentWidget())) ||
          qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QTextEdit*>(w) ||
          (label && label->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
      if (field) fields << w;
    }
    return fields;
  }
};

// As a user types a name into a file dialog.
void TypeFileName(QFileDialog* dialog, const QString& name) {
  auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  QVERIFY(field);
  field->setText(name);
}

// Answers a file dialog, once although the watcher sees it again while a
// question of its own is open: from a callback, it goes to the folder of
// `path`, takes its name as typed, is accepted and then cancelled, should
// it have stayed open (`stayed` says whether it did).
void ChooseFileOnce(QFileDialog* dialog, QList<QPointer<QWidget>>& answered, const QString& path,
                    bool* stayed = nullptr) {
  if (std::find(answered.begin(), answered.end(), dialog) != answered.end()) return;
  answered << dialog;
  QTimer::singleShot(0, dialog, [dialog, path, stayed] {
    dialog->setDirectory(QFileInfo(path).path());
    TypeFileName(dialog, QFileInfo(path).fileName());
    static_cast<QDialog*>(dialog)->accept();
    if (stayed) *stayed = dialog->isVisible();
    dialog->reject();
  });
}

QString Report(const Findings& findings) { return findings.english.join(QLatin1Char('\n')); }

// An action of the print preview's toolbar by Qt's English text, as Qt's
// translation has it.
QAction* PreviewAction(QWidget* preview, const char* english) {
  const QString text = QCoreApplication::translate("QPrintPreviewDialog", english);
  for (QAction* action : preview->findChildren<QAction*>()) {
    if (action->text() == text) return action;
  }
  return nullptr;
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
  void thePrintPreviewAndTheDialogsItOpens();
  void theHelpWindowAndTheAboutBox();
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
  // Every item of the preview's toolbar is among the words looked for, and
  // so are the text view's menu and the print and page dialogs' headings.
  QStringList toolbar;
  QStringList previewEnglish;
  {
    QPrinter printer;
    QPrintPreviewDialog preview(&printer);
    for (QAction* action : preview.findChildren<QAction*>()) {
      if (!action->text().isEmpty()) toolbar << action->text();
    }
    previewEnglish = English(&preview);
    QTextBrowser browser;
    std::unique_ptr<QMenu> menu(browser.createStandardContextMenu());
    previewEnglish += English(menu.get());
    QPrintDialog print(&printer);
    previewEnglish += English(&print);
    QPageSetupDialog page(&printer);
    previewEnglish += English(&page);
  }
  if (installed) QCoreApplication::installTranslator(translator);
  QVERIFY2(english.size() >= 2 + 5, qPrintable(english.join(QLatin1Char('\n'))));
  QVERIFY(toolbar.size() >= 10);
  QStringList found;
  for (const QString& seen : previewEnglish) found << Normalized(seen.section(S(": "), 1));
  for (const QString& item : toolbar) {
    QVERIFY2(found.contains(Normalized(item)), qPrintable(item));
  }
  for (const char* heading :
       {"Copy Link Location", "Printer", "Copies", "Margins", "Orientation"}) {
    QVERIFY2(found.contains(S(heading)), heading);
  }
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
          // Over an existing file: the question to replace it comes and is
          // refused, and the dialog stays until it is cancelled.
          ChooseFileOnce(dialog, answered, existing, &dialogStayed);
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
                             ChooseFileOnce(dialog, answered, missing);
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

void PortugueseDialogsTest::thePrintPreviewAndTheDialogsItOpens() {
  Harness h;
  QVERIFY(h.Active());
  h.Type(S("12+3=45-6="));
  Findings findings;
  // The preview opens its print dialog, which opens the printer's
  // properties, then the preview opens its page dialog; each dialog is
  // closed once it has opened what it opens. A dialog opens the next from a
  // callback of its own, so that the one it opens is answered too, and is
  // left alone meanwhile.
  const char* const previewSteps[] = {"Print", "Page setup"};
  std::size_t previewStep = 0;
  bool propertiesAsked = false;
  QList<QWidget*> opening;
  QStringList opened;
  ModalAnswerer answerer(
      [&](QWidget* shown) { findings.InspectWithMenus(shown); },
      [&](QWidget* shown) {
        if (opening.contains(shown)) return;
        std::function<void()> next;
        if (auto* preview = qobject_cast<QPrintPreviewDialog*>(shown)) {
          if (previewStep < std::size(previewSteps)) {
            if (QAction* action = PreviewAction(preview, previewSteps[previewStep++])) {
              opened << action->text();
              next = [action] { action->trigger(); };
            }
          }
        } else if (qobject_cast<QPrintDialog*>(shown) && !std::exchange(propertiesAsked, true)) {
          auto* properties = shown->findChild<QPushButton*>(S("properties"));
          if (properties && properties->isEnabled()) {
            opened << properties->text();
            next = [properties] { properties->click(); };
          }
        }
        if (!next) {
          if (auto* dialog = qobject_cast<QDialog*>(shown)) {
            dialog->reject();
          } else {
            shown->close();
          }
          return;
        }
        opening << shown;
        QTimer::singleShot(0, shown, [&opening, shown, next] {
          next();
          opening.removeOne(shown);
        });
      });
  QTest::keyClick(h.FocusTarget(), Qt::Key_P, Qt::ControlModifier);
  QCOMPARE(opened.size(), 3);
  QCOMPARE(findings.seen, L({"QPrintPreviewDialog", "QPrintDialog", "QPrintPropertiesDialog",
                             "QPageSetupDialog"}));
  // The preview's zoom, the print dialog's file name, the page dialog's
  // margins: each has its menu.
  QVERIFY2(findings.noMenu.isEmpty(), qPrintable(findings.noMenu.join(QLatin1Char('\n'))));
  for (const char* kind : {"QPrintPreviewDialog", "QPrintDialog", "QPageSetupDialog"}) {
    QVERIFY2(!findings.menus.filter(S(kind) + S(" | ")).isEmpty(),
             qPrintable(S(kind) + S(": ") + findings.menus.join(QLatin1Char('\n'))));
  }
  QVERIFY2(findings.english.isEmpty(), qPrintable(Report(findings)));
}

void PortugueseDialogsTest::theHelpWindowAndTheAboutBox() {
  Harness h;
  QVERIFY(h.Active());
  Findings findings;
  {
    ModalAnswerer answerer([&](QWidget* shown) { findings.InspectWithMenus(shown); });
    h.Find<QAction>(S("actAbout"))->trigger();
  }
  QCOMPARE(findings.seen.size(), 1);
  QVERIFY(findings.seen[0].startsWith(S("QMessageBox")));
  QVERIFY(h.Reactivate());
  QTest::keyClick(h.FocusTarget(), Qt::Key_F1);
  auto* help = h.Find<QDialog>(S("dlgHelp"));
  QVERIFY(help);
  QTRY_VERIFY(help->isVisible());
  findings.InspectWithMenus(help);
  QCOMPARE(findings.seen.size(), 2);
  // The help's text can be selected and copied from its menu.
  QCOMPARE(findings.menus.filter(S("menu of QTextBrowser txtHelp")).size(), 1);
  QVERIFY2(findings.noMenu.isEmpty(), qPrintable(findings.noMenu.join(QLatin1Char('\n'))));
  QVERIFY2(findings.english.isEmpty(), qPrintable(Report(findings)));
}

QTEST_MAIN(PortugueseDialogsTest)
#include "portuguese_dialogs_test.moc"

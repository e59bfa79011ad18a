#include "ui/help_window.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "identity.h"

// Outside any namespace, as Q_INIT_RESOURCE must be.
static void InitManualResource() { Q_INIT_RESOURCE(manual); }

namespace tally::ui {
namespace {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// "`Enter` ou/or `=`" -> "Enter ou ="; the manual's tables are bilingual.
QString Portuguese(QString cell) {
  cell.replace(QStringLiteral("ou/or"), QStringLiteral("ou"));
  cell.remove(QLatin1Char('`'));
  return cell.trimmed();
}

// A bilingual paragraph is "português / English": the part before the
// first " / " that follows a full stop.
QString PortugueseHalf(const QString& paragraph) {
  const qsizetype split = paragraph.indexOf(QStringLiteral(". /"));
  QString half = split < 0 ? paragraph : paragraph.left(split + 1);
  return half.remove(QLatin1Char('`'));
}

// The cells of a table row "| a | b | c |".
QStringList Cells(const QString& line) {
  QStringList cells = line.split(QLatin1Char('|'));
  if (cells.size() >= 2) {
    cells.removeFirst();
    cells.removeLast();
  }
  return cells;
}

}  // namespace

HelpText ReadManualHelp(const QString& manual) {
  HelpText help;
  const QStringList lines = manual.split(QLatin1Char('\n'));
  bool inKeys = false;
  bool inGuide = false;
  QString paragraph;
  bool tableOpen = false;
  bool inMenuNote = false;
  auto endParagraph = [&] {
    if (!paragraph.isEmpty()) help.notes << PortugueseHalf(paragraph.simplified());
    paragraph.clear();
  };
  for (const QString& line : lines) {
    if (line.startsWith(QStringLiteral("## "))) {
      if (inKeys) endParagraph();
      inKeys = line == QStringLiteral("## Teclas / Keys");
      inGuide = line == QStringLiteral("## Guia em português");
      tableOpen = false;
      continue;
    }
    if (inGuide) {
      // The guide's item on the tape's menu: its first line and the
      // indented lines that go on with it.
      const QString menuItem = QStringLiteral("- **O menu da fita.**");
      if (line.startsWith(menuItem)) {
        inMenuNote = true;
        help.menuNote = line.mid(menuItem.size());
      } else if (inMenuNote && line.startsWith(QStringLiteral("  "))) {
        help.menuNote += QLatin1Char(' ') + line.trimmed();
      } else {
        inMenuNote = false;
      }
      continue;
    }
    if (!inKeys) continue;
    if (line.startsWith(QLatin1Char('|'))) {
      endParagraph();
      const QStringList cells = Cells(line);
      if (!tableOpen) {
        // The heading row opens a table; the rule row under it is passed over.
        help.tables.emplace_back();
        tableOpen = true;
        continue;
      }
      if (cells.size() < 2 || cells[0].trimmed().startsWith(QStringLiteral("---"))) continue;
      help.tables.back().push_back({Portuguese(cells[0]), Portuguese(cells[1])});
      continue;
    }
    tableOpen = false;
    if (line.trimmed().isEmpty()) {
      endParagraph();
    } else {
      paragraph += QLatin1Char(' ') + line;
    }
  }
  if (inKeys) endParagraph();
  help.menuNote = help.menuNote.simplified();
  return help;
}

QString BuiltInManual() {
  InitManualResource();
  QFile file(QStringLiteral(":/doc/manual.md"));
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString HelpHtml(const HelpText& text, const std::vector<HelpRow>& menu) {
  auto table = [](const std::vector<HelpRow>& rows, const QString& keyHeading,
                  const QString& whatHeading) {
    QString html = QStringLiteral(
                       "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">"
                       "<tr><th>%1</th><th>%2</th></tr>")
                       .arg(keyHeading, whatHeading);
    for (const HelpRow& row : rows) {
      html += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>")
                  .arg(row.key.toHtmlEscaped(), row.what.toHtmlEscaped());
    }
    return html + QStringLiteral("</table>");
  };
  QString html = QStringLiteral("<h2>%1</h2>").arg(Utf8(kProgramTitle).toHtmlEscaped());
  html += QStringLiteral("<h3>Teclas</h3>");
  if (!text.notes.isEmpty()) html += QStringLiteral("<p>%1</p>").arg(text.notes[0].toHtmlEscaped());
  if (!text.tables.empty())
    html += table(text.tables[0], QStringLiteral("Tecla"), QStringLiteral("Ação"));
  for (qsizetype i = 1; i < text.notes.size(); ++i) {
    html += QStringLiteral("<p>%1</p>").arg(text.notes[i].toHtmlEscaped());
  }
  if (text.tables.size() > 1) {
    html += QStringLiteral("<h3>Atalhos</h3>");
    for (std::size_t i = 1; i < text.tables.size(); ++i) {
      html += table(text.tables[i], QStringLiteral("Atalho"), QStringLiteral("Ação"));
    }
  }
  html += QStringLiteral("<h3>O menu da fita</h3>");
  if (!text.menuNote.isEmpty()) {
    QString note = text.menuNote;
    note.remove(QLatin1Char('`'));
    html += QStringLiteral("<p>%1</p>").arg(note.toHtmlEscaped());
  }
  html += table(menu, QStringLiteral("Item"), QStringLiteral("Atalho"));
  return html;
}

HelpWindow::HelpWindow(const QString& html, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlgHelp"));
  setWindowTitle(QStringLiteral("Ajuda do %1").arg(Utf8(kProgramTitle)));
  auto* browser = new QTextBrowser(this);
  browser->setObjectName(QStringLiteral("txtHelp"));
  browser->setAccessibleName(windowTitle());
  browser->setHtml(html);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Fechar"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(browser);
  layout->addWidget(buttons);
  resize(560, 520);
}

QString AboutText() {
  return QStringLiteral("%1\nVersão %2\n\n%3\n%4\n%5")
      .arg(Utf8(kProgramTitle), Utf8(kVersion), Utf8(kMakerName), Utf8(kMakerMail),
           Utf8(kMakerWebUrl));
}

void ShowAbout(QWidget* parent) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("Sobre o %1").arg(Utf8(kProgramTitle)),
                  AboutText(), QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("dlgAbout"));
  box.setIconPixmap(parent ? parent->windowIcon().pixmap(64, 64) : QPixmap());
  // The addresses can be selected and copied.
  box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  box.exec();
}

}  // namespace tally::ui

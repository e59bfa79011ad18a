#pragma once
// The help window (F1) and the About box. The keys and shortcuts come from
// the manual's key section, built into the program, so that the help and the
// manual cannot tell different stories; the tape's menu comes from the
// window's own commands.

#include <QDialog>
#include <QString>
#include <QStringList>

#include <vector>

class QWidget;

namespace tally::ui {

// One row of a key table: the key as written ("`C` ou `Esc`") without the
// marks, and what it does, in Portuguese.
struct HelpRow {
  QString key;
  QString what;
};

struct HelpText {
  QStringList notes;  // the Portuguese half of the section's paragraphs
  std::vector<std::vector<HelpRow>> tables;
  QString menuNote;  // the Portuguese guide's paragraph on the tape's menu
};

// What the manual's "Teclas / Keys" section and its tape menu paragraph say,
// in Portuguese; `manual` is the whole Markdown text.
HelpText ReadManualHelp(const QString& manual);

// The manual built into the program.
QString BuiltInManual();

// The help page: keys, shortcuts, then `menu`, one row per item of the
// tape's menu with its shortcut.
QString HelpHtml(const HelpText& text, const std::vector<HelpRow>& menu);

// A window of its own beside the calculator, which stays usable.
class HelpWindow final : public QDialog {
 public:
  HelpWindow(const QString& html, QWidget* parent);
};

// The name, version, maker and their addresses.
QString AboutText();
void ShowAbout(QWidget* parent);

}  // namespace tally::ui

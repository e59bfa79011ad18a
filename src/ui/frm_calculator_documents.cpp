// The window's clipboard shortcuts, the tape's menu, and the tape saved,
// opened and exported as a document.

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QKeySequence>
#include <QMenu>
#include <QSignalBlocker>
#include <QTimer>

#include "host/settings.h"
#include "identity.h"
#include "qt_text.h"
#include "tape/line_kind.h"
#include "tape/tape_file.h"
#include "ui/frm_calculator.h"

namespace tally::ui {
namespace {

constexpr const char* kNoPrinterQuestion =
    "Nenhuma impressora está disponível. Deseja salvar a fita como PDF?";

// Tapes are saved and opened as text files.
QString TapeFiles() { return QStringLiteral("Fitas"); }
QString TapeSuffix() { return QStringLiteral("txt"); }

}  // namespace

// When a command's item is offered in the tape's menu.
enum class frmCalculator::Offered : std::uint8_t {
  Always,
  WithLines,  // the tape has lines
  OnALine,    // the menu was opened on a line
  OnANumber,  // ... on a line with a number
  OnAnOperand,  // ... on an operand line
  CanUndo,    // there is a step to undo
  CanRedo,    // there is a step to redo
};

// A command with a shortcut, a menu item or both. Its reach while the edit
// panel is open is the engine's, by its action.
struct frmCalculator::CommandRow {
  Action action;
  const char* name;      // the QAction's object name
  const char* menuText;  // the tape menu's item; nullptr: a shortcut only
  bool separatorBefore;  // in the menu
  int keys;              // the shortcut, a QKeyCombination's combined value; 0: none
  Offered offered;
  bool checkable;
  void (frmCalculator::*run)();
};

std::span<const frmCalculator::CommandRow> frmCalculator::CommandTable() {
  // Shortcuts of the whole window: none of them is a character of the key
  // table, and a text field that takes the same keys (the edit panel's)
  // keeps them for itself. Menu items in menu order.
  constexpr int kCtrl = Qt::CTRL;
  constexpr int kShift = Qt::SHIFT;
  // clang-format off
  static constexpr CommandRow kRows[] = {
      {Action::CopyDisplay, "actCopyDisplay", nullptr, false, kCtrl | Qt::Key_C, Offered::Always, false, &frmCalculator::CopyDisplay},
      {Action::Paste, "actPaste", nullptr, false, kCtrl | Qt::Key_V, Offered::Always, false, &frmCalculator::PasteNumber},
      {Action::Undo, "mnuUndo", "Desfazer", false, kCtrl | Qt::Key_Z, Offered::CanUndo, false, &frmCalculator::UndoStep},
      {Action::Redo, "mnuRedo", "Refazer", false, kCtrl | kShift | Qt::Key_Z, Offered::CanRedo, false, &frmCalculator::RedoStep},
      {Action::Redo, "actRedoAlso", nullptr, false, kCtrl | Qt::Key_Y, Offered::Always, false, &frmCalculator::RedoStep},
      {Action::CopyLine, "actCopyLine", "Copiar esta linha", true, 0, Offered::OnALine, false, &frmCalculator::CopyMenuLine},
      {Action::CopyTape, "actCopyTape", "Copiar a fita", false, kCtrl | kShift | Qt::Key_C, Offered::WithLines, false, &frmCalculator::CopyTape},
      {Action::NoteLine, "actNoteLine", "Anotar linha…", true, kCtrl | Qt::Key_N, Offered::OnALine, false, &frmCalculator::AnnotateLine},
      {Action::UseNumber, "actUseNumber", "Usar este número", false, 0, Offered::OnANumber, false, &frmCalculator::UseLineNumber},
      // Its key, Delete, is the tape's own while it has the focus.
      {Action::DeleteLine, "actDeleteLine", "Apagar linha", false, 0, Offered::OnAnOperand, false, &frmCalculator::DeleteLine},
      {Action::InsertLine, "actInsertLine", "Inserir linha antes…", false, 0, Offered::OnAnOperand, false, &frmCalculator::InsertLine},
      {Action::SaveTape, "actSaveTape", "Salvar a fita…", true, kCtrl | Qt::Key_S, Offered::WithLines, false, &frmCalculator::SaveTape},
      {Action::OpenTape, "actOpenTape", "Abrir uma fita…", false, kCtrl | Qt::Key_O, Offered::Always, false, &frmCalculator::OpenTape},
      {Action::ExportCsv, "actExportCsv", "Exportar CSV…", true, 0, Offered::WithLines, false, &frmCalculator::ExportCsv},
      {Action::ExportPdf, "actExportPdf", "Exportar PDF…", false, 0, Offered::WithLines, false, &frmCalculator::ExportPdf},
      {Action::AddMode, "actAddMode", "Modo adição", true, 0, Offered::Always, true, &frmCalculator::ToggleAddMode},
      {Action::Keeping, "actKeeping", "Continuar de onde parei", false, 0, Offered::Always, true, &frmCalculator::ToggleKeeping},
  };
  // clang-format on
  return kRows;
}

void frmCalculator::CreateDocumentActions() {
  for (const CommandRow& row : CommandTable()) {
    auto* action = new QAction(this);
    action->setObjectName(QString::fromUtf8(row.name));
    if (row.menuText) action->setText(QString::fromUtf8(row.menuText));
    if (row.keys != 0) {
      action->setShortcut(QKeySequence(QKeyCombination::fromCombined(row.keys)));
      action->setShortcutContext(Qt::WindowShortcut);
    }
    action->setCheckable(row.checkable);
    // The one question every command asks before it runs.
    connect(action, &QAction::triggered, this, [this, &row] {
      if (calc_.Reachable(row.action)) (this->*row.run)();
    });
    addAction(action);
    commands_.emplace_back(&row, action);
  }
}

QAction* frmCalculator::CommandAction(Action action) const {
  for (const auto& [row, qaction] : commands_) {
    if (row->action == action) return qaction;
  }
  return nullptr;
}

void frmCalculator::contextMenuEvent(QContextMenuEvent* event) {
  if (!calc_.Reachable(Action::TapeMenu)) return;
  if (event->reason() == QContextMenuEvent::Mouse) {
    // The menu is the tape's: a right click elsewhere opens nothing.
    QWidget* viewport = lstTape_->viewport();
    const QPoint at = viewport->mapFromGlobal(event->globalPos());
    if (!viewport->rect().contains(at)) return;
    ShowTapeMenu(event->globalPos(), lstTape_->indexAt(at).row());
  } else {
    ShowTapeMenu({}, calc_.GetTape().Selected());
  }
  event->accept();
}

void frmCalculator::ShowTapeMenu(const QPoint& globalPos, int row) {
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("mnuTape"));
  menuRow_ = row;
  const bool onALine = row >= 0 && row < calc_.GetTape().Count();
  const bool lines = !calc_.GetTape().Empty();
  const TapeLineKind kind = ClassifyTapeLine(calc_.GetTape().Text(row)).kind;
  const bool operand = onALine && IsOperand(kind);
  const bool numbered = onALine && kind != TapeLineKind::Separator && kind != TapeLineKind::Other;
  const auto offered = [&](Offered when) {
    switch (when) {
      case Offered::Always: return true;
      case Offered::WithLines: return lines;
      case Offered::OnALine: return onALine;
      case Offered::OnANumber: return numbered;
      case Offered::OnAnOperand: return operand;
      case Offered::CanUndo: return history_.CanUndo();
      case Offered::CanRedo: return history_.CanRedo();
    }
    return false;
  };
  for (const auto& [command, action] : commands_) {
    if (!command->menuText) continue;
    if (command->separatorBefore) menu.addSeparator();
    action->setEnabled(offered(command->offered));
    if (command->checkable) action->setChecked(CommandChecked(command->action));
    menu.addAction(action);
  }

  QPoint at = globalPos;
  if (at.isNull()) {
    // From the keyboard: beside the selected line, or the tape's corner.
    const QRect line = row >= 0 ? lstTape_->visualRect(tapeModel_.index(row)) : QRect();
    at = lstTape_->viewport()->mapToGlobal(
        line.isValid() && lstTape_->viewport()->rect().intersects(line) ? line.center()
                                                                        : QPoint(4, 4));
  }
  menu.exec(at);
  // A shortcut after the menu works on the selected line.
  menuRow_ = -1;
  // What the menu offers is the menu's: the shortcuts work as before.
  for (const auto& [command, action] : commands_) action->setEnabled(true);
  FocusSink();
}

bool frmCalculator::CommandChecked(Action action) const {
  switch (action) {
    case Action::Keeping: return kept_ != nullptr;
    case Action::AddMode: return calc_.State().AddMode;
    default: return false;
  }
}

void frmCalculator::CopyMenuLine() { CopyLine(menuRow_); }

void frmCalculator::SelectMenuRow() {
  // From the menu, the command works on the line it was opened on.
  if (menuRow_ >= 0 && menuRow_ != calc_.GetTape().Selected()) {
    Run([&] { calc_.lstTape_Click(menuRow_); });
  }
}

void frmCalculator::ToggleAddMode() {
  if (QAction* addMode = CommandAction(Action::AddMode)) SetAddMode(addMode->isChecked());
}

void frmCalculator::ToggleKeeping() {
  if (QAction* keep = CommandAction(Action::Keeping)) SetKeeping(keep->isChecked());
}

QString frmCalculator::ChooseFile(bool save, const QString& title, const QString& typeName,
                                  const QString& suffix) {
  // The kind of file first ("Fitas (*.txt)"), then every file.
  const QString filter = typeName + QStringLiteral(" (*.") + suffix +
                         QStringLiteral(");;Todos os arquivos (*)");
  QFileDialog dialog(this, title, lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_, filter);
  dialog.setObjectName(QStringLiteral("dlgFile"));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(suffix);
  const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  FocusSink();
  if (!chosen) return {};
  const QString path = dialog.selectedFiles().first();
  lastFolder_ = QFileInfo(path).absolutePath();
  return path;
}

void frmCalculator::CopyDisplay() {
  QGuiApplication::clipboard()->setText(ToQString(calc_.DisplayNumberText()));
}

void frmCalculator::CopyTape() {
  QGuiApplication::clipboard()->setText(ToQString(TapeCopyText(calc_.GetTape())));
}

void frmCalculator::CopyLine(int row) {
  if (row < 0 || row >= calc_.GetTape().Count()) return;
  QGuiApplication::clipboard()->setText(ToQString(calc_.GetTape().Text(row)));
}

void frmCalculator::AnnotateLine() {
  SelectMenuRow();
  const Tape& tape = calc_.GetTape();
  const int row = tape.Selected();
  if (row < 0 || row >= tape.Count()) return;
  QInputDialog dialog(this);
  dialog.setObjectName(QStringLiteral("dlgNote"));
  dialog.setWindowTitle(QStringLiteral("Anotar linha"));
  dialog.setLabelText(QStringLiteral("Nota da linha \u201C%1\u201D (até %2 caracteres; vazia, "
                                     "a nota é apagada):")
                          .arg(ToQString(tape.Text(row)))
                          .arg(kMaxNoteLength));
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setTextValue(ToQString(tape.Line(row).note));
  dialog.setOkButtonText(QStringLiteral("Gravar"));
  dialog.setCancelButtonText(QStringLiteral("Cancelar"));
  if (auto* field = dialog.findChild<QLineEdit*>()) {
    field->setMaxLength(static_cast<int>(kMaxNoteLength));
    field->setAccessibleName(QStringLiteral("Nota"));
  }
  const bool accepted = dialog.exec() == QDialog::Accepted;
  FocusSink();
  if (!accepted) return;
  const std::string note = ToUtf8(dialog.textValue());
  Run([&] { calc_.SetSelectedNote(note); });
}

void frmCalculator::DeleteLine() {
  SelectMenuRow();
  Run([&] { calc_.cmdDeleteLine_Click(); });
}

void frmCalculator::InsertLine() {
  SelectMenuRow();
  Run([&] { calc_.cmdInsertLine_Click(); });
  ShowChangePanel();
}

void frmCalculator::UseLineNumber() {
  SelectMenuRow();
  Run([&] { calc_.cmdUseNumber_Click(); });
}

void frmCalculator::PasteNumber() {
  const std::string text = ToUtf8(QGuiApplication::clipboard()->text());
  Run([&] { calc_.Paste(text); });
}

void frmCalculator::SaveTape() {
  const QString path =
      ChooseFile(true, QStringLiteral("Salvar a fita"), TapeFiles(), TapeSuffix());
  bool saved = false;
  if (!path.isEmpty()) Run([&] { saved = documents_.Save(path); });
  if (saved) tapeSavedAt_ = history_.TapeEdits();
}

void frmCalculator::OpenTape() {
  const QString path =
      ChooseFile(false, QStringLiteral("Abrir uma fita"), TapeFiles(), TapeSuffix());
  bool opened = false;
  if (!path.isEmpty()) Run([&] { opened = documents_.Open(path); });
  if (opened) tapeSavedAt_ = history_.TapeEdits();
}

void frmCalculator::ExportCsv() {
  const QString path = ChooseFile(true, QStringLiteral("Exportar a fita como CSV"),
                                  QStringLiteral("Planilhas CSV"), QStringLiteral("csv"));
  if (!path.isEmpty()) Run([&] { documents_.ExportCsv(path); });
}

void frmCalculator::ExportPdf() {
  const QString path = ChooseFile(true, QStringLiteral("Exportar a fita como PDF"),
                                  QStringLiteral("Documentos PDF"), QStringLiteral("pdf"));
  if (!path.isEmpty()) Run([&] { documents_.ExportPdf(path); });
}

void frmCalculator::StartKeeping(bool restore) {
  if (!syncConnected_) {
    syncConnected_ = true;
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] {
      if (kept_) kept_->Sync();
    });
  }
  kept_ = std::make_unique<host::KeptSession>(
      options_.keptSession.isEmpty() ? host::KeptSession::DefaultPath() : options_.keptSession);
  const host::Resumed resumed = host::ResumeKeptSession(*kept_, calc_, restore);
  if (resumed.restored) {
    // A session put back starts with nothing to undo.
    history_.Clear();
    ShowLabels();
    ShowDecimalPlaces();
    ShowTapeSelection(calc_.GetTape().Selected());
  }
  for (const QString& notice : resumed.notices) TellLater(notice);
  if (!resumed.keeping) kept_.reset();
}

void frmCalculator::SetKeeping(bool keep) {
  host::StoreKeepSession(keep);
  if (keep && !kept_) {
    // From now on: the calculator as it is, not an older session.
    StartKeeping(false);
  } else if (!keep && kept_) {
    kept_->Stop(true);
    kept_.reset();
  }
}

void frmCalculator::SetAddMode(bool on) {
  host::StoreAddMode(on);
  Run([&] { calc_.SetAddMode(on); });
}

void frmCalculator::TellLater(const QString& text) {
  // After the window is on the screen, not while it is being made.
  QTimer::singleShot(0, this, [this, text] {
    ShowMessageBox({kProgramTitle, text.toStdString(), MessageIcon::Exclamation});
  });
}

void frmCalculator::OfferPdfInsteadOfPrinter() {
  if (AskYesNo({kProgramTitle, kNoPrinterQuestion, MessageIcon::Question})) ExportPdf();
}

}  // namespace tally::ui

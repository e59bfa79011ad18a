// The window's clipboard shortcuts, the tape's menu, and the tape saved,
// opened and exported as a document.

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDate>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QKeySequence>
#include <QMenu>
#include <QMimeData>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSignalBlocker>
#include <QTimer>
#include <QUrl>

#include "host/settings.h"
#include "identity.h"
#include "print/tape_printer.h"
#include "qt_text.h"
#include "tape/line_kind.h"
#include "tape/tape_file.h"
#include "ui/frm_calculator.h"
#include "ui/help_window.h"

namespace tally::ui {
namespace {

constexpr const char* kNoPrinterQuestion =
    "Nenhuma impressora está disponível. Deseja salvar a fita como PDF?";

// Tapes are text files of their own type; plain text files open as well.
QString TapeFiles() { return QStringLiteral("Fitas"); }
QStringList TapeSuffixes() { return {QStringLiteral("fita"), QStringLiteral("txt")}; }

constexpr const char* kRecentTapeGone =
    "A fita \"%1\" não existe mais e foi retirada das fitas recentes.";

// The first local file among dropped addresses; empty when there is none.
QString DroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) return url.toLocalFile();
  }
  return {};
}

}  // namespace

// When a command's item is offered in the tape's menu.
enum class frmCalculator::Offered : std::uint8_t {
  Always,
  WithLines,  // the tape has lines
  WithRecent, // a tape was opened or saved before
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
      {Action::RecentTape, "actRecentTapes", "Fitas recentes", false, 0, Offered::WithRecent, false, nullptr},
      {Action::ExportCsv, "actExportCsv", "Exportar CSV…", true, 0, Offered::WithLines, false, &frmCalculator::ExportCsv},
      {Action::ExportPdf, "actExportPdf", "Exportar PDF…", false, 0, Offered::WithLines, false, &frmCalculator::ExportPdf},
      {Action::PrintPreview, "actPrintPreview", "Imprimir…", false, kCtrl | Qt::Key_P, Offered::WithLines, false, &frmCalculator::PrintWithPreview},
      {Action::AddMode, "actAddMode", "Modo adição", true, 0, Offered::Always, true, &frmCalculator::ToggleAddMode},
      {Action::Keeping, "actKeeping", "Continuar de onde parei", false, 0, Offered::Always, true, &frmCalculator::ToggleKeeping},
      {Action::Help, "actHelp", "Ajuda", true, Qt::Key_F1, Offered::Always, false, &frmCalculator::ShowHelp},
      // "%1" is the program's name.
      {Action::About, "actAbout", "Sobre o %1", false, 0, Offered::Always, false, &frmCalculator::ShowAboutBox},
      {Action::Zoom, "actZoomIn", nullptr, false, kCtrl | Qt::Key_Plus, Offered::Always, false, &frmCalculator::ZoomIn},
      {Action::Zoom, "actZoomOut", nullptr, false, kCtrl | Qt::Key_Minus, Offered::Always, false, &frmCalculator::ZoomOut},
      {Action::Zoom, "actZoomReset", nullptr, false, kCtrl | Qt::Key_0, Offered::Always, false, &frmCalculator::ZoomReset},
  };
  // clang-format on
  return kRows;
}

void frmCalculator::CreateDocumentActions() {
  for (const CommandRow& row : CommandTable()) {
    auto* action = new QAction(this);
    action->setObjectName(QString::fromUtf8(row.name));
    if (row.menuText) {
      QString text = QString::fromUtf8(row.menuText);
      if (text.contains(QLatin1String("%1"))) text = text.arg(QString::fromUtf8(kProgramTitle));
      action->setText(text);
    }
    if (row.keys != 0) {
      QList<QKeySequence> keys{QKeySequence(QKeyCombination::fromCombined(row.keys))};
      // Larger takes Ctrl+= too: the same key without Shift on most layouts.
      if (row.run == &frmCalculator::ZoomIn) keys << QKeySequence(Qt::CTRL | Qt::Key_Equal);
      action->setShortcuts(keys);
      action->setShortcutContext(Qt::WindowShortcut);
    }
    action->setCheckable(row.checkable);
    // The one question every command asks before it runs.
    connect(action, &QAction::triggered, this, [this, &row] {
      if (row.run && calc_.Reachable(row.action)) (this->*row.run)();
    });
    addAction(action);
    commands_.emplace_back(&row, action);
  }
  // The recent tapes are a submenu, filled afresh each time the tape's menu
  // opens.
  recentMenu_ = new QMenu(this);
  recentMenu_->setObjectName(QStringLiteral("mnuRecentTapes"));
  CommandAction(Action::RecentTape)->setMenu(recentMenu_);
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
  FillRecentTapes();
  const bool recent = !recentMenu_->isEmpty();
  const TapeLineKind kind = ClassifyTapeLine(calc_.GetTape().Text(row)).kind;
  const bool operand = onALine && IsOperand(kind);
  const bool numbered = onALine && kind != TapeLineKind::Separator && kind != TapeLineKind::Other;
  const auto offered = [&](Offered when) {
    switch (when) {
      case Offered::Always: return true;
      case Offered::WithLines: return lines;
      case Offered::WithRecent: return recent;
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
                                  const QStringList& suffixes, const QString& suggested) {
  // The kind of file first ("Fitas (*.fita *.txt)"), then every file.
  QStringList patterns;
  for (const QString& suffix : suffixes) patterns << QStringLiteral("*.") + suffix;
  const QString filter = typeName + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                         QStringLiteral(");;Todos os arquivos (*)");
  // A kept folder that has gone since is no place to start.
  const QString folder =
      !lastFolder_.isEmpty() && QFileInfo(lastFolder_).isDir() ? lastFolder_ : QDir::homePath();
  QFileDialog dialog(this, title, folder, filter);
  dialog.setObjectName(QStringLiteral("dlgFile"));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(suffixes.value(0));
  if (!suggested.isEmpty()) dialog.selectFile(suggested);
  const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  FocusSink();
  if (!chosen) return {};
  const QString path = dialog.selectedFiles().first();
  lastFolder_ = QFileInfo(path).absolutePath();
  host::StoreLastFolder(lastFolder_);
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
  // Today's tape by its date: "fita-2026-12-10.fita".
  const QString suggested = QStringLiteral("fita-") +
                            QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) +
                            QStringLiteral(".") + TapeSuffixes().first();
  const QString path =
      ChooseFile(true, QStringLiteral("Salvar a fita"), TapeFiles(), TapeSuffixes(), suggested);
  if (path.isEmpty()) return;
  bool saved = false;
  Run([&] { saved = documents_.Save(path); });
  if (!saved) return;
  tapeSavedAt_ = history_.TapeEdits();
  host::AddRecentTape(QFileInfo(path).absoluteFilePath());
}

void frmCalculator::OpenTape() {
  const QString path =
      ChooseFile(false, QStringLiteral("Abrir uma fita"), TapeFiles(), TapeSuffixes());
  if (!path.isEmpty()) OpenTapeFile(path);
}

void frmCalculator::OpenTapeFile(const QString& path) {
  bool opened = false;
  Run([&] { opened = documents_.Open(path); });
  if (!opened) return;
  tapeSavedAt_ = history_.TapeEdits();
  host::AddRecentTape(QFileInfo(path).absoluteFilePath());
}

void frmCalculator::OpenAtStart(const QString& path) {
  if (path.isEmpty()) return;
  // Queued behind the kept session's notice, which is queued the same way.
  QTimer::singleShot(0, this, [this, path] {
    if (calc_.Reachable(Action::OpenTape)) OpenTapeFile(path);
  });
}

void frmCalculator::FillRecentTapes() {
  recentMenu_->clear();
  const QStringList tapes = host::StoredRecentTapes();
  for (qsizetype i = 0; i < tapes.size(); ++i) {
    const QString& path = tapes[i];
    const QFileInfo info(path);
    // "&1 caixa.fita (/home/ana)": the number picks it from the keyboard.
    QString name = info.fileName() + QStringLiteral(" (") +
                   QDir::toNativeSeparators(info.absolutePath()) + QStringLiteral(")");
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* item = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
    item->setData(path);
    connect(item, &QAction::triggered, this, [this, path] {
      if (calc_.Reachable(Action::RecentTape)) OpenRecentTape(path);
    });
  }
}

void frmCalculator::OpenRecentTape(const QString& path) {
  if (!QFileInfo::exists(path)) {
    host::RemoveRecentTape(path);
    ShowMessageBox({kProgramTitle,
                    QString::fromUtf8(kRecentTapeGone).arg(path).toStdString(),
                    MessageIcon::Exclamation});
    FocusSink();
    return;
  }
  OpenTapeFile(path);
}

void frmCalculator::dragEnterEvent(QDragEnterEvent* event) {
  if (calc_.Reachable(Action::OpenTape) && !DroppedFile(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
  }
}

void frmCalculator::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty() || !calc_.Reachable(Action::OpenTape)) return;
  event->acceptProposedAction();
  // Opened once the drop is over: the question it may ask must not keep
  // the program the file came from waiting.
  QTimer::singleShot(0, this, [this, path] {
    if (calc_.Reachable(Action::OpenTape)) OpenTapeFile(path);
  });
}

void frmCalculator::ExportCsv() {
  const QString path = ChooseFile(true, QStringLiteral("Exportar a fita como CSV"),
                                  QStringLiteral("Planilhas CSV"), {QStringLiteral("csv")});
  if (!path.isEmpty()) Run([&] { documents_.ExportCsv(path); });
}

void frmCalculator::ExportPdf() {
  const QString path = ChooseFile(true, QStringLiteral("Exportar a fita como PDF"),
                                  QStringLiteral("Documentos PDF"), {QStringLiteral("pdf")});
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

void frmCalculator::PrintWithPreview() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QString::fromUtf8(kProgramTitle));
  printer.setPageOrientation(QPageLayout::Portrait);
  // Without a printer the job goes to a file, on the page of the PDF export.
  if (QPrinterInfo::defaultPrinter().isNull()) printer.setPageLayout(print::PdfPageLayout(QLocale()));
  QPrintPreviewDialog dialog(&printer, this);
  dialog.setObjectName(QStringLiteral("dlgPrintPreview"));
  dialog.setWindowTitle(QStringLiteral("Imprimir a fita"));
  // The tape as it is when each page is drawn.
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
    print::PaintTape(*target, calc_.GetTape(), QLocale());
  });
  dialog.exec();
  FocusSink();
}

void frmCalculator::ShowHelp() {
  if (!help_) {
    std::vector<HelpRow> menu;
    for (const auto& [command, action] : commands_) {
      if (!command->menuText) continue;
      menu.push_back({action->text(), action->shortcut().toString(QKeySequence::NativeText)});
    }
    help_ = new HelpWindow(HelpHtml(ReadManualHelp(BuiltInManual()), menu), this);
  }
  help_->show();
  help_->raise();
  help_->activateWindow();
}

void frmCalculator::ShowAboutBox() {
  ShowAbout(this);
  FocusSink();
}

void frmCalculator::OfferPdfInsteadOfPrinter() {
  if (AskYesNo({kProgramTitle, kNoPrinterQuestion, MessageIcon::Question})) ExportPdf();
}

}  // namespace tally::ui

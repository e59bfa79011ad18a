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
#include "tape/line_kind.h"
#include "tape/tape_file.h"
#include "ui/frm_calculator.h"

namespace tally::ui {
namespace {

constexpr const char* kNoPrinterQuestion =
    "Nenhuma impressora está disponível. Deseja salvar a fita como PDF?";

}  // namespace

void frmCalculator::CreateDocumentActions() {
  // Shortcuts of the whole window: none of them is a character of the key
  // table, and a text field that takes the same keys (the edit panel's) keeps
  // them for itself.
  const auto shortcut = [this](const QKeySequence& keys, void (frmCalculator::*slot)()) {
    auto* action = new QAction(this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, slot);
    addAction(action);
  };
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_C), &frmCalculator::CopyDisplay);
  shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), &frmCalculator::CopyTape);
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_V), &frmCalculator::PasteNumber);
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), &frmCalculator::SaveTape);
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_O), &frmCalculator::OpenTape);
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_N), &frmCalculator::AnnotateLine);
}

void frmCalculator::contextMenuEvent(QContextMenuEvent* event) {
  if (fraChangeTape_->isVisible()) return;
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
  const auto item = [&](const QString& text, const QKeySequence& keys, auto&& run,
                        bool enabled = true) {
    QAction* action = menu.addAction(text);
    action->setShortcut(keys);
    action->setEnabled(enabled);
    connect(action, &QAction::triggered, this, run);
    return action;
  };
  const bool lines = !calc_.GetTape().Empty();
  const bool onLine = row >= 0 && row < calc_.GetTape().Count();
  item(
      QStringLiteral("Copiar esta linha"), {}, [this, row] { CopyLine(row); }, onLine);
  item(
      QStringLiteral("Copiar a fita"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
      [this] { CopyTape(); }, lines);
  menu.addSeparator();
  // The worksheet's commands work on the line the menu was opened on.
  const auto onRow = [this, row](void (frmCalculator::*command)()) {
    return [this, row, command] {
      if (row != calc_.GetTape().Selected()) Run([&] { calc_.lstTape_Click(row); });
      (this->*command)();
    };
  };
  const TapeLineKind kind = ClassifyTapeLine(calc_.GetTape().Text(row)).kind;
  const bool operand = onLine && IsOperand(kind);
  const bool numbered =
      onLine && kind != TapeLineKind::Separator && kind != TapeLineKind::Other;
  item(QStringLiteral("Anotar linha…"), QKeySequence(Qt::CTRL | Qt::Key_N),
       onRow(&frmCalculator::AnnotateLine), onLine);
  item(QStringLiteral("Usar este número"), {}, onRow(&frmCalculator::UseLineNumber), numbered);
  item(QStringLiteral("Apagar linha"), QKeySequence(Qt::Key_Delete),
       onRow(&frmCalculator::DeleteLine), operand);
  item(QStringLiteral("Inserir linha antes…"), {}, onRow(&frmCalculator::InsertLine), operand);
  menu.addSeparator();
  item(
      QStringLiteral("Salvar a fita…"), QKeySequence(Qt::CTRL | Qt::Key_S), [this] { SaveTape(); },
      lines);
  item(QStringLiteral("Abrir uma fita…"), QKeySequence(Qt::CTRL | Qt::Key_O),
       [this] { OpenTape(); });
  menu.addSeparator();
  item(
      QStringLiteral("Exportar CSV…"), {}, [this] { ExportCsv(); }, lines);
  item(
      QStringLiteral("Exportar PDF…"), {}, [this] { ExportPdf(); }, lines);
  menu.addSeparator();
  QAction* keep = menu.addAction(QStringLiteral("Continuar de onde parei"));
  keep->setCheckable(true);
  keep->setChecked(kept_ != nullptr);
  connect(keep, &QAction::toggled, this, [this](bool on) { SetKeeping(on); });

  QPoint at = globalPos;
  if (at.isNull()) {
    // From the keyboard: beside the selected line, or the tape's corner.
    const QRect line = row >= 0 ? lstTape_->visualRect(tapeModel_.index(row)) : QRect();
    at = lstTape_->viewport()->mapToGlobal(
        line.isValid() && lstTape_->viewport()->rect().intersects(line) ? line.center()
                                                                        : QPoint(4, 4));
  }
  menu.exec(at);
  FocusSink();
}

QString frmCalculator::ChooseFile(bool save, const QString& title, const QString& filter,
                                  const QString& suffix) {
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
  if (fraChangeTape_->isVisible()) return;
  QGuiApplication::clipboard()->setText(QString::fromStdString(calc_.DisplayNumberText()));
}

void frmCalculator::CopyTape() {
  if (fraChangeTape_->isVisible()) return;
  QGuiApplication::clipboard()->setText(QString::fromStdString(TapeFileText(calc_.GetTape())));
}

void frmCalculator::CopyLine(int row) {
  if (row < 0 || row >= calc_.GetTape().Count()) return;
  QGuiApplication::clipboard()->setText(QString::fromStdString(calc_.GetTape().Text(row)));
}

void frmCalculator::AnnotateLine() {
  if (fraChangeTape_->isVisible()) return;
  const Tape& tape = calc_.GetTape();
  const int row = tape.Selected();
  if (row < 0 || row >= tape.Count()) return;
  QInputDialog dialog(this);
  dialog.setObjectName(QStringLiteral("dlgNote"));
  dialog.setWindowTitle(QStringLiteral("Anotar linha"));
  dialog.setLabelText(QStringLiteral("Nota da linha \u201C%1\u201D (até %2 caracteres; vazia, "
                                     "a nota é apagada):")
                          .arg(QString::fromStdString(tape.Text(row)))
                          .arg(kMaxNoteLength));
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setTextValue(QString::fromStdString(tape.Line(row).note));
  dialog.setOkButtonText(QStringLiteral("Gravar"));
  dialog.setCancelButtonText(QStringLiteral("Cancelar"));
  if (auto* field = dialog.findChild<QLineEdit*>()) {
    field->setMaxLength(static_cast<int>(kMaxNoteLength));
    field->setAccessibleName(QStringLiteral("Nota"));
  }
  const bool accepted = dialog.exec() == QDialog::Accepted;
  FocusSink();
  if (!accepted) return;
  const std::string note = dialog.textValue().toStdString();
  Run([&] { calc_.SetSelectedNote(note); });
}

void frmCalculator::DeleteLine() {
  if (fraChangeTape_->isVisible()) return;
  Run([&] { calc_.cmdDeleteLine_Click(); });
}

void frmCalculator::InsertLine() {
  if (fraChangeTape_->isVisible()) return;
  Run([&] { calc_.cmdInsertLine_Click(); });
  ShowChangePanel();
}

void frmCalculator::UseLineNumber() {
  if (fraChangeTape_->isVisible()) return;
  Run([&] { calc_.cmdUseNumber_Click(); });
}

void frmCalculator::PasteNumber() {
  if (fraChangeTape_->isVisible()) return;
  const std::string text = QGuiApplication::clipboard()->text().toStdString();
  Run([&] { calc_.Paste(text); });
}

void frmCalculator::SaveTape() {
  if (fraChangeTape_->isVisible()) return;
  const QString path =
      ChooseFile(true, QStringLiteral("Salvar a fita"),
                 QStringLiteral("Fitas (*.txt);;Todos os arquivos (*)"), QStringLiteral("txt"));
  if (!path.isEmpty()) Run([&] { documents_.Save(path); });
}

void frmCalculator::OpenTape() {
  if (fraChangeTape_->isVisible()) return;
  const QString path =
      ChooseFile(false, QStringLiteral("Abrir uma fita"),
                 QStringLiteral("Fitas (*.txt);;Todos os arquivos (*)"), QStringLiteral("txt"));
  if (!path.isEmpty()) Run([&] { documents_.Open(path); });
}

void frmCalculator::ExportCsv() {
  if (fraChangeTape_->isVisible()) return;
  const QString path = ChooseFile(true, QStringLiteral("Exportar a fita como CSV"),
                                  QStringLiteral("Planilhas CSV (*.csv);;Todos os arquivos (*)"),
                                  QStringLiteral("csv"));
  if (!path.isEmpty()) Run([&] { documents_.ExportCsv(path); });
}

void frmCalculator::ExportPdf() {
  if (fraChangeTape_->isVisible()) return;
  const QString path = ChooseFile(true, QStringLiteral("Exportar a fita como PDF"),
                                  QStringLiteral("Documentos PDF (*.pdf);;Todos os arquivos (*)"),
                                  QStringLiteral("pdf"));
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
  host::KeptSession::Found found = kept_->Load();
  if (restore && found.snapshot) {
    calc_.Restore(std::move(*found.snapshot));
    ShowLabels();
    // The list shows the choice the session had, and nothing is stored.
    const std::string& picture = calc_.State().NumberFormat;
    const QSignalBlocker quiet(cboDecPlace_);
    cboDecPlace_->setCurrentIndex(picture.empty() ? -1 : static_cast<int>(picture.size()) - 3);
    ShowTapeSelection(calc_.GetTape().Selected());
  }
  if (!found.notice.isEmpty()) TellLater(found.notice);
  QString error;
  if (!kept_->Start(calc_, &error)) {
    if (found.notice.isEmpty()) {
      TellLater(QStringLiteral("A sessão não pode ser guardada: %1.").arg(error));
    }
    kept_.reset();
  }
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

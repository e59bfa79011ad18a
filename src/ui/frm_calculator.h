#pragma once
// The main window of the calculator.
//
// How keys and clicks flow: a click on a button, or a key typed on the window,
// the tape list or the invisible focus sink `picSetFocus` (turned into its
// Windows-1252 code), calls the matching operation of the Calculator. The
// operation changes the calculator state and the tape, and asks the window,
// through the CalculatorHost interface it implements, for what only a window
// can do: a modal message box, a record in the error log, the focus back in
// the sink, printing, closing, storing the decimal places. When it returns,
// the window copies the calculator's label texts to its labels; the tape list
// has already followed the tape through its model. No widget holds any
// arithmetic state, and nothing here computes.
//
// The window opens at its designed size, which is also its smallest; room
// it gains goes to the tape, while the keypad side keeps its size.

#include <QRect>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/calculator.h"
#include "engine/undo_history.h"
#include "host/error_log.h"
#include "host/kept_session.h"
#include "host/tape_documents.h"
#include "ui/controls.h"
#include "ui/number_label.h"
#include "ui/tape_model.h"
#include "ui/tape_view.h"

class QAction;
class QComboBox;
class QDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class QUrl;

namespace tally::ui {

class ZoomStyle;

class frmCalculator final : public QWidget, public CalculatorHost {
  Q_OBJECT

 public:
  struct Options {
    std::string decimalSeparator = ",";
    host::ErrorLog::Environment errorLog;
    // Where the session is kept when the user asks for it; empty: the
    // per-user data folder.
    QString keptSession;
  };
  // The locale's decimal separator; the error log next to the executable or
  // in the user's data folder, with the login and host names.
  static Options DefaultOptions();

  explicit frmCalculator(Options options = DefaultOptions(), QWidget* parent = nullptr);
  ~frmCalculator() override;

  const Calculator& calculator() const { return calc_; }
  const UndoHistory& history() const { return history_; }
  // The zoom in percent, 100 to 300.
  int Zoom() const { return zoom_; }

  // Opens the tape file named on the command line, as "Abrir" does, once
  // the window is on the screen; after the kept session's own notice.
  void OpenAtStart(const QString& path);
  // For set-ups that would take a user too long (a note on every line of a
  // full tape): the tape's view follows, the labels wait for the next key.
  Calculator& calculator() { return calc_; }

  // Prints the tape; by default it goes to the default printer, and with no
  // printer the user is offered a PDF instead.
  using PrintHandler = std::function<void(const Tape&, QWidget*)>;
  void SetPrintHandler(PrintHandler handler) { print_ = std::move(handler); }

  // Hands an address to the desktop and calls `done` with whether it could
  // be opened, now or later; the default asks the desktop's opener.
  using LinkOpener = std::function<void(const QUrl&, std::function<void(bool)> done)>;
  void SetLinkOpener(LinkOpener opener) { openLink_ = std::move(opener); }

  // CalculatorHost
  void ShowMessageBox(const MessageBoxRequest& request) override;
  bool AskYesNo(const MessageBoxRequest& request) override;
  void AppendErrorLog(const ErrorInfo& error) override;
  void FocusSink() override;
  void PrintTape() override;
  void CloseWindow() override;
  void StoreDecimalPlaces(int places) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // A tape file dropped on the window opens as "Abrir" opens it.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateDisplay();
  void CreateKeypad();
  void CreateTape();
  void CreateLinks();
  void CreateChangeTapePanel();

  // Runs one calculator operation, then shows the labels it wrote; the
  // operation is one step of the undo history unless it is an undo itself.
  void Run(const std::function<void()>& operation, bool step = true);
  void UndoStep();
  void RedoStep();
  void ShowDecimalPlaces();
  // A typed "S" or "X" that would lose an unsaved tape asks first; false
  // when the user keeps the window.
  bool MayCloseByLetter();
  void ShowLabels();
  KeyForward ForwardTypedKey(const QKeyEvent& event);
  void ShowTapeSelection(int row);
  // Shows the edit panel as the calculator has it; while it is open nothing
  // behind it takes a click, a key or the focus.
  void ShowChangePanel();
  void CancelChange();
  void Form_Resize();
  // Tells the user an address could not be opened, and shows it for copying.
  void OpenLink(const QUrl& url, const QString& shown, const QString& failure);

  // The clipboard, the tape's menu and the tape as a document
  // (frm_calculator_documents.cpp). Every command with a shortcut or a menu
  // item is a row of CommandTable(), made into one QAction that the window
  // and the menu share; a new command is one more row and one more action
  // in the engine's panel reach.
  enum class Offered : std::uint8_t;
  struct CommandRow;
  static std::span<const CommandRow> CommandTable();
  void CreateDocumentActions();
  QAction* CommandAction(Action action) const;
  // Whether a checkable command's item shows a check.
  bool CommandChecked(Action action) const;
  void ShowTapeMenu(const QPoint& globalPos, int row);
  // A file dialog offering files of `typeName` ending in one of `suffixes`
  // (the first one is added to a name typed without), and any file; in the
  // folder last used, with `suggested` as the name when given.
  QString ChooseFile(bool save, const QString& title, const QString& typeName,
                     const QStringList& suffixes, const QString& suggested = {});
  void CopyDisplay();
  void CopyTape();
  void CopyLine(int row);
  void CopyMenuLine();
  // Selects the line the tape's menu was opened on, if it was.
  void SelectMenuRow();
  void ToggleAddMode();
  void ToggleKeeping();
  // The tape as a worksheet, on the selected line.
  void AnnotateLine();
  void DeleteLine();
  void InsertLine();
  void UseLineNumber();
  // Up, Down, Page Up, Page Down, Home, End and F2 from the calculator;
  // false for any other key.
  bool MoveOnTape(const QKeyEvent& event);
  void PasteNumber();
  void SaveTape();
  void OpenTape();
  // Opens `path` as "Abrir" does and lists it among the recent tapes.
  void OpenTapeFile(const QString& path);
  void OpenRecentTape(const QString& path);
  void FillRecentTapes();
  void ExportCsv();
  void ExportPdf();
  void OfferPdfInsteadOfPrinter();
  // "Imprimir…": the print dialog with its preview, drawing what "Imprimir"
  // prints.
  void PrintWithPreview();
  void ShowHelp();
  void ShowAboutBox();
  // The kept session: started at the window's start when the user chose it,
  // turned on and off from the tape's menu.
  void StartKeeping(bool restore);
  void SetKeeping(bool keep);
  // "Modo adição" in the tape's menu: kept in the settings.
  void SetAddMode(bool on);
  // Ctrl++, Ctrl+- and Ctrl+0: the whole window larger, smaller, at 100%.
  void ZoomIn();
  void ZoomOut();
  void ZoomReset();
  void SetZoom(int percent);
  // Places every control, and sizes every font, at the zoom.
  void ApplyZoom();
  void TellLater(const QString& text);
  void Idle();

  void Image1_Click();
  void Image2_Click();
  void Image3_Click();

  Options options_;
  host::ErrorLog errorLog_;
  Calculator calc_;
  // Declared after the calculator: it lets go of the tape before the tape goes.
  TapeModel tapeModel_;
  UndoHistory history_{calc_};
  // The history's count of tape edits when the tape was last saved or
  // opened.
  std::uint64_t tapeSavedAt_ = 0;
  host::TapeDocuments documents_;
  PrintHandler print_;
  LinkOpener openLink_;
  QString lastFolder_;
  QMenu* recentMenu_ = nullptr;
  QDialog* help_ = nullptr;
  int zoom_ = 100;
  // Made at the first zoom: the scroll bars' style at the zoom.
  ZoomStyle* zoomStyle_ = nullptr;
  std::vector<std::pair<const CommandRow*, QAction*>> commands_;
  // The line the tape's menu was opened on; -1 for none.
  int menuRow_ = -1;
  std::unique_ptr<host::KeptSession> kept_;
  bool syncConnected_ = false;
  QTimer* idleTimer_ = nullptr;
  int runDepth_ = 0;
  bool selectionPending_ = false;
  int closeRequests_ = 0;

  KeySink* picSetFocus_ = nullptr;
  NumberLabel* lblResult_ = nullptr;
  QLabel* lblOperator_ = nullptr;
  NumberLabel* lblGrandTotal_ = nullptr;
  QLabel* lblMemory_ = nullptr;
  QLabel* lblAddMode_ = nullptr;
  QComboBox* cboDecPlace_ = nullptr;
  TapeListView* lstTape_ = nullptr;
  QLabel* lblItems_ = nullptr;
  int shownItems_ = -1;
  // The tape area: its frame, drawn by the window, and the buttons under
  // the list, which follow the bottom-right corner as the window grows.
  QRect tapeFrame_;
  std::vector<std::pair<QWidget*, std::string_view>> tapeButtons_;
  QFrame* fraChangeTape_ = nullptr;
  QLabel* lblChangeFrom_ = nullptr;
  QLineEdit* txtChangeTo_ = nullptr;
  QComboBox* cboType_ = nullptr;
};

}  // namespace tally::ui

#include "ui/frm_calculator.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QUrl>

#include <malloc.h>

#include <algorithm>
#include <memory>

#include "engine/error_report.h"
#include "host/settings.h"
#include "identity.h"
#include "print/tape_printer.h"
#include "qt_text.h"
#include "tape/text_utils.h"
#include "ui/accessibility.h"
#include "ui/decimal_places_list.h"
#include "ui/fonts.h"
#include "ui/frm_licenca.h"
#include "ui/key_codes.h"
#include "ui/pictures.h"
#include "ui/window_layout.h"
#include "ui/zoom_style.h"

namespace tally::ui {
namespace {

const QColor kShapeBorder(96, 96, 96);
const QColor kShadowFill(150, 150, 150);

// The tape list's designed place at a zoom, which grows with the window.
QRect TapePlace(int zoom) { return Twips(PlaceOf("lstTape").place, zoom); }

// Remembers a widget's own font at 100%, the first time it is scaled.
const char* const kDesignedFont = "tallyrollerDesignedFont";

constexpr int kTextPx = 11;     // captions, lists and tooltips
constexpr int kDigitPx = 14;    // digit and point keys
constexpr int kDisplayPx = 20;  // display and operator label

QLabel* MakeLabel(QWidget* parent, std::string_view name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  Place(label, name);
  return label;
}

QPushButton* MakeButton(QWidget* parent, std::string_view name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  Place(button, name);
  return button;
}

// A background the program chooses comes with its text colour, so that no
// colour scheme of the desktop can make the text vanish into it.
void SetColours(QWidget* widget, const QColor& background, const QColor& text) {
  widget->setAutoFillBackground(true);
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, background);
  palette.setColor(QPalette::WindowText, text);
  widget->setPalette(palette);
}

// Stands a label beside a one-line text field so that their texts share one
// line: the label is as high as the field, and its text starts where the
// field centres its line inside its frame.
void AlignWithField(QLabel* label, QLineEdit* field) {
  QStyleOptionFrame frame;
  frame.initFrom(field);
  frame.rect = field->rect();
  frame.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, field);
  frame.midLineWidth = 0;
  frame.state |= QStyle::State_Sunken;
  const QRect inner = field->style()->subElementRect(QStyle::SE_LineEditContents, &frame, field);
  const int lineTop = inner.top() + (inner.height() - field->fontMetrics().height() + 1) / 2;
  label->setGeometry(label->x(), field->y(), label->width(), field->height());
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setContentsMargins(0, lineTop, 0, 0);
}

// The words a screen reader says for what the operator label shows.
QString OperatorName(const std::string& shown) {
  const Button* button = OperatorButtonShown(shown);
  return button ? SpokenName(*button) : ToQString(shown);
}

// Hands an address to the desktop's opener. On a desktop with xdg-open its
// exit status tells whether a program took the address (a missing mail
// program or browser is told at once); elsewhere Qt's answer does. A status
// that comes long after, from a browser that xdg-open waited for, is not
// about opening any more.
void OpenOnDesktop(QObject* owner, const QUrl& url, const std::function<void(bool)>& done) {
  const QString platform = QGuiApplication::platformName();
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  const bool desktop =
      platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
  if (!desktop || opener.isEmpty()) {
    done(QDesktopServices::openUrl(url));
    return;
  }
  constexpr qint64 kAnswerWithinMs = 10000;
  auto* process = new QProcess(owner);
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  auto started = std::make_shared<QElapsedTimer>();
  started->start();
  QObject::connect(process, &QProcess::finished, owner,
                   [process, done, started](int code, QProcess::ExitStatus status) {
                     process->deleteLater();
                     if (started->elapsed() < kAnswerWithinMs) {
                       done(status == QProcess::NormalExit && code == 0);
                     }
                   });
  QObject::connect(process, &QProcess::errorOccurred, owner,
                   [process, done](QProcess::ProcessError error) {
                     if (error != QProcess::FailedToStart) return;
                     process->deleteLater();
                     done(false);
                   });
  process->start(opener, {url.toString()});
}

}  // namespace

frmCalculator::Options frmCalculator::DefaultOptions() {
  Options options;
  options.decimalSeparator = QLocale().decimalPoint().toStdString();
  options.errorLog = host::ErrorLog::DefaultEnvironment(QCoreApplication::applicationDirPath());
  return options;
}

frmCalculator::frmCalculator(Options options, QWidget* parent)
    : QWidget(parent),
      options_(std::move(options)),
      errorLog_(options_.errorLog),
      calc_(*this, options_.decimalSeparator),
      tapeModel_(calc_.GetTape()),
      documents_(calc_, *this,
                 [](const Tape& tape, QIODevice& out) {
                   return print::PrintTapeToPdf(tape, QLocale(), out);
                 }),
      openLink_([this](const QUrl& url, std::function<void(bool)> done) {
        OpenOnDesktop(this, url, done);
      }) {
  calc_.SetTapeObserver(&tapeModel_);
  setObjectName(QStringLiteral("frmCalculator"));
  setWindowTitle(ToQString(kProgramTitle));
  setWindowIcon(ApplicationIcon());
  setFont(UiFont(kTextPx));
  // Nothing about the size is kept: every start is at the designed size.
  setMinimumSize(Px(kClientWidth, zoom_), Px(kClientHeight, zoom_));
  resize(minimumSize());
  setAcceptDrops(true);
  lastFolder_ = host::StoredLastFolder();

  // Created first, so it is first in the tab order and holds the focus when
  // the window opens; placed above the client area, where nobody sees it.
  picSetFocus_ = new KeySink(this);
  Place(picSetFocus_, "picSetFocus");
  picSetFocus_->SetKeyForwarder([this](const QKeyEvent& event) { return ForwardTypedKey(event); });
  picSetFocus_->setAccessibleDescription(
      QStringLiteral("Digite os números e as operações; o valor é o que o visor mostra"));

  tapeFrame_ = Twips(kShape3);

  CreateDisplay();
  CreateKeypad();
  CreateTape();
  CreateLinks();
  CreateChangeTapePanel();
  CreateDocumentActions();

  picSetFocus_->setFocus(Qt::OtherFocusReason);
  ShowLabels();
  idleTimer_ = new QTimer(this);
  idleTimer_->setSingleShot(true);
  idleTimer_->setInterval(1000);
  connect(idleTimer_, &QTimer::timeout, this, &frmCalculator::Idle);
  if (host::StoredKeepSession()) StartKeeping(true);
  // The setting decides, also over a kept session.
  if (const bool addMode = host::StoredAddMode(); addMode != calc_.State().AddMode) {
    Run([&] { calc_.SetAddMode(addMode); });
  }
  // The zoom the user last chose.
  zoom_ = ValidZoom(host::StoredZoom());
  if (zoom_ != kZoomMin) ApplyZoom();
}

frmCalculator::~frmCalculator() {
  calc_.SetTapeObserver(nullptr);
  // The controls outlive this object by a little, inside ~QWidget: nothing
  // they signal may reach it then.
  for (QObject* child : children()) disconnect(child, nullptr, this, nullptr);
}

void frmCalculator::CreateDisplay() {
  QLabel* label2 = MakeLabel(this, "Label2", QStringLiteral("Quantidade de casas decimais:"));

  auto* decimals = new DecimalPlacesList(this);
  cboDecPlace_ = decimals;
  label2->setBuddy(cboDecPlace_);
  Place(cboDecPlace_, "cboDecPlace");
  cboDecPlace_->setAccessibleDescription(
      QStringLiteral("As setas para cima e para baixo mudam a escolha"));
  cboDecPlace_->setFont(UiFont(kTextPx));
  // Only the position counts, so "3" without the others' trailing blank is
  // harmless.
  cboDecPlace_->addItems({QStringLiteral("0 "), QStringLiteral("1 "), QStringLiteral("2 "),
                          QStringLiteral("3"), QStringLiteral("4 "), QStringLiteral("5 "),
                          QStringLiteral("6 ")});
  cboDecPlace_->setCurrentIndex(-1);
  connect(cboDecPlace_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) Run([&] { calc_.cboDecPlace_Click(index); });
  });
  // However the popup closed, typing goes on reaching the calculator.
  connect(decimals, &DecimalPlacesList::popupClosed, this, [this] {
    if (calc_.Reachable(Action::Keypad)) FocusSink();
  });
  decimals->SetKeyForwarder([this](const QKeyEvent& event) { return ForwardTypedKey(event); });

  lblMemory_ = MakeLabel(this, "lblMemory", QStringLiteral("M"));
  lblMemory_->setFont(UiFont(kDisplayPx - 4, true));
  lblMemory_->setAlignment(Qt::AlignCenter);
  lblMemory_->hide();

  lblOperator_ = MakeLabel(this, "lblOperator", QString());
  lblOperator_->setFont(UiFont(kDisplayPx, true));
  lblOperator_->setAlignment(Qt::AlignCenter);

  // Add mode's mark: a small "A" beside the operator.
  lblAddMode_ = MakeLabel(this, "lblAddMode", QStringLiteral("A"));
  lblAddMode_->setFont(UiFont(kTextPx - 2, true));
  lblAddMode_->setAlignment(Qt::AlignRight | Qt::AlignTop);
  lblAddMode_->hide();

  // The display is a field of the desktop's colour scheme; its number
  // shrinks to fit, never below the window's own text size.
  lblResult_ =
      new NumberLabel(UiFont(kDisplayPx), UiFont(kTextPx), NumberLabel::Colours::Field, this);
  Place(lblResult_, "lblResult");
  // The tip grows the whole number when the display has to cut it short.
  lblResult_->SetTip(ToQString(PlaceOf("lblResult").toolTip));
  lblResult_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblResult_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  lblResult_->setMargin(2);

  // The grand total box keeps its light grey, and so its text is black.
  lblGrandTotal_ = new NumberLabel(UiFont(kTextPx + 2, true), UiFont(kTextPx, true),
                                   NumberLabel::Colours::Window, this);
  Place(lblGrandTotal_, "lblGrandTotal");
  // The grand total carries a blank of its own as its right margin.
  lblGrandTotal_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblGrandTotal_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  SetColours(lblGrandTotal_, QColor(192, 192, 192), Qt::black);
}

void frmCalculator::CreateKeypad() {
  for (const Button& b : kButtons) {
    auto* button = MakeButton(this, b.control, ToQString(b.caption));
    button->setAccessibleName(SpokenName(b));
    if (b.operation == Operation::Number || b.operation == Operation::Decimal) {
      button->setFont(UiFont(kDigitPx, true));
    }
    // Buttons under the tape belong to its area.
    if (Twips(kShape3).contains(button->geometry())) {
      tapeButtons_.emplace_back(button, b.control);
    }
    connect(button, &QPushButton::clicked, this, [this, &b] { Run([&] { calc_.Click(b); }); });
  }
}

void frmCalculator::CreateTape() {
  lstTape_ = new TapeListView(this);
  Place(lstTape_, "lstTape");
  lstTape_->setAccessibleDescription(
      QStringLiteral("Um duplo clique numa linha de número abre a correção dessa linha"));
  lstTape_->setFont(UiFont(kTextPx));
  lstTape_->setModel(&tapeModel_);
  lstTape_->SetKeyForwarder([this](const QKeyEvent& event) { return ForwardTypedKey(event); });
  connect(&tapeModel_, &TapeModel::tapeSelectionChanged, this, &frmCalculator::ShowTapeSelection);
  // Delete is the tape's own key while it has the focus.
  auto* remove = new QAction(lstTape_);
  remove->setShortcut(QKeySequence(Qt::Key_Delete));
  remove->setShortcutContext(Qt::WidgetShortcut);
  connect(remove, &QAction::triggered, this, [this] {
    if (QAction* command = CommandAction(Action::DeleteLine)) command->trigger();
  });
  lstTape_->addAction(remove);

  lblItems_ = MakeLabel(this, "lblItems", QString());
  lblItems_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  connect(lstTape_, &QAbstractItemView::doubleClicked, this, [this] {
    Run([&] { calc_.lstTape_DblClick(); });
    ShowChangePanel();
  });
  connect(lstTape_, &TapeListView::rowChosen, this, [this](int row) {
    Run([&] { calc_.lstTape_Click(row); });
    // The click may have moved the view's selection where the tape's is not.
    ShowTapeSelection(calc_.GetTape().Selected());
  });
}

void frmCalculator::CreateLinks() {
  const struct {
    const char* control;
    void (*paint)(QPainter&, const QRectF&);
    void (frmCalculator::*click)();
  } links[] = {
      {"Image1", PaintMailPicture, &frmCalculator::Image1_Click},
      {"Image2", PaintWebPicture, &frmCalculator::Image2_Click},
      {"Image3", PaintTermsPicture, &frmCalculator::Image3_Click},
  };
  for (const auto& link : links) {
    auto* image = new ClickablePicture(link.paint, this);
    Place(image, link.control);
    const QString tip = image->toolTip();
    if (tip.contains(QLatin1String("%1"))) image->setToolTip(tip.arg(ToQString(kMakerWebName)));
    connect(image, &ClickablePicture::clicked, this, link.click);
  }

  auto* label3 = MakeLabel(this, "Label3",
                           ToQString(kMakerName) + QStringLiteral(" © ") + ToQString(kMakerYear));
  label3->setFont(UiFont(kTextPx - 1));
}

void frmCalculator::CreateChangeTapePanel() {
  fraChangeTape_ = new QFrame(this);
  fraChangeTape_->setObjectName(QStringLiteral("fraChangeTape"));
  fraChangeTape_->setFrameStyle(QFrame::Box | QFrame::Plain);
  fraChangeTape_->setAutoFillBackground(true);
  // "Número anterior: " fits its label only a size below the window's text.
  fraChangeTape_->setFont(UiFont(kTextPx - 1));
  fraChangeTape_->setAccessibleName(QStringLiteral("Alterando a fita"));
  QFrame* panel = fraChangeTape_;

  auto* title = MakeLabel(panel, "Label1", QStringLiteral("Alterando a fita"));
  QFont verdana(QStringLiteral("Verdana"));
  verdana.setStyleHint(QFont::SansSerif);
  verdana.setPixelSize(kTextPx + 3);
  verdana.setBold(true);
  title->setFont(verdana);
  const QString warning = QStringLiteral("CUIDADO: alteração na fita afeta o Grande Total ");
  MakeLabel(panel, "lblChangeTape2", warning);
  fraChangeTape_->setAccessibleDescription(warning);
  // Each label stands as high as the field beside it, so that their texts
  // share one line.
  QLabel* fromLabel = MakeLabel(panel, "lblChangeTape0", QStringLiteral("Número anterior: "));
  lblChangeFrom_ = MakeLabel(panel, "lblChangeFrom", QString());
  fromLabel->setBuddy(lblChangeFrom_);
  QLabel* toLabel = MakeLabel(panel, "lblChangeTape1", QStringLiteral("Novo número: "));

  cboType_ = new QComboBox(panel);
  cboType_->setEditable(true);
  for (const std::string_view operation : kChangeOperations) {
    cboType_->addItem(ToQString(operation));
  }
  cboType_->setCurrentIndex(-1);
  cboType_->setEditText(QStringLiteral("cboType"));
  Place(cboType_, "cboType");
  cboType_->setAccessibleDescription(QStringLiteral("A operação se escolhe na lista"));
  // A combo box reaches Linux screen readers named by its text and by the
  // label that labels it: this one has no label on screen, so an unseen one
  // names it.
  auto* typeLabel = new QLabel(QStringLiteral("Operação"), panel);
  typeLabel->setObjectName(QStringLiteral("lblChangeType"));
  typeLabel->setBuddy(cboType_);
  typeLabel->hide();
  // The operation is picked from the list with the mouse: nothing is typed,
  // pasted, dropped or undone into its text, and Tab moves on.
  QLineEdit* typeText = cboType_->lineEdit();
  typeText->setReadOnly(true);
  typeText->setAcceptDrops(false);
  typeText->setAccessibleName(ToQString(PlaceOf("cboType").accessibleName));
  cboType_->setAcceptDrops(false);
  auto* discardAll = new KeyDiscarder({}, cboType_);
  cboType_->installEventFilter(discardAll);
  typeText->installEventFilter(discardAll);

  txtChangeTo_ = new QLineEdit(panel);
  Place(txtChangeTo_, "txtChangeTo");
  toLabel->setBuddy(txtChangeTo_);
  AlignWithField(toLabel, txtChangeTo_);
  // Enter in the number field neither saves nor reaches the calculator.
  txtChangeTo_->installEventFilter(new KeyDiscarder({Qt::Key_Return, Qt::Key_Enter}, txtChangeTo_));

  auto* cancel = MakeButton(panel, "cmdCancelChange", QStringLiteral("Cancelar"));
  connect(cancel, &QPushButton::clicked, this, &frmCalculator::CancelChange);
  auto* save = MakeButton(panel, "cmdSaveChange", QStringLiteral("Gravar"));
  connect(save, &QPushButton::clicked, this, [this] {
    calc_.SetChangeTo(txtChangeTo_->text().toStdString());
    calc_.SetChangeType(cboType_->currentText().toStdString());
    Run([&] { calc_.cmdSaveChange_Click(); });
    ShowChangePanel();
  });

  // Tab goes along the line of the new number, then up to "Cancelar".
  setTabOrder(cboType_, txtChangeTo_);
  setTabOrder(txtChangeTo_, save);
  setTabOrder(save, cancel);

  // Escape anywhere in the panel is "Cancelar"; the popup of the operation
  // list, while open, takes its own Escape first.
  auto* escape = new KeyAction(
      Qt::Key_Escape, [this] { CancelChange(); }, fraChangeTape_);
  for (QWidget* control : {static_cast<QWidget*>(cboType_), static_cast<QWidget*>(typeText),
                           static_cast<QWidget*>(txtChangeTo_), static_cast<QWidget*>(save),
                           static_cast<QWidget*>(cancel)}) {
    control->installEventFilter(escape);
  }

  fraChangeTape_->hide();
  fraChangeTape_->raise();
  Form_Resize();
}

void frmCalculator::CancelChange() {
  Run([&] { calc_.cmdCancelChange_Click(); });
  ShowChangePanel();
}

// ------------------------------------------------------------ running

void frmCalculator::Run(const std::function<void()>& operation, bool step) {
  if (step) history_.BeginStep();
  ++runDepth_;
  operation();
  --runDepth_;
  // Read before the kept session takes the tape's changes.
  if (step) history_.EndStep();
  ShowLabels();
  if (runDepth_ == 0 && selectionPending_) {
    selectionPending_ = false;
    ShowTapeSelection(calc_.GetTape().Selected());
  }
  if (runDepth_ == 0) {
    if (kept_) {
      kept_->Commit();
      if (const QString notice = kept_->TakeNotice(); !notice.isEmpty()) TellLater(notice);
    }
    if (!idleTimer_->isActive()) idleTimer_->start();
  }
}

void frmCalculator::UndoStep() {
  if (!calc_.Reachable(Action::Undo) || runDepth_ > 0) return;
  Run([&] { history_.Undo(); }, false);
  ShowDecimalPlaces();
}

void frmCalculator::RedoStep() {
  if (!calc_.Reachable(Action::Redo) || runDepth_ > 0) return;
  Run([&] { history_.Redo(); }, false);
  ShowDecimalPlaces();
}

void frmCalculator::ShowDecimalPlaces() {
  // The list shows the calculator's choice, and nothing is stored.
  const QSignalBlocker quiet(cboDecPlace_);
  cboDecPlace_->setCurrentIndex(PlacesOf(calc_.State().NumberFormat));
}

bool frmCalculator::MayCloseByLetter() {
  const bool toLose = !kept_ && !calc_.GetTape().Empty() && history_.TapeEdits() != tapeSavedAt_;
  if (!toLose) return true;
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(kProgramTitle),
                  QStringLiteral("Fechar o Tallyroller? A fita não foi salva e será perdida."),
                  QMessageBox::Yes | QMessageBox::Cancel, this);
  box.setObjectName(QStringLiteral("msgCloseByLetter"));
  box.button(QMessageBox::Yes)->setText(QStringLiteral("Fechar"));
  box.button(QMessageBox::Cancel)->setText(QStringLiteral("Cancelar"));
  box.setDefaultButton(QMessageBox::Cancel);
  box.setEscapeButton(QMessageBox::Cancel);
  const bool close = box.exec() == QMessageBox::Yes;
  FocusSink();
  return close;
}

void frmCalculator::Idle() {
  // What the kept session recorded goes to disk within a second of the last
  // key, and the memory a burst of keys left behind goes back to the system.
  if (kept_) kept_->Sync();
  ::malloc_trim(0);
}

void frmCalculator::ShowLabels() {
  const DisplayTexts& labels = calc_.Labels();
  const QString display = ToQString(labels.lblResult);
  lblResult_->SetNumber(display);
  // The calculator, as a screen reader knows it, reads out what the display
  // shows.
  picSetFocus_->SetAccessibleValue(display);
  const QString operatorText = ToQString(labels.lblOperator);
  if (operatorText != lblOperator_->text()) {
    lblOperator_->setText(operatorText);
    lblOperator_->setAccessibleName(QStringLiteral("Operação em uso: ") +
                                    OperatorName(labels.lblOperator));
  }
  lblGrandTotal_->SetNumber(ToQString(labels.lblGrandTotal));
  lblMemory_->setVisible(labels.lblMemoryVisible);
  lblAddMode_->setVisible(calc_.State().AddMode);
  if (const int items = calc_.Items(); items != shownItems_) {
    shownItems_ = items;
    lblItems_->setText(QStringLiteral("Itens: %1").arg(items));
  }
}

void frmCalculator::ShowTapeSelection(int row) {
  // An operation may select several lines on its way (a trimmed tape
  // selects twice); the view is told once, when the operation is over.
  if (runDepth_ > 0) {
    selectionPending_ = true;
    return;
  }
  QItemSelectionModel* selection = lstTape_->selectionModel();
  if (row < 0) {
    selection->clear();
    return;
  }
  const QModelIndex index = tapeModel_.index(row);
  // Scrolled first, while nothing in the list waits to be repainted, so
  // that the rows already shown are moved rather than drawn again.
  lstTape_->scrollTo(index);
  selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

void frmCalculator::ShowChangePanel() {
  const ChangePanel& panel = calc_.Panel();
  const bool open = panel.visible;
  for (QObject* child : children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget && widget != fraChangeTape_) widget->setEnabled(!open);
  }
  if (!open) {
    fraChangeTape_->hide();
    picSetFocus_->setFocus(Qt::OtherFocusReason);
    return;
  }
  lblChangeFrom_->setText(panel.inserting ? QStringLiteral("(nova linha)")
                                          : ToQString(panel.lblChangeFrom));
  cboType_->setEditText(ToQString(panel.cboType));
  if (!fraChangeTape_->isVisible()) {
    // Opening: the old number is selected, so that typing replaces it.
    txtChangeTo_->setText(ToQString(panel.txtChangeTo));
    txtChangeTo_->selectAll();
    fraChangeTape_->show();
    fraChangeTape_->raise();
  }
  txtChangeTo_->setFocus(Qt::OtherFocusReason);
}

KeyForward frmCalculator::ForwardTypedKey(const QKeyEvent& event) {
  const std::vector<int> codes = TypedKeyCodes(event);
  if (codes.empty()) return KeyForward::NotTyped;
  KeyForward result = KeyForward::Consumed;
  const int closesBefore = closeRequests_;
  for (const int code : codes) {
    const bool closes = code == 'S' || code == 's' || code == 'X' || code == 'x';
    if (closes && !MayCloseByLetter()) break;
    int KeyAscii = code;
    Run([&] { calc_.CheckKeyPress(KeyAscii); });
    if (KeyAscii != 0) result = KeyForward::LeftAsTyped;
    if (closeRequests_ != closesBefore) break;
  }
  return result;
}

void frmCalculator::keyPressEvent(QKeyEvent* event) {
  // Keys the edit panel's controls leave alone stop here: the panel covers
  // the calculator.
  if (!calc_.Reachable(Action::Keypad)) {
    if (event->key() == Qt::Key_Escape) CancelChange();
    event->accept();
    return;
  }
  // Shift+F10 opens the tape's menu (the Menu key arrives as a context menu
  // event of its own).
  if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
    ShowTapeMenu({}, calc_.GetTape().Selected());
    event->accept();
    return;
  }
  if (focusWidget() == picSetFocus_ && MoveOnTape(*event)) {
    event->accept();
    return;
  }
  if (ForwardTypedKey(*event) == KeyForward::NotTyped) {
    QWidget::keyPressEvent(event);
  } else {
    event->accept();
  }
}

bool frmCalculator::MoveOnTape(const QKeyEvent& event) {
  if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
  const Tape& tape = calc_.GetTape();
  if (event.key() == Qt::Key_F2) {
    Run([&] { calc_.lstTape_DblClick(); });
    ShowChangePanel();
    return true;
  }
  const int row = tape.Selected();
  const int page = std::max(1, lstTape_->viewport()->height() / lstTape_->RowHeight());
  int to = row;
  switch (event.key()) {
    case Qt::Key_Up: to = row < 0 ? tape.Count() - 1 : row - 1; break;
    case Qt::Key_Down: to = row < 0 ? tape.Count() - 1 : row + 1; break;
    case Qt::Key_PageUp: to = row < 0 ? tape.Count() - 1 : row - page; break;
    case Qt::Key_PageDown: to = row < 0 ? tape.Count() - 1 : row + page; break;
    case Qt::Key_Home: to = 0; break;
    case Qt::Key_End: to = tape.Count() - 1; break;
    default: return false;
  }
  Run([&] { calc_.MoveSelection(to); });
  return true;
}

void frmCalculator::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

void frmCalculator::Form_Resize() {
  // The edit panel covers the whole window whenever it is shown.
  fraChangeTape_->setGeometry(0, 0, width(), height());

  // What the window has beyond its designed size goes to the tape: the list
  // and its frame grow, the buttons under it keep to the bottom-right corner.
  const int wider = std::max(0, width() - Px(kClientWidth, zoom_));
  const int taller = std::max(0, height() - Px(kClientHeight, zoom_));
  tapeFrame_ = Twips(kShape3, zoom_).adjusted(0, 0, wider, taller);
  lstTape_->setGeometry(TapePlace(zoom_).adjusted(0, 0, wider, taller));
  for (const auto& [button, control] : tapeButtons_) {
    button->setGeometry(Twips(PlaceOf(control).place, zoom_).translated(wider, taller));
  }
  // The item count keeps to the bottom-left corner, under the list.
  lblItems_->setGeometry(
      Twips(PlaceOf("lblItems").place, zoom_).translated(0, taller).adjusted(0, 0, wider, 0));
  update();
}

// ------------------------------------------------------------ zoom

void frmCalculator::ZoomIn() { SetZoom(zoom_ + kZoomStep); }
void frmCalculator::ZoomOut() { SetZoom(zoom_ - kZoomStep); }
void frmCalculator::ZoomReset() { SetZoom(kZoomMin); }

void frmCalculator::SetZoom(int percent) {
  const int zoom = ValidZoom(percent);
  if (zoom == zoom_) return;
  zoom_ = zoom;
  host::StoreZoom(zoom_);
  ApplyZoom();
}

void frmCalculator::ApplyZoom() {
  // The designed layout scales as one picture: every place of the table and
  // every font, from their sizes at 100%, so nothing blurs or drifts.
  QList<QWidget*> widgets = findChildren<QWidget*>();
  widgets.prepend(this);
  for (QWidget* widget : widgets) {
    // Dialogs and menus of the window keep the desktop's sizes.
    if (widget != this && widget->isWindow()) continue;
    if (widget != this && !widget->testAttribute(Qt::WA_SetFont) &&
        !widget->property(kDesignedFont).isValid()) {
      continue;  // it follows its parent's font
    }
    QVariant designed = widget->property(kDesignedFont);
    if (!designed.isValid()) {
      designed = widget->font();
      widget->setProperty(kDesignedFont, designed);
    }
    QFont font = designed.value<QFont>();
    if (font.pixelSize() > 0) {
      font.setPixelSize(Zoomed(font.pixelSize(), zoom_));
    } else {
      font.setPointSizeF(font.pointSizeF() * zoom_ / 100.0);
    }
    widget->setFont(font);
  }
  // The scroll bars take their thickness from the style, not from the
  // table, and they and the drop-down lists their arrows: they get the
  // desktop's style at the zoom, before the places are set, so that the
  // lists lay their bars out once.
  if (!zoomStyle_) zoomStyle_ = new ZoomStyle(this);
  zoomStyle_->SetZoom(zoom_);
  for (QWidget* widget : findChildren<QWidget*>()) {
    if ((qobject_cast<QScrollBar*>(widget) || qobject_cast<QComboBox*>(widget)) &&
        widget->window() == this) {
      widget->setStyle(zoomStyle_);
    }
  }
  lblResult_->SetFonts(UiFont(Zoomed(kDisplayPx, zoom_)), UiFont(Zoomed(kTextPx, zoom_)));
  lblGrandTotal_->SetFonts(UiFont(Zoomed(kTextPx + 2, zoom_), true),
                           UiFont(Zoomed(kTextPx, zoom_), true));
  for (const ControlPlace& row : kControlPlaces) {
    if (QWidget* widget = findChild<QWidget*>(ToQString(row.control))) {
      widget->setGeometry(Twips(row.place, zoom_));
    }
  }
  AlignWithField(findChild<QLabel*>(QStringLiteral("lblChangeTape1")), txtChangeTo_);

  const bool atSmallest = size() == minimumSize();
  const QSize smallest(Px(kClientWidth, zoom_), Px(kClientHeight, zoom_));
  setMinimumSize(smallest);
  // A window at its smallest stays at its smallest; a larger one keeps its
  // size, unless the zoom needs more.
  if (!isMaximized() && !isFullScreen())
    resize(atSmallest ? smallest : size().expandedTo(smallest));
  Form_Resize();
}

void frmCalculator::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter p(this);
  const QRect shadow = Twips(kButtonShadow, zoom_).adjusted(0, 0, -1, -1);
  p.fillRect(shadow, kShadowFill);
  p.setPen(kShapeBorder);
  p.drawRect(shadow);
  p.drawRect(tapeFrame_.adjusted(0, 0, -1, -1));
}

void frmCalculator::closeEvent(QCloseEvent* event) {
  // Nothing is asked. The tape goes with the window, unless the user chose
  // to keep the session: then it is on disk already, and made sure of here.
  if (kept_) kept_->Sync();
  event->accept();
}

// ------------------------------------------------------------ links

void frmCalculator::Image1_Click() {
  OpenLink(QUrl(ToQString(kMakerMailUrl)), ToQString(kMakerMail),
           QStringLiteral("Não foi possível abrir um programa de e-mail. "
                          "Escreva para o endereço abaixo:"));
}

void frmCalculator::Image2_Click() {
  OpenLink(QUrl(ToQString(kMakerWebUrl)), ToQString(kMakerWebUrl),
           QStringLiteral("Não foi possível abrir o navegador. "
                          "O endereço do site é:"));
}

void frmCalculator::OpenLink(const QUrl& url, const QString& shown, const QString& failure) {
  if (!openLink_) return;
  QPointer<frmCalculator> self(this);
  openLink_(url, [self, shown, failure](bool opened) {
    if (opened || !self) return;
    // The address stands on a line of its own and can be selected and
    // copied; nothing is logged.
    QMessageBox box(QMessageBox::Information, ToQString(kProgramTitle),
                    failure + QStringLiteral("\n\n") + shown, QMessageBox::Ok, self);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
  });
}

void frmCalculator::Image3_Click() {
  frmLicenca terms(this);
  terms.exec();
}

// ------------------------------------------------------------ host

void frmCalculator::ShowMessageBox(const MessageBoxRequest& request) {
  const QMessageBox::Icon icon =
      request.icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Warning;
  QString text = ToQString(request.text);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(icon, ToQString(request.title), text, QMessageBox::Ok, this);
  box.exec();
}

bool frmCalculator::AskYesNo(const MessageBoxRequest& request) {
  QMessageBox box(QMessageBox::Question, ToQString(request.title), ToQString(request.text),
                  QMessageBox::Yes | QMessageBox::No, this);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void frmCalculator::AppendErrorLog(const ErrorInfo& error) { errorLog_.Append(error); }

void frmCalculator::FocusSink() { picSetFocus_->setFocus(Qt::OtherFocusReason); }

void frmCalculator::PrintTape() {
  if (!print_ && QPrinterInfo::defaultPrinter().isNull()) {
    OfferPdfInsteadOfPrinter();
    return;
  }
  // The job runs without yielding: the window takes no input meanwhile and
  // the pointer says so; pending paints and input are let through once.
  setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QCoreApplication::processEvents();
  if (print_) {
    print_(calc_.GetTape(), this);
  } else {
    print::PrintTapeToDefaultPrinter(calc_.GetTape(), QLocale());
  }
  QApplication::restoreOverrideCursor();
  setEnabled(true);
}

void frmCalculator::CloseWindow() {
  ++closeRequests_;
  close();
}

void frmCalculator::StoreDecimalPlaces(int places) {
  // Written on every choice and never read back.
  host::StoreDecimalPlaces(places);
}

}  // namespace tally::ui

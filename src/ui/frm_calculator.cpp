#include "ui/frm_calculator.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "engine/error_report.h"
#include "host/settings.h"
#include "identity.h"
#include "print/tape_printer.h"
#include "ui/fonts.h"
#include "ui/frm_licenca.h"
#include "ui/key_codes.h"
#include "ui/pictures.h"

namespace tally::ui {
namespace {

// The layout is kept in twips; 15 twips make one device-independent pixel.
constexpr double kTwipsPerPixel = 15.0;

int Px(int twips) { return qRound(twips / kTwipsPerPixel); }

QRect Twips(int left, int top, int width, int height) {
  return {Px(left), Px(top), Px(width), Px(height)};
}

QRect Twips(const TwipsRect& r) { return Twips(r.left, r.top, r.width, r.height); }

constexpr int kClientWidth = 5625;
constexpr int kClientHeight = 5220;

constexpr int kTextPx = 11;     // captions, lists and tooltips
constexpr int kDigitPx = 14;    // digit and point keys
constexpr int kDisplayPx = 20;  // display and operator label

QString Utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* MakeLabel(QWidget* parent, std::string_view name, const QString& text, const QRect& place) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(Utf8(name));
  label->setTextFormat(Qt::PlainText);
  label->setGeometry(place);
  return label;
}

QPushButton* MakeButton(QWidget* parent, std::string_view name, const QString& caption,
                        const QString& tip, const QRect& place) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(Utf8(name));
  button->setToolTip(tip);
  button->setGeometry(place);
  return button;
}

void Fill(QWidget* widget, const QColor& color) {
  widget->setAutoFillBackground(true);
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, color);
  widget->setPalette(palette);
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
      print_(
          [](const Tape& tape, QWidget*) { print::PrintTapeToDefaultPrinter(tape, QLocale()); }) {
  calc_.SetTapeObserver(&tapeModel_);
  setObjectName(QStringLiteral("frmCalculator"));
  setWindowTitle(Utf8(kProgramTitle));
  setWindowIcon(ApplicationIcon());
  setFont(UiFont(kTextPx));
  setFixedSize(Px(kClientWidth), Px(kClientHeight));

  // Created first, so it is first in the tab order and holds the focus when
  // the window opens; placed above the client area, where nobody sees it.
  picSetFocus_ = new KeySink(this);
  picSetFocus_->setObjectName(QStringLiteral("picSetFocus"));
  picSetFocus_->setGeometry(Twips(3585, -200, 100, 100));
  picSetFocus_->SetKeyForwarder([this](const QKeyEvent& event) { return ForwardTypedKey(event); });

  auto* shape3 = new ShapeRect(QColor(96, 96, 96), std::nullopt, this);
  shape3->setObjectName(QStringLiteral("Shape3"));
  shape3->setGeometry(Twips(3720, 120, 1785, 5040));
  auto* shadow = new ShapeRect(QColor(96, 96, 96), QColor(150, 150, 150), this);
  shadow->setObjectName(QStringLiteral("shpButtonShadow0"));
  shadow->setGeometry(Twips(765, 1485, 1725, 2235));

  CreateDisplay();
  CreateKeypad();
  CreateTape();
  CreateLinks();
  CreateChangeTapePanel();

  picSetFocus_->setFocus(Qt::OtherFocusReason);
  ShowLabels();
}

frmCalculator::~frmCalculator() { calc_.SetTapeObserver(nullptr); }

void frmCalculator::CreateDisplay() {
  MakeLabel(this, "Label2", QStringLiteral("Quantidade de casas decimais:"),
            Twips(135, 180, 2265, 240));

  cboDecPlace_ = new QComboBox(this);
  cboDecPlace_->setObjectName(QStringLiteral("cboDecPlace"));
  cboDecPlace_->setToolTip(QStringLiteral("Quantidade de casas decimais"));
  cboDecPlace_->setFont(UiFont(kTextPx));
  cboDecPlace_->setGeometry(Twips(2400, 135, 1215, 285));
  // Only the position counts, so "3" without the others' trailing blank is
  // harmless.
  cboDecPlace_->addItems({QStringLiteral("0 "), QStringLiteral("1 "), QStringLiteral("2 "),
                          QStringLiteral("3"), QStringLiteral("4 "), QStringLiteral("5 "),
                          QStringLiteral("6 ")});
  cboDecPlace_->setCurrentIndex(-1);
  connect(cboDecPlace_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) Run([&] { calc_.cboDecPlace_Click(index); });
  });

  lblMemory_ = MakeLabel(this, "lblMemory", QStringLiteral("M"), Twips(135, 420, 285, 450));
  lblMemory_->setToolTip(QStringLiteral("Memória em uso"));
  lblMemory_->setFont(UiFont(kDisplayPx - 4, true));
  lblMemory_->setAlignment(Qt::AlignCenter);
  lblMemory_->hide();

  lblOperator_ = MakeLabel(this, "lblOperator", QString(), Twips(435, 420, 300, 450));
  lblOperator_->setToolTip(QStringLiteral("Operação em uso"));
  lblOperator_->setFont(UiFont(kDisplayPx, true));
  lblOperator_->setAlignment(Qt::AlignCenter);

  lblResult_ = MakeLabel(this, "lblResult", QString(), Twips(750, 420, 2865, 450));
  lblResult_->setToolTip(QStringLiteral("Visor da calculadora"));
  lblResult_->setFont(UiFont(kDisplayPx));
  lblResult_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblResult_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  lblResult_->setMargin(2);
  Fill(lblResult_, Qt::white);

  lblGrandTotal_ = MakeLabel(this, "lblGrandTotal", QString(), Twips(180, 3765, 2295, 375));
  // The grand total carries a blank of its own as its right margin.
  lblGrandTotal_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblGrandTotal_->setFont(UiFont(kTextPx + 2, true));
  lblGrandTotal_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Fill(lblGrandTotal_, QColor(192, 192, 192));
}

void frmCalculator::CreateKeypad() {
  for (const Button& b : kButtons) {
    auto* button = MakeButton(this, b.control, Utf8(b.caption), Utf8(b.toolTip), Twips(b.place));
    if (b.operation == Operation::Number || b.operation == Operation::Decimal) {
      button->setFont(UiFont(kDigitPx, true));
    }
    connect(button, &QPushButton::clicked, this, [this, &b] { Run([&] { calc_.Click(b); }); });
  }
}

void frmCalculator::CreateTape() {
  lstTape_ = new TapeListView(this);
  lstTape_->setObjectName(QStringLiteral("lstTape"));
  lstTape_->setToolTip(QStringLiteral("Fita de dados"));
  lstTape_->setAccessibleName(QStringLiteral("Fita de dados"));
  lstTape_->setFont(UiFont(kTextPx));
  lstTape_->setGeometry(Twips(3825, 225, 1590, 4320));
  lstTape_->setModel(&tapeModel_);
  lstTape_->SetKeyForwarder([this](const QKeyEvent& event) { return ForwardTypedKey(event); });
  connect(&tapeModel_, &TapeModel::tapeSelectionChanged, this, &frmCalculator::ShowTapeSelection);
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
  auto* image1 = new ClickablePicture(PaintMailPicture, this);
  image1->setObjectName(QStringLiteral("Image1"));
  image1->setToolTip(QStringLiteral("Fale com autor"));
  image1->setGeometry(Twips(360, 4320, 480, 480));
  connect(image1, &ClickablePicture::clicked, this, &frmCalculator::Image1_Click);

  auto* image2 = new ClickablePicture(PaintWebPicture, this);
  image2->setObjectName(QStringLiteral("Image2"));
  image2->setToolTip(QStringLiteral("Visite ") + Utf8(kMakerWebName));
  image2->setGeometry(Twips(960, 4320, 480, 480));
  connect(image2, &ClickablePicture::clicked, this, &frmCalculator::Image2_Click);

  auto* image3 = new ClickablePicture(PaintTermsPicture, this);
  image3->setObjectName(QStringLiteral("Image3"));
  image3->setToolTip(QStringLiteral("Licensa de uso"));
  image3->setGeometry(Twips(1560, 4200, 675, 645));
  connect(image3, &ClickablePicture::clicked, this, &frmCalculator::Image3_Click);

  auto* label3 =
      MakeLabel(this, "Label3", Utf8(kMakerName) + QStringLiteral(" © ") + Utf8(kMakerYear),
                Twips(180, 4950, 3390, 195));
  label3->setFont(UiFont(kTextPx - 1));
}

void frmCalculator::CreateChangeTapePanel() {
  fraChangeTape_ = new QFrame(this);
  fraChangeTape_->setObjectName(QStringLiteral("fraChangeTape"));
  fraChangeTape_->setFrameStyle(QFrame::Box | QFrame::Plain);
  fraChangeTape_->setAutoFillBackground(true);
  // "Número anterior: " fits its label only a size below the window's text.
  fraChangeTape_->setFont(UiFont(kTextPx - 1));
  QFrame* panel = fraChangeTape_;

  auto* title =
      MakeLabel(panel, "Label1", QStringLiteral("Alterando a fita"), Twips(135, 195, 2220, 270));
  QFont verdana(QStringLiteral("Verdana"));
  verdana.setStyleHint(QFont::SansSerif);
  verdana.setPixelSize(kTextPx + 3);
  verdana.setBold(true);
  title->setFont(verdana);
  MakeLabel(panel, "lblChangeTape2",
            QStringLiteral("CUIDADO: alteração na fita afeta o Grande Total "),
            Twips(45, 585, 4485, 210));
  MakeLabel(panel, "lblChangeTape0", QStringLiteral("Número anterior: "),
            Twips(240, 1005, 1215, 195));
  lblChangeFrom_ = MakeLabel(panel, "lblChangeFrom", QString(), Twips(1530, 1005, 2115, 285));
  MakeLabel(panel, "lblChangeTape1", QStringLiteral("Novo número: "), Twips(390, 1425, 1050, 195));

  cboType_ = new QComboBox(panel);
  cboType_->setObjectName(QStringLiteral("cboType"));
  cboType_->setEditable(true);
  for (const std::string_view operation : kChangeOperations) {
    cboType_->addItem(Utf8(operation));
  }
  cboType_->setCurrentIndex(-1);
  cboType_->setEditText(QStringLiteral("cboType"));
  cboType_->setGeometry(Twips(1530, 1410, 585, 315));
  // The operation is picked from the list with the mouse; nothing is typed.
  auto* discardAll = new KeyDiscarder({}, cboType_);
  cboType_->installEventFilter(discardAll);
  cboType_->lineEdit()->installEventFilter(discardAll);

  txtChangeTo_ = new QLineEdit(panel);
  txtChangeTo_->setObjectName(QStringLiteral("txtChangeTo"));
  txtChangeTo_->setGeometry(Twips(2130, 1410, 1470, 285));
  // Enter in the number field neither saves nor reaches the calculator.
  txtChangeTo_->installEventFilter(new KeyDiscarder({Qt::Key_Return, Qt::Key_Enter}, txtChangeTo_));

  auto* cancel = MakeButton(panel, "cmdCancelChange", QStringLiteral("Cancelar"), QString(),
                            Twips(3720, 990, 780, 330));
  connect(cancel, &QPushButton::clicked, this, [this] {
    Run([&] { calc_.cmdCancelChange_Click(); });
    ShowChangePanel();
  });
  auto* save = MakeButton(panel, "cmdSaveChange", QStringLiteral("Gravar"), QString(),
                          Twips(3720, 1410, 780, 330));
  connect(save, &QPushButton::clicked, this, [this] {
    calc_.SetChangeTo(txtChangeTo_->text().toStdString());
    calc_.SetChangeType(cboType_->currentText().toStdString());
    Run([&] { calc_.cmdSaveChange_Click(); });
    ShowChangePanel();
  });

  fraChangeTape_->hide();
  fraChangeTape_->raise();
  Form_Resize();
}

// ------------------------------------------------------------ running

void frmCalculator::Run(const std::function<void()>& operation) {
  ++runDepth_;
  operation();
  --runDepth_;
  ShowLabels();
  if (runDepth_ == 0 && selectionPending_) {
    selectionPending_ = false;
    ShowTapeSelection(calc_.GetTape().Selected());
  }
}

void frmCalculator::ShowLabels() {
  const DisplayTexts& labels = calc_.Labels();
  lblResult_->setText(Utf8(labels.lblResult));
  lblOperator_->setText(Utf8(labels.lblOperator));
  lblGrandTotal_->setText(Utf8(labels.lblGrandTotal));
  lblMemory_->setVisible(labels.lblMemoryVisible);
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
  lblChangeFrom_->setText(Utf8(panel.lblChangeFrom));
  cboType_->setEditText(Utf8(panel.cboType));
  if (!fraChangeTape_->isVisible()) {
    // Opening: the old number is selected, so that typing replaces it.
    txtChangeTo_->setText(Utf8(panel.txtChangeTo));
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
    int KeyAscii = code;
    Run([&] { calc_.CheckKeyPress(KeyAscii); });
    if (KeyAscii != 0) result = KeyForward::LeftAsTyped;
    if (closeRequests_ != closesBefore) break;
  }
  return result;
}

void frmCalculator::keyPressEvent(QKeyEvent* event) {
  // Keys the edit panel's fields leave alone stop here: the panel covers the
  // calculator.
  if (fraChangeTape_->isVisible()) {
    event->accept();
    return;
  }
  if (ForwardTypedKey(*event) == KeyForward::NotTyped) {
    QWidget::keyPressEvent(event);
  } else {
    event->accept();
  }
}

void frmCalculator::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

void frmCalculator::Form_Resize() {
  // The edit panel covers the whole window whenever it is shown.
  fraChangeTape_->setGeometry(0, 0, width(), height());
}

void frmCalculator::closeEvent(QCloseEvent* event) {
  // Nothing is kept and nothing is asked: the tape goes with the window.
  event->accept();
}

// ------------------------------------------------------------ links

void frmCalculator::Image1_Click() { QDesktopServices::openUrl(QUrl(Utf8(kMakerMailUrl))); }

void frmCalculator::Image2_Click() { QDesktopServices::openUrl(QUrl(Utf8(kMakerWebUrl))); }

void frmCalculator::Image3_Click() {
  frmLicenca terms(this);
  terms.exec();
}

// ------------------------------------------------------------ host

void frmCalculator::ShowMessageBox(const MessageBoxRequest& request) {
  const QMessageBox::Icon icon =
      request.icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Warning;
  QString text = Utf8(request.text);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(icon, Utf8(request.title), text, QMessageBox::Ok, this);
  box.exec();
}

void frmCalculator::AppendErrorLog(const ErrorInfo& error) { errorLog_.Append(error); }

void frmCalculator::FocusSink() { picSetFocus_->setFocus(Qt::OtherFocusReason); }

void frmCalculator::PrintTape() {
  // The job runs without yielding: the window takes no input meanwhile and
  // the pointer says so; pending paints and input are let through once.
  setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QCoreApplication::processEvents();
  if (print_) print_(calc_.GetTape(), this);
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

#include "ui/frm_licenca.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "identity.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/pictures.h"

namespace tally::ui {
namespace {

constexpr int kWidth = 517;   // 7755 twips
constexpr int kHeight = 474;  // 7110 twips

}  // namespace

QStringList frmLicenca::TermsLines() {
  return {
      QStringLiteral("Este programa é distribuído gratuitamente, no estado em que se encontra."),
      QStringLiteral("Você pode usá-lo em casa ou no trabalho, em quantos computadores quiser."),
      QStringLiteral("Pode também copiá-lo e passá-lo adiante, desde que sem alterações"),
      QStringLiteral("e sempre acompanhado destes termos de uso."),
      QStringLiteral("Não é permitido vendê-lo, alugá-lo ou incluí-lo em pacotes pagos"),
      QStringLiteral("sem a autorização por escrito do autor."),
      QStringLiteral("O autor não responde por perdas ou danos que venham do uso do programa,"),
      QStringLiteral("nem por erros de cálculo que não lhe tenham sido comunicados."),
      QStringLiteral("Confira sempre os totais importantes antes de usá-los."),
      QStringLiteral("A fita e os valores só são guardados com \"Continuar de onde parei\"."),
      QStringLiteral("Além disso, só as casas decimais e essa escolha ficam no computador."),
      QStringLiteral("Ao usar este programa você declara estar de acordo com estes termos."),
      QStringLiteral("Sugestões, críticas e relatos de erros são sempre bem-vindos."),
      QStringLiteral("Escreva para o endereço abaixo; todas as mensagens são lidas."),
      QStringLiteral("Obrigado por usar a calculadora %1!").arg(QString::fromUtf8(kProgramTitle)),
      QStringLiteral("Autor: equipe ") + QString::fromUtf8(kMakerName),
      QString::fromUtf8(kMakerMail),
  };
}

frmLicenca::frmLicenca(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmLicença"));
  setWindowTitle(QString::fromUtf8(kMakerName) + QStringLiteral(" - SOFTWARES - Licença de uso"));
  setModal(true);
  setFixedSize(kWidth, kHeight);
  setFont(UiFont(12));

  auto* banner = new Picture(PaintBannerPicture, this);
  banner->setObjectName(QStringLiteral("Picture1"));
  banner->setAccessibleName(QString::fromUtf8(kMakerName));
  banner->setGeometry(0, 0, kWidth, 64);

  auto* title = new QLabel(QStringLiteral("LICENÇA DE USO"), this);
  title->setObjectName(QStringLiteral("Label1"));
  title->setFont(UiFont(16, true));
  title->setAlignment(Qt::AlignCenter);
  title->setGeometry(0, 72, kWidth, 24);

  const QStringList lines = TermsLines();
  for (int k = 0; k < lines.size(); ++k) {
    auto* line = new QLabel(lines[k], this);
    line->setObjectName(QStringLiteral("Label%1").arg(k + 2));
    line->setTextFormat(Qt::PlainText);
    line->setGeometry(24, 106 + k * 18, kWidth - 48, 18);
  }

  auto* notForSale = new QLabel(QStringLiteral(" VENDA PROIBIDA "), this);
  notForSale->setObjectName(QStringLiteral("Label19"));
  notForSale->setFont(UiFont(14, true));
  notForSale->setAlignment(Qt::AlignCenter);
  notForSale->setAutoFillBackground(true);
  QPalette red = notForSale->palette();
  red.setColor(QPalette::Window, QColor(176, 0, 0));
  red.setColor(QPalette::WindowText, Qt::white);
  notForSale->setPalette(red);
  notForSale->setGeometry(24, 425, 170, 30);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("Command1"));
  ok->setDefault(true);
  ok->setGeometry(kWidth - 24 - 90, 423, 90, 34);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tally::ui

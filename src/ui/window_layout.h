#pragma once
// Where every control of the main window stands, in twips (1/1440 inch), with
// its tooltip and the name a screen reader gives it. The keypad's buttons
// are looked up by their control names in the engine's table; the window
// builds every control from its row here.

#include <QRect>
#include <QString>

#include <array>
#include <string_view>

#include "engine/keypad.h"

class QWidget;

namespace tally::ui {

// A rectangle of the window in twips: left, top, width, height.
struct TwipsRect {
  int left = 0, top = 0, width = 0, height = 0;
};

struct ControlPlace {
  std::string_view control;  // the control's object name: "cmdNumber7", "lblResult"
  TwipsRect place;
  std::string_view toolTip;  // empty for none
  // What a screen reader says for the control; empty for a button: its
  // caption as read ("7"). Symbols get words, since "x" would be read as a
  // letter.
  std::string_view accessibleName;
};

// clang-format off
inline constexpr auto kControlPlaces = std::to_array<ControlPlace>({
    // The focus sink stands above the client area, where nobody sees it.
    {"picSetFocus", {3585, -200, 100, 100}, "", "Calculadora"},
    {"Label2", {135, 180, 2265, 240}, "", ""},
    {"cboDecPlace", {2400, 135, 1215, 285}, "Quantidade de casas decimais", "Quantidade de casas decimais"},
    {"lblMemory", {135, 420, 285, 450}, "Memória em uso", "Memória em uso"},
    {"lblOperator", {435, 420, 300, 450}, "Operação em uso", ""},
    // Add mode's mark, in the operator label's upper right corner.
    {"lblAddMode", {630, 420, 105, 195}, "Modo adição ligado", "Modo adição ligado"},
    {"lblResult", {750, 420, 2865, 450}, "Visor da calculadora", "Visor"},
    {"lblGrandTotal", {180, 3765, 2295, 375}, "", "Grande total"},
    // The keypad.
    {"cmdBackspace", {150, 975, 1905, 405}, "Apaga um caracter do visor", ""},
    {"cmdCancelEntry", {2115, 975, 645, 405}, "Cancela Entrada do visor", "Cancelar entrada"},
    {"cmdCancel", {2805, 975, 810, 405}, "Cancela operação", "Cancelar operação"},
    {"cmdMemory3", {165, 1590, 540, 500}, "Limpa a memória", "Limpar memória"},
    {"cmdMemory2", {165, 2100, 540, 500}, "Recupera memória", "Recuperar memória"},
    {"cmdMemory1", {165, 2610, 540, 500}, "Subtrai do total na memória", "Subtrair da memória"},
    {"cmdMemory0", {165, 3120, 540, 500}, "Adiciona ao total da memória", "Adicionar à memória"},
    {"cmdNumber0", {870, 3120, 500, 500}, "", ""},
    {"cmdNumber1", {870, 2610, 500, 500}, "", ""},
    {"cmdNumber2", {1380, 2610, 500, 500}, "", ""},
    {"cmdNumber3", {1890, 2610, 500, 500}, "", ""},
    {"cmdNumber4", {870, 2100, 500, 500}, "", ""},
    {"cmdNumber5", {1380, 2100, 500, 500}, "", ""},
    {"cmdNumber6", {1890, 2100, 500, 500}, "", ""},
    {"cmdNumber7", {870, 1590, 500, 500}, "", ""},
    {"cmdNumber8", {1380, 1590, 500, 500}, "", ""},
    {"cmdNumber9", {1890, 1590, 500, 500}, "", ""},
    {"cmdNegitive", {1380, 3120, 500, 500}, "", "Trocar sinal"},
    {"cmdDecimal", {1890, 3120, 500, 500}, "", "Ponto decimal"},
    {"cmdOperator0", {2595, 1590, 500, 500}, "Dividir", "Dividir"},
    {"cmdOperator2", {2595, 2100, 500, 500}, "Multiplicar", "Multiplicar"},
    {"cmdOperator3", {2595, 2610, 500, 500}, "Subtrair", "Subtrair"},
    {"cmdOperator1", {2595, 3120, 500, 500}, "Adicionar", "Adicionar"},
    {"cmdOperator4", {3120, 3120, 500, 500}, "", "Igual"},
    {"cmdFunction0", {3120, 1590, 500, 500}, "", "Raiz quadrada"},
    {"cmdFunction1", {3120, 2100, 500, 500}, "", "Porcentagem"},
    {"cmdFunction2", {3120, 2610, 500, 500}, "", "Inverso"},
    {"cmdGrandTotal", {2550, 3780, 1065, 390}, "Adiciona o Grande Total à fita de dados", ""},
    {"cmdClose", {2550, 4335, 1065, 495}, "Encerra utilização da calculadora", ""},
    // The tape and the buttons under it.
    // The list leaves a line at its foot for the item count.
    {"lstTape", {3825, 225, 1590, 4110}, "Fita de dados", "Fita de dados"},
    {"lblItems", {3825, 4350, 1590, 225}, "", ""},
    {"cmdPrint", {3825, 4605, 780, 450}, "Imprime a fita de dados", "Imprimir fita"},
    {"cmdClear", {4635, 4605, 780, 450}, "Apaga a fita de dados", "Limpar fita"},
    // The links; "%1" in a tooltip is the maker's site.
    {"Image1", {360, 4320, 480, 480}, "Fale com autor", "Fale com o autor por e-mail"},
    {"Image2", {960, 4320, 480, 480}, "Visite %1", "Visite o site do autor"},
    {"Image3", {1560, 4200, 675, 645}, "Licensa de uso", "Licença de uso"},
    {"Label3", {180, 4950, 3390, 195}, "", ""},
    // The edit panel, which covers the whole window.
    {"Label1", {135, 195, 2220, 270}, "", ""},
    {"lblChangeTape2", {45, 585, 4485, 210}, "", ""},
    {"lblChangeTape0", {240, 1005, 1215, 285}, "", ""},
    {"lblChangeFrom", {1530, 1005, 2115, 285}, "", ""},
    {"lblChangeTape1", {390, 1410, 1050, 285}, "", ""},
    {"cboType", {1530, 1410, 585, 315}, "", "Operação"},
    {"txtChangeTo", {2130, 1410, 1470, 285}, "", "Novo número"},
    {"cmdCancelChange", {3720, 990, 780, 330}, "", ""},
    {"cmdSaveChange", {3720, 1410, 780, 330}, "", ""},
});
// clang-format on

// The window's designed client size, which is also its smallest.
inline constexpr int kClientWidth = 5625;
inline constexpr int kClientHeight = 5220;

// The tape's frame (Shape3) and the shadow behind the digit keys
// (shpButtonShadow 0): decorations the window draws itself, so that they
// are nothing a screen reader or the keyboard meets.
inline constexpr TwipsRect kShape3{3720, 120, 1785, 5040};
inline constexpr TwipsRect kButtonShadow{765, 1485, 1725, 2235};

// The row of `control`; every control the window makes has one.
const ControlPlace& PlaceOf(std::string_view control);

// 15 twips make one device-independent pixel at 100%; the window scales
// the whole layout by its zoom, in percent.
int Px(int twips, int zoom = 100);
QRect Twips(const TwipsRect& r, int zoom = 100);

// The zoom goes from 100% to 300% in steps of 25%.
inline constexpr int kZoomMin = 100;
inline constexpr int kZoomMax = 300;
inline constexpr int kZoomStep = 25;
// `percent` brought into that range, on a step.
int ValidZoom(int percent);
// A designed size (of a font, in pixels) at `zoom`.
int Zoomed(int pixels, int zoom);

// The name a screen reader gives a keypad button: its row's, or else the
// caption as read.
QString SpokenName(const Button& button);

// Names `widget` `control` and gives it its row's place, tooltip and
// spoken name.
void Place(QWidget* widget, std::string_view control);

}  // namespace tally::ui

#pragma once
// What a user can reach while the edit panel is open. The panel covers the
// window: the keypad, the tape, the decimal places list, the clipboard and
// the files wait until it closes, and the panel's own controls exist only
// while it is open. Both front ends ask here before they run an action, so
// that a new command gets its rule as one more row.

#include <array>
#include <cstdint>

namespace tally {

// Everything a user does to the calculator, by kind.
enum class Action : std::uint8_t {
  Keypad,          // a keypad button clicked, or its key typed on the calculator
  TypedKey,        // a key as the batch driver types it: into the number field while open
  ChooseDecimals,  // an item of the decimal places list
  SelectLine,      // a single click on a tape line
  OpenLine,        // the double click that opens the panel
  TapeMenu,        // the tape's context menu
  CopyDisplay,
  CopyTape,
  CopyLine,
  Paste,
  SaveTape,
  OpenTape,
  ExportCsv,
  ExportPdf,
  Keeping,         // "Continuar de onde parei" turned on or off
  AddMode,         // "Modo adição" turned on or off
  Undo,
  Redo,
  RecentTape,      // an item of "Fitas recentes"
  PrintPreview,    // "Imprimir…": the print dialog with its preview
  Help,            // F1
  About,           // "Sobre o Tallyroller"
  Zoom,            // larger, smaller, back to 100%
  NoteLine,        // "Anotar linha…"
  DeleteLine,      // "Apagar linha"
  InsertLine,      // "Inserir linha antes…"
  UseNumber,       // "Usar este número"
  MoveSelection,   // the arrow and page keys on the tape
  StartValue,      // the public operation that starts a calculation; not a click
  PanelNumber,     // the panel's number field edited
  PanelOperation,  // the panel's operation list
  PanelSave,       // "Gravar"
  PanelCancel,     // "Cancelar", or Escape in the panel
};

enum class Reach : std::uint8_t {
  PanelClosed,  // behind the panel
  PanelOpen,    // the panel's own
  Always,
};

struct ActionReach {
  Action action;
  Reach reach;
};

// clang-format off
inline constexpr auto kActionReach = std::to_array<ActionReach>({
    {Action::Keypad, Reach::PanelClosed},
    {Action::TypedKey, Reach::Always},
    {Action::ChooseDecimals, Reach::PanelClosed},
    {Action::SelectLine, Reach::PanelClosed},
    {Action::OpenLine, Reach::PanelClosed},
    {Action::TapeMenu, Reach::PanelClosed},
    {Action::CopyDisplay, Reach::PanelClosed},
    {Action::CopyTape, Reach::PanelClosed},
    {Action::CopyLine, Reach::PanelClosed},
    {Action::Paste, Reach::PanelClosed},
    {Action::SaveTape, Reach::PanelClosed},
    {Action::OpenTape, Reach::PanelClosed},
    {Action::ExportCsv, Reach::PanelClosed},
    {Action::ExportPdf, Reach::PanelClosed},
    {Action::Keeping, Reach::PanelClosed},
    {Action::AddMode, Reach::PanelClosed},
    {Action::Undo, Reach::PanelClosed},
    {Action::Redo, Reach::PanelClosed},
    {Action::RecentTape, Reach::PanelClosed},
    {Action::PrintPreview, Reach::PanelClosed},
    {Action::Help, Reach::Always},
    {Action::About, Reach::PanelClosed},
    {Action::Zoom, Reach::Always},
    {Action::NoteLine, Reach::PanelClosed},
    {Action::DeleteLine, Reach::PanelClosed},
    {Action::InsertLine, Reach::PanelClosed},
    {Action::UseNumber, Reach::PanelClosed},
    {Action::MoveSelection, Reach::PanelClosed},
    {Action::StartValue, Reach::Always},
    {Action::PanelNumber, Reach::PanelOpen},
    {Action::PanelOperation, Reach::PanelOpen},
    {Action::PanelSave, Reach::PanelOpen},
    {Action::PanelCancel, Reach::PanelOpen},
});
// clang-format on

// The row of `action`; every action has one.
Reach ReachOf(Action action);

// Whether `action` runs while the panel is open (`panelOpen`) or closed.
bool Reaches(Action action, bool panelOpen);

}  // namespace tally

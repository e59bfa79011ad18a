#include "batch/session.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "identity.h"
#include "qt_text.h"
#include "tape/tape_file.h"

namespace tally::batch {

Session::Session(Options options)
    : options_(std::move(options)),
      calc_(*this, options_.decimalSeparator),
      documents_(calc_, *this, options_.paintPdf) {
  if (options_.keptSession.isEmpty()) return;
  kept_ = std::make_unique<host::KeptSession>(options_.keptSession);
  const host::Resumed resumed = host::ResumeKeptSession(*kept_, calc_, true);
  // A session put back starts with nothing to undo.
  history_.Clear();
  for (const QString& notice : resumed.notices) Tell(notice);
  if (!resumed.keeping) kept_.reset();
}

void Session::Tell(const QString& text) {
  messages_.push_back({kProgramTitle, text.toStdString(), MessageIcon::Exclamation});
}

Session::~Session() = default;

void Session::ShowMessageBox(const MessageBoxRequest& request) { messages_.push_back(request); }

bool Session::AskYesNo(const MessageBoxRequest& request) {
  messages_.push_back(request);
  return true;
}

void Session::AppendErrorLog(const ErrorInfo& error) {
  if (options_.appendErrorLog) options_.appendErrorLog(error);
}

void Session::PrintTape() {
  if (options_.print) options_.print(calc_.GetTape());
}

void Session::Run(const std::vector<Command>& commands, std::ostream& out) {
  RunCommands(commands, out);
  if (kept_) kept_->Sync();
  out << TakeSnapshot() << '\n';
  out.flush();
}

void Session::RunCommands(const std::vector<Command>& commands, std::ostream& out) {
  for (const auto& command : commands) {
    if (closed_) break;
    RunCommand(command, out);
  }
}

void Session::RunCommand(const Command& command, std::ostream& out) {
  if (closed_) return;
  if (command.kind == Command::Kind::Dump) {
    out << TakeSnapshot() << '\n';
  } else {
    if (command.kind == Command::Kind::Undo) {
      history_.Undo();
    } else if (command.kind == Command::Kind::Redo) {
      history_.Redo();
    } else {
      history_.BeginStep();
      Execute(command, out);
      history_.EndStep();
    }
    if (kept_) {
      kept_->Commit();
      if (const QString notice = kept_->TakeNotice(); !notice.isEmpty()) Tell(notice);
    }
  }
}

namespace {

// The user's action each command stands for, whose reach the engine knows.
Action ActionOf(Command::Kind kind) {
  using K = Command::Kind;
  switch (kind) {
    case K::Key: return Action::TypedKey;
    case K::Click: return Action::Keypad;
    case K::Decimals: return Action::ChooseDecimals;
    case K::Select: return Action::SelectLine;
    case K::DblClick: return Action::OpenLine;
    case K::New: return Action::PanelNumber;
    case K::Op: return Action::PanelOperation;
    case K::Save: return Action::PanelSave;
    case K::Cancel: return Action::PanelCancel;
    // Neither is a click: both run whatever the panel shows.
    case K::Start:
    case K::Dump: return Action::StartValue;
    case K::Copy: return Action::CopyDisplay;
    case K::CopyTape: return Action::CopyTape;
    case K::Paste: return Action::Paste;
    case K::SaveTape: return Action::SaveTape;
    case K::OpenTape: return Action::OpenTape;
    case K::ExportCsv: return Action::ExportCsv;
    case K::ExportPdf: return Action::ExportPdf;
    case K::AddMode: return Action::AddMode;
    case K::Undo: return Action::Undo;
    case K::Redo: return Action::Redo;
    case K::Note: return Action::NoteLine;
    case K::Delete: return Action::DeleteLine;
    case K::Insert: return Action::InsertLine;
    case K::Use: return Action::UseNumber;
  }
  return Action::Keypad;
}

}  // namespace

void Session::Execute(const Command& command, std::ostream& out) {
  using K = Command::Kind;
  // What the open panel covers is ignored, as the window ignores it.
  if (!calc_.Reachable(ActionOf(command.kind))) return;
  const QString path = ToQString(command.text);
  switch (command.kind) {
    case K::Copy:
    case K::CopyTape: {
      const std::string text =
          command.kind == K::Copy ? calc_.DisplayNumberText() : TapeCopyText(calc_.GetTape());
      out << "{\"clipboard\": " << JsonString(text) << "}\n";
      break;
    }
    case K::Paste: calc_.Paste(command.text); break;
    case K::SaveTape: documents_.Save(path); break;
    case K::OpenTape: documents_.Open(path); break;
    case K::ExportCsv: documents_.ExportCsv(path); break;
    case K::ExportPdf: documents_.ExportPdf(path); break;
    // The menu's item; no setting is stored.
    case K::AddMode: calc_.SetAddMode(command.number == 1); break;
    // The tape's menu.
    case K::Note: calc_.SetSelectedNote(command.text); break;
    case K::Delete: calc_.cmdDeleteLine_Click(); break;
    case K::Insert: calc_.cmdInsertLine_Click(); break;
    case K::Use: calc_.cmdUseNumber_Click(); break;
    case K::Key: {
      int code = static_cast<int>(command.number);
      calc_.TypeKey(code);
      break;
    }
    case K::Start: calc_.SetStartValue(command.number); break;
    case K::Dump:
    case K::Undo:
    case K::Redo: break;
    case K::Click:
      // The parser only lets known captions through.
      if (const Button* button = FindButton(command.text)) calc_.Click(*button);
      break;
    case K::Decimals: calc_.cboDecPlace_Click(static_cast<int>(command.number)); break;
    case K::Select:
      if (command.number < calc_.GetTape().Count()) {
        calc_.lstTape_Click(static_cast<std::int32_t>(command.number));
      }
      break;
    case K::DblClick: calc_.lstTape_DblClick(); break;
    case K::New: calc_.SetChangeTo(command.text); break;
    case K::Op: calc_.SetChangeType(command.text); break;
    case K::Save: calc_.cmdSaveChange_Click(); break;
    case K::Cancel: calc_.cmdCancelChange_Click(); break;
  }
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}

std::string JsonNumber(double value) {
  if (std::isnan(value)) return "\"nan\"";
  if (std::isinf(value)) return value < 0 ? "\"-inf\"" : "\"inf\"";
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

std::string Session::TakeSnapshot() {
  const auto& s = calc_.State();
  const auto& l = calc_.Labels();
  const auto& tape = calc_.GetTape();
  const auto boolText = [](bool b) { return b ? "true" : "false"; };

  std::string j = "{\"display\": " + JsonString(l.lblResult);
  j += ", \"operator\": " + JsonString(l.lblOperator);
  j += ", \"grandTotal\": " + JsonString(l.lblGrandTotal);
  j += ", \"memory\": ";
  j += boolText(l.lblMemoryVisible);
  j += ", \"tape\": [";
  bool first = true;
  for (const auto& line : tape.Lines()) {
    if (!first) j += ", ";
    first = false;
    j += JsonString(line.text);
  }
  j += "], \"selected\": " + std::to_string(tape.Selected());
  const auto& panel = calc_.Panel();
  if (panel.visible) {
    j += ", \"panel\": {\"from\": " + JsonString(panel.lblChangeFrom) +
         ", \"op\": " + JsonString(panel.cboType) + ", \"new\": " + JsonString(panel.txtChangeTo) +
         "}";
  } else {
    j += ", \"panel\": null";
  }
  j += ", \"messages\": [";
  first = true;
  for (const auto& m : messages_) {
    if (!first) j += ", ";
    first = false;
    j += "{\"title\": " + JsonString(m.title) + ", \"text\": " + JsonString(m.text) + "}";
  }
  messages_.clear();
  j += "], \"closed\": ";
  j += boolText(closed_);
  j += ", \"state\": {\"Accumulator\": " + JsonNumber(s.Accumulator);
  j += ", \"Operand\": " + JsonNumber(s.Operand);
  j += ", \"LastEntry\": " + JsonNumber(s.LastEntry);
  j += ", \"MemoryValue\": " + JsonNumber(s.MemoryValue);
  j += ", \"EntryStarted\": ";
  j += boolText(s.EntryStarted);
  j += ", \"OperandCount\": " + std::to_string(s.OperandCount);
  j += ", \"LastInputKind\": " + JsonString(InputKindText(s.LastInputKind));
  j += ", \"PendingOperator\": " + JsonString(OperatorText(s.PendingOperator));
  j += ", \"NegativeEntry\": ";
  j += boolText(s.NegativeEntry);
  j += ", \"TotalPending\": ";
  j += boolText(s.TotalPending);
  j += ", \"CancelPressed\": ";
  j += boolText(s.CancelPressed);
  j += ", \"GrandTotal\": " + JsonNumber(s.GrandTotal);
  j += ", \"NumberFormat\": " + JsonString(s.NumberFormat);
  j += ", \"EntryValue\": " + JsonNumber(s.EntryValue);
  j += "}, \"notes\": {";
  first = true;
  for (std::size_t k = 0; k < tape.Lines().size(); ++k) {
    const std::string& note = tape.Lines()[k].note;
    if (note.empty()) continue;
    if (!first) j += ", ";
    first = false;
    j += JsonString(std::to_string(k)) + ": " + JsonString(note);
  }
  j += "}, \"items\": " + std::to_string(calc_.Items());
  j += "}";
  return j;
}

}  // namespace tally::batch

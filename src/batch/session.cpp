#include "batch/session.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "identity.h"
#include "tape/tape_file.h"
#include "tape/text_utils.h"

namespace tally::batch {

Session::Session(Options options)
    : options_(std::move(options)),
      calc_(*this, options_.decimalSeparator),
      documents_(calc_, *this, options_.paintPdf) {
  if (options_.keptSession.isEmpty()) return;
  kept_ = std::make_unique<host::KeptSession>(options_.keptSession);
  host::KeptSession::Found found = kept_->Load();
  if (found.snapshot) calc_.Restore(std::move(*found.snapshot));
  if (!found.notice.isEmpty()) {
    messages_.push_back({kProgramTitle, found.notice.toStdString(), MessageIcon::Exclamation});
  }
  QString error;
  // After a notice that another run holds the session, its reason is told.
  if (!kept_->Start(calc_, &error) && found.notice.isEmpty()) {
    messages_.push_back(
        {kProgramTitle,
         QStringLiteral("A sessão não pode ser guardada: %1.").arg(error).toStdString(),
         MessageIcon::Exclamation});
  }
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
    Execute(command, out);
    if (kept_) kept_->Commit();
  }
}

void Session::Execute(const Command& command, std::ostream& out) {
  using K = Command::Kind;
  const bool panelOpen = calc_.Panel().visible;
  const QString path = QString::fromStdString(command.text);
  switch (command.kind) {
    // The clipboard and the files, like the window's menu and shortcuts,
    // are out of reach while the panel covers the window.
    case K::Copy:
    case K::CopyTape:
      if (!panelOpen) {
        const std::string text =
            command.kind == K::Copy ? calc_.DisplayNumberText() : TapeFileText(calc_.GetTape());
        out << "{\"clipboard\": " << JsonString(text) << "}\n";
      }
      break;
    case K::Paste:
      if (!panelOpen) calc_.Paste(command.text);
      break;
    case K::SaveTape:
      if (!panelOpen) documents_.Save(path);
      break;
    case K::OpenTape:
      if (!panelOpen) documents_.Open(path);
      break;
    case K::ExportCsv:
      if (!panelOpen) documents_.ExportCsv(path);
      break;
    case K::ExportPdf:
      if (!panelOpen) documents_.ExportPdf(path);
      break;
    // The tape's menu, covered by the panel like the rest of the window.
    case K::Note:
      if (!panelOpen) calc_.SetSelectedNote(command.text);
      break;
    case K::Delete:
      if (!panelOpen) calc_.cmdDeleteLine_Click();
      break;
    case K::Insert:
      if (!panelOpen) {
        calc_.cmdInsertLine_Click();
        fieldSelected_ = calc_.Panel().visible;
      }
      break;
    case K::Use:
      if (!panelOpen) calc_.cmdUseNumber_Click();
      break;
    case K::Key: {
      const int code = static_cast<int>(command.number);
      if (panelOpen) {
        TypeIntoPanel(code);
      } else {
        int key = code;
        calc_.CheckKeyPress(key);
      }
      break;
    }
    case K::Start: calc_.SetStartValue(command.number); break;
    case K::Dump: break;
    // The open panel covers the window: clicks do not reach it.
    case K::Click:
      if (!panelOpen) {
        // The parser only lets known captions through.
        if (const Button* button = FindButton(command.text)) calc_.Click(*button);
      }
      break;
    case K::Decimals:
      if (!panelOpen) calc_.cboDecPlace_Click(static_cast<int>(command.number));
      break;
    case K::Select:
      if (!panelOpen && command.number < calc_.GetTape().Count()) {
        calc_.lstTape_Click(static_cast<std::int32_t>(command.number));
      }
      break;
    case K::DblClick:
      if (!panelOpen) {
        calc_.lstTape_DblClick();
        fieldSelected_ = calc_.Panel().visible;
      }
      break;
    // The panel's own controls exist only while it is open.
    case K::New:
      if (panelOpen) {
        calc_.SetChangeTo(command.text);
        fieldSelected_ = false;
      }
      break;
    case K::Op:
      if (panelOpen) calc_.SetChangeType(command.text);
      break;
    case K::Save:
      if (panelOpen) calc_.cmdSaveChange_Click();
      break;
    case K::Cancel:
      if (panelOpen) calc_.cmdCancelChange_Click();
      break;
  }
}

void Session::TypeIntoPanel(int code) {
  // Escape anywhere in the panel is "Cancelar".
  if (code == kKeyEscape) {
    calc_.cmdCancelChange_Click();
    return;
  }
  // The field is edited in place, so that a key costs the same whatever the
  // length of the text.
  if (code == kKeyBackspace) {
    if (fieldSelected_) {
      calc_.SetChangeTo({});
    } else {
      calc_.DropLastChangeToChar();
    }
  } else if (code < 32) {
    return;  // Enter and other control keys do nothing in the field
  } else {
    if (fieldSelected_) calc_.SetChangeTo({});
    std::string typed;
    AppendUtf8(typed, Cp1252ToUnicode(static_cast<unsigned char>(code)));
    calc_.AppendToChangeTo(typed);
  }
  fieldSelected_ = false;
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

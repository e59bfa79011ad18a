#include "ui/key_codes.h"

#include <QKeyEvent>

#include "engine/keypad.h"
#include "tape/text_utils.h"

namespace tally::ui {
namespace {

constexpr int kPoint = '.';
// A character with no Windows-1252 code arrives as "?", which is what a
// conversion to that code page makes of it.
constexpr int kNoCode = '?';

}  // namespace

std::vector<int> TypedKeyCodes(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
  if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
    return {};
  }
  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return {};
    case Qt::Key_Return:
    case Qt::Key_Enter: return {kKeyEnter};
    case Qt::Key_Escape: return {kKeyEscape};
    case Qt::Key_Backspace: return {kKeyBackspace};
    default: break;
  }
  // The keypad's decimal key is the point whatever the layout puts on it
  // (a comma under a Brazilian layout); a comma on the main keys is not.
  if ((modifiers & Qt::KeypadModifier) && (key == Qt::Key_Period || key == Qt::Key_Comma)) {
    return {kPoint};
  }
  std::vector<int> codes;
  for (const char32_t c : text.toUcs4()) {
    const int code = UnicodeToCp1252(c);
    codes.push_back(code < 0 ? kNoCode : code);
  }
  return codes;
}

std::vector<int> TypedKeyCodes(const QKeyEvent& event) {
  return TypedKeyCodes(event.key(), event.modifiers(), event.text());
}

}  // namespace tally::ui

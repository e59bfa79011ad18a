#pragma once
// Turns a Qt key press into the character codes the calculator's key table
// reads: Windows-1252, one code per typed character.

#include <QString>
#include <Qt>

#include <vector>

class QKeyEvent;

namespace tally::ui {

// The codes a key press types, in order; empty when the key types nothing the
// calculator should see (navigation and function keys, Tab, and any key held
// with Ctrl, Alt or Meta, which belong to shortcuts).
std::vector<int> TypedKeyCodes(int key, Qt::KeyboardModifiers modifiers, const QString& text);
std::vector<int> TypedKeyCodes(const QKeyEvent& event);

}  // namespace tally::ui

#include "engine/keypad.h"

#include <algorithm>

namespace tally {

std::string ClickName(const Button& button) {
  std::string name(button.caption);
  std::erase(name, '&');
  return name;
}

std::string SpokenName(const Button& button) {
  return button.accessibleName.empty() ? ClickName(button) : std::string(button.accessibleName);
}

const Button* FindButton(std::string_view clickName) {
  const auto it = std::find_if(kButtons.begin(), kButtons.end(),
                               [&](const Button& b) { return ClickName(b) == clickName; });
  return it == kButtons.end() ? nullptr : &*it;
}

const KeyBinding* FindKeyBinding(int code) {
  const auto it = std::find_if(kKeyBindings.begin(), kKeyBindings.end(),
                               [&](const KeyBinding& k) { return k.code == code; });
  return it == kKeyBindings.end() ? nullptr : &*it;
}

}  // namespace tally

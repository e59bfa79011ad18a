#include "engine/keypad.h"

#include <algorithm>

namespace tally {

std::string ClickName(const Button& button) {
  std::string name(button.caption);
  std::erase(name, '&');
  return name;
}

namespace {

// Whether the caption, without its "&", is `name`; nothing is allocated.
bool IsClickName(std::string_view caption, std::string_view name) {
  std::size_t k = 0;
  for (const char c : caption) {
    if (c == '&') continue;
    if (k == name.size() || name[k] != c) return false;
    ++k;
  }
  return k == name.size();
}

}  // namespace

const Button* FindButton(std::string_view clickName) {
  const auto it = std::find_if(kButtons.begin(), kButtons.end(),
                               [&](const Button& b) { return IsClickName(b.caption, clickName); });
  return it == kButtons.end() ? nullptr : &*it;
}

const KeyBinding* FindKeyBinding(int code) {
  const auto it = std::find_if(kKeyBindings.begin(), kKeyBindings.end(),
                               [&](const KeyBinding& k) { return k.code == code; });
  return it == kKeyBindings.end() ? nullptr : &*it;
}

}  // namespace tally

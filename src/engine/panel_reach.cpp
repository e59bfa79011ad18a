#include "engine/panel_reach.h"

#include <algorithm>

namespace tally {

Reach ReachOf(Action action) {
  const auto it = std::find_if(kActionReach.begin(), kActionReach.end(),
                               [&](const ActionReach& r) { return r.action == action; });
  // An action without a row is kept behind the panel, the safe side.
  return it == kActionReach.end() ? Reach::PanelClosed : it->reach;
}

bool Reaches(Action action, bool panelOpen) {
  switch (ReachOf(action)) {
    case Reach::PanelClosed: return !panelOpen;
    case Reach::PanelOpen: return panelOpen;
    case Reach::Always: return true;
  }
  return false;
}

}  // namespace tally

#pragma once
// Key sequences whose grand total must survive everything that rebuilds it
// from the tape: a correction saved unchanged, a tape saved and opened, a
// kept session restarted. Each closes calculations in a way the tape's
// separators alone cannot tell: "C", a sign change, a pasted negative.

#include <functional>
#include <string_view>

#include "engine/calculator.h"
#include "fake_host.h"

namespace tally::testing {

struct GrandTotalSession {
  const char* name;
  // Keys() scripts; "<text>" pastes text.
  std::string_view script;
};

// clang-format off
inline constexpr GrandTotalSession kGrandTotalSessions[] = {
    {"a cancelled calculation", "100+50+C5+=="},
    {"a cancelled calculation left open", "100+50+C5+"},
    {"a sign change", "100+50[+/-]+=="},
    {"a sign change, then the grand total key", "100+50[+/-]+==g7+"},
    {"a pasted negative", "100+<-50>+=="},
    {"a pasted negative in parentheses", "100+<(50)>+3+=="},
    {"a pasted negative with its minus after it", "100+<R$ 1.250,00->+=="},
    {"a paste right after a total", "100+50=<20>+=="},
    {"a pasted negative right after a total", "100+50=<-20>+=="},
    {"C after a total", "100+50=C7+=="},
    {"C C after a total", "100+50==20+5=CC3+=="},
    {"C C with nothing to close", "8+==CC4+=="},
    {"the grand total key", "10+5==2+3==g9+=="},
    {"the grand total key after C", "10+5==2+3=Cg"},
    {"mixed", "12+3[+/-]=C5+5==20[+/-]+4=CC7+==9+<-2>+==[Grande Total]6+1+C2+=="},
};
// clang-format on

// Runs a session script: Keys() with "<text>" for a paste; `after` is
// called after every key, click and paste.
inline void RunSession(Calculator& calc, std::string_view script,
                       const std::function<void()>& after = {}) {
  for (std::size_t pos = 0; pos < script.size();) {
    const char c = script[pos];
    const char close = c == '<' ? '>' : c == '[' ? ']' : 0;
    const std::size_t end = close ? script.find(close, pos) + 1 : pos + 1;
    if (c == '<') {
      calc.Paste(script.substr(pos + 1, end - pos - 2));
    } else {
      Keys(calc, script.substr(pos, end - pos));
    }
    if (after) after();
    pos = end;
  }
}

}  // namespace tally::testing

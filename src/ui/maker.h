#pragma once
// Who makes the calculator and where to reach them.

namespace tally::ui {

inline constexpr const char* kMakerName = "Tallyroller Labs";
inline constexpr const char* kMakerYear = "2026";
inline constexpr const char* kMakerMailUrl = "mailto:contato@tallyroller.example.org";
inline constexpr const char* kMakerWebUrl = "http://www.tallyroller.example.org";
inline constexpr const char* kMakerWebName = "www.tallyroller.example.org";

}  // namespace tally::ui

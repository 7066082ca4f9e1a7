#pragma once

// Colours and sizes shared by the custom widgets, so that every dialog and page looks alike.
// Pages of an edition with its own theme colour pass it to the widgets' setters.
namespace cusstyle {

inline constexpr const char* kTheme = "#1AA9FF";        // buttons, selected tabs, gauges
inline constexpr const char* kThemeHover = "#1A89FF";
inline constexpr const char* kThemeLight = "#ECF5FE";   // hover cards, light backgrounds
inline constexpr const char* kText = "#2F2F2F";
inline constexpr const char* kTitle = "#333333";        // dialog titles
inline constexpr const char* kTextMuted = "#8F959E";
inline constexpr const char* kBorder = "#DCDFE6";
inline constexpr const char* kError = "#D8424E";
inline constexpr const char* kWarning = "#FF5F4F";
inline constexpr const char* kThreshold = "#FFAB20";
inline constexpr const char* kTrack = "#EEF0F3";

}  // namespace cusstyle

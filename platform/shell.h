#pragma once

// Shell services: special folders and opening a document with the desktop's opener.

#include <string>
#include <string_view>

namespace scourwell::platform {

inline constexpr int kCsidlPersonal = 5;
inline constexpr int kCsidlFavorites = 6;
inline constexpr int kCsidlStartup = 7;
inline constexpr int kCsidlStartMenu = 11;
inline constexpr int kCsidlDesktopDirectory = 16;
inline constexpr int kCsidlTemplates = 21;
inline constexpr int kCsidlCommonStartMenu = 22;
inline constexpr int kCsidlCommonPrograms = 23;
inline constexpr int kCsidlCommonStartup = 24;
inline constexpr int kCsidlCommonDesktopDirectory = 25;
inline constexpr int kCsidlAppData = 26;
inline constexpr int kCsidlInternetCache = 32;
inline constexpr int kCsidlCookies = 33;
inline constexpr int kCsidlHistory = 34;
inline constexpr int kCsidlCommonAppData = 35;
inline constexpr int kCsidlProfile = 40;

// Windows path of a special folder without trailing backslash; empty when the view has none.
std::string SpecialFolderPath(int csidl);

// Opens a document (Windows path) with the desktop's opener; false when it cannot be started.
bool ShellOpen(std::string_view windowsPath);

}  // namespace scourwell::platform

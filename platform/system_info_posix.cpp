// System information of the view: everything comes from the installed machine view.

#include "platform/system_info.h"

namespace scourwell::platform {

std::optional<WindowsVersion> GetWindowsVersion() { return CurrentMachine().winver; }
std::string GetWindowsDirectory() { return CurrentMachine().windowsDir; }
std::string GetSystemDirectory() { return CurrentMachine().systemDir; }

std::string GetTempPath() {
    std::string path = CurrentMachine().tempDir;
    if (path.empty() || path.back() != '\\') path += '\\';
    return path;
}

std::string GetUserName() { return CurrentMachine().user; }
std::string ProgramDirectory() { return CurrentMachine().programDir; }
std::string HostSystemDescription() { return CurrentMachine().hostDescription; }
std::string ShortDatePicture() { return CurrentMachine().shortDate; }
std::string LongTimePicture() { return CurrentMachine().longTime; }

std::string FormatShortDate(std::chrono::system_clock::time_point when) {
    return FormatDateTime(when, ShortDatePicture());
}

std::string FormatLongTime(std::chrono::system_clock::time_point when) {
    return FormatDateTime(when, LongTimePicture());
}

}  // namespace scourwell::platform

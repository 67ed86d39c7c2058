#include "inspect/suspicion_rules.h"

#include <chrono>
#include <ctime>

#include "foundation/file_helpers.h"
#include "foundation/system_folders.h"
#include "foundation/text.h"
#include "platform/files.h"
#include "platform/system_info.h"

namespace scourwell::inspect {
namespace {

constexpr std::string_view kSuspiciousFolders[] = {
    "c:\\windows\\system32\\drivers\\", "c:\\windows\\temp\\", "c:\\users\\",
    "c:\\documents and settings\\"};

constexpr std::string_view kDoubleExtensions[] = {".exe.exe", ".tmp.exe", ".bmp.exe", ".jpg.exe",
                                                  ".gif.exe", ".mp3.exe", ".com.exe"};

}  // namespace

SuspicionContext SuspicionContext::Current(std::chrono::system_clock::time_point now) {
    SuspicionContext context;
    context.userProgram = foundation::ToLower(foundation::GetLogonUserName()) + ".exe";
    context.windowsFolder = foundation::ToLower(foundation::GetWindowsDir()) + "\\";
    context.today = platform::FormatShortDate(now);
    context.now = now;
    return context;
}

SuspicionRule FirstSuspicion(std::string_view fileName, std::string_view folder,
                             std::string_view path, const SuspicionContext& context) {
    const std::string name = foundation::ToLower(fileName);
    const std::string place = foundation::ToLower(folder);
    if (name == context.userProgram) return SuspicionRule::UserNameProgram;
    for (std::string_view suspicious : kSuspiciousFolders)
        if (place == suspicious) return SuspicionRule::SuspiciousFolder;
    if (name.size() > 25) return SuspicionRule::LongName;
    if (foundation::DigitsOnly(name).size() > 7) return SuspicionRule::ManyDigits;
    if (!name.empty() && foundation::DigitValue(name.substr(0, 1)) != -1)
        return SuspicionRule::LeadingDigit;
    for (std::string_view extension : kDoubleExtensions)
        if (name.find(extension) != std::string::npos) return SuspicionRule::DoubleExtension;
    if (context.windowsFolder.size() > 1 &&
        foundation::ToLower(path).find(context.windowsFolder) != std::string::npos) {
        const auto info = platform::GetFileInfo(path);
        if (info && platform::FormatShortDate(std::chrono::system_clock::from_time_t(
                        static_cast<std::time_t>(info->lastWriteUnix))) == context.today)
            return SuspicionRule::ChangedSystemFile;
    }
    return SuspicionRule::None;
}

}  // namespace scourwell::inspect

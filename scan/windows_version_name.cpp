#include "scan/windows_version_name.h"

#include "platform/system_info.h"

namespace scourwell::scan {
namespace {

// The second character of the service-pack text (" B", " C", " A" on the 9x family).
char SecondCharacter(const std::string& csd) {
    return csd.size() >= 2 ? csd[1] : '\0';
}

std::string Windows9xName(const platform::WindowsVersion& v) {
    if (v.major == 4 && v.minor == 0) {
        const char c = SecondCharacter(v.csd);
        return std::string("Microsoft Windows 95") + (c == 'B' || c == 'C' ? " OSR2" : "");
    }
    if (v.major == 4 && v.minor == 10) {
        return std::string("Microsoft Windows 98") + (SecondCharacter(v.csd) == 'A' ? " SE" : "");
    }
    if (v.major == 4 && v.minor > 90) return "Microsoft Windows Millennium Edition";
    return "";
}

std::string NtName(const platform::WindowsVersion& v) {
    const bool is64 = v.amd64;
    const auto is = [&](uint32_t major, uint32_t minor) {
        return v.major == major && v.minor == minor;
    };
    if (is(5, 2)) return "Microsoft Windows Server 2003";
    if (is(5, 1) && v.workstation && is64) return "Microsoft Windows XP x64 Edition ";
    if (is(5, 1) && !is64) return "Microsoft Windows XP";
    if (is(6, 0) && !is64) return "Microsoft Windows Vista";
    if (is(6, 0) && v.workstation && is64) return "Microsoft Windows Vista x64 Edition ";
    if (is(6, 1) && !is64) return "Microsoft Windows 7";
    if (is(6, 1) && is64) return "Microsoft Windows 7 x64 Edition";
    if (is(6, 2) && !is64) return "Microsoft Windows 8";
    if (is(6, 2) && is64) return "Microsoft Windows 8 x64 Edition";
    if (is(5, 0)) return "Microsoft Windows 2000";
    return "Microsoft Windows NT";
}

}  // namespace

std::string WindowsVersionName(const std::optional<platform::WindowsVersion>& version) {
    if (!version) return "";
    switch (version->platform) {
        case platform::WindowsVersion::Platform::Win32s:
            return "Microsoft Win32s";
        case platform::WindowsVersion::Platform::Windows9x:
            return Windows9xName(*version);
        case platform::WindowsVersion::Platform::NT:
            return NtName(*version);
        default:
            return "";
    }
}

std::string OperatingSystemName() {
    std::string host = platform::HostSystemDescription();
    if (!host.empty()) return host;
    return WindowsVersionName(platform::GetWindowsVersion());
}

}  // namespace scourwell::scan

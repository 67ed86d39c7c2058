#include "scan/windows_version_name.h"

#include <gtest/gtest.h>

#include "tests/support/test_machine.h"

namespace scourwell::scan {
namespace {

using platform::WindowsVersion;
using Platform = WindowsVersion::Platform;

WindowsVersion Version(Platform platform, uint32_t major, uint32_t minor, std::string csd = "",
                       bool workstation = true, bool amd64 = false) {
    WindowsVersion v;
    v.platform = platform;
    v.major = major;
    v.minor = minor;
    v.csd = std::move(csd);
    v.workstation = workstation;
    v.amd64 = amd64;
    return v;
}

TEST(WindowsVersionNameTest, EveryRowOfTheTable) {
    struct Case {
        WindowsVersion version;
        const char* name;
    } cases[] = {
        {Version(Platform::Win32s, 3, 1), "Microsoft Win32s"},
        {Version(Platform::Windows9x, 4, 0), "Microsoft Windows 95"},
        {Version(Platform::Windows9x, 4, 0, " B"), "Microsoft Windows 95 OSR2"},
        {Version(Platform::Windows9x, 4, 0, " C"), "Microsoft Windows 95 OSR2"},
        {Version(Platform::Windows9x, 4, 0, " A"), "Microsoft Windows 95"},
        {Version(Platform::Windows9x, 4, 10), "Microsoft Windows 98"},
        {Version(Platform::Windows9x, 4, 10, " A"), "Microsoft Windows 98 SE"},
        {Version(Platform::Windows9x, 4, 90), ""},
        {Version(Platform::Windows9x, 4, 91), "Microsoft Windows Millennium Edition"},
        {Version(Platform::Windows9x, 5, 0), ""},
        {Version(Platform::NT, 5, 2, "", true, true), "Microsoft Windows Server 2003"},
        {Version(Platform::NT, 5, 1, "", true, true), "Microsoft Windows XP x64 Edition "},
        {Version(Platform::NT, 5, 1, "", true, false), "Microsoft Windows XP"},
        {Version(Platform::NT, 5, 1, "", false, true), "Microsoft Windows NT"},
        {Version(Platform::NT, 6, 0, "", false, false), "Microsoft Windows Vista"},
        {Version(Platform::NT, 6, 0, "", true, true), "Microsoft Windows Vista x64 Edition "},
        {Version(Platform::NT, 6, 0, "", false, true), "Microsoft Windows NT"},
        {Version(Platform::NT, 6, 1, "", true, false), "Microsoft Windows 7"},
        {Version(Platform::NT, 6, 1, "", false, true), "Microsoft Windows 7 x64 Edition"},
        {Version(Platform::NT, 6, 2, "", true, false), "Microsoft Windows 8"},
        {Version(Platform::NT, 6, 2, "", true, true), "Microsoft Windows 8 x64 Edition"},
        {Version(Platform::NT, 5, 0, "", true, true), "Microsoft Windows 2000"},
        {Version(Platform::NT, 6, 3, "", true, true), "Microsoft Windows NT"},
        {Version(Platform::NT, 4, 0), "Microsoft Windows NT"},
        {Version(Platform::Other, 6, 1), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WindowsVersionName(c.version), c.name)
            << c.version.major << "." << c.version.minor << " " << c.version.csd;
    EXPECT_EQ(WindowsVersionName(std::nullopt), "");
}

TEST(WindowsVersionNameTest, ReadsTheVersionRecordOfTheMachineFile) {
    struct Case {
        const char* winver;
        const char* name;
    } cases[] = {
        {"nt 6.1 csd=\"Service Pack 1\" product=workstation arch=amd64",
         "Microsoft Windows 7 x64 Edition"},
        {"nt 5.1 product=workstation arch=x86", "Microsoft Windows XP"},
        {"9x 4.10 csd=\" A\"", "Microsoft Windows 98 SE"},
        {"nt 5 2", "Microsoft Windows Server 2003"},
        {"none", ""},
    };
    for (const Case& c : cases) {
        scourwell::testing::TestMachine m;
        m.SetMachineKey("winver", c.winver);
        m.Install();
        EXPECT_EQ(OperatingSystemName(), c.name) << c.winver;
    }
}

TEST(WindowsVersionNameTest, TheNativeViewNamesTheHostSystem) {
    scourwell::testing::TestMachine m;
    m.SetMachineKey("hostdesc", "\"Debian GNU/Linux 12 (bookworm), Linux 6.1.0\"");
    m.Install();
    EXPECT_EQ(OperatingSystemName(), "Debian GNU/Linux 12 (bookworm), Linux 6.1.0");
}

}  // namespace
}  // namespace scourwell::scan

#include "inspect/startup_files.h"

#include <gtest/gtest.h>

#include "foundation/program_context.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/test_machine.h"

namespace scourwell::inspect {
namespace {

using testing::ScriptedUi;
using testing::TestMachine;

constexpr const char* kRegHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

// One entry of every source, with files that exist and files that do not.
const char* kSources =
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows]\r\n"
    "\"load\"=\"C:\\\\Tools\\\\Loader.exe\"\r\n"
    "\"run\"=\"C:\\\\Tools\\\\missing.exe\"\r\n"
    "\"Count\"=dword:00000001\r\n"
    "\"AppInit_DLLs\"=\"C:\\\\Tools\\\\Loader.exe,missing.dll\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\ShellServiceObjectDelayLoad]\r\n"
    "\"Stub\"=\"{AAAA}\"\r\n"
    "\"Number\"=dword:00000002\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\pkg]\r\n"
    "\"DllName\"=\"C:\\\\Tools\\\\notify.dll\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SharedTaskScheduler]\r\n"
    "\"{BBBB}\"=\"scheduler\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\{CCCC}]\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks\\{DDDD}]\r\n"
    "\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{AAAA}\\InProcServer32]\r\n"
    "@=\"C:\\\\Tools\\\\sso.dll\"\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{BBBB}\\InProcServer32]\r\n"
    "@=\"C:\\\\Tools\\\\sts.dll\"\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{CCCC}\\InProcServer32]\r\n"
    "@=\"C:\\\\Tools\\\\bho.dll\"\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{CCCC}\\LocalServer32]\r\n"
    "@=\"C:\\\\Tools\\\\bho.exe\"\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{DDDD}\\InProcServer32]\r\n"
    "@=\"C:\\\\Tools\\\\gone.dll\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App]\r\n"
    "\"UninstallString\"=\"\\\"C:\\\\Program Files\\\\App\\\\uninst.exe\\\" /S\"\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NoCommand]\r\n"
    "\"DisplayName\"=\"Nothing to run\"\r\n";

class StartupFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* file : {"Loader.exe", "sso.dll", "notify.dll", "sts.dll", "bho.dll",
                                 "bho.exe"})
            machine.WriteFile(std::string("C:\\Tools\\") + file, "MZ program bytes");
    }
    void Seed(const std::string& body) { machine.AddRegText(kRegHeader + body); }

    TestMachine machine;
    ScriptedUi ui;
    foundation::ProgramContext context{ui};
    StartupFileList files;
};

TEST_F(StartupFilesTest, EverySourceInOrder) {
    Seed(kSources);
    files.Add("stale entry");
    CollectStartupFiles(context, files);
    EXPECT_EQ(files.Paths(), (std::vector<std::string>{
                                 "c:\\tools\\loader.exe",  // Windows key; AppInit repeats it
                                 "c:\\tools\\sso.dll",
                                 "c:\\tools\\notify.dll",
                                 "c:\\tools\\sts.dll",
                                 "c:\\tools\\bho.dll",  // both servers of a helper object
                                 "c:\\tools\\bho.exe",
                                 "missing.dll",  // AppInit names are taken as written
                                 "C:\\Program Files\\App\\uninst.exe /S",
                             }));
    // Events ran once per shell service object and per shared task scheduler at least.
    EXPECT_GE(ui.pumps, 3);
}

TEST_F(StartupFilesTest, AppInitListsAreSplitAtCommas) {
    struct Case {
        const char* data;
        std::vector<std::string> paths;
    };
    const Case cases[] = {
        {"", {}},
        {"a.dll", {"a.dll"}},
        {"a.dll,b.dll,", {"a.dll", "b.dll"}},
        {"a.dll, b.dll,,A.DLL", {"a.dll", " b.dll"}},  // not trimmed; empty names and repeats skipped
        {"C:\\\\Tools\\\\sso.dll", {"c:\\tools\\sso.dll"}},  // expanded when it names a file
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.data);
        Seed("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows]\r\n"
             "\"AppInit_DLLs\"=\"" +
             std::string(test.data) + "\"\r\n");
        CollectStartupFiles(context, files);
        EXPECT_EQ(files.Paths(), test.paths);
    }
}

TEST_F(StartupFilesTest, ReenteredCollectionLeavesOneWholeList) {
    Seed(kSources);
    // A button pressed while events run starts another collection of the same list.
    ui.AtPump(1, [this] { CollectStartupFiles(context, files); });
    CollectStartupFiles(context, files);
    EXPECT_EQ(files.Count(), 8u);
}

TEST(StartupFileListTest, KeepsOrderAndSkipsRepeatsAndEmptyPaths) {
    StartupFileList list;
    EXPECT_TRUE(list.Add("C:\\B.exe"));
    EXPECT_TRUE(list.Add("c:\\a.exe"));
    EXPECT_FALSE(list.Add("c:\\b.EXE"));
    EXPECT_FALSE(list.Add(""));
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{"C:\\B.exe", "c:\\a.exe"}));
    EXPECT_TRUE(list.Contains("C:\\A.EXE"));
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_FALSE(list.Contains("c:\\a.exe"));
}

}  // namespace
}  // namespace scourwell::inspect

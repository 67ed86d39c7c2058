#include "foundation/path_expansion.h"

#include <gtest/gtest.h>

#include "tests/support/test_machine.h"

namespace scourwell::foundation {
namespace {

using testing::TestMachine;

class PathVariablesTest : public ::testing::Test {
protected:
    PathVariablesTest() {
        machine.WriteFile("C:\\Windows\\System32\\regedit.exe", "MZ system32 regedit");
        machine.WriteFile("C:\\Windows\\notepad.exe", "MZ windows notepad");
        machine.WriteFile("C:\\Program Files\\Tool\\tool.exe", "MZ tool program");
        machine.WriteFile("C:\\Data\\Run Me.exe", "MZ blank in name");
    }
    TestMachine machine;
};

TEST_F(PathVariablesTest, Cases) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        // Variables are matched after lower-casing; %systemroot% names the system folder.
        {"%SystemRoot%\\regedit.exe", "c:\\windows\\system32\\regedit.exe"},
        {"%systemdir%\\regedit.exe", "c:\\windows\\system32\\regedit.exe"},
        {"%WINDIR%\\notepad.exe", "c:\\windows\\notepad.exe"},
        {"%winroot%\\notepad.exe", "c:\\windows\\notepad.exe"},
        // A quoted program followed by a switch.
        {"\"C:\\Program Files\\Tool\\tool.exe\" /min", "c:\\program files\\tool\\tool.exe"},
        {"\"C:\\Program Files\\Tool\\missing.exe\" /min", ""},
        // Bare names: the system folder first, then the Windows folder.
        {"regedit.exe", "c:\\windows\\system32\\regedit.exe"},
        {"NOTEPAD.EXE", "c:\\windows\\notepad.exe"},
        {"nothing.exe", ""},
        {"", ""},
        // A snapshot line: cut back to the longest leading part naming a present file.
        {"Proc C:\\Data\\Run Me.exe[0123456789abcdef0123456789abcdef][16]",
         "c:\\data\\run me.exe"},
        {"rundll32 c:\\windows\\notepad.exe,Entry", "c:\\windows\\notepad.exe"},
        {"c:\\windows\\nothing here at all", ""},
        {":\\odd", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandPathVariables(c.text), c.expected) << c.text;
}

TEST_F(PathVariablesTest, LongCommandLinesEnd) {
    // Every pass drops a character; a long tail of arguments still ends in the empty text.
    const std::string text = "c:\\data\\missing.exe " + std::string(600, 'x');
    EXPECT_EQ(ExpandPathVariables(text), "");
}

TEST(FolderMacros, Table) {
    TestMachine machine;
    machine.SetFolder(6, "C:\\Users\\tester\\Favorites");
    machine.SetFolder(23, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
    machine.Install();
    const std::string temp = TestMachine::kTemp;
    const std::string commonStartMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"%%WinTemp%%\\x.exe", temp + "\\x.exe"},
        {"%%wt%%\\x.exe", temp + "\\x.exe"},  // short and long form agree
        {"%%csf%%\\a.lnk", commonStartMenu + "\\a.lnk"},  // the common start menu, not start-up
        {"%%CommonStartmenuFolder%%", commonStartMenu},
        {"%%CommonStartupFolder%%", commonStartMenu + "\\Programs\\Startup"},
        {"%%root%%\\boot.ini", "C:\\boot.ini"},
        {"%%rt%%", "C:"},
        {"%%LocalAppdataFolder%%\\x", "C:\\x"},
        {"%%user%%-%%User%%", "tester-tester"},
        {"%%USER%%\\%%Wt%%\\%%AF%%", "%%USER%%\\%%Wt%%\\%%AF%%"},  // other letter cases stay
        {"%%af%%\\a;%%AppdataFolder%%\\b", std::string(TestMachine::kAppData) + "\\a;" + TestMachine::kAppData + "\\b"},
        {"%%pf%%|%%md%%|%%MyDocuments%%", std::string(TestMachine::kDocuments) + "|" + TestMachine::kDocuments + "|" + TestMachine::kDocuments},
        {"%%prf%%|%%caf%%", std::string(TestMachine::kProfile) + "|" + TestMachine::kCommonAppData},
        {"%%ff%%|%%cpf%%", "C:\\Users\\tester\\Favorites|" + commonStartMenu + "\\Programs"},
        {"%%cff%%", "C:\\Program Files\\Common Files"},
        {"%%ckf%%\\x", "\\x"},  // the view has no cookies folder: replaced by nothing
        {"no macro here", "no macro here"},
        {"", ""},
        {"50%% off", "50%% off"},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandFolderMacros(c.text), c.expected) << c.text;
}

TEST(FolderMacros, FolderTextIsNotExpandedAgain) {
    TestMachine machine;
    // A documents folder whose name holds a macro word.
    machine.SetFolder(5, "C:\\Users\\tester\\%%wt%%docs");
    machine.Install();
    EXPECT_EQ(ExpandFolderMacros("%%PersonalFolder%%\\a"), "C:\\Users\\tester\\%%wt%%docs\\a");
}

}  // namespace
}  // namespace scourwell::foundation

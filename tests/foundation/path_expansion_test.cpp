#include "foundation/path_expansion.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "foundation/file_helpers.h"
#include "foundation/system_folders.h"
#include "foundation/text.h"
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

// The expansion as it was first written: every cut of the text tried from the longest down.
// Slow on deep paths, but plainly right; the expansion must give what it gives.
std::string ExpandByEveryCut(std::string_view input) {
    const std::string systemDir = ToLower(GetSystemDir());
    const std::string windowsDir = ToLower(GetWindowsDir());
    std::string text = ToLower(input);
    text = ReplaceAll(text, "%systemroot%", systemDir);
    text = ReplaceAll(text, "%systemdir%", systemDir);
    text = ReplaceAll(text, "%windir%", windowsDir);
    text = ReplaceAll(text, "%winroot%", windowsDir);
    text = ReplaceAll(text, "\"", "");
    while (!text.empty()) {
        if (!systemDir.empty() && FilePresent(systemDir + "\\" + text)) text = systemDir + "\\" + text;
        if (!windowsDir.empty() && FilePresent(windowsDir + "\\" + text)) text = windowsDir + "\\" + text;
        if (FilePresent(text)) return text;
        const size_t mark = text.find(":\\");
        if (mark == std::string::npos) return {};
        text.erase(0, mark == 0 ? 0 : mark - 1);
        if (FilePresent(text)) return text;
        text.pop_back();
    }
    return {};
}

class PathVariablesAgreeTest : public ::testing::Test {
protected:
    PathVariablesAgreeTest() {
        machine.WriteFile("C:\\Windows\\System32\\regedit.exe", "MZ system32 regedit");
        machine.WriteFile("C:\\Windows\\notepad.exe", "MZ windows notepad");
        machine.WriteFile("C:\\Data\\Deep\\Er\\Tool.EXE", "MZ mixed case on disk");
        machine.WriteFile("C:\\Data\\short", "tiny");  // ten bytes or less, still a file
        machine.WriteFile("C:\\Data\\a", "MZ one letter");
        machine.WriteFile("C:\\Data\\ab", "MZ two letters");
        machine.MakeDirectory("C:\\Data\\Empty Folder");
        machine.WriteFile("C:\\Windows\\System32\\c:", "MZ a file named like a drive");
        machine.WriteFile("C:\\Windows\\System32\\both.exe", "MZ system copy");
        machine.WriteFile("C:\\Windows\\both.exe", "MZ windows copy");
        machine.WriteFile("D:\\x.exe", "MZ on another drive");
        std::filesystem::create_symlink("Data", machine.Host("C:\\Link"));
    }
    TestMachine machine{{testing::TestDrive{'C'}, testing::TestDrive{'D'}}};
};

TEST_F(PathVariablesAgreeTest, SameAsEveryCutOnEachLeadingPart) {
    // Each text and every leading part of it: separators, "." and "..", forward slashes, a
    // folder through a file, a link in a folder position, names only a case-insensitive
    // lookup finds, variables and quotes.
    using namespace std::string_literals;
    const std::string texts[] = {
        "c:\\data\\deep\\er\\tool.exe\\..\\tool.exe /x",
        "C:/Data/Deep/Er/TOOL.exe\\ -a",
        "run c:\\data\\.\\deep\\\\er\\tool.exe\\x\\..\\",
        "c:\\data\\short\\.\\",
        "c:\\data\\nothing\\..\\ab\\..\\a x",
        "c:\\data\\empty folder\\..\\..\\data\\a",
        "c:\\link\\a and more",
        "\"%WinDir%\\notepad.exe\" arguments",
        "both.exe",
        "%systemroot%\\..\\both.exe,1",
        "x c:\\windows\\both.exe",
        "d:\\x.exe d:\\y.exe",
        "q:\\missing drive",
        ":\\odd\\c:\\data\\a",
        "c:\\data\\a\0c:\\data\\ab"s,
    };
    // Alone, and with one memory of what every earlier text found.
    PathExpansionMemory memory;
    for (PathExpansionMemory* remembered : {static_cast<PathExpansionMemory*>(nullptr), &memory}) {
        SCOPED_TRACE(remembered ? "remembering" : "alone");
        for (const std::string& whole : texts) {
            for (size_t length = 0; length <= whole.size(); ++length) {
                const std::string part = whole.substr(0, length);
                EXPECT_EQ(ExpandPathVariables(part, remembered), ExpandByEveryCut(part)) << part;
            }
        }
    }
}

// A memory serves the calls it is handed to: an expansion without it sees a file created
// since, and a new memory finds it too.
TEST_F(PathVariablesAgreeTest, AMemoryServesOnlyTheCallsItIsHandedTo) {
    std::filesystem::remove(machine.Host("C:\\Windows\\System32\\c:"));
    PathExpansionMemory memory;
    EXPECT_EQ(ExpandPathVariables("c:\\data\\new.exe /x", &memory), "");
    machine.WriteFile("C:\\Data\\New.exe", "MZ written later");
    EXPECT_EQ(ExpandPathVariables("c:\\data\\new.exe /x"), "c:\\data\\new.exe");
    PathExpansionMemory fresh;
    EXPECT_EQ(ExpandPathVariables("\"c:\\data\\NEW.EXE\" /x", &fresh), "c:\\data\\new.exe");
}

TEST_F(PathVariablesAgreeTest, DeepAndLongTexts) {
    // (A system file named "c:" would be found for every "c:\\..." text, as before.)
    std::filesystem::remove(machine.Host("C:\\Windows\\System32\\c:"));
    // Deep folders that exist, with the file at the bottom and arguments after it.
    std::string deep = "C:\\Deep";
    for (int i = 0; i < 300; ++i) deep += "\\d";
    machine.WriteFile(deep + "\\tool.exe", "MZ at the bottom");
    const std::string deepTool = ToLower(deep) + "\\tool.exe";

    std::string manyLevels = "c:\\";
    for (int i = 0; i < 500; ++i) manyLevels += "a\\";
    std::string dotDots = "c:\\data\\";
    for (int i = 0; i < 700; ++i) dotDots += "deep\\..\\";
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {manyLevels, ""},
        {manyLevels + "c:\\data\\a", ""},  // the first ":\\" marks the drive
        {"c:\\windows\\" + std::string(4096, 'x'), ""},
        {std::string(4096, 'c') + ":\\data\\a", "c:\\data\\a"},
        {"c:\\data\\a" + std::string(4096, 'x'), "c:\\data\\a"},
        {"c:\\data\\a" + std::string(4096, '\\'), "c:\\data\\a" + std::string(4096, '\\')},
        {deep + "\\tool.exe " + manyLevels, deepTool},
        {deep + "\\TOOL.EXE\\" + std::string(3000, 'y'), deepTool + "\\"},
        {dotDots + "ab -x", dotDots + "ab"},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandPathVariables(c.text), c.expected) << c.text.substr(0, 80);
    // Shorter versions of the same shapes, checked against every cut.
    std::string shallow = "c:\\";
    for (int i = 0; i < 25; ++i) shallow += "data\\";
    for (const std::string& text : {shallow, shallow + "a b", deep.substr(0, 40) + "\\x"})
        EXPECT_EQ(ExpandPathVariables(text), ExpandByEveryCut(text)) << text;
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

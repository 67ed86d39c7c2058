#include <gtest/gtest.h>

#include "database/signature_database.h"
#include "tests/support/test_machine.h"

namespace scourwell::database {
namespace {

using testing::TestMachine;

TEST(ParseEntry, Table) {
    TestMachine machine;
    const std::string sys = TestMachine::kSystem;
    const std::string temp = TestMachine::kTemp;
    struct Case {
        std::string line;
        std::string folder;
        TsVirName expected;  // file name, threat name, digest, folder
    };
    const Case cases[] = {
        // After a "[System32Root]\drivers" marker.
        {"[Trojan.X]:evil.exe", sys + "\\drivers", {"evil.exe", "Trojan.X", "", sys + "\\drivers"}},
        {"[]:abc.def.exe", "C:\\Data", {"abc.def.exe", "Sys32.abc.def", "", "C:\\Data"}},
        {"[]:sub\\noext", "C:\\Data", {"sub\\noext", "Sys32.noext", "", "C:\\Data"}},
        {"[A]:x.exe   ", "C:\\Data   ", {"x.exe", "A", "", "C:\\Data"}},  // trailing blanks go
        // A digest-only entry.
        {"/44d88612fea8a8f36de82e1278abb02f/[EICAR-Test-File]::", "C:\\Data",
         {"", "EICAR-Test-File", "44d88612fea8a8f36de82e1278abb02f", ""}},
        {"/0/[B]:b.exe", "C:\\Data", {"b.exe", "B", "", "C:\\Data"}},  // digest "0" is none
        {"/0123456789abcdef0123456789abcdef/[C]:c.exe", "",
         {"c.exe", "C", "0123456789abcdef0123456789abcdef", ""}},
        // Folder macros in the file part and the folder.
        {"[Miner]:%%wt%%\\xmrig.exe", "", {temp + "\\xmrig.exe", "Miner", "", ""}},
        {"[M]:m.exe", "%%wt%%", {"m.exe", "M", "", temp}},
        // Folder entries: the folder part ends at the first double backslash.
        {"[Adware.Tool]:ToolbarX\\\\", "C:\\Windows\\Temp",
         {"", "Adware.Tool", "", "C:\\Windows\\Temp\\ToolbarX"}},
        {"[]:Vendor\\Tool.v2\\\\", "C:\\Data\\", {"", "Sys32.Tool", "", "C:\\Data\\Vendor\\Tool.v2"}},
        {"[]:Tool\\", "C:\\Data", {"", "Sys32.Tool", "", "C:\\Data\\Tool"}},  // one backslash
        {"[Bad]:\\\\", "C:\\Windows\\System32", {"", "Bad", "", ""}},  // never the folder itself
        {"[Empty]:   ", "C:\\Windows\\System32", {"", "Empty", "", ""}},  // names nothing
        // A colon inside the threat name does not start the file part.
        {"[Trojan:Win32/Agent]:agent.exe", "C:\\Data", {"agent.exe", "Trojan:Win32/Agent", "", "C:\\Data"}},
        // No brackets, no colon: the whole line is the file part.
        {"plain.exe", "C:\\Data", {"plain.exe", "Sys32.plain", "", "C:\\Data"}},
        {"[Start]", "", {"[Start]", "Start", "", ""}},
        {"[Unclosed:x.exe", "C:\\Data", {"x.exe", "Sys32.x", "", "C:\\Data"}},
    };
    for (const Case& c : cases) {
        const TsVirName got = ParseEntry(c.line, c.folder);
        EXPECT_EQ(got.fileName, c.expected.fileName) << c.line;
        EXPECT_EQ(got.threatName, c.expected.threatName) << c.line;
        EXPECT_EQ(got.digest, c.expected.digest) << c.line;
        EXPECT_EQ(got.folder, c.expected.folder) << c.line;
    }
}

}  // namespace
}  // namespace scourwell::database

#include <gtest/gtest.h>

#include "database/signature_database.h"
#include "tests/support/test_machine.h"

namespace scourwell::database {
namespace {

std::vector<std::string> ReadAll(const std::string& text) {
    SignatureDatabase db;
    db.SetText(text);
    std::vector<std::string> lines;
    for (int guard = 0; guard < 1000; ++guard) {
        std::string line = db.ReadLine();
        lines.push_back(line);
        if (line == "_end") break;
    }
    return lines;
}

using Lines = std::vector<std::string>;

TEST(ReadLine, Cases) {
    struct Case {
        std::string text;
        Lines expected;
    };
    const std::string line254(254, 'a');
    const std::string line255(255, 'b');
    const Case cases[] = {
        // A version line and "_end": no entries.
        {"Version\r\n_end\r\n", {"Version", "_end"}},
        // The last line is never delivered, whatever it holds.
        {"Version\r\nentry1\r\nentry2\r\n", {"Version", "entry1", "_end"}},
        {"Version\r\nentry1\r\n_end", {"Version", "entry1", "_end"}},
        {"", {"_end"}},
        {"no line break at all", {"_end"}},
        {"\r\n\r\nx\r\n", {"", "", "_end"}},
        // Lines of up to 254 characters are read whole.
        {"v\r\n" + line254 + "\r\nlast\r\n", {"v", line254, "_end"}},
        // A longer line is skipped whole: neither part of it becomes an entry.
        {"v\r\n" + line255 + "\r\nnext\r\nlast\r\n", {"v", "next", "_end"}},
        {"v\r\n" + std::string(1000, 'c') + "\r\nnext\r\nlast\r\n", {"v", "next", "_end"}},
        {"v\r\n" + line255, {"v", "_end"}},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadAll(c.text), c.expected) << c.text.substr(0, 40);
}

TEST(ReadLine, EndIsSticky) {
    SignatureDatabase db;
    db.SetText("v\r\n_end\r\n");
    EXPECT_EQ(db.ReadLine(), "v");
    EXPECT_EQ(db.ReadLine(), "_end");
    EXPECT_EQ(db.ReadLine(), "_end");
    EXPECT_EQ(db.VersionLine(), "v");  // rewinds
    EXPECT_EQ(db.ReadLine(), "_end");
}

TEST(ReadEntryLine, SectionMarkersSetTheFolder) {
    testing::TestMachine machine;
    SignatureDatabase db;
    db.SetText(
        "v\r\n"
        "[Start]\r\n"
        "[Win32Root]\\Temp\r\n"
        "[A]:a.exe\r\n"
        "[System32Root]\\drivers\r\n"
        "[B]:b.sys\r\n"
        "[ProgramFiles32Root]\\Tool\r\n"
        "[C]:c.exe\r\n"
        "[Start]\r\n"
        "[D]:d.exe\r\n"
        "[System32Root]\r\n"
        "[Win32Root]\r\n"  // out of order: read as an entry line
        "[E]:e.exe\r\n"
        "_end\r\n");
    db.VersionLine();
    std::string folder = "stale";
    std::vector<std::pair<std::string, std::string>> seen;
    for (std::string line; (line = ReadEntryLine(db, folder)) != "_end";) seen.emplace_back(line, folder);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"[A]:a.exe", "C:\\Windows\\Temp"},
        {"[B]:b.sys", "C:\\Windows\\System32\\drivers"},
        {"[C]:c.exe", "C:\\Program Files\\Tool"},
        {"[D]:d.exe", ""},
        {"[Win32Root]", "C:\\Windows\\System32"},
        {"[E]:e.exe", "C:\\Windows\\System32"},
    };
    EXPECT_EQ(seen, expected);
}

TEST(StripNoProcessMark, RemovesEveryMark) {
    std::string line = "/0/[X]:a/0/b.exe";
    EXPECT_TRUE(StripNoProcessMark(line));
    EXPECT_EQ(line, "[X]:ab.exe");
    std::string plain = "/44d88612fea8a8f36de82e1278abb02f/[EICAR-Test-File]::";
    EXPECT_FALSE(StripNoProcessMark(plain));
    EXPECT_EQ(plain, "/44d88612fea8a8f36de82e1278abb02f/[EICAR-Test-File]::");
}

}  // namespace
}  // namespace scourwell::database

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/registry.h"
#include "tests/support/test_machine.h"

namespace scourwell::platform {
namespace {

using testing::TestMachine;

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(RegistryTest, StoreIsCreatedAndSeededOnFirstUse) {
    TestMachine machine;
    EXPECT_FALSE(std::filesystem::exists(machine.Root() + "/registry.db"));
    auto key = RegistryKey::Open(RootKey::LocalMachine, "software\\MICROSOFT\\Windows\\CurrentVersion", false);
    ASSERT_TRUE(key.has_value());
    EXPECT_TRUE(std::filesystem::exists(machine.Root() + "/registry.db"));
    const auto dir = key->ReadValue("programfilesdir");
    ASSERT_TRUE(dir.has_value());
    EXPECT_EQ(dir->name, "ProgramFilesDir");
    EXPECT_EQ(dir->type, ValueType::String);
    EXPECT_EQ(dir->data, "C:\\Program Files");
    EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"ProgramFilesDir", "CommonFilesDir"}));
}

TEST(RegistryTest, KeysAndValuesIgnoreCaseAndKeepCreationOrder) {
    TestMachine machine;
    EXPECT_FALSE(RegistryKey::Open(RootKey::CurrentUser, "Software\\Demo\\Deep", false).has_value());
    auto deep = RegistryKey::Open(RootKey::CurrentUser, "Software\\Demo\\Deep", true);
    ASSERT_TRUE(deep.has_value());
    EXPECT_TRUE(RegistryKeyExists(RootKey::CurrentUser, "software\\demo"));
    EXPECT_FALSE(RegistryKeyExists(RootKey::LocalMachine, "Software\\Demo"));

    ASSERT_TRUE(deep->WriteString("Zeta", "z"));
    ASSERT_TRUE(deep->WriteString("Path", "%windir%\\x", true));
    ASSERT_TRUE(deep->WriteDword("Count", 0xDEADBEEF));
    ASSERT_TRUE(deep->WriteBinary("Blob", std::string("\x00\x01\xFF", 3)));
    ASSERT_TRUE(deep->WriteString("", "default"));
    ASSERT_TRUE(deep->WriteString("zeta", "again"));  // replaces in place, keeps its spelling
    ASSERT_TRUE(deep->WriteString("Ärger", "ä"));
    EXPECT_EQ(deep->ValueNames(), (std::vector<std::string>{"Zeta", "Path", "Count", "Blob", "", "Ärger"}));

    const auto reopened = RegistryKey::Open(RootKey::CurrentUser, "SOFTWARE\\demo\\DEEP", false);
    ASSERT_TRUE(reopened.has_value());
    EXPECT_EQ(reopened->ReadValue("ZETA")->data, "again");
    EXPECT_EQ(reopened->ReadValue("path")->type, ValueType::ExpandString);
    EXPECT_EQ(reopened->ReadValue("count")->type, ValueType::Dword);
    EXPECT_EQ(reopened->ReadValue("count")->dword, 0xDEADBEEFu);
    EXPECT_EQ(reopened->ReadValue("blob")->data, std::string("\x00\x01\xFF", 3));
    EXPECT_EQ(reopened->ReadValue("")->data, "default");
    EXPECT_EQ(reopened->ReadValue("ÄRGER")->data, "ä");
    EXPECT_FALSE(reopened->ReadValue("missing").has_value());

    auto demo = RegistryKey::Open(RootKey::CurrentUser, "Software\\Demo", false);
    ASSERT_TRUE(RegistryKey::Open(RootKey::CurrentUser, "Software\\Demo\\Alpha", true).has_value());
    EXPECT_EQ(demo->SubkeyNames(), (std::vector<std::string>{"Deep", "Alpha"}));

    EXPECT_TRUE(deep->DeleteValue("PATH"));
    EXPECT_FALSE(deep->DeleteValue("Path"));  // already gone
    EXPECT_FALSE(reopened->ReadValue("path").has_value());

    EXPECT_FALSE(DeleteRegistryKeyTree(RootKey::CurrentUser, ""));  // roots stay
    EXPECT_FALSE(DeleteRegistryKeyTree(RootKey::CurrentUser, "Software\\Nothing"));
    EXPECT_TRUE(DeleteRegistryKeyTree(RootKey::CurrentUser, "software\\DEMO"));
    EXPECT_FALSE(RegistryKeyExists(RootKey::CurrentUser, "Software\\Demo\\Deep"));
    EXPECT_FALSE(deep->WriteString("late", "x"));  // the key was deleted under it
    EXPECT_TRUE(RegistryKeyExists(RootKey::CurrentUser, "Software"));
}

TEST(RegistryTest, AKeyObjectOfADeletedKeyNeverReachesAKeyCreatedLater) {
    TestMachine machine;
    auto a = RegistryKey::Open(RootKey::CurrentUser, "Software\\A", true);
    ASSERT_TRUE(a);
    ASSERT_TRUE(DeleteRegistryKeyTree(RootKey::CurrentUser, "Software\\A"));
    auto b = RegistryKey::Open(RootKey::CurrentUser, "Software\\B", true);
    ASSERT_TRUE(b);
    ASSERT_TRUE(b->WriteString("keep", "value of B"));

    EXPECT_FALSE(a->WriteString("stray", "written through the deleted key"));
    EXPECT_FALSE(a->DeleteValue("keep"));
    EXPECT_EQ(b->ValueNames(), std::vector<std::string>{"keep"});
    EXPECT_EQ(b->ReadValue("keep")->data, "value of B");
}

TEST(RegistryTest, SwitchingMachinesSwitchesStores) {
    TestMachine first;
    ASSERT_TRUE(RegistryKey::Open(RootKey::CurrentUser, "Software\\OnlyFirst", true).has_value());
    {
        TestMachine second;
        EXPECT_FALSE(RegistryKeyExists(RootKey::CurrentUser, "Software\\OnlyFirst"));
        EXPECT_TRUE(std::filesystem::exists(second.Root() + "/registry.db"));
    }
    first.Install();
    EXPECT_TRUE(RegistryKeyExists(RootKey::CurrentUser, "Software\\OnlyFirst"));
}

TEST(RegFileTest, ImportCoversTheFormat) {
    TestMachine machine;
    machine.AddRegText(
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment\r\n"
        "[HKEY_CURRENT_USER\\Software\\Run Test]\r\n"
        "@=\"default text\"\r\n"
        "\"Quoted\"=\"say \\\"hi\\\" in C:\\\\Temp\\\\\"\r\n"
        "\"Number\"=dword:0000002a\r\n"
        "\"Bytes\"=hex:01,02,\\\r\n"
        "  03,ff\r\n"
        "\"Expand\"=hex(2):25,00,77,00,69,00,6e,00,64,00,69,00,72,00,25,00,00,00\r\n"
        "\"Gone\"=\"x\"\r\n"
        "\"Gone\"=-\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Run Test\\Sub]\r\n"
        "\"Empty\"=hex:\r\n"
        "[HKEY_CURRENT_USER\\Software\\Doomed\\Child]\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Doomed]\r\n");
    auto key = RegistryKey::Open(RootKey::CurrentUser, "Software\\Run Test", false);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"", "Quoted", "Number", "Bytes", "Expand"}));
    EXPECT_EQ(key->ReadValue("")->data, "default text");
    EXPECT_EQ(key->ReadValue("Quoted")->data, "say \"hi\" in C:\\Temp\\");
    EXPECT_EQ(key->ReadValue("Number")->dword, 42u);
    EXPECT_EQ(key->ReadValue("Bytes")->data, "\x01\x02\x03\xFF");
    EXPECT_EQ(key->ReadValue("Expand")->type, ValueType::ExpandString);
    EXPECT_EQ(key->ReadValue("Expand")->data, "%windir%");
    EXPECT_EQ(RegistryKey::Open(RootKey::CurrentUser, "Software\\Run Test\\Sub", false)->ReadValue("Empty")->data, "");
    EXPECT_FALSE(RegistryKeyExists(RootKey::CurrentUser, "Software\\Doomed"));
}

TEST(RegFileTest, ReadsUtf16WithByteOrderMark) {
    TestMachine machine;
    const std::string utf8 =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wide]\r\n\"Name\"=\"Grüße\"\r\n";
    std::string utf16 = "\xFF\xFE";
    // The text above is ASCII except "ü" (U+00FC) and "ß" (U+00DF).
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == 0xC3) {
            const unsigned char next = static_cast<unsigned char>(utf8[++i]);
            utf16 += static_cast<char>(0xC0 + (next & 0x3F));
        } else {
            utf16 += static_cast<char>(c);
        }
        utf16 += '\0';
    }
    const std::string file = machine.Root() + "/wide.reg";
    std::ofstream(file, std::ios::binary) << utf16;
    std::string error;
    ASSERT_TRUE(ImportRegFile(file, &error)) << error;
    EXPECT_EQ(RegistryKey::Open(RootKey::LocalMachine, "Software\\Wide", false)->ReadValue("name")->data, "Grüße");
}

TEST(RegFileTest, MalformedInputIsRefusedWholeWithItsLine) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"REGEDIT5\r\n[HKEY_CURRENT_USER\\A]\r\n", ":1: not a registry file"},
        {"Windows Registry Editor Version 5.00\r\n\"a\"=\"b\"\r\n", ":2: a value line outside a key"},
        {"Windows Registry Editor Version 5.00\r\n[HKEY_NOWHERE\\A]\r\n", ":2: unknown root key"},
        {"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A\r\n", ":2: a key line must end"},
        {"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=dword:123456789\r\n",
         ":3: a dword has 1 to 8 hex digits"},
        {"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=dword:xyz\r\n", "not a hex dword"},
        {"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=hex:1,zz\r\n", ":3: malformed hex bytes"},
        {"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"open\r\n", "no closing quote"},
        {"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"b\" junk\r\n", "text after the closing quote"},
        {"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\" \"b\"\r\n", "expected '='"},
        {"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A]\r\nvalue=1\r\n", ":3: expected a key"},
        {"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=qword:1\r\n", "unknown value data"},
        {"Windows Registry Editor Version 5.00\r\n[-HKEY_CURRENT_USER]\r\n", "a root key cannot be deleted"},
    };
    TestMachine machine;
    for (const Case& c : cases) {
        const std::string file = machine.Root() + "/bad.reg";
        std::ofstream(file, std::ios::binary) << c.text;
        std::string error;
        EXPECT_FALSE(ImportRegFile(file, &error)) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << "error: " << error << "\nexpected: " << c.expected;
        // Nothing of a refused file is applied, not even the lines before the fault.
        EXPECT_FALSE(RegistryKeyExists(RootKey::CurrentUser, "A")) << c.text;
    }
    std::string error;
    EXPECT_FALSE(ImportRegFile(machine.Root() + "/missing.reg", &error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}

TEST(RegFileTest, ExportReadsBackTheSameTree) {
    TestMachine machine;
    {
        auto key = RegistryKey::Open(RootKey::LocalMachine, "Software\\Round", true);
        ASSERT_TRUE(key->WriteString("", "top"));
        ASSERT_TRUE(key->WriteString("Text", "a \"quoted\" C:\\path\\"));
        ASSERT_TRUE(key->WriteString("Lines", "one\r\ntwo"));
        ASSERT_TRUE(key->WriteString("Expand", "%temp%\\Größe", true));
        ASSERT_TRUE(key->WriteDword("Flag", 7));
        std::string bytes;
        for (int i = 0; i < 100; ++i) bytes += static_cast<char>(i * 7);
        ASSERT_TRUE(key->WriteBinary("Blob", bytes));
        auto sub = RegistryKey::Open(RootKey::LocalMachine, "Software\\Round\\Sub Key", true);
        ASSERT_TRUE(sub->WriteDword("N", 0));
    }
    // The export spells keys as stored ("SOFTWARE" comes from the seed file), not as asked.
    const std::string file = machine.Root() + "/out.reg";
    ASSERT_TRUE(ExportRegFile(RootKey::LocalMachine, "software\\round", file));
    const std::string text = ReadHostFile(file);
    EXPECT_TRUE(text.starts_with("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Round]\r\n"
                                 "@=\"top\"\r\n\"Text\"=\"a \\\"quoted\\\" C:\\\\path\\\\\"\r\n"))
        << text;
    EXPECT_NE(text.find("\"Flag\"=dword:00000007\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Round\\Sub Key]\r\n\"N\"=dword:00000000\r\n"),
              std::string::npos) << text;

    // Read it into a fresh machine and export again: the same text.
    TestMachine other;
    std::string error;
    ASSERT_TRUE(ImportRegFile(file, &error)) << error;
    auto key = RegistryKey::Open(RootKey::LocalMachine, "Software\\Round", false);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(key->ReadValue("Lines")->data, "one\r\ntwo");
    EXPECT_EQ(key->ReadValue("Lines")->type, ValueType::String);
    EXPECT_EQ(key->ReadValue("Expand")->data, "%temp%\\Größe");
    EXPECT_EQ(key->ReadValue("Expand")->type, ValueType::ExpandString);
    EXPECT_EQ(key->ReadValue("Blob")->data.size(), 100u);
    const std::string again = other.Root() + "/again.reg";
    ASSERT_TRUE(ExportRegFile(RootKey::LocalMachine, "Software\\Round", again));
    EXPECT_EQ(ReadHostFile(again), text);
    EXPECT_FALSE(ExportRegFile(RootKey::LocalMachine, "Software\\Nothing", other.Root() + "/none.reg"));
}

// Export writes only what import reads back byte for byte; anything else is refused by name.
TEST(RegistryTest, ExportReadsBackByteForByteOrRefuses) {
    TestMachine machine;
    {
        auto key = RegistryKey::Open(RootKey::LocalMachine, "Software\\Trip", true);
        ASSERT_TRUE(key->WriteString("Nul", std::string("ends in NUL\0", 12)));
        ASSERT_TRUE(key->WriteString("Twice", std::string("two\0\0", 5), true));
    }
    const std::string file = machine.Root() + "/trip.reg";
    std::string error;
    ASSERT_TRUE(ExportRegFile(RootKey::LocalMachine, "Software\\Trip", file, &error)) << error;
    {
        TestMachine other;
        ASSERT_TRUE(ImportRegFile(file, &error)) << error;
        auto key = RegistryKey::Open(RootKey::LocalMachine, "Software\\Trip", false);
        ASSERT_TRUE(key.has_value());
        EXPECT_EQ(key->ReadValue("Nul")->data, std::string("ends in NUL\0", 12));
        EXPECT_EQ(key->ReadValue("Twice")->data, std::string("two\0\0", 5));
    }
    machine.Install();

    struct Case {
        const char* what;
        RootKey root;
        const char* key;
        const char* named;  // what the message names
    };
    {
        auto bad = RegistryKey::Open(RootKey::LocalMachine, "Software\\Bad", true);
        ASSERT_TRUE(bad->WriteString("Raw", "\xff\xfe line\r\nbreak"));
        ASSERT_TRUE(RegistryKey::Open(RootKey::Users, " ", true).has_value());
    }
    const Case refused[] = {
        {"a string that is not UTF-8 with a line break", RootKey::LocalMachine, "Software\\Bad", "\"Raw\""},
        {"a key whose name ends in a blank", RootKey::Users, " ", "[HKEY_USERS\\ ]"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        const std::string out = machine.Root() + "/refused.reg";
        error.clear();
        EXPECT_FALSE(ExportRegFile(c.root, c.key, out, &error));
        EXPECT_NE(error.find(c.named), std::string::npos) << error;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

// The exported file and the registry store are created like every other write: a link
// planted where they are written is never written through.
TEST(RegistryTest, FilesAreNeverWrittenThroughAPlantedLink) {
    namespace fs = std::filesystem;
    {
        TestMachine machine;
        const std::string victim = machine.Root() + "/victim.txt";
        std::ofstream(victim) << "victim";
        fs::create_symlink(victim, machine.Root() + "/out.reg.part");
        ASSERT_TRUE(RegistryKey::Open(RootKey::CurrentUser, "Software\\X", true).has_value());
        ASSERT_TRUE(ExportRegFile(RootKey::CurrentUser, "Software\\X", machine.Root() + "/out.reg"));
        EXPECT_EQ(ReadHostFile(victim), "victim");
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(machine.Root() + "/out.reg")));
        EXPECT_TRUE(ReadHostFile(machine.Root() + "/out.reg").starts_with("Windows Registry Editor"));
    }
    {
        TestMachine machine;
        const std::string elsewhere = machine.Root() + "/elsewhere.db";
        fs::create_symlink(elsewhere, machine.Root() + "/registry.db");
        EXPECT_FALSE(RegistryKey::Open(RootKey::CurrentUser, "Software", false).has_value());
        EXPECT_FALSE(fs::exists(elsewhere));
    }
}

}  // namespace
}  // namespace scourwell::platform

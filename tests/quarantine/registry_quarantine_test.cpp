#include "quarantine/registry_quarantine.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "foundation/record_lines.h"
#include "platform/registry.h"
#include "quarantine/registry_backup.h"
#include "tests/quarantine/quarantine_fixture.h"

namespace scourwell::quarantine::test {
namespace {

namespace fs = std::filesystem;
using platform::RegistryKey;
using platform::RootKey;
using platform::ValueType;

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

TEST(ParseObjectLineTest, FillsTheFieldsOfTheLinesKind) {
    TsVir file;
    ParseObjectLine("-1;0;C:\\x.exe;Trojan;0123abcd;2048;", file);
    EXPECT_EQ(file.object, "C:\\x.exe");
    EXPECT_EQ(file.detected, "Trojan");
    EXPECT_EQ(file.digest, "0123abcd");
    EXPECT_EQ(file.size, 2048);
    EXPECT_FALSE(file.isKey);
    TsVir badSize;
    ParseObjectLine("-1;0;C:\\x.exe;;;big;", badSize);
    EXPECT_EQ(badSize.size, -1);

    struct Case {
        const char* line;
        std::optional<RootKey> root;
        const char* type;
        int32_t intData;
        const char* textData;
        bool boolData;
        long double floatData;
    };
    const Case cases[] = {
        {"-1;1;C:\\t.exe;;2;Software\\K;v;int;5;", RootKey::LocalMachine, "int", 5, "", false, -1.0L},
        {"-1;1;C:\\t.exe;;1;Software\\K;v;int;five;", RootKey::CurrentUser, "int", -1, "", false, -1.0L},
        {"-1;1;C:\\t.exe;;0;Software\\K;v;str;text;", RootKey::ClassesRoot, "str", -1, "text", false, -1.0L},
        {"-1;1;C:\\t.exe;;3;Software\\K;v;bool;1;", RootKey::Users, "bool", -1, "", true, -1.0L},
        {"-1;1;C:\\t.exe;;4;Software\\K;v;ext;1.5;", RootKey::CurrentConfig, "ext", -1, "", false, 1.5L},
        {"-1;1;C:\\t.exe;;4;Software\\K;v;ext;x;", RootKey::CurrentConfig, "ext", -1, "", false, -1.0L},
        {"-1;1;C:\\t.exe;;9;Software\\K;v;;;", std::nullopt, "", -1, "", false, -1.0L},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.line);
        TsVir value;
        ParseObjectLine(test.line, value);
        EXPECT_EQ(value.object, "C:\\t.exe");
        EXPECT_EQ(value.key, "Software\\K");
        EXPECT_EQ(value.valueName, "v");
        EXPECT_EQ(value.root, test.root);
        EXPECT_EQ(value.valueType, test.type);
        EXPECT_EQ(value.intData, test.intData);
        EXPECT_EQ(value.textData, test.textData);
        EXPECT_EQ(value.boolData, test.boolData);
        EXPECT_EQ(value.floatData, test.floatData);
        EXPECT_FALSE(value.isKey);
    }

    TsVir key;
    ParseObjectLine("-1;2;HKLM\\Software\\Bad;Adware;", key);
    EXPECT_TRUE(key.isKey);
    EXPECT_EQ(key.object, "HKLM\\Software\\Bad");
    TsVir other;
    other.isKey = true;
    ParseObjectLine("-1;x;C:\\y.exe;", other);
    EXPECT_FALSE(other.isKey);
    EXPECT_EQ(other.object, "");
    EXPECT_EQ(ObjectLineKind("-1;x;"), -1);
}

class RegistryQuarantineTest : public QuarantineTest {
  protected:
    RegistryQuarantineTest() {
        machine.WriteFile("C:\\Program Files\\Scourwell\\RegBase.rgk",
                          "2\r\n1\r\n" + std::string(kRun) + "\r\nRun\r\n2\r\n" + kRun +
                              "\r\nRun\r\n");
    }
    static TsVir Value(RootKey root, const std::string& key, const std::string& name) {
        TsVir record;
        record.root = root;
        record.key = key;
        record.valueName = name;
        return record;
    }
    // A field of the index line of the value under `key`.
    std::string ExtractFieldOfEntry(const std::string& key, int field) const {
        for (const std::string& line : store.index.Lines())
            if (line.find(";" + key + ";") != std::string::npos)
                return foundation::ExtractField(line, field);
        return "<no entry>";
    }
    std::vector<std::string> Names(RootKey root, const char* key) const {
        auto opened = RegistryKey::Open(root, key, false);
        return opened ? opened->ValueNames() : std::vector<std::string>{};
    }
};

TEST_F(RegistryQuarantineTest, IntegerValueBackupAndEntry) {
    RegistryKey::Open(RootKey::LocalMachine, "Software\\K", true)->WriteDword("Flag", 1);
    EXPECT_EQ(QuarantineObject(store, "-1;1;;;2;Software\\K;Flag;;;"),
              QuarantineOutcome::Quarantined);
    EXPECT_EQ(machine.ReadFile(Stored("Flag")), "2\r\nSoftware\\K\r\nFlag\r\nint\r\n1\r\n");
    ASSERT_EQ(store.index.Count(), 1u);
    EXPECT_EQ(store.index[0], std::string(kNowText) + ";1;;;2;Software\\K;Flag;Flag;");
    EXPECT_EQ(IndexFileText(), store.index[0] + "\r\n");
    // The backup leaves the value; deleting is the caller's step.
    EXPECT_TRUE(RegistryKey::Open(RootKey::LocalMachine, "Software\\K", false)->ReadValue("Flag"));
}

// Every backup has a stored name of its own, inside the quarantine folder, whatever the value
// is called; each restores its own value with its own type.
TEST_F(RegistryQuarantineTest, BackupsNeverShareOrLeaveTheFolder) {
    machine.WriteFile("C:\\Temp\\a.exe", "file bytes");
    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\a.exe"));  // stored as CTempa.exe
    struct Case {
        RootKey root;
        const char* key;
        const char* name;
        const char* data;
        bool expandable;
        const char* stored;
    };
    const Case cases[] = {
        {RootKey::CurrentUser, "Software\\A", "Updater", "C:\\a\\u.exe", false, "Updater"},
        {RootKey::LocalMachine, "Software\\B", "Updater", "%ProgramFiles%\\u.exe", true, "Updater~2"},
        {RootKey::CurrentUser, "Software\\C", "CTempa.exe", "C:\\c.exe", false, "CTempa~2.exe"},
        {RootKey::CurrentUser, "Software\\D", "..\\..\\evil", "C:\\d.exe", false, ".._.._evil"},
        {RootKey::CurrentUser, "Software\\E", "", "C:\\e.exe", false, "(Default)"},
        {RootKey::CurrentUser, "Software\\F", "..", "C:\\f.exe", false, "__"},
    };
    for (const Case& test : cases) {
        auto key = RegistryKey::Open(test.root, test.key, true);
        ASSERT_TRUE(key->WriteString(test.name, test.data, test.expandable));
        ASSERT_EQ(QuarantineObject(store, kObjectRegistryValue, Value(test.root, test.key, test.name)),
                  QuarantineOutcome::Quarantined)
            << test.key;
        EXPECT_EQ(ExtractFieldOfEntry(test.key, 7), test.stored) << test.key;
        EXPECT_TRUE(machine.Exists(Stored(test.stored))) << test.key;
        EXPECT_EQ(DeleteRegistryObject(Value(test.root, test.key, test.name)), kValueDeleted);
    }
    EXPECT_EQ(machine.ReadFile(Stored("CTempa.exe")), "file bytes");

    for (size_t i = 0; i < store.cList1.Count(); ++i) store.cList1.SetChecked(i, true);
    EXPECT_TRUE(store.RestoreQuarantined());
    for (const Case& test : cases) {
        SCOPED_TRACE(test.key);
        auto value = RegistryKey::Open(test.root, test.key, false)->ReadValue(test.name);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->data, test.data);
        EXPECT_EQ(value->type, test.expandable ? ValueType::ExpandString : ValueType::String);
    }
    EXPECT_TRUE(machine.Exists("C:\\Temp\\a.exe"));
}

TEST_F(RegistryQuarantineTest, EntriesWithTheValueNameAsStoredNameStillRestore) {
    AddRegistryEntry("1", "Software\\Old", "Legacy", "1\r\nSoftware\\Old\r\nLegacy\r\nstr\r\nC:\\l.exe\r\n");
    store.cList1.SetChecked(0, true);
    EXPECT_TRUE(store.RestoreQuarantined());
    EXPECT_EQ(RegistryKey::Open(RootKey::CurrentUser, "Software\\Old", false)->ReadValue("Legacy")->data,
              "C:\\l.exe");
}

TEST_F(RegistryQuarantineTest, ValueThatCannotBeBackedUpIsReported) {
    auto key = RegistryKey::Open(RootKey::CurrentUser, "Software\\K", true);
    ASSERT_TRUE(key->WriteBinary("Blob", std::string("\x01\x02", 2)));
    ASSERT_TRUE(key->WriteString("Semi;colon", "C:\\s.exe"));
    for (const char* name : {"Blob", "Missing", "Semi;colon"}) {
        SCOPED_TRACE(name);
        ui.messages.clear();
        EXPECT_EQ(QuarantineObject(store, kObjectRegistryValue,
                                   Value(RootKey::CurrentUser, "Software\\K", name)),
                  QuarantineOutcome::Failed);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, std::string("Cannot backup registry data.\rSoftware\\K\\") + name);
        EXPECT_EQ(ui.messages[0].caption, "Error");
        EXPECT_EQ(ui.messages[0].icon, foundation::MessageIcon::Error);
    }
    EXPECT_EQ(store.index.Count(), 0u);
    EXPECT_FALSE(machine.Exists(Stored("Blob")));  // no partial backup left behind
    // A registry key is never quarantined.
    EXPECT_EQ(QuarantineObject(store, "-1;2;HKCU\\Software\\K;;"), QuarantineOutcome::NotTaken);
}

TEST_F(RegistryQuarantineTest, DeleteRegistryObjectCodes) {
    auto key = RegistryKey::Open(RootKey::CurrentUser, "Software\\K\\Sub", true);
    key->WriteString("v", "x");
    key->WriteString("", "default");
    struct Case {
        const char* name;
        TsVir record;
        int code;
    };
    TsVir wholeKey = Value(RootKey::CurrentUser, "Software\\K", "");
    wholeKey.isKey = true;
    TsVir noRoot = Value(RootKey::CurrentUser, "Software\\K", "v");
    noRoot.root.reset();
    const Case cases[] = {
        {"value", Value(RootKey::CurrentUser, "Software\\K\\Sub", "v"), kValueDeleted},
        {"again", Value(RootKey::CurrentUser, "Software\\K\\Sub", "v"), kValueMissing},
        {"default value only", Value(RootKey::CurrentUser, "Software\\K\\Sub", ""), kValueDeleted},
        {"missing key", Value(RootKey::CurrentUser, "Software\\None", "v"), kKeyMissing},
        {"no key", Value(RootKey::CurrentUser, "", "v"), kDeleteError},
        {"no root", noRoot, kDeleteError},
        {"whole key", wholeKey, kKeyDeleted},
        {"whole key again", wholeKey, kKeyMissing},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(DeleteRegistryObject(test.record), test.code);
        if (std::string(test.name) == "default value only")
            EXPECT_TRUE(platform::RegistryKeyExists(RootKey::CurrentUser, "Software\\K\\Sub"));
    }
    EXPECT_FALSE(platform::RegistryKeyExists(RootKey::CurrentUser, "Software\\K"));
}

// A task's file C:\Temp\Up could not be deleted: only the autorun values whose program is
// that very file go, each with a backup the Quarantine page restores. Values that merely
// contain its path, name a case-variant twin, a file of the same name elsewhere or a bare name,
// and values outside the autorun keys, stay.
TEST_F(RegistryQuarantineTest, RemoveAutorunReferencesTakesOnlyValuesRunningThatFile) {
    machine.WriteFile("C:\\Temp\\Up", "the task");
    machine.WriteFile("C:\\Temp\\up", "its twin");
    machine.WriteFile("C:\\Temp\\Up2date\\agent.exe", "another program");
    machine.WriteFile("C:\\Other\\Up", "same name elsewhere");
    struct Case {
        RootKey root;
        const char* key;
        const char* name;
        const char* data;
        bool expandable;
        bool removed;
    };
    const Case cases[] = {
        {RootKey::CurrentUser, kRun, "Plain", "C:\\Temp\\Up", false, true},
        {RootKey::CurrentUser, kRun, "Quoted", "\"C:\\Temp\\Up\" /silent", false, true},
        {RootKey::LocalMachine, kRun, "Expandable", "C:\\Temp\\Up -x", true, true},
        {RootKey::CurrentUser, kRun, "Updater", "C:\\Temp\\Up2date\\agent.exe /silent", false, false},
        {RootKey::CurrentUser, kRun, "Twin", "C:\\Temp\\up", false, false},
        {RootKey::CurrentUser, kRun, "Elsewhere", "C:\\Other\\Up", false, false},
        {RootKey::CurrentUser, kRun, "Bare", "Up", false, false},
        {RootKey::CurrentUser, "Software\\NotAutorun", "Plain", "C:\\Temp\\Up", false, false},
    };
    for (const Case& c : cases)
        RegistryKey::Open(c.root, c.key, true)->WriteString(c.name, c.data, c.expandable);
    RegistryKey::Open(RootKey::CurrentUser, kRun, true)->WriteDword("Number", 1);
    const auto task = platform::IdentifyObject("C:\\Temp\\Up", platform::NameMatch::kExact);
    ASSERT_TRUE(task);

    EXPECT_TRUE(RemoveAutorunReferences(store, *task));

    std::set<std::string> backedUp;  // root index, key and name of every entry
    for (const std::string& line : store.index.Lines())
        backedUp.insert(foundation::ExtractField(line, 4) + ";" + foundation::ExtractField(line, 5) +
                        ";" + foundation::ExtractField(line, 6));
    std::set<std::string> expected;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(!RegistryKey::Open(c.root, c.key, false)->ReadValue(c.name), c.removed);
        if (c.removed)
            expected.insert(std::to_string(RootKeyToIndex(c.root)) + ";" + c.key + ";" + c.name);
    }
    EXPECT_EQ(backedUp, expected);
    EXPECT_TRUE(RegistryKey::Open(RootKey::CurrentUser, kRun, false)->ReadValue("Number"));
    ASSERT_EQ(store.cList1.Count(), 3u);
    EXPECT_FALSE(RemoveAutorunReferences(store, *task));
    EXPECT_EQ(store.cList1.Count(), 3u);

    // Restored from the Quarantine page, each comes back as it was.
    for (size_t row = 0; row < store.cList1.Count(); ++row) store.cList1.SetChecked(row, true);
    ASSERT_TRUE(store.RestoreQuarantined());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto value = RegistryKey::Open(c.root, c.key, false)->ReadValue(c.name);
        ASSERT_TRUE(value);
        EXPECT_EQ(value->data, c.data);
        EXPECT_EQ(value->type, c.expandable ? ValueType::ExpandString : ValueType::String);
    }
}

// Without "RegBase.rgk" no value is taken, and a file without an identity names none.
TEST_F(RegistryQuarantineTest, RemoveAutorunReferencesWithoutAutorunKeysRemovesNothing) {
    machine.WriteFile("C:\\Tools\\x.exe", "x");
    const auto file = platform::IdentifyObject("C:\\Tools\\x.exe");
    ASSERT_TRUE(file);
    auto run = RegistryKey::Open(RootKey::CurrentUser, kRun, true);
    run->WriteString("Start", "C:\\Tools\\x.exe");
    EXPECT_FALSE(RemoveAutorunReferences(store, platform::FileIdentity{}));
    fs::remove(machine.Host("C:\\Program Files\\Scourwell\\RegBase.rgk"));
    EXPECT_FALSE(RemoveAutorunReferences(store, *file));
    EXPECT_TRUE(run->ReadValue("Start"));
    EXPECT_TRUE(store.index.Empty());
}

}  // namespace
}  // namespace scourwell::quarantine::test

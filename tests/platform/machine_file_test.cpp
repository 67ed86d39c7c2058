#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "platform/shell.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/test_machine.h"

namespace scourwell::platform {
namespace {

using testing::TestMachine;

std::string WriteIni(const TestMachine& machine, const std::string& name, const std::string& text) {
    const std::string path = machine.Root() + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(MachineFileTest, ReadsEveryKeyWithRelativePathsAndComments) {
    TestMachine machine;
    const std::string path = WriteIni(machine, "full.ini",
        "; a demo machine\n"
        "[machine]\n"
        "user = demo                 ; logon name\n"
        "shortdate = dd/MM/yyyy\n"
        "longtime = hh:mm:ss AP\n"
        "windows = C:\\WINNT\\\n"
        "system = c:\\WINNT\\system32\n"
        "temp = C:\\Temp\n"
        "program = C:\\Program Files\\Scourwell\n"
        "registry = store/hives.db\n"
        "import = a.reg, sub/b.reg\n"
        "winver = nt 5 1 csd=\"Service Pack 3\" product=server arch=x86\n"
        "hostdesc = \"Demo box; with a semicolon\"\n"
        "\n"
        "[drives]\n"
        "D = d, type=removable, total=1000, free=125\n"
        "c = /abs/c/\n"
        "\n"
        "[folders]\n"
        "5 = C:\\Docs\\\n"
        "26 = C:\\Users\\demo\\AppData\\Roaming\n");
    const MachineConfig config = LoadMachineFile(path);

    EXPECT_FALSE(config.native);
    EXPECT_EQ(config.user, "demo");
    EXPECT_EQ(config.shortDate, "dd/MM/yyyy");
    EXPECT_EQ(config.longTime, "hh:mm:ss AP");
    EXPECT_EQ(config.windowsDir, "C:\\WINNT");
    EXPECT_EQ(config.systemDir, "C:\\WINNT\\system32");
    EXPECT_EQ(config.tempDir, "C:\\Temp");
    EXPECT_EQ(config.programDir, "C:\\Program Files\\Scourwell");
    EXPECT_EQ(config.registryStore, machine.Root() + "/store/hives.db");
    ASSERT_EQ(config.importFiles.size(), 2u);
    EXPECT_EQ(config.importFiles[0], machine.Root() + "/a.reg");
    EXPECT_EQ(config.importFiles[1], machine.Root() + "/sub/b.reg");
    ASSERT_TRUE(config.winver.has_value());
    EXPECT_EQ(config.winver->platform, WindowsVersion::Platform::NT);
    EXPECT_EQ(config.winver->major, 5u);
    EXPECT_EQ(config.winver->minor, 1u);
    EXPECT_EQ(config.winver->csd, "Service Pack 3");
    EXPECT_FALSE(config.winver->workstation);
    EXPECT_FALSE(config.winver->amd64);
    EXPECT_EQ(config.hostDescription, "Demo box; with a semicolon");

    ASSERT_EQ(config.drives.size(), 2u);  // in letter order
    EXPECT_EQ(config.drives[0].letter, 'C');
    EXPECT_EQ(config.drives[0].hostRoot, "/abs/c");
    EXPECT_EQ(config.drives[0].type, DriveType::Fixed);
    EXPECT_FALSE(config.drives[0].totalBytes.has_value());
    EXPECT_EQ(config.drives[1].letter, 'D');
    EXPECT_EQ(config.drives[1].hostRoot, machine.Root() + "/d");
    EXPECT_EQ(config.drives[1].type, DriveType::Removable);
    EXPECT_EQ(config.drives[1].totalBytes, 1000);
    EXPECT_EQ(config.drives[1].freeBytes, 125);

    EXPECT_EQ(config.specialFolders.at(5), "C:\\Docs");
    EXPECT_EQ(config.specialFolders.at(26), "C:\\Users\\demo\\AppData\\Roaming");
}

TEST(MachineFileTest, VersionRecordMayBeAbsentOrNone) {
    TestMachine machine;
    EXPECT_FALSE(LoadMachineFile(WriteIni(machine, "a.ini", "[machine]\nwinver = none\n")).winver);
    const MachineConfig bare = LoadMachineFile(WriteIni(machine, "b.ini", "[machine]\nuser = x\n"));
    EXPECT_FALSE(bare.winver);
    // Defaults for what a file leaves out.
    EXPECT_EQ(bare.windowsDir, "C:\\Windows");
    EXPECT_EQ(bare.systemDir, "C:\\Windows\\System32");
    EXPECT_EQ(bare.registryStore, machine.Root() + "/registry.db");
}

TEST(MachineFileTest, ErrorsNameFileLineAndKey) {
    struct Case {
        const char* text;
        const char* expected;  // a part of the message after "<file>:"
    };
    const Case cases[] = {
        {"[machine]\nuser = a\ncolour = blue\n", "bad.ini:3: key 'colour': unknown key"},
        {"[machine]\n[network]\n", "bad.ini:2: unknown section [network]"},
        {"user = a\n", "bad.ini:1: key 'user': key outside any section"},
        {"[machine]\njust text\n", "bad.ini:2: expected 'key = value'"},
        {"[machine]\nuser = a\nUSER = b\n", "bad.ini:3: key 'USER': given twice"},
        {"[drives]\nC = c, type=floppy\n", "bad.ini:2: key 'C': unknown drive type 'floppy'"},
        {"[drives]\nC = c, total=100\n", "bad.ini:2: key 'C': total and free are declared together"},
        {"[drives]\nC = c, total=100, free=200\n", "free is larger than total"},
        {"[drives]\nC = c, total=1e3, free=1\n", "'1e3' is not a byte count"},
        {"[drives]\nCD = c\n", "bad.ini:2: key 'CD': a drive is named by one letter"},
        {"[folders]\nfive = C:\\Docs\n", "key 'five': a special folder is named by its CSIDL number"},
        {"[folders]\n5 = Docs\n", "'Docs' is not a Windows path"},
        {"[machine]\nwinver = nt six 1\n", "'six' is not a version number"},
        {"[machine]\nwinver = nt 6.x\n", "'x' is not a version number"},
        {"[machine]\nwinver = nt 6\n", "needs a major and a minor number"},
        {"[machine]\nwinver = nt 6 1 arch=arm\n", "unknown arch 'arm'"},
        {"[machine]\nwinver = os2 6 1\n", "unknown platform 'os2'"},
        {"[machine]\nwindows = C:\\Windows\n[drives\n", "bad.ini:3: malformed section header"},
        {"[machine]\ntemp = C:\\Users\\..\\..\n", "key 'temp': 'C:\\Users\\..\\..' holds a \"..\" folder"},
        // A number names one folder however it is written.
        {"[folders]\n5 = C:\\Docs\n05 = C:\\Other\n", "bad.ini:3: key '05': given twice"},
        // The temporary folder's content is junk: never a whole drive, unless a RAM disk of its own.
        {"[machine]\nuser = a\ntemp = C:\\\n[drives]\nC = c\n", "bad.ini:3: key 'temp': 'C:\\' is a whole drive"},
        {"[machine]\ntemp = d:\n[drives]\nC = c\nD = d\n", "bad.ini:2: key 'temp': 'D:\\' is a whole drive"},
        {"[machine]\ntemp = T:\\\n[drives]\nT = t, type=ramdisk\n[folders]\n26 = T:\\Roaming\n",
         "bad.ini:2: key 'temp': 'T:\\' is a whole drive"},
        // Every declared folder on the RAM disk counts, not only the Windows folder and [folders].
        {"[machine]\nsystem = T:\\Windows\\System32\ntemp = T:\\\n[drives]\nC = c\nT = t, type=ramdisk\n",
         "bad.ini:3: key 'temp': 'T:\\' is a whole drive"},
        {"[machine]\nprogram = t:\\Scourwell\ntemp = T:\\\n[drives]\nC = c\nT = t, type=ramdisk\n",
         "bad.ini:3: key 'temp': 'T:\\' is a whole drive"},
        {"[machine]\ntemp = T:\\\nwindows = t:\\Windows\n[drives]\nT = t, type=ramdisk\n",
         "bad.ini:2: key 'temp': 'T:\\' is a whole drive"},
    };
    TestMachine machine;
    for (const Case& c : cases) {
        const std::string path = WriteIni(machine, "bad.ini", c.text);
        try {
            LoadMachineFile(path);
            ADD_FAILURE() << "no error for: " << c.text;
        } catch (const MachineFileError& error) {
            EXPECT_NE(std::string(error.what()).find(c.expected), std::string::npos)
                << "message: " << error.what() << "\nexpected to contain: " << c.expected;
            EXPECT_EQ(std::string(error.what()).rfind(path, 0), 0u) << error.what();
        }
    }
    EXPECT_THROW(LoadMachineFile(machine.Root() + "/missing.ini"), MachineFileError);
}

TEST(MachineFileTest, EnvironmentNamesTheMachineFile) {
    TestMachine machine;
    const std::string path = WriteIni(machine, "env.ini", "[machine]\nuser = fromenv\n[drives]\nC = drive_c\n");
    const testing::ScopedEnvironmentVariable variable("SCOURWELL_MACHINE", path);
    UseMachineFromEnvironment();
    EXPECT_EQ(CurrentMachine().user, "fromenv");
    EXPECT_EQ(CurrentMachine().drives.at(0).hostRoot, machine.Root() + "/drive_c");
    WriteIni(machine, "env.ini", "[machine]\nbogus = 1\n");
    EXPECT_THROW(UseMachineFromEnvironment(), MachineFileError);
}

TEST(NativeMachineTest, MapsTheHostOntoDriveC) {
    const MachineConfig config = NativeMachine();  // only built, never installed
    EXPECT_TRUE(config.native);
    ASSERT_FALSE(config.drives.empty());
    EXPECT_EQ(config.drives[0].letter, 'C');
    EXPECT_EQ(config.drives[0].hostRoot, "/");
    for (size_t i = 1; i < config.drives.size(); ++i)
        EXPECT_EQ(config.drives[i].letter, static_cast<char>('C' + i));
    EXPECT_EQ(config.windowsDir, "C:\\usr");
    EXPECT_EQ(config.systemDir, "C:\\usr\\bin");
    EXPECT_EQ(config.specialFolders.at(kCsidlCommonAppData), "C:\\var\\lib");
    ASSERT_TRUE(config.winver.has_value());
    EXPECT_EQ(config.winver->platform, WindowsVersion::Platform::NT);
    EXPECT_NE(config.hostDescription.find(", Linux "), std::string::npos) << config.hostDescription;
    EXPECT_TRUE(config.registryStore.ends_with("/Scourwell/registry.db"));
    EXPECT_FALSE(config.shortDate.empty());
    EXPECT_FALSE(config.longTime.empty());
}

// A temporary folder on a file system of its own (a tmpfs) is reached through a letter of its
// own, since paths never cross into another file system.
TEST(NativeMachineTest, ATemporaryFolderOnItsOwnFileSystemGetsADrive) {
    struct stat shm {};
    struct stat root {};
    if (stat("/dev/shm", &shm) != 0 || stat("/", &root) != 0 || shm.st_dev == root.st_dev ||
        access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no separate writable /dev/shm here";
    char pattern[] = "/dev/shm/scourwell-temp-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string temp = pattern;
    // Removed last, after the variable is back.
    struct RemoveFolder {
        std::string path;
        ~RemoveFolder() { rmdir(path.c_str()); }
    } removeFolder{temp};
    const testing::ScopedEnvironmentVariable tmpdir("TMPDIR", temp);

    const MachineConfig native = NativeMachine();
    const DriveMapping* shmDrive = nullptr;
    for (const DriveMapping& drive : native.drives)
        if (drive.hostRoot == "/dev/shm") shmDrive = &drive;
    ASSERT_NE(shmDrive, nullptr);
    EXPECT_EQ(shmDrive->type, DriveType::RamDisk);
    EXPECT_EQ(native.tempDir, std::string(1, shmDrive->letter) + ":\\" + temp.substr(9));
}

// Everything in the temporary folder counts as junk: whatever the environment says, it is
// never the root or the home folder, and a switched-off documents folder is not the home.
TEST(NativeMachineTest, TemporaryAndUserFoldersAreNeverTheRootOrTheHome) {
    TestMachine fixture;  // for a scratch folder only
    const std::string home = fixture.Root() + "/home";
    const std::string config = fixture.Root() + "/config";
    std::filesystem::create_directories(config);
    std::ofstream(config + "/user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/\"\n";
    const testing::ScopedEnvironmentVariable homeVariable("HOME", home);
    const testing::ScopedEnvironmentVariable configVariable("XDG_CONFIG_HOME", config);
    const testing::ScopedEnvironmentVariable tmpdir("TMPDIR", std::nullopt);
    for (const std::string& temp : {std::string("/"), home}) {
        tmpdir.Set(temp);
        const MachineConfig native = NativeMachine();
        EXPECT_EQ(native.tempDir, "C:\\tmp") << "TMPDIR=" << temp;
        EXPECT_NE(native.specialFolders.at(kCsidlPersonal), native.specialFolders.at(kCsidlProfile));
    }
}

}  // namespace
}  // namespace scourwell::platform

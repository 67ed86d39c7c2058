#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/machine.h"
#include "tests/support/test_machine.h"

namespace scourwell::platform {
namespace {

namespace fs = std::filesystem;
using testing::TestMachine;

std::map<std::string, FindEntry> List(const std::string& pattern) {
    std::map<std::string, FindEntry> entries;
    DirectoryListing listing(pattern);
    FindEntry entry;
    while (listing.Next(entry)) entries[entry.name] = entry;
    return entries;
}

std::set<std::string> Names(const std::map<std::string, FindEntry>& entries) {
    std::set<std::string> names;
    for (const auto& [name, entry] : entries) names.insert(name);
    return names;
}

TEST(MaskTest, WindowsMaskSemantics) {
    struct Case {
        const char* name;
        const char* mask;
        bool matches;
    };
    const Case cases[] = {
        {"report.txt", "*", true},          {"README", "*.*", true},
        {"report.txt", "*.TXT", true},      {"report.txt", "*.log", false},
        {"report.txt", "rep?rt.*", true},   {"report.txt", "rep??rt.*", false},
        {"a", "?", true},                   {"ab", "?", false},
        {"ÄRGER.txt", "ärger.TXT", true},   {"é.txt", "?.txt", true},
        {"abc", "a*c", true},               {"abcbc", "a*bc", true},
        {"abcd", "a*c", false},             {"tmp123.tmp", "*.tmp", true},
        {"Makefile", "makefile.*", true},   {"Makefile.am", "makefile.*", true},
        {"report.txt", "report.txt", true}, {"report.txt", "", false},
        {"x.tar.gz", "*.gz", true},         {"x.tar.gz", "*.tar", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesMask(c.name, c.mask), c.matches) << c.name << " vs " << c.mask;
}

TEST(ResolutionTest, FindsNamesWithoutRegardToCase) {
    TestMachine machine;
    machine.WriteFile("C:\\Users\\tester\\Documents\\Report.TXT", "r");
    machine.WriteFile("C:\\Users\\tester\\Ünïcode Ördner\\Straße.txt", "u");
    const std::string docs = machine.Host("C:\\Users\\tester\\Documents");

    EXPECT_TRUE(FileExists("c:\\users\\TESTER\\documents\\report.txt"));
    EXPECT_TRUE(FileExists("C:/Users/tester/Documents/REPORT.txt"));
    EXPECT_TRUE(FileExists("C:\\USERS\\TESTER\\ÜNÏCODE ÖRDNER\\STRAßE.TXT"));
    EXPECT_FALSE(FileExists("C:\\USERS\\TESTER\\ÜNÏCODE ÖRDNER\\STRASSE.TXT"));  // no expansion
    EXPECT_TRUE(FileExists("C:\\users\\tester\\ünïcode ördner\\straße.TXT"));
    EXPECT_TRUE(DirectoryExists("c:\\USERS\\tester\\ünïcode ördner"));
    EXPECT_EQ(ToHostPath("C:\\users\\tester\\documents\\REPORT.txt"), docs + "/Report.TXT");
    EXPECT_EQ(GetFileInfo("C:\\users\\tester\\documents\\REPORT.txt")->name, "Report.TXT");

    // A missing last component is appended as given; a missing parent gives nothing.
    EXPECT_EQ(ToHostPath("C:\\users\\tester\\documents\\New.txt"), docs + "/New.txt");
    EXPECT_FALSE(ToHostPath("C:\\users\\nobody\\New.txt").has_value());
    EXPECT_FALSE(ToHostPath("Q:\\anything").has_value());
    EXPECT_FALSE(ToHostPath("\\\\server\\share\\a.txt").has_value());
    EXPECT_FALSE(FileExists("C:\\users\\tester\\documents\\report.txt\\inner"));

    // Dots are taken lexically, and never climb above the drive root.
    EXPECT_TRUE(FileExists("C:\\Users\\x\\..\\tester\\.\\Documents\\report.txt"));
    EXPECT_TRUE(FileExists("C:\\..\\..\\Users\\tester\\Documents\\report.txt"));

    // Host paths map back through the drive with the longest root.
    EXPECT_EQ(ToWindowsPath(docs + "/Report.TXT"), "C:\\Users\\tester\\Documents\\Report.TXT");
    EXPECT_EQ(ToWindowsPath(machine.DriveFolder('C')), "C:\\");
    EXPECT_FALSE(ToWindowsPath(machine.Root() + "/elsewhere").has_value());
}

TEST(ResolutionTest, NoticesChangesInACachedDirectory) {
    TestMachine machine;
    machine.MakeDirectory("C:\\Temp");
    EXPECT_FALSE(FileExists("C:\\TEMP\\LATE.TXT"));  // the directory's names are now cached
    machine.WriteFile("C:\\Temp\\late.txt", "x");
    EXPECT_TRUE(FileExists("C:\\TEMP\\LATE.TXT"));
    fs::rename(machine.Host("C:\\Temp\\late.txt"), machine.Host("C:\\Temp\\Later.txt"));
    EXPECT_FALSE(FileExists("C:\\TEMP\\LATE.TXT"));
    EXPECT_TRUE(FileExists("C:\\temp\\later.TXT"));

    // A folder found under another spelling is remembered; when it goes, the next match is used.
    fs::rename(machine.Host("C:\\Temp"), machine.Host("C:\\Old"));
    machine.WriteFile("C:\\TEMP\\later.txt", "new");
    EXPECT_EQ(ReadWholeFile("C:\\temp\\LATER.TXT"), "new");
}

TEST(ResolutionTest, RelativePathsUseTheCurrentDirectory) {
    TestMachine machine;
    machine.WriteFile("C:\\Work\\Sub\\a.txt", "a");
    EXPECT_EQ(CurrentDirectory(), "C:\\");
    EXPECT_TRUE(FileExists("Work\\Sub\\a.txt"));
    EXPECT_TRUE(SetCurrentDirectory("c:\\work"));
    EXPECT_EQ(CurrentDirectory(), "C:\\work\\");
    EXPECT_TRUE(FileExists("sub\\A.TXT"));
    EXPECT_TRUE(FileExists("..\\Work\\Sub\\a.txt"));
    EXPECT_TRUE(FileExists("\\Work\\Sub\\a.txt"));
    EXPECT_TRUE(FileExists("C:Sub\\a.txt"));
    EXPECT_FALSE(SetCurrentDirectory("C:\\Work\\Sub\\a.txt"));
    EXPECT_FALSE(SetCurrentDirectory("C:\\Nowhere"));
    EXPECT_EQ(CurrentDirectory(), "C:\\work\\");
    machine.Install();  // a new view starts at its first drive's root again
    EXPECT_EQ(CurrentDirectory(), "C:\\");
}

class ListingTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine_.WriteFile("C:\\Data\\a.txt", "aaa");
        machine_.WriteFile("C:\\Data\\B.LOG", "bb");
        machine_.WriteFile("C:\\Data\\.hidden", "h");
        machine_.WriteFile("C:\\Data\\Sub\\inner.txt", "i");
        machine_.WriteFile("C:\\Outside\\secret.txt", "s");
        const std::string data = machine_.Host("C:\\Data");
        fs::create_directory_symlink(machine_.Host("C:\\Outside"), data + "/dirlink");
        fs::create_symlink(data + "/a.txt", data + "/filelink");
        ASSERT_EQ(mkfifo((data + "/pipe").c_str(), 0644), 0);
        std::ofstream(data + "/back\\slash.txt") << "b";
    }
    TestMachine machine_;
};

TEST_F(ListingTest, ShowsFilesFoldersAndLinksOnly) {
    const auto entries = List("C:\\data\\*.*");
    EXPECT_EQ(Names(entries),
              (std::set<std::string>{".hidden", "B.LOG", "Sub", "a.txt", "dirlink", "filelink"}));

    const FindEntry& file = entries.at("a.txt");
    EXPECT_EQ(file.size, 3);
    EXPECT_EQ(file.attributes, kAttrArchive);
    EXPECT_GT(file.lastWriteUnix, 0);
    EXPECT_EQ(entries.at(".hidden").attributes, kAttrArchive | kAttrHidden);
    EXPECT_TRUE(entries.at("Sub").IsDirectory());
    // A link is a file of its own size (the length of its target text), never a folder.
    const FindEntry& link = entries.at("dirlink");
    EXPECT_FALSE(link.IsDirectory());
    EXPECT_EQ(link.size, static_cast<int64_t>(machine_.Host("C:\\Outside").size()));

    EXPECT_EQ(Names(List("C:\\Data\\*.TXT")), (std::set<std::string>{"a.txt"}));
    EXPECT_EQ(Names(List("C:\\Data\\b.log")), (std::set<std::string>{"B.LOG"}));
    EXPECT_EQ(Names(List("C:\\Data\\sub")), (std::set<std::string>{"Sub"}));
    EXPECT_TRUE(List("C:\\Data\\pipe").empty());
    EXPECT_TRUE(List("C:\\Data\\missing.txt").empty());
    EXPECT_FALSE(DirectoryListing("C:\\Nowhere\\*").IsOpen());
    EXPECT_FALSE(DirectoryListing("C:\\Data\\a.txt\\*").IsOpen());
    EXPECT_FALSE(DirectoryListing("C:\\Data\\dirlink\\*").IsOpen());
}

TEST_F(ListingTest, WalkOpensSubfoldersButNeverFollowsLinks) {
    std::vector<std::string> seen;
    std::function<void(DirectoryListing&, const std::string&)> walk = [&](DirectoryListing& listing,
                                                                          const std::string& prefix) {
        FindEntry entry;
        while (listing.Next(entry)) {
            seen.push_back(prefix + entry.name);
            if (entry.IsDirectory()) {
                DirectoryListing sub = listing.OpenSubfolder(entry);
                ASSERT_TRUE(sub.IsOpen()) << entry.name;
                walk(sub, prefix + entry.name + "\\");
            }
        }
    };
    DirectoryListing root("C:\\Data\\*");
    walk(root, "");
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{".hidden", "B.LOG", "Sub", "Sub\\inner.txt", "a.txt",
                                              "dirlink", "filelink"}));
    FindEntry link;
    link.name = "dirlink";
    link.attributes = kAttrDirectory;  // even when told it is a folder, a link is not entered
    EXPECT_FALSE(root.OpenSubfolder(link).IsOpen());

    // A subfolder is opened from the parent's handle: renaming the parent's path afterwards
    // does not redirect it.
    DirectoryListing again("C:\\Data\\*");
    FindEntry entry;
    while (again.Next(entry) && entry.name != "Sub") {
    }
    fs::rename(machine_.Host("C:\\Data"), machine_.Host("C:\\Moved"));
    EXPECT_EQ(Names(List("C:\\Moved\\Sub\\*")), (std::set<std::string>{"inner.txt"}));
    DirectoryListing sub = again.OpenSubfolder(entry);
    FindEntry inner;
    ASSERT_TRUE(sub.Next(inner));
    EXPECT_EQ(inner.name, "inner.txt");
}

TEST_F(ListingTest, SpecialFilesCannotBeReadOrDeleted) {
    // Opening a FIFO would block; it must be refused at once.
    EXPECT_FALSE(FileExists("C:\\Data\\pipe"));
    EXPECT_FALSE(CanOpenForRead("C:\\Data\\pipe"));
    EXPECT_FALSE(ReadWholeFile("C:\\Data\\pipe").has_value());
    EXPECT_FALSE(DeleteDataFile("C:\\Data\\pipe"));
    EXPECT_EQ(GetFileAttributes("C:\\Data\\pipe"), kInvalidAttributes);
    EXPECT_TRUE(machine_.Exists("C:\\Data\\pipe"));
    // Links are not read through either.
    EXPECT_FALSE(ReadWholeFile("C:\\Data\\filelink").has_value());
}

TEST(ListingMountTest, NeverCrossesIntoAnotherFileSystem) {
    // /dev holds device nodes and has other file systems mounted inside it (pts, shm);
    // listing it is read-only and shows neither.
    struct stat dev {}, pts {};
    if (stat("/dev", &dev) != 0 || stat("/dev/pts", &pts) != 0 || dev.st_dev == pts.st_dev)
        GTEST_SKIP() << "no mount point below /dev on this host";
    TestMachine machine;
    const std::string ini = machine.Root() + "/dev.ini";
    std::ofstream(ini) << "[drives]\nC = drive_c\nD = /dev\n";
    UseMachine(LoadMachineFile(ini));
    const auto entries = List("D:\\*");
    EXPECT_FALSE(entries.count("pts"));
    EXPECT_FALSE(entries.count("null"));
    for (const auto& [name, entry] : entries) {
        struct stat info {};
        ASSERT_EQ(lstat(("/dev/" + name).c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode) || S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) << name;
    }
}

TEST(FileOperationsTest, CopyHonoursFailIfExistsAndReplacesWhole) {
    TestMachine machine;
    machine.WriteFile("C:\\src.txt", "new contents");
    machine.WriteFile("C:\\dst.txt", "old");
    fs::last_write_time(machine.Host("C:\\src.txt"), fs::file_time_type::clock::now() - std::chrono::hours(48));

    EXPECT_FALSE(CopyDataFile("C:\\src.txt", "C:\\DST.TXT", true));
    EXPECT_EQ(machine.ReadFile("C:\\dst.txt"), "old");
    EXPECT_TRUE(CopyDataFile("C:\\SRC.txt", "C:\\dst.txt", false));
    EXPECT_EQ(machine.ReadFile("C:\\dst.txt"), "new contents");
    EXPECT_TRUE(CopyDataFile("C:\\src.txt", "C:\\fresh.txt", true));
    EXPECT_EQ(machine.ReadFile("C:\\fresh.txt"), "new contents");
    // The copy keeps the source's last-write time.
    EXPECT_EQ(GetFileInfo("C:\\fresh.txt")->lastWriteUnix, GetFileInfo("C:\\src.txt")->lastWriteUnix);
    EXPECT_FALSE(CopyDataFile("C:\\missing.txt", "C:\\x.txt", false));
    EXPECT_FALSE(CopyDataFile("C:\\src.txt", "C:\\NoFolder\\x.txt", false));
    EXPECT_FALSE(machine.Exists("C:\\x.txt"));
    // Nothing is left beside the destination.
    EXPECT_EQ(Names(List("C:\\*")), (std::set<std::string>{"Program Files", "Users", "Windows",
                                                          "ProgramData", "dst.txt", "fresh.txt",
                                                          "src.txt"}));
}

TEST(FileOperationsTest, MoveNeverReplaces) {
    TestMachine machine;
    machine.WriteFile("C:\\a.txt", "a");
    machine.WriteFile("C:\\b.txt", "b");
    machine.WriteFile("C:\\Dir\\inner.txt", "i");
    EXPECT_FALSE(MoveDataFile("C:\\a.txt", "C:\\B.TXT"));
    EXPECT_EQ(machine.ReadFile("C:\\b.txt"), "b");
    EXPECT_TRUE(MoveDataFile("C:\\a.txt", "C:\\c.txt"));
    EXPECT_FALSE(machine.Exists("C:\\a.txt"));
    EXPECT_EQ(machine.ReadFile("C:\\c.txt"), "a");
    EXPECT_TRUE(MoveDataFile("C:\\c.txt", "C:\\C.TXT"));  // a change of case only
    EXPECT_EQ(GetFileInfo("C:\\c.txt")->name, "C.TXT");
    EXPECT_TRUE(MoveDataFile("C:\\dir", "C:\\Dir2"));
    EXPECT_EQ(machine.ReadFile("C:\\Dir2\\inner.txt"), "i");
    EXPECT_FALSE(MoveDataFile("C:\\missing", "C:\\other"));
}

TEST(FileOperationsTest, ReadOnlyFilesAreNotDeletedUntilCleared) {
    TestMachine machine;
    machine.WriteFile("C:\\ro.txt", "r");
    ASSERT_TRUE(SetDataFileAttributes("C:\\RO.TXT", kAttrReadOnly));
    EXPECT_EQ(GetFileAttributes("C:\\ro.txt"), kAttrReadOnly | kAttrArchive);
    EXPECT_FALSE(DeleteDataFile("C:\\ro.txt"));
    machine.WriteFile("C:\\src.txt", "s");
    EXPECT_FALSE(CopyDataFile("C:\\src.txt", "C:\\ro.txt", false));
    EXPECT_FALSE(WriteFileAtomic("C:\\ro.txt", "w"));
    EXPECT_EQ(machine.ReadFile("C:\\ro.txt"), "r");
    ASSERT_TRUE(SetDataFileAttributes("C:\\ro.txt", kAttrNormal));
    EXPECT_EQ(GetFileAttributes("C:\\ro.txt"), kAttrArchive);
    EXPECT_TRUE(DeleteDataFile("C:\\ro.txt"));
    EXPECT_FALSE(DeleteDataFile("C:\\ro.txt"));  // a missing file fails
}

TEST(FileOperationsTest, DeleteRemovesALinkButNeverItsTarget) {
    TestMachine machine;
    machine.WriteFile("C:\\Keep\\target.txt", "t");
    machine.MakeDirectory("C:\\Links");
    fs::create_symlink(machine.Host("C:\\Keep\\target.txt"), machine.Host("C:\\Links\\l.txt"));
    fs::create_directory_symlink(machine.Host("C:\\Keep"), machine.Host("C:\\Links\\d"));
    EXPECT_TRUE(DeleteDataFile("C:\\Links\\L.TXT"));
    EXPECT_TRUE(DeleteDataFile("C:\\Links\\d"));
    EXPECT_EQ(machine.ReadFile("C:\\Keep\\target.txt"), "t");
    EXPECT_FALSE(DeleteDataFile("C:\\Keep"));  // folders are not files
    EXPECT_TRUE(machine.Exists("C:\\Keep"));
}

TEST(FileOperationsTest, LockedFileCannotBeDeletedMovedOrReplaced) {
    TestMachine machine;
    machine.WriteFile("C:\\Temp\\busy.dat", "busy");
    machine.WriteFile("C:\\other.dat", "other");
    {
        FileLock lock("C:\\temp\\BUSY.dat");
        ASSERT_TRUE(lock.IsHeld());
        EXPECT_FALSE(DeleteDataFile("C:\\Temp\\busy.dat"));
        EXPECT_FALSE(MoveDataFile("C:\\Temp\\busy.dat", "C:\\moved.dat"));
        EXPECT_FALSE(CopyDataFile("C:\\other.dat", "C:\\Temp\\busy.dat", false));
        EXPECT_FALSE(WriteFileAtomic("C:\\Temp\\busy.dat", "x"));
        EXPECT_EQ(machine.ReadFile("C:\\Temp\\busy.dat"), "busy");
        // Reading and copying it elsewhere are still allowed.
        EXPECT_EQ(ReadWholeFile("C:\\Temp\\busy.dat"), "busy");
        EXPECT_TRUE(CopyDataFile("C:\\Temp\\busy.dat", "C:\\copy.dat", true));
    }
    EXPECT_FALSE(FileLock("C:\\Temp\\missing.dat").IsHeld());
    EXPECT_TRUE(DeleteDataFile("C:\\Temp\\busy.dat"));
}

TEST(FileOperationsTest, WriteAtomicReplacesAndReadsBack) {
    TestMachine machine;
    machine.MakeDirectory("C:\\Temp");
    EXPECT_TRUE(WriteFileAtomic("C:\\Temp\\state.txt", "first"));
    EXPECT_TRUE(WriteFileAtomic("C:\\TEMP\\STATE.TXT", "second"));
    EXPECT_EQ(machine.ReadFile("C:\\Temp\\state.txt"), "second");
    EXPECT_EQ(Names(List("C:\\Temp\\*")), (std::set<std::string>{"state.txt"}));  // no leftovers
    EXPECT_FALSE(WriteFileAtomic("C:\\NoFolder\\x.txt", "x"));
    EXPECT_FALSE(WriteFileAtomic("C:\\Temp", "x"));  // a folder is not replaced

    // Large files are read in blocks that together give the whole file.
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 % 251);
    ASSERT_TRUE(WriteFileAtomic("C:\\Temp\\big.bin", big));
    std::string read;
    size_t blocks = 0;
    EXPECT_TRUE(ReadFileBlocks("C:\\Temp\\big.bin", [&](const unsigned char* data, size_t size) {
        read.append(reinterpret_cast<const char*>(data), size);
        ++blocks;
    }));
    EXPECT_EQ(read, big);
    EXPECT_GT(blocks, 1u);
    EXPECT_FALSE(ReadFileBlocks("C:\\Temp\\none.bin", [](const unsigned char*, size_t) {}));
    EXPECT_EQ(ReadWholeFile("C:\\Temp\\empty.bin"), std::nullopt);
    ASSERT_TRUE(WriteFileAtomic("C:\\Temp\\empty.bin", ""));
    EXPECT_EQ(ReadWholeFile("C:\\Temp\\empty.bin"), "");
}

TEST(FileOperationsTest, DirectoriesAreCreatedAndRemoved) {
    TestMachine machine;
    EXPECT_TRUE(CreateDirectory("C:\\One"));
    EXPECT_FALSE(CreateDirectory("C:\\ONE"));  // exists
    EXPECT_FALSE(CreateDirectory("C:\\Two\\Three"));  // parent missing
    EXPECT_TRUE(CreateDirectoryChain("C:\\one\\a\\b\\c"));
    EXPECT_TRUE(machine.Exists("C:\\One\\a\\b\\c"));
    EXPECT_TRUE(CreateDirectoryChain("C:\\One\\A\\B"));  // already there
    machine.WriteFile("C:\\file.txt", "f");
    EXPECT_FALSE(CreateDirectoryChain("C:\\file.txt\\sub"));
    EXPECT_FALSE(RemoveDataFolder("C:\\One\\a"));  // not empty
    EXPECT_TRUE(RemoveDataFolder("C:\\One\\A\\B\\C"));
    EXPECT_FALSE(machine.Exists("C:\\One\\a\\b\\c"));
    EXPECT_FALSE(RemoveDataFolder("C:\\file.txt"));
    EXPECT_TRUE(DirectoryExists("c:\\one\\a"));
    EXPECT_FALSE(DirectoryExists("C:\\file.txt"));
    EXPECT_FALSE(FileExists("C:\\One"));
}

}  // namespace
}  // namespace scourwell::platform

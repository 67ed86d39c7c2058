// Operations by path never follow a link in a folder position, never cross into another file
// system, and never remove a drive's own folder.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "platform/files.h"
#include "platform/machine.h"
#include "platform/view_internal.h"
#include "tests/support/test_machine.h"

namespace scourwell::platform {
namespace {

namespace fs = std::filesystem;
using testing::TestDrive;
using testing::TestMachine;

// Type, permissions and contents of everything below `root`, links not followed.
std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> tree;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        const auto status = item.symlink_status();
        std::ostringstream text;
        text << static_cast<int>(status.type()) << ' ' << static_cast<int>(status.permissions());
        if (status.type() == fs::file_type::regular) {
            std::ifstream in(item.path(), std::ios::binary);
            text << ' ' << in.rdbuf();
        }
        tree[fs::relative(item.path(), root).string()] = text.str();
    }
    return tree;
}

// The folder a case's operations work in holds victim.txt ("v") and an empty folder keep;
// C:\src.txt ("s") is a source inside the drive.
void FillFolder(const std::string& host) {
    fs::create_directories(host + "/keep");
    std::ofstream(host + "/victim.txt") << "v";
}

struct Operation {
    const char* name;
    std::function<bool(const std::string& dir)> run;  // true when it succeeded
};

const Operation kOperations[] = {
    {"DeleteFile", [](const std::string& d) { return DeleteDataFile(d + "\\victim.txt"); }},
    {"DeleteFile upper case", [](const std::string& d) { return DeleteDataFile(d + "\\VICTIM.TXT"); }},
    {"CopyFile onto", [](const std::string& d) { return CopyDataFile("C:\\src.txt", d + "\\victim.txt", false); }},
    {"CopyFile new", [](const std::string& d) { return CopyDataFile("C:\\src.txt", d + "\\new.txt", true); }},
    {"CopyFile from", [](const std::string& d) { return CopyDataFile(d + "\\victim.txt", "C:\\got.txt", true); }},
    {"MoveFile out", [](const std::string& d) { return MoveDataFile(d + "\\victim.txt", "C:\\moved.txt"); }},
    {"MoveFile in", [](const std::string& d) { return MoveDataFile("C:\\src.txt", d + "\\moved.txt"); }},
    {"MoveFile folder", [](const std::string& d) { return MoveDataFile(d + "\\keep", d + "\\kept"); }},
    {"WriteFileAtomic onto", [](const std::string& d) { return WriteFileAtomic(d + "\\victim.txt", "w"); }},
    {"WriteFileAtomic new", [](const std::string& d) { return WriteFileAtomic(d + "\\new.txt", "w"); }},
    {"CreateDirectory", [](const std::string& d) { return CreateDirectory(d + "\\made"); }},
    {"CreateDirectoryChain", [](const std::string& d) { return CreateDirectoryChain(d + "\\made\\deeper"); }},
    {"RemoveDirectory", [](const std::string& d) { return RemoveDataFolder(d + "\\keep"); }},
    {"SetFileAttributes", [](const std::string& d) { return SetDataFileAttributes(d + "\\victim.txt", kAttrReadOnly); }},
    {"FileExists", [](const std::string& d) { return FileExists(d + "\\victim.txt"); }},
    {"DirectoryExists", [](const std::string& d) { return DirectoryExists(d + "\\Keep"); }},
    {"GetFileInfo", [](const std::string& d) { return GetFileInfo(d + "\\victim.txt").has_value(); }},
    {"CanOpenForRead", [](const std::string& d) { return CanOpenForRead(d + "\\victim.txt"); }},
    {"ReadWholeFile", [](const std::string& d) { return ReadWholeFile(d + "\\victim.txt") == "v"; }},
    {"ReadFileBlocks",
     [](const std::string& d) { return ReadFileBlocks(d + "\\victim.txt", [](const unsigned char*, size_t) {}); }},
    {"DirectoryListing", [](const std::string& d) { return DirectoryListing(d + "\\*").IsOpen(); }},
    {"DirectoryListing below", [](const std::string& d) { return DirectoryListing(d + "\\keep\\*").IsOpen(); }},
    {"DirectoryListing one name",
     [](const std::string& d) {
         DirectoryListing listing(d + "\\victim.txt");
         FindEntry entry;
         return listing.Next(entry);
     }},
    {"FileLock", [](const std::string& d) { return FileLock(d + "\\victim.txt").IsHeld(); }},
};

// Runs every operation with the lookup walking folder by folder and with the one-call open.
class SafePathsTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { detail::AllowOpenat2(GetParam()); }
    void TearDown() override { detail::AllowOpenat2(true); }
};

TEST_P(SafePathsTest, LinksInFolderPositionsAreNeverFollowed) {
    struct Folder {
        const char* path;
        bool real;  // a real folder of the drive (the operations work) or reached through a link
    };
    const Folder folders[] = {
        {"C:\\Inside", true},          {"C:\\inside", true},
        {"C:\\link", false},           {"C:\\LINK", false},
        {"C:\\Real\\inner", false},    {"C:\\REAL\\Inner", false},
        {"C:\\Real\\inner\\keep", false},
    };
    for (const Operation& op : kOperations) {
        for (const Folder& folder : folders) {
            SCOPED_TRACE(std::string(op.name) + " in " + folder.path);
            TestMachine machine;
            machine.WriteFile("C:\\src.txt", "s");
            FillFolder(machine.Host("C:\\Inside"));
            machine.MakeDirectory("C:\\Real");
            const std::string outside = machine.Root() + "/outside";
            FillFolder(outside);
            FillFolder(outside + "/keep");
            fs::create_directory_symlink(outside, machine.Host("C:\\link"));
            fs::create_directory_symlink(outside, machine.Host("C:\\Real\\inner"));
            const auto before = Snapshot(outside);

            EXPECT_EQ(op.run(folder.path), folder.real);
            EXPECT_EQ(Snapshot(outside), before);
            EXPECT_TRUE(fs::is_symlink(machine.Host("C:\\link")));
        }
    }
}

TEST_P(SafePathsTest, AFolderSwappedForALinkAfterListingIsNotEntered) {
    TestMachine machine;
    machine.WriteFile("C:\\Temp\\sub\\victim.txt", "mine");
    const std::string outside = machine.Root() + "/outside";
    FillFolder(outside);
    std::vector<std::string> found;
    DirectoryListing listing("C:\\Temp\\sub\\*");
    FindEntry entry;
    while (listing.Next(entry)) found.push_back(entry.name);
    ASSERT_EQ(found, std::vector<std::string>{"victim.txt"});

    // Someone else replaces the folder with a link between the listing and the clean-up.
    fs::rename(machine.Host("C:\\Temp\\sub"), machine.Host("C:\\Temp\\gone"));
    fs::create_directory_symlink(outside, machine.Host("C:\\Temp\\sub"));
    const auto before = Snapshot(outside);
    EXPECT_FALSE(DeleteDataFile("C:\\Temp\\sub\\victim.txt"));
    EXPECT_FALSE(DeleteDataFile("C:\\TEMP\\SUB\\VICTIM.TXT"));
    EXPECT_FALSE(RemoveDataFolder("C:\\Temp\\sub\\keep"));
    EXPECT_EQ(Snapshot(outside), before);
    // The link itself is a file of the folder and may be removed.
    EXPECT_TRUE(DeleteDataFile("C:\\Temp\\sub"));
    EXPECT_EQ(Snapshot(outside), before);
}

// A folder of its own on another file system than the test's temporary folder: /dev/shm is
// a separate memory file system on Linux hosts. The drive D: is /dev, so D:\shm\... passes
// through a mount point; E: is the folder itself, a drive root on another file system.
TEST_P(SafePathsTest, PathsNeverCrossIntoAnotherFileSystem) {
    struct stat dev {}, shm {};
    if (stat("/dev", &dev) != 0 || stat("/dev/shm", &shm) != 0 || dev.st_dev == shm.st_dev ||
        access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no writable file system of its own at /dev/shm on this host";
    for (const Operation& op : kOperations) {
        // Through D:'s mount point (refused) or from E:'s root (allowed).
        for (const bool crossing : {true, false}) {
            SCOPED_TRACE(std::string(op.name) + (crossing ? " through D:" : " on E:"));
            std::string folder = "/dev/shm/scourwell-test-XXXXXX";
            ASSERT_NE(mkdtemp(folder.data()), nullptr);
            TestMachine machine;
            const std::string ini = machine.Root() + "/shm.ini";
            std::ofstream(ini) << "[drives]\nC = drive_c\nD = /dev\nE = " << folder << "\n";
            UseMachine(LoadMachineFile(ini));
            std::ofstream(machine.DriveFolder('C') + "/src.txt") << "s";
            FillFolder(folder);
            const auto before = Snapshot(folder);
            const std::string name = fs::path(folder).filename().string();

            EXPECT_EQ(op.run(crossing ? "D:\\shm\\" + name : std::string("E:")), !crossing);
            if (crossing) {
                EXPECT_EQ(Snapshot(folder), before);
            }
            fs::remove_all(folder);
        }
    }
    // The mount point itself is neither a folder of D: nor a place to list.
    TestMachine machine;
    const std::string ini = machine.Root() + "/shm.ini";
    std::ofstream(ini) << "[drives]\nC = drive_c\nD = /dev\n";
    UseMachine(LoadMachineFile(ini));
    EXPECT_FALSE(DirectoryExists("D:\\shm"));
    EXPECT_FALSE(GetFileInfo("D:\\SHM").has_value());
    EXPECT_FALSE(DirectoryListing("D:\\shm\\*").IsOpen());
    EXPECT_FALSE(RemoveDataFolder("D:\\shm"));
    EXPECT_FALSE(CreateDirectoryChain("D:\\shm\\scourwell-never"));
    EXPECT_FALSE(fs::exists("/dev/shm/scourwell-never"));
}

INSTANTIATE_TEST_SUITE_P(Lookup, SafePathsTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "OneCall" : "FolderByFolder";
                         });

TEST(DriveRootTest, ADriveRootIsNeverRemovedOrMoved) {
    TestMachine machine({TestDrive{'C'}, TestDrive{'D', "removable", 1000, 500}});
    for (const char* root : {"C:\\", "D:\\", "d:", "D:\\.", "D:\\sub\\..", "D:/"}) {
        SCOPED_TRACE(root);
        EXPECT_FALSE(RemoveDataFolder(root));
        EXPECT_FALSE(DeleteDataFile(root));
        EXPECT_FALSE(MoveDataFile(root, "C:\\moved"));
        EXPECT_FALSE(WriteFileAtomic(root, "x"));
        EXPECT_FALSE(CopyDataFile(root, "C:\\copy", true));
        EXPECT_TRUE(DirectoryExists(root));
        EXPECT_TRUE(fs::is_directory(machine.DriveFolder('D')));
    }
    EXPECT_TRUE(fs::is_directory(machine.DriveFolder('C')));
    // Its folders are removed as usual.
    EXPECT_TRUE(CreateDirectory("D:\\sub"));
    EXPECT_TRUE(RemoveDataFolder("D:\\SUB"));
}

}  // namespace
}  // namespace scourwell::platform

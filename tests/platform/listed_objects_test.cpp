// Objects acted on through their identity reach exactly the object that was listed; mode
// changes never reach another file; special files are never opened; no drive's folder goes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/files.h"
#include "platform/machine.h"
#include "tests/support/test_machine.h"
#include "tests/support/unprivileged.h"

namespace scourwell::platform {
namespace {

namespace fs = std::filesystem;
using testing::TestMachine;

mode_t ModeOf(const std::string& host) {
    struct stat info {};
    return lstat(host.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The identity a listing of `folder` gives its entry `name`.
FileIdentity Listed(const std::string& folder, const std::string& name) {
    DirectoryListing listing(folder + "\\" + name);
    FindEntry entry;
    if (!listing.Next(entry)) return {};
    FileIdentity identity = listing.IdentityOf(entry);
    identity.folder.reset();  // as a scan row keeps it: names, device and inode only
    return identity;
}

struct IdentityAction {
    const char* name;
    std::function<bool(const FileIdentity&)> run;
};

const IdentityAction kActions[] = {
    {"DeleteFile", [](const FileIdentity& f) { return DeleteFile(f, true); }},
    {"RemoveDirectory", [](const FileIdentity& f) { return RemoveDirectory(f); }},
    {"SetFileAttributes", [](const FileIdentity& f) { return SetFileAttributes(f, kAttrNormal); }},
    {"MoveFile", [](const FileIdentity& f) { return MoveFile(f, "C:\\moved"); }},
    {"CopyFile", [](const FileIdentity& f) { return CopyFile(f, "C:\\copied", true); }},
    {"GetFileInfo", [](const FileIdentity& f) { return GetFileInfo(f).has_value(); }},
    {"DirectoryListing",
     [](const FileIdentity& f) { return DirectoryListing::OfFolder(f, "*").IsOpen(); }},
};

// A listed object that is gone, or has another object in its place, is never acted on: not a
// name that differs in case or matches under Unicode folding, not a new object of its name.
TEST(IdentityTest, AMissingOrReplacedObjectIsNeverActedOn) {
    struct Case {
        const char* what;
        const char* listed;  // created, listed, then removed
        const char* other;   // what stands there when the action runs
        bool folder;
    };
    const Case cases[] = {
        {"other case", "REPORT.PDF", "Report.pdf", false},
        {"dotless i", "bu\xc4\xb1ld-cache", "build-cache", true},
        {"long s", "\xc5\xbf" "ecrets.txt", "secrets.txt", false},
        {"new object of the same name", "same.txt", "same.txt", false},
        {"new folder of the same name", "dir", "dir", true},
    };
    for (const Case& c : cases) {
        for (const IdentityAction& action : kActions) {
            SCOPED_TRACE(std::string(c.what) + " / " + action.name);
            TestMachine machine;
            const std::string listedPath = std::string("C:\\Temp\\") + c.listed;
            const std::string otherPath = std::string("C:\\Temp\\") + c.other;
            if (c.folder) {
                machine.MakeDirectory(listedPath);
            } else {
                machine.WriteFile(listedPath, "listed");
            }
            const FileIdentity identity = Listed("C:\\Temp", c.listed);
            ASSERT_TRUE(identity.IsKnown());
            // Moved out of the view rather than removed, so its inode number is not reused.
            fs::rename(machine.Host(listedPath), machine.Root() + "/away");
            if (c.folder) {
                machine.MakeDirectory(otherPath);
            } else {
                machine.WriteFile(otherPath, "victim");
                chmod(machine.Host(otherPath).c_str(), 0444);
            }
            const auto before = ModeOf(machine.Host(otherPath));

            EXPECT_FALSE(action.run(identity));
            EXPECT_TRUE(fs::exists(machine.Host(otherPath)));
            EXPECT_EQ(ModeOf(machine.Host(otherPath)), before);
            EXPECT_FALSE(machine.Exists("C:\\moved"));
            EXPECT_FALSE(machine.Exists("C:\\copied"));
        }
    }
}

TEST(IdentityTest, TheListedObjectItselfIsActedOn) {
    TestMachine machine;
    machine.WriteFile("C:\\Temp\\a.txt", "a");
    machine.WriteFile("C:\\Temp\\ro.txt", "r");
    machine.MakeDirectory("C:\\Temp\\Sub");
    chmod(machine.Host("C:\\Temp\\ro.txt").c_str(), 0444);
    const auto exact = IdentifyObject("c:\\temp\\A.TXT");
    ASSERT_TRUE(exact.has_value());
    EXPECT_EQ(exact->path, "C:\\Temp\\a.txt");  // resolved once, names as stored
    EXPECT_FALSE(IdentifyObject("c:\\temp\\A.TXT", NameMatch::kExact).has_value());

    EXPECT_TRUE(CopyFile(*exact, "C:\\Temp\\b.txt", true));
    EXPECT_EQ(machine.ReadFile("C:\\Temp\\b.txt"), "a");
    EXPECT_TRUE(DeleteFile(*exact));
    EXPECT_FALSE(machine.Exists("C:\\Temp\\a.txt"));
    // A read-only file goes only when asked to, and keeps its mode until then.
    const FileIdentity ro = Listed("C:\\Temp", "ro.txt");
    EXPECT_FALSE(DeleteFile(ro));
    EXPECT_EQ(ModeOf(machine.Host("C:\\Temp\\ro.txt")), 0444);
    EXPECT_TRUE(DeleteFile(ro, true));
    EXPECT_TRUE(RemoveDirectory(Listed("C:\\Temp", "Sub")));
    EXPECT_FALSE(machine.Exists("C:\\Temp\\Sub"));
}

// A folder deeper than a host path may be long is still reached through the opened folders.
TEST(IdentityTest, EntriesDeeperThanAHostPathMayBeAreReachedThroughTheirFolders) {
    TestMachine machine;
    const std::string name(200, 'd');
    std::string host = machine.Host("C:\\Deep");
    fs::create_directories(host);
    int dir = open(host.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(dir, 0);
    for (int i = 0; i < 30; ++i) {  // about 6000 bytes of path
        ASSERT_EQ(mkdirat(dir, name.c_str(), 0755), 0);
        const int next = openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(dir);
        dir = next;
    }
    const int file = openat(dir, "junk.tmp", O_WRONLY | O_CREAT, 0644);
    close(file);
    close(dir);

    DirectoryListing listing("C:\\Deep\\*");
    FindEntry entry;
    ASSERT_TRUE(listing.Next(entry));
    DirectoryListing current = listing.OpenSubfolder(entry, "*");
    for (int i = 1; i < 30; ++i) {
        ASSERT_TRUE(current.Next(entry));
        current = current.OpenSubfolder(entry, "*");
    }
    ASSERT_TRUE(current.Next(entry));
    EXPECT_EQ(entry.name, "junk.tmp");
    const FileIdentity junk = current.IdentityOf(entry);
    EXPECT_GT(junk.path.size(), 4096u);
    EXPECT_TRUE(DeleteFile(junk));
    EXPECT_FALSE(GetFileInfo(junk).has_value());
}

// Clearing read-only never changes a file reached through a second hard link, nor a file that
// another user swapped in after the listing; set-user-id and others' bits are never added.
TEST(AttributeTest, ModesChangeOnlyOnTheListedFileWithASingleLink) {
    TestMachine machine;
    const std::string outside = machine.Root() + "/outside.txt";
    std::ofstream(outside) << "root's own";
    chmod(outside.c_str(), 0444);
    machine.MakeDirectory("C:\\Temp\\att");
    testing::OpenLikeTmp(machine.Root(), machine.Host("C:\\Temp"));
    const std::string att = machine.Host("C:\\Temp\\att");
    chown(att.c_str(), testing::kUnprivilegedId, testing::kUnprivilegedId);
    ASSERT_EQ(link(outside.c_str(), (att + "/link").c_str()), 0);

    // Through the second link by path: refused, the file outside keeps its mode.
    EXPECT_FALSE(SetDataFileAttributes("C:\\Temp\\att\\link", kAttrNormal));
    EXPECT_EQ(ModeOf(outside), 0444);

    // The other user's own set-user-id file is listed, then swapped for the link.
    ASSERT_TRUE(testing::RunUnprivileged([&] {
        const std::string tool = att + "/tool";
        std::ofstream(tool) << "mine";
        return chmod(tool.c_str(), 04557) == 0;
    }));
    const FileIdentity tool = Listed("C:\\Temp\\att", "tool");
    ASSERT_TRUE(tool.IsKnown());
    ASSERT_TRUE(testing::RunUnprivileged([&] {
        return renameat2(AT_FDCWD, (att + "/tool").c_str(), AT_FDCWD, (att + "/link").c_str(),
                         RENAME_EXCHANGE) == 0;
    }));
    EXPECT_FALSE(SetFileAttributes(tool, kAttrNormal));
    EXPECT_FALSE(SetDataFileAttributes("C:\\Temp\\att\\tool", kAttrNormal));
    EXPECT_EQ(ModeOf(outside), 0444);

    // The listed file itself: only the owner's write bit is added.
    machine.WriteFile("C:\\Temp\\own.txt", "x");
    chmod(machine.Host("C:\\Temp\\own.txt").c_str(), 04550);
    EXPECT_TRUE(SetFileAttributes(Listed("C:\\Temp", "own.txt"), kAttrNormal));
    EXPECT_EQ(ModeOf(machine.Host("C:\\Temp\\own.txt")), 04750);
}

// Counts the opens of one file, as the kernel reports them (inotify queues the event before
// the open returns, so nothing needs to wait for it).
class OpenWatch {
  public:
    explicit OpenWatch(const std::string& hostPath)
        : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (fd_ >= 0) watching_ = inotify_add_watch(fd_, hostPath.c_str(), IN_OPEN) >= 0;
    }
    ~OpenWatch() {
        if (fd_ >= 0) close(fd_);
    }
    bool Watching() const { return watching_; }
    // The opens seen since the last call.
    int Opens() {
        int opens = 0;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = read(fd_, buffer, sizeof buffer);
            if (got <= 0) return opens;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if ((event->mask & IN_OPEN) != 0) ++opens;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

  private:
    int fd_;
    bool watching_ = false;
};

// A FIFO is never opened. A writer waits on it, so a wrong blocking open would return (and be
// seen) rather than hang the test.
TEST(SpecialFileTest, AFifoIsNeverOpenedForReading) {
    TestMachine machine;
    machine.MakeDirectory("C:\\Temp");
    const std::string fifo = machine.Host("C:\\Temp\\pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    OpenWatch watch(fifo);
    ASSERT_TRUE(watch.Watching());
    const pid_t writer = fork();
    if (writer == 0) {
        const int fd = open(fifo.c_str(), O_WRONLY);  // blocks until someone opens for reading
        _exit(fd >= 0 ? 0 : 1);
    }

    EXPECT_FALSE(CanOpenForRead("C:\\Temp\\pipe"));
    EXPECT_FALSE(ReadWholeFile("C:\\Temp\\pipe").has_value());
    EXPECT_FALSE(CopyDataFile("C:\\Temp\\pipe", "C:\\Temp\\copy", true));
    EXPECT_EQ(watch.Opens(), 0) << "the FIFO was opened";

    // The watch does see an open of the FIFO: this one, which lets the writer go.
    const int release = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    EXPECT_GE(watch.Opens(), 1);
    int status = 0;
    waitpid(writer, &status, 0);
    close(release);
}

// A drive whose folder lies inside another drive's folder: its root is not removed or moved
// through the outer drive either.
TEST(DriveRootTest, ANestedDriveRootIsNeverRemovedThroughTheOuterDrive) {
    TestMachine machine;
    machine.MakeDirectory("C:\\Inner");
    MachineConfig config = CurrentMachine();
    DriveMapping inner = config.drives.front();
    inner.letter = 'E';
    inner.hostRoot = machine.Host("C:\\Inner");
    config.drives.push_back(inner);
    UseMachine(config);

    EXPECT_FALSE(RemoveDataFolder("C:\\Inner"));
    EXPECT_FALSE(MoveDataFile("C:\\Inner", "C:\\Elsewhere"));
    const auto identity = IdentifyObject("C:\\Inner");
    ASSERT_TRUE(identity.has_value());
    EXPECT_FALSE(RemoveDirectory(*identity));
    EXPECT_TRUE(fs::is_directory(machine.Host("C:\\Inner")));
    EXPECT_TRUE(DirectoryExists("E:\\"));
}

}  // namespace
}  // namespace scourwell::platform

#include "foundation/file_helpers.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "foundation/program_context.h"
#include "foundation/record_lines.h"
#include "platform/files.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/test_machine.h"

namespace scourwell::foundation {
namespace {

using testing::ScriptedUi;
using testing::TestMachine;
namespace fs = std::filesystem;

constexpr int64_t kThreeGiB = 3LL * 1024 * 1024 * 1024;

TEST(FileHelpers, SizesCountLargeFilesInFull) {
    TestMachine machine;
    machine.WriteFile("C:\\Data\\small.bin", "12345");
    machine.WriteSparseFile("C:\\Data\\big.bin", kThreeGiB);
    machine.MakeDirectory("C:\\Data\\sub");

    EXPECT_EQ(GetFileSizeBytes("C:\\Data\\small.bin"), 5);
    EXPECT_EQ(GetFileSizeBytes("C:\\Data\\big.bin"), kThreeGiB);
    EXPECT_EQ(GetFileSizeBytes("C:\\Data\\missing.bin"), 0);
    EXPECT_EQ(GetFileSizeBytes("C:\\Data\\sub"), 0);

    EXPECT_EQ(FindEntrySize("C:\\Data\\small.bin"), 5);
    EXPECT_EQ(FindEntrySize("C:\\Data\\big.bin"), kThreeGiB);
    EXPECT_EQ(FindEntrySize("C:\\Data\\SMALL.BIN"), 5);
    EXPECT_EQ(FindEntrySize("C:\\Data\\missing.bin"), -1);
    EXPECT_EQ(FindEntrySize("C:\\Nowhere\\x.bin"), -1);
}

TEST(FileHelpers, FilePresent) {
    TestMachine machine;
    machine.WriteFile("C:\\Data\\ten.bin", std::string(10, 'x'));
    machine.WriteFile("C:\\Data\\eleven.bin", std::string(11, 'x'));
    machine.WriteFile("C:\\Data\\empty.bin", "");
    machine.MakeDirectory("C:\\Data\\sub");

    EXPECT_TRUE(FilePresent("C:\\Data\\ten.bin"));    // the platform reports it
    EXPECT_TRUE(FilePresent("C:\\Data\\empty.bin"));
    EXPECT_TRUE(FilePresent("c:\\data\\ELEVEN.BIN"));
    EXPECT_FALSE(FilePresent("C:\\Data\\missing.bin"));
    EXPECT_FALSE(FilePresent("C:\\Data\\sub"));
    EXPECT_FALSE(FilePresent(""));
    // The fallback for files the existence test misses: more than 10 bytes must open.
    EXPECT_FALSE(OpensWithMoreThanTenBytes("C:\\Data\\ten.bin"));
    EXPECT_TRUE(OpensWithMoreThanTenBytes("C:\\Data\\eleven.bin"));
    EXPECT_FALSE(OpensWithMoreThanTenBytes("C:\\Data\\missing.bin"));
}

std::vector<std::string> Fields(const std::string& joined) {
    std::vector<std::string> out;
    for (int i = 0; i < CountFields(joined); ++i) out.push_back(ExtractField(joined, i));
    std::sort(out.begin(), out.end());
    return out;
}

TEST(FileHelpers, ListMatchingFiles) {
    TestMachine machine;
    machine.WriteFile("C:\\Scan\\a.tmp", "a");
    machine.WriteFile("C:\\Scan\\B.TMP", "b");
    machine.WriteFile("C:\\Scan\\c.log", "c");
    machine.MakeDirectory("C:\\Scan\\dir.tmp");
    machine.MakeDirectory("C:\\Scan\\only");
    machine.WriteFile("C:\\Scan\\old.tmp", "from before 1980");
    const std::string old = machine.Host("C:\\Scan\\old.tmp");
    utimbuf times{};
    times.actime = times.modtime = 157766400;  // 1975: no DOS date, so the entry is skipped
    ASSERT_EQ(utime(old.c_str(), &times), 0);

    ScriptedUi ui;
    ProgramContext context(ui);
    const std::vector<std::string> tmp = {"C:\\Scan\\B.TMP", "C:\\Scan\\a.tmp"};
    EXPECT_EQ(Fields(ListMatchingFiles(context, "C:\\Scan\\*.tmp")), tmp);
    EXPECT_GT(ui.pumps, 0);
    EXPECT_EQ(Fields(ListMatchingFiles(context, "C:\\Scan\\<>.tmp")), tmp);  // "<>" is "*"
    EXPECT_EQ(ListMatchingFiles(context, "C:\\Scan\\c.log"), "C:\\Scan\\c.log;");
    EXPECT_EQ(ListMatchingFiles(context, "C:\\Scan\\on<>"), "");  // directories only
    EXPECT_EQ(ListMatchingFiles(context, "C:\\Scan\\*.none"), "");
    EXPECT_EQ(ListMatchingFiles(context, "C:\\Missing\\*.*"), "");
}

TEST(FileHelpers, LettersAndDigits) {
    struct IndexCase {
        const char* ch;
        int expected;
    };
    for (const IndexCase& c : {IndexCase{"a", 1}, {"p", 16}, {"r", 17}, {"s", 18}, {"q", 19},
                               {"t", 20}, {"z", 26}, {"Q", 0}, {"1", 0}, {"", 0}}) {
        EXPECT_EQ(LetterIndex(c.ch), c.expected) << c.ch;
    }
    EXPECT_EQ(LetterAt(1), "a");
    EXPECT_EQ(LetterAt(18), "s");
    EXPECT_EQ(LetterAt(19), "q");
    EXPECT_EQ(LetterAt(25), "y");
    EXPECT_EQ(LetterAt(26), "");
    EXPECT_EQ(LetterAt(0), "");
    EXPECT_EQ(LetterAt(-3), "");

    EXPECT_EQ(DigitValue("0"), 0);
    EXPECT_EQ(DigitValue("7"), 7);
    EXPECT_EQ(DigitValue("x"), -1);
    EXPECT_EQ(DigitValue(""), -1);
    EXPECT_EQ(DigitValue("12"), -1);

    EXPECT_EQ(LettersOnly("aB3c?d!"), "acd");
    EXPECT_EQ(DigitsOnly("x1?b23"), "123");
    EXPECT_EQ(TrimTrailingBlanks("name  "), "name");
    EXPECT_EQ(TrimTrailingBlanks("  lead\t "), "  lead\t");  // only blanks go
    EXPECT_EQ(TrimTrailingBlanks("   "), "");
    EXPECT_EQ(TrimTrailingBlanks(""), "");
}

// A copy of /bin/sleep inside the test machine, so the view can see and end it.
class SleeperTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine.MakeDirectory("C:\\Tools");
        host = machine.Host("C:\\Tools\\sleeper.exe");
        fs::copy_file("/bin/sleep", host);
        fs::permissions(host, fs::perms::owner_exec, fs::perm_options::add);
    }
    void TearDown() override {
        for (pid_t pid : children) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    pid_t Start() { return Start(host); }
    pid_t Start(const std::string& image) {
        const pid_t pid = fork();
        if (pid == 0) {
            execl(image.c_str(), "sleeper.exe", "30", static_cast<char*>(nullptr));
            _exit(127);
        }
        children.push_back(pid);
        // Wait until the child runs the copy (until then it is this test program).
        const std::string exeLink = "/proc/" + std::to_string(pid) + "/exe";
        for (int i = 0; i < 400; ++i) {
            std::error_code ec;
            if (fs::read_symlink(exeLink, ec) == fs::path(image)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return pid;
    }
    // True when the child ended by a signal within a few seconds.
    bool Ended(pid_t pid) {
        for (int i = 0; i < 400; ++i) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                children.erase(std::remove(children.begin(), children.end(), pid), children.end());
                return WIFSIGNALED(status) || WIFEXITED(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    // Ends the child with SIGTERM and returns the signal that ended it. A process that the
    // program had ended already (with SIGKILL) keeps that end: the kernel settles a process's
    // end when the first fatal signal is sent, so no waiting is needed to tell the two apart.
    int EndWithTerm(pid_t pid) {
        kill(pid, SIGTERM);
        int status = 0;
        const pid_t ended = waitpid(pid, &status, 0);
        children.erase(std::remove(children.begin(), children.end(), pid), children.end());
        if (ended != pid) return -1;
        return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }

    TestMachine machine;
    std::string host;
    std::vector<pid_t> children;
};

TEST_F(SleeperTest, KillProcessesByNameEndsEveryMatch) {
    const pid_t first = Start();
    const pid_t second = Start();
    EXPECT_EQ(KillProcessesByName("SLEEPER.EXE"), 1);
    EXPECT_TRUE(Ended(first));
    EXPECT_TRUE(Ended(second));
    EXPECT_EQ(KillProcessesByName("sleeper.exe"), -1);  // nothing left to end
}

TEST_F(SleeperTest, KillProcessesByWholePath) {
    const pid_t pid = Start();
    EXPECT_EQ(KillProcessesByName("C:\\Tools\\other.exe"), -1);
    EXPECT_EQ(KillProcessesByName(""), -1);
    EXPECT_EQ(KillProcessesByName("c:\\tools\\sleeper.exe"), 1);
    EXPECT_TRUE(Ended(pid));
}

TEST_F(SleeperTest, ForceDeleteEndsTheProcessRunningFromTheFile) {
    const pid_t pid = Start();
    ScriptedUi ui;
    ProgramContext context(ui);
    EXPECT_TRUE(ForceDeleteFileAtPath(context, "C:\\Tools\\sleeper.exe"));
    EXPECT_TRUE(Ended(pid));
    EXPECT_FALSE(machine.Exists("C:\\Tools\\sleeper.exe"));
    EXPECT_FALSE(context.watchdog.Enabled());
}

// Only a process running that very file (its device and inode) is ended: not one whose image
// differs in case, nor one whose image has been replaced since, nor one whose host file name
// holds a backslash that reads as the junk's folder.
TEST_F(SleeperTest, ForceDeleteEndsNoProcessOfAnotherFile) {
    struct Case {
        const char* what;
        std::string image;  // host file the process runs
        std::string junk;   // Windows path of the file deleted
        bool replaceImage;  // the image is removed and a new file takes its name
    };
    const std::string tools = machine.Host("C:\\Tools");
    const Case cases[] = {
        {"other case", host, "C:\\Tools\\SLEEPER.EXE", false},
        {"replaced image", tools + "/tool2", "C:\\Tools\\tool2", true},
        {"backslash in the host name", tools + "/a\\b", "C:\\Tools\\a\\b", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.image != host) fs::copy_file(host, c.image, fs::copy_options::overwrite_existing);
        const pid_t pid = Start(c.image);
        if (c.replaceImage) {
            fs::remove(c.image);
            std::ofstream(c.image) << "a new file of that name";
        } else {
            machine.WriteFile(c.junk, "junk");
        }
        ScriptedUi ui;
        ProgramContext context(ui);
        EXPECT_TRUE(ForceDeleteFileAtPath(context, c.junk));
        EXPECT_FALSE(machine.Exists(c.junk));
        EXPECT_EQ(EndWithTerm(pid), SIGTERM) << "the process was ended";
    }
}

// Clearing read-only before the delete changes no file: the second link of a file outside the
// view is removed, and the file keeps its mode.
TEST(ForceDeleteFile, ALinkToAnotherFileIsRemovedWithoutChangingThatFile) {
    TestMachine machine;
    machine.MakeDirectory("C:\\Temp");
    const std::string outside = machine.Root() + "/outside.txt";
    std::ofstream(outside) << "not junk";
    chmod(outside.c_str(), 0444);
    ASSERT_EQ(link(outside.c_str(), machine.Host("C:\\Temp\\link.tmp").c_str()), 0);
    ScriptedUi ui;
    ProgramContext context(ui);
    EXPECT_TRUE(ForceDeleteFileAtPath(context, "C:\\Temp\\link.tmp"));
    EXPECT_FALSE(machine.Exists("C:\\Temp\\link.tmp"));
    struct stat info {};
    ASSERT_EQ(stat(outside.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
}

TEST(ForceDeleteFile, DeletesAReadOnlyFile) {
    TestMachine machine;
    machine.WriteFile("C:\\Data\\junk.tmp", "junk");
    ASSERT_TRUE(platform::SetDataFileAttributes("C:\\Data\\junk.tmp", platform::kAttrReadOnly));
    ScriptedUi ui;
    ProgramContext context(ui);
    EXPECT_TRUE(ForceDeleteFileAtPath(context, "C:\\Data\\junk.tmp"));
    EXPECT_FALSE(machine.Exists("C:\\Data\\junk.tmp"));
    EXPECT_FALSE(context.watchdog.Enabled());
    EXPECT_TRUE(ForceDeleteFileAtPath(context, "C:\\Data\\never-there.tmp"));
}

// A program that holds the file (or keeps writing it back) defeats every attempt; the loop
// must give up on the watchdog. The held file stands for both: a thread that re-creates the
// file races the presence check and cannot give a repeatable result.
TEST(ForceDeleteFile, GivesUpAfterAboutOneSecond) {
    TestMachine machine;
    machine.WriteFile("C:\\Data\\held.tmp", "held open by another program");
    platform::FileLock lock("C:\\Data\\held.tmp");
    ASSERT_TRUE(lock.IsHeld());
    ScriptedUi ui;
    ui.secondsPerPump = 0.25;
    ProgramContext context(ui);
    EXPECT_FALSE(ForceDeleteFileAtPath(context, "C:\\Data\\held.tmp"));
    EXPECT_TRUE(machine.Exists("C:\\Data\\held.tmp"));
    EXPECT_FALSE(context.watchdog.Enabled());
    EXPECT_EQ(ui.pumps, 5);  // 1.25 s on the port's clock is the first reading above one second
}

// Events served by one forced delete may start another (a second button press); each keeps
// its own second, and the outer one still gives up.
TEST(ForceDeleteFile, ANestedCallDoesNotResetTheOuterLimit) {
    TestMachine machine;
    machine.WriteFile("C:\\Data\\outer.tmp", "held");
    machine.WriteFile("C:\\Data\\inner.tmp", "held");
    platform::FileLock outerLock("C:\\Data\\outer.tmp");
    platform::FileLock innerLock("C:\\Data\\inner.tmp");
    ScriptedUi ui;
    ui.secondsPerPump = 0.25;
    ProgramContext context(ui);
    bool innerResult = true;
    ui.AtPump(2, [&] { innerResult = ForceDeleteFileAtPath(context, "C:\\Data\\inner.tmp"); });

    EXPECT_FALSE(ForceDeleteFileAtPath(context, "C:\\Data\\outer.tmp"));
    EXPECT_FALSE(innerResult);
    EXPECT_LT(ui.pumps, 20);
    EXPECT_FALSE(context.watchdog.Enabled());
}

}  // namespace
}  // namespace scourwell::foundation

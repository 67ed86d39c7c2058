#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/processes.h"
#include "tests/support/test_machine.h"

extern char** environ;

namespace scourwell::platform {
namespace {

using testing::TestMachine;

const ProcessEntry* FindPid(const std::vector<ProcessEntry>& snapshot, uint32_t pid) {
    for (const auto& entry : snapshot)
        if (entry.pid == pid) return &entry;
    return nullptr;
}

// A process started from a copy of sleep inside the test machine's drive C:.
class SleeperTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine_.MakeDirectory("C:\\Tools");
        const std::string exe = machine_.Host("C:\\Tools\\Sleeper.exe");
        std::filesystem::copy_file("/bin/sleep", exe);
        const char* argv[] = {"Sleeper.exe", "30", nullptr};
        ASSERT_EQ(posix_spawn(&pid_, exe.c_str(), nullptr, nullptr, const_cast<char* const*>(argv), environ), 0);
        // Wait until the kernel shows the new image (spawn returns before exec completes).
        for (int i = 0; i < 200; ++i) {
            std::error_code ec;
            if (std::filesystem::read_symlink("/proc/" + std::to_string(pid_) + "/exe", ec) == exe) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    TestMachine machine_;
    pid_t pid_ = 0;
};

TEST_F(SleeperTest, SnapshotShowsOnlyProcessesOfTheView) {
    const auto snapshot = ProcessSnapshot();
    ASSERT_TRUE(snapshot.has_value());
    ASSERT_FALSE(snapshot->empty());
    EXPECT_EQ(snapshot->front().pid, 0u);
    EXPECT_EQ(snapshot->front().exeName, "[System Process]");
    EXPECT_EQ(snapshot->front().imagePath, "");
    EXPECT_TRUE(std::is_sorted(snapshot->begin(), snapshot->end(),
                               [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; }));

    const ProcessEntry* sleeper = FindPid(*snapshot, static_cast<uint32_t>(pid_));
    ASSERT_NE(sleeper, nullptr);
    EXPECT_EQ(sleeper->exeName, "Sleeper.exe");
    EXPECT_EQ(sleeper->imagePath, "C:\\Tools\\Sleeper.exe");
    // The test program itself and PID 1 run from outside the view: not seen.
    EXPECT_EQ(FindPid(*snapshot, static_cast<uint32_t>(getpid())), nullptr);
    EXPECT_EQ(FindPid(*snapshot, 1), nullptr);
    EXPECT_EQ(snapshot->size(), 2u);
}

TEST_F(SleeperTest, TerminatesOnlyProcessesOfTheView) {
    EXPECT_FALSE(TerminateProcess(0, 0));
    EXPECT_FALSE(TerminateProcess(1, 0));
    EXPECT_FALSE(TerminateProcess(static_cast<uint32_t>(getpid()), 0));
    EXPECT_FALSE(TerminateProcess(static_cast<uint32_t>(getppid()), 0));  // outside the view

    ASSERT_TRUE(TerminateProcess(static_cast<uint32_t>(pid_), 0));
    int status = 0;
    ASSERT_EQ(waitpid(pid_, &status, 0), pid_);
    pid_ = 0;
    EXPECT_TRUE(WIFSIGNALED(status));
    const auto snapshot = ProcessSnapshot();
    ASSERT_TRUE(snapshot.has_value());
    EXPECT_EQ(snapshot->size(), 1u);
}

// A snapshot's entry is ended only while its pid still belongs to the process that started at
// the recorded time; the file a process runs is told by its device and inode.
TEST_F(SleeperTest, EndsASnapshotEntryOnlyWhileItIsTheSameProcess) {
    const auto snapshot = ProcessSnapshot();
    ASSERT_TRUE(snapshot.has_value());
    const ProcessEntry* sleeper = FindPid(*snapshot, static_cast<uint32_t>(pid_));
    ASSERT_NE(sleeper, nullptr);
    ASSERT_NE(sleeper->startTime, 0u);
    struct stat image {};
    ASSERT_EQ(stat(machine_.Host("C:\\Tools\\Sleeper.exe").c_str(), &image), 0);
    EXPECT_EQ(sleeper->imageDevice, static_cast<uint64_t>(image.st_dev));
    EXPECT_EQ(sleeper->imageInode, static_cast<uint64_t>(image.st_ino));

    ProcessEntry reused = *sleeper;
    reused.startTime += 1;  // the number now belongs to a process started later
    EXPECT_FALSE(TerminateProcess(reused, 0));
    EXPECT_EQ(waitpid(pid_, nullptr, WNOHANG), 0);

    const auto file = IdentifyObject("C:\\Tools\\Sleeper.exe");
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(TerminateProcessesRunning(*file), 1);
    int status = 0;
    ASSERT_EQ(waitpid(pid_, &status, 0), pid_);
    pid_ = 0;
    EXPECT_TRUE(WIFSIGNALED(status));
}

// A listed process is acted on only while it is that process and runs that image: a pin or a
// fresh pidfd, the start time and the image's device and inode all have to agree.
TEST_F(SleeperTest, ActsOnAListedProcessOnlyWhileItIsUnchanged) {
    const auto snapshot = ProcessSnapshot();
    ASSERT_TRUE(snapshot.has_value());
    const ProcessEntry* sleeper = FindPid(*snapshot, static_cast<uint32_t>(pid_));
    ASSERT_NE(sleeper, nullptr);
    struct Case {
        const char* what;
        void (*change)(ProcessEntry&);
        bool unchanged;
    };
    const Case cases[] = {
        {"as listed", [](ProcessEntry&) {}, true},
        {"a later start", [](ProcessEntry& e) { e.startTime += 1; }, false},
        {"another image", [](ProcessEntry& e) { e.imageInode += 1; }, false},
        {"another device", [](ProcessEntry& e) { e.imageDevice += 1; }, false},
    };
    for (const Case& test : cases) {
        for (const bool pinned : {false, true}) {
            SCOPED_TRACE(std::string(test.what) + (pinned ? ", pinned" : ""));
            ProcessEntry entry = *sleeper;
            if (pinned) ASSERT_TRUE(PinProcess(entry));
            test.change(entry);
            EXPECT_EQ(ProcessUnchanged(entry), test.unchanged);
            ProcessEntry late = *sleeper;
            test.change(late);
            EXPECT_EQ(PinProcess(late), test.unchanged);
            if (!test.unchanged) EXPECT_FALSE(TerminateProcess(entry, 0));
            EXPECT_EQ(waitpid(pid_, nullptr, WNOHANG), 0);
        }
    }
    // A pinned entry of a process that has ended is changed, and its number reaches nobody.
    ProcessEntry pinned = *sleeper;
    ASSERT_TRUE(PinProcess(pinned));
    ASSERT_TRUE(TerminateProcess(pinned, 0));
    ASSERT_EQ(waitpid(pid_, nullptr, 0), pid_);
    pid_ = 0;
    EXPECT_FALSE(ProcessUnchanged(pinned));
    EXPECT_FALSE(TerminateProcess(pinned, 0));
}

// A process outside the view that runs a hard link of a file of the view runs that file, but
// it is not the view's to end.
TEST_F(SleeperTest, EndsNoProcessOutsideTheViewThatRunsTheSameFile) {
    const std::string outside = machine_.Root() + "/outside/Sleeper.exe";
    std::filesystem::create_directories(machine_.Root() + "/outside");
    ASSERT_EQ(link(machine_.Host("C:\\Tools\\Sleeper.exe").c_str(), outside.c_str()), 0);
    const char* argv[] = {"Sleeper.exe", "30", nullptr};
    pid_t stranger = -1;
    ASSERT_EQ(posix_spawn(&stranger, outside.c_str(), nullptr, nullptr,
                          const_cast<char* const*>(argv), environ),
              0);
    struct Reap {
        pid_t pid;
        ~Reap() {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    } reap{stranger};
    for (int i = 0; i < 200; ++i) {
        std::error_code ec;
        if (std::filesystem::read_symlink("/proc/" + std::to_string(stranger) + "/exe", ec) ==
            outside)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    const auto file = IdentifyObject("C:\\Tools\\Sleeper.exe");
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(TerminateProcessesRunning(*file), 1);
    ASSERT_EQ(waitpid(pid_, nullptr, 0), pid_);
    pid_ = 0;
    EXPECT_EQ(waitpid(stranger, nullptr, WNOHANG), 0) << "the process outside the view ended";
}

}  // namespace
}  // namespace scourwell::platform

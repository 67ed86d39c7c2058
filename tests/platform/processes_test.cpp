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

}  // namespace
}  // namespace scourwell::platform

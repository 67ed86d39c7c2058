// Copies of large and sparse files, progress and stopping, and what a killed writer leaves.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "tests/support/test_machine.h"

namespace scourwell::platform {
namespace {

namespace fs = std::filesystem;
using testing::TestMachine;

constexpr int64_t kMiB = 1 << 20;

// Writes `text` at `offset` of a host file.
void WriteAt(const std::string& host, int64_t offset, const std::string& text) {
    const int fd = open(host.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, text.data(), text.size(), offset), static_cast<ssize_t>(text.size()));
    close(fd);
}

std::string ReadAt(const std::string& host, int64_t offset, size_t size) {
    std::string text(size, '\0');
    const int fd = open(host.c_str(), O_RDONLY);
    if (fd < 0) return {};
    const ssize_t n = pread(fd, text.data(), size, offset);
    close(fd);
    text.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return text;
}

int64_t AllocatedBytes(const std::string& host) {
    struct stat info {};
    return stat(host.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_blocks) * 512 : -1;
}

std::vector<std::string> HostNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    return names;
}

// A copy keeps the holes of a sparse file, reports how far it is, and has no name until it is
// whole.
TEST(LargeFileTest, CopyKeepsHolesAndAppearsOnlyWhenWhole) {
    TestMachine machine;
    const int64_t size = 4096 * kMiB;
    machine.WriteSparseFile("C:\\Big\\disk.img", size);
    const std::string source = machine.Host("C:\\Big\\disk.img");
    WriteAt(source, 0, "head");
    WriteAt(source, 1024 * kMiB, "middle");
    WriteAt(source, size - 4, "tail");
    machine.MakeDirectory("C:\\Q");

    std::vector<int64_t> reports;
    bool namedEarly = false;
    ASSERT_TRUE(CopyDataFile("C:\\Big\\disk.img", "C:\\Q\\disk.img", false,
                         [&](int64_t done, int64_t total) {
                             EXPECT_EQ(total, size);
                             reports.push_back(done);
                             namedEarly = namedEarly || machine.Exists("C:\\Q\\disk.img");
                             return true;
                         }));

    const std::string copy = machine.Host("C:\\Q\\disk.img");
    EXPECT_EQ(fs::file_size(copy), static_cast<uintmax_t>(size));
    EXPECT_EQ(ReadAt(copy, 0, 4), "head");
    EXPECT_EQ(ReadAt(copy, 1024 * kMiB, 6), "middle");
    EXPECT_EQ(ReadAt(copy, size - 4, 4), "tail");
    EXPECT_EQ(ReadAt(copy, 512 * kMiB, 4), std::string(4, '\0'));
    EXPECT_LT(AllocatedBytes(copy), 64 * kMiB) << "the holes were written out";
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(reports.back(), size);
    EXPECT_FALSE(namedEarly);
}

// Stopped or killed half-way, a copy leaves nothing that could be taken for the file.
TEST(LargeFileTest, StoppedOrKilledCopyLeavesNothingBehind) {
    TestMachine machine;
    machine.WriteFile("C:\\Big\\data.bin", std::string(24 * kMiB, 'd'));
    machine.MakeDirectory("C:\\Q");
    const std::string folder = machine.Host("C:\\Q");

    EXPECT_FALSE(CopyDataFile("C:\\Big\\data.bin", "C:\\Q\\data.bin", false,
                          [](int64_t, int64_t) { return false; }));
    EXPECT_TRUE(HostNames(folder).empty());

    // A writer killed in the middle of the copy (and of a replacing copy).
    for (const bool replacing : {false, true}) {
        if (replacing) machine.WriteFile("C:\\Q\\data.bin", "old copy");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            CopyDataFile("C:\\Big\\data.bin", "C:\\Q\\data.bin", false, [](int64_t, int64_t) {
                raise(SIGKILL);
                return true;
            });
            CopyDataFile("C:\\Big\\data.bin", "C:\\Q\\data.bin", true, {});
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        RemoveAbandonedTempFiles("C:\\Q");
        if (replacing) {
            EXPECT_EQ(HostNames(folder), std::vector<std::string>{"data.bin"});
            EXPECT_EQ(machine.ReadFile("C:\\Q\\data.bin"), "old copy");
        } else {
            EXPECT_TRUE(HostNames(folder).empty());
        }
    }
}

// Temporary files of writers that no longer run are removed; those of a running writer, and
// every other name, stay.
TEST(LargeFileTest, AbandonedTempFilesOfDeadWritersAreRemoved) {
    TestMachine machine;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const std::string dead = std::to_string(child);
    const std::string self = std::to_string(getpid());
    const std::vector<std::string> gone = {".quarantine.list.scourwell-" + dead + "-3",
                                           ".CTempa.exe.scourwell-" + dead + "-0"};
    const std::vector<std::string> kept = {".quarantine.list.scourwell-" + self + "-1",
                                           ".d.list.scourwell-1-7",
                                           ".x.scourwell-" + dead + "-",
                                           ".x.scourwell-abc-1",
                                           "CTempa.exe.scourwell-" + dead + "-1",
                                           "quarantine.list"};
    for (const auto& name : gone) machine.WriteFile("C:\\Data\\" + name, "partial");
    for (const auto& name : kept) machine.WriteFile("C:\\Data\\" + name, "keep");

    EXPECT_EQ(RemoveAbandonedTempFiles("C:\\Data"), static_cast<int>(gone.size()));
    for (const auto& name : gone) EXPECT_FALSE(machine.Exists("C:\\Data\\" + name)) << name;
    for (const auto& name : kept) EXPECT_TRUE(machine.Exists("C:\\Data\\" + name)) << name;
}

}  // namespace
}  // namespace scourwell::platform

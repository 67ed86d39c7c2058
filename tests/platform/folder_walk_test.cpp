#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "tests/support/deep_tree.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/test_machine.h"

namespace scourwell::platform {
namespace {

namespace fs = std::filesystem;
using testing::TestMachine;

// Walks a whole tree; each file as "depth:name".
std::vector<std::string> WalkAll(FolderWalk& walk, size_t* deepest = nullptr) {
    std::vector<std::string> seen;
    FindEntry entry;
    for (;;) {
        if (!walk.Next(entry)) {
            if (!walk.Leave()) break;
            continue;
        }
        if (entry.IsDirectory()) {
            EXPECT_TRUE(walk.Enter(entry)) << entry.name;
            if (deepest != nullptr) *deepest = std::max(*deepest, walk.Depth());
        } else {
            seen.push_back(std::to_string(walk.Depth()) + ":" + entry.name);
        }
    }
    return seen;
}

class FolderWalkTest : public ::testing::Test {
protected:
    ~FolderWalkTest() override { testing::RemoveDeepChain(machine.Host("C:\\Deep")); }
    TestMachine machine;
};

TEST_F(FolderWalkTest, VisitsEveryLevelOfATreeDeeperThanStackOrDescriptorsAllow) {
    // Deeper than a host path can name, deeper than the descriptor limit, walked on a small
    // stack: every file is seen once, and no descriptor is left open.
    constexpr size_t kDepth = 2000;
    machine.MakeDirectory("C:\\Deep");
    testing::MakeDeepChain(machine.Host("C:\\Deep"), kDepth, true);
    const int before = testing::OpenDescriptorCount();
    std::vector<std::string> seen;
    size_t deepest = 0;
    {
        testing::DescriptorLimit limit(256);
        testing::RunWithStack(256 * 1024, [&] {
            FolderWalk walk(DirectoryListing("C:\\Deep\\*"));
            ASSERT_TRUE(walk.IsOpen());
            seen = WalkAll(walk, &deepest);
        });
    }
    EXPECT_EQ(testing::OpenDescriptorCount(), before);
    EXPECT_EQ(deepest, kDepth);
    std::vector<std::string> expected;
    for (size_t level = 1; level <= kDepth; ++level) expected.push_back(std::to_string(level) + ":f");
    expected.push_back(std::to_string(kDepth) + ":bottom.txt");
    std::sort(seen.begin(), seen.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(seen, expected);
}

TEST_F(FolderWalkTest, AFolderMovedAwayWhileItsDescriptorWasClosedReturnsNothingMore) {
    // Once the walk is deep enough for the outer descriptors to be closed, level 2 moves into
    // another folder: ".." of it is no longer level 1, so the outer levels give nothing more
    // rather than that folder's entries.
    machine.MakeDirectory("C:\\Deep");
    for (int i = 0; i < 40; ++i) machine.WriteFile("C:\\Elsewhere\\other" + std::to_string(i), "x");
    testing::MakeDeepChain(machine.Host("C:\\Deep"), 200, false);
    FolderWalk walk(DirectoryListing("C:\\Deep\\*"));
    FindEntry entry;
    ASSERT_TRUE(walk.Next(entry));
    ASSERT_TRUE(walk.Enter(entry));  // level 1
    while (walk.Next(entry)) {
        if (entry.IsDirectory()) {
            ASSERT_TRUE(walk.Enter(entry));
            if (walk.Depth() == 150) break;
        }
    }
    fs::rename(machine.Host("C:\\Deep\\d\\d"), machine.Host("C:\\Elsewhere\\d"));
    EXPECT_EQ(WalkAll(walk), (std::vector<std::string>{"200:bottom.txt"}));
    testing::RemoveDeepChain(machine.Host("C:\\Elsewhere"));
}

TEST_F(FolderWalkTest, EveryFolderIsNamedAsStoredAfterTheWalkComesBackFromASubfolder) {
    // The folders a walk waits in give up their paths while it is below them and take them
    // back on the way up; every file is still reported under its exact folder.
    for (const char* file : {"C:\\Top\\Alpha\\Inner\\Deeper\\a.txt", "C:\\Top\\Alpha\\b.txt",
                             "C:\\Top\\Beta\\c.txt", "C:\\Top\\d.txt"})
        machine.WriteFile(file, "x");
    FolderWalk walk(DirectoryListing("C:\\TOP\\*"));
    std::vector<std::string> seen;
    FindEntry entry;
    for (;;) {
        if (!walk.Next(entry)) {
            if (!walk.Leave()) break;
            continue;
        }
        if (entry.IsDirectory())
            ASSERT_TRUE(walk.Enter(entry));
        else
            seen.push_back(walk.CurrentFolder() + entry.name);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"C:\\Top\\Alpha\\Inner\\Deeper\\a.txt",
                                              "C:\\Top\\Alpha\\b.txt", "C:\\Top\\Beta\\c.txt",
                                              "C:\\Top\\d.txt"}));
}

TEST_F(FolderWalkTest, AWalkThatCannotOpenItsTopIsEmpty) {
    FolderWalk walk(DirectoryListing("C:\\Nowhere\\*"));
    EXPECT_FALSE(walk.IsOpen());
    FindEntry entry;
    EXPECT_FALSE(walk.Next(entry));
    EXPECT_FALSE(walk.Leave());
}

}  // namespace
}  // namespace scourwell::platform

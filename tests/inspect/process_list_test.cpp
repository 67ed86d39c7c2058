#include "inspect/process_list.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/test_machine.h"
#include "tests/support/test_processes.h"

namespace scourwell::inspect {
namespace {

using testing::TestMachine;
using testing::TestProcesses;

std::vector<ProcessListEntry> Listed(bool fullPaths) {
    std::vector<ProcessListEntry> list;
    EXPECT_TRUE(ListProcesses(list, fullPaths));
    return list;
}

TEST(ListProcessesTest, FullPathsOrNamesOfTheViewsProcesses) {
    TestMachine machine;
    TestProcesses procs(machine);
    const pid_t a = procs.Start("C:\\Tools\\Sleeper.exe");
    const pid_t b = procs.Start("C:\\Tools\\Sleeper.exe");
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    const pid_t d = procs.Start("C:\\Program Files\\Other App\\other.exe");
    ASSERT_GT(d, 0);

    struct Case {
        bool fullPaths;
        std::vector<std::string> texts;  // in snapshot (pid) order after process 0
    };
    const std::vector<Case> cases = {
        {true,
         {"C:\\Tools\\Sleeper.exe", "C:\\Tools\\Sleeper.exe",
          "C:\\Program Files\\Other App\\other.exe"}},
        {false, {"Sleeper.exe", "Sleeper.exe", "other.exe"}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.fullPaths);
        const auto list = Listed(test.fullPaths);
        ASSERT_EQ(list.size(), 4u);
        EXPECT_EQ(list[0].pid, 0u);
        EXPECT_EQ(list[0].text, kSystemIdleProcess);
        std::vector<uint32_t> pids = {static_cast<uint32_t>(a), static_cast<uint32_t>(b),
                                      static_cast<uint32_t>(d)};
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(list[i + 1].pid, pids[i]);
            EXPECT_EQ(list[i + 1].text, test.texts[i]);
        }
    }
}

TEST(ListProcessesTest, AppendsToWhatTheListHolds) {
    TestMachine machine;
    std::vector<ProcessListEntry> list = {{"kept", 42}};
    ASSERT_TRUE(ListProcesses(list, true));
    ASSERT_EQ(list.size(), 2u);  // the test program itself runs outside the view
    EXPECT_EQ(list[0].text, "kept");
    EXPECT_EQ(list[1].text, kSystemIdleProcess);
}

}  // namespace
}  // namespace scourwell::inspect

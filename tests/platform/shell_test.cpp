#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "platform/shell.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/test_machine.h"

namespace scourwell::platform {
namespace {

using testing::TestMachine;

// Puts a stand-in opener first on PATH that records its argument, for the life of the object.
class FakeOpener {
public:
    explicit FakeOpener(const TestMachine& machine)
        : folder_(machine.Root() + "/bin"), record_(machine.Root() + "/opened.txt") {
        std::filesystem::create_directories(folder_);
        const std::string script = folder_ + "/xdg-open";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << record_ << ".part'\nmv '" << record_
                              << ".part' '" << record_ << "'\n";
        chmod(script.c_str(), 0755);
        const char* path = std::getenv("PATH");
        path_.emplace("PATH", folder_ + ":" + (path != nullptr ? path : ""));
    }

    // What the opener was given, waiting up to a few seconds for it to run.
    std::string Opened() const {
        for (int i = 0; i < 500; ++i) {
            std::ifstream in(record_);
            if (in) return std::string(std::istreambuf_iterator<char>(in), {});
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return "";
    }

private:
    std::string folder_;
    std::string record_;
    std::optional<testing::ScopedEnvironmentVariable> path_;
};

TEST(ShellOpenTest, StartsTheOpenerWithTheHostPath) {
    TestMachine machine;
    machine.WriteFile("C:\\Logs\\LastScan.txt", "log");
    FakeOpener opener(machine);
    EXPECT_TRUE(ShellOpen("c:\\logs\\lastscan.TXT"));
    EXPECT_EQ(opener.Opened(), machine.Host("C:\\Logs\\LastScan.txt"));
}

TEST(ShellOpenTest, RefusesWhatCannotBeOpened) {
    TestMachine machine;
    machine.WriteFile("C:\\a.txt", "a");
    {
        FakeOpener opener(machine);
        EXPECT_FALSE(ShellOpen("C:\\missing.txt"));
        EXPECT_FALSE(ShellOpen("Q:\\a.txt"));
    }
    const testing::ScopedEnvironmentVariable path("PATH", machine.Root() + "/empty");  // no opener anywhere
    EXPECT_FALSE(ShellOpen("C:\\a.txt"));
}

}  // namespace
}  // namespace scourwell::platform

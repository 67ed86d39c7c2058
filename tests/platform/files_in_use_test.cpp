// Files held by running processes and what the host's temporary-file rules keep: neither is
// deleted or removed, as a sharing violation refuses it on Windows.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files.h"
#include "tests/support/file_holder.h"
#include "tests/support/test_machine.h"

namespace scourwell::platform {
namespace {

using testing::FileHolder;
using testing::TestMachine;

TEST(FilesInUseTest, WhatARunningProcessHoldsStays) {
    TestMachine machine;
    const std::string temp = TestMachine::kTemp;
    machine.WriteFile(temp + "\\live\\open.tmp", "held");
    machine.WriteFile(temp + "\\live\\free.tmp", "not held");
    machine.MakeDirectory(temp + "\\session");
    FileHolder holder(machine.Host(temp + "\\live\\open.tmp"), machine.Host(temp + "\\session"));
    ASSERT_TRUE(holder.Running());

    EXPECT_TRUE(IsInUse(temp + "\\live\\open.tmp"));
    EXPECT_TRUE(IsInUse(temp + "\\live"));  // holds a held file
    EXPECT_TRUE(IsInUse(temp + "\\session"));
    EXPECT_FALSE(IsInUse(temp + "\\live\\free.tmp"));
    {
        FilesInUseScope once;
        EXPECT_FALSE(DeleteDataFile(temp + "\\live\\open.tmp"));
        EXPECT_TRUE(machine.Exists(temp + "\\live\\open.tmp"));
        EXPECT_FALSE(RemoveDataFolder(temp + "\\session"));
        EXPECT_TRUE(DeleteDataFile(temp + "\\live\\free.tmp"));
    }

    holder.Stop();
    EXPECT_FALSE(IsInUse(temp + "\\live"));
    EXPECT_TRUE(DeleteDataFile(temp + "\\live\\open.tmp"));
    EXPECT_TRUE(RemoveDataFolder(temp + "\\session"));
}

// The view names its tmpfiles.d folders; the first folder's file of a name overrides the
// others of that name.
TEST(FilesInUseTest, WhatTheHostsTemporaryFileRulesKeepStays) {
    TestMachine machine;
    const std::string temp = TestMachine::kTemp;
    const std::string host = machine.Host(temp);
    std::filesystem::create_directories(machine.Root() + "/etc/tmpfiles.d");
    std::filesystem::create_directories(machine.Root() + "/lib/tmpfiles.d");
    std::ofstream(machine.Root() + "/lib/tmpfiles.d/x11.conf")
        << "x " << host << "/overridden\n";
    std::ofstream(machine.Root() + "/etc/tmpfiles.d/x11.conf")
        << "# the X server's files\n"
        << "D " << host << "/.X11-unix 1777 root root 10d\n"
        << "X " << host << "/.X11-unix\n"
        << "x " << host << "/.X[0-9]*-lock\n"
        << "x " << host << "/service-*\n"
        << "x %t/unknown-specifier\n";
    machine.SetMachineKey("tmpfiles", "etc/tmpfiles.d, lib/tmpfiles.d");
    machine.Install();
    for (const char* file : {"\\.X0-lock", "\\.X11-unix\\X0", "\\service-a\\state", "\\overridden",
                             "\\junk.tmp"})
        machine.WriteFile(temp + file, "x");

    EXPECT_TRUE(IsKeptByHost(temp + "\\.X0-lock"));
    EXPECT_TRUE(IsKeptByHost(temp + "\\.X11-unix"));
    EXPECT_FALSE(IsKeptByHost(temp + "\\.X11-unix\\X0"));  // "X" keeps the folder only
    EXPECT_TRUE(IsKeptByHost(temp + "\\service-a"));
    EXPECT_TRUE(IsKeptByHost(temp + "\\service-a\\state"));  // "x" keeps what is inside
    EXPECT_FALSE(IsKeptByHost(temp + "\\overridden"));
    EXPECT_FALSE(IsKeptByHost(temp + "\\junk.tmp"));

    EXPECT_FALSE(DeleteDataFile(temp + "\\.X0-lock"));
    EXPECT_FALSE(DeleteDataFile(temp + "\\service-a\\state"));
    EXPECT_TRUE(DeleteDataFile(temp + "\\.X11-unix\\X0"));
    EXPECT_FALSE(RemoveDataFolder(temp + "\\.X11-unix"));
    EXPECT_TRUE(DeleteDataFile(temp + "\\overridden"));
    EXPECT_TRUE(machine.Exists(temp + "\\.X0-lock"));
}

}  // namespace
}  // namespace scourwell::platform

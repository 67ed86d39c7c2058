#pragma once

// A machine view with a scripted window, an empty quarantine and the inspection tools, shared
// by the inspection tests. The program folder holds the shipped "RegBase.rgk" (the current and
// local-machine Run and RunOnce keys).

#include <gtest/gtest.h>
#include <sys/time.h>

#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "foundation/program_context.h"
#include "inspect/inspection.h"
#include "quarantine/quarantine_store.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/test_machine.h"

namespace scourwell::inspect::test {

// The scripted window's clock reads 6 Dec 2026; the machine's short date picture is dd.MM.yyyy.
inline constexpr const char* kToday = "06.12.2026";
inline const std::string kDataFolder = scourwell::testing::TestMachine::kDataFolder;
inline const std::string kRegBase = "C:\\Program Files\\Scourwell\\RegBase.rgk";
inline constexpr const char* kRegHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kLocalRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

inline std::string ShippedRegBase() {
    std::ifstream in(std::string(SCOURWELL_SOURCE_DIR) + "/data/RegBase.rgk", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Local noon of a day.
inline std::chrono::system_clock::time_point Noon(int year, int month, int day) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

class InspectTest : public ::testing::Test {
  protected:
    InspectTest() { machine.WriteFile(kRegBase, ShippedRegBase()); }

    scourwell::testing::TestMachine machine;
    scourwell::testing::ScriptedUi ui;
    foundation::ProgramContext context{ui};
    quarantine::QuarantineStore store{context};
    Inspection inspection{context, store};

    // Imports .reg text (without its header line).
    void Seed(const std::string& body) { machine.AddRegText(kRegHeader + body); }
    // A program file last modified long ago, so that only its first-seen date can make it new.
    void WriteOldFile(const std::string& windowsPath, const std::string& contents = "MZ program") {
        machine.WriteFile(windowsPath, contents);
        SetModified(windowsPath, Noon(2020, 1, 1));
    }
    void SetModified(const std::string& windowsPath, std::chrono::system_clock::time_point when) {
        const time_t t = std::chrono::system_clock::to_time_t(when);
        const timeval times[2] = {{t, 0}, {t, 0}};
        ASSERT_EQ(utimes(machine.Host(windowsPath).c_str(), times), 0);
    }
    std::string DataFile(const std::string& name) const {
        return machine.Exists(kDataFolder + name) ? machine.ReadFile(kDataFolder + name)
                                                  : "<missing>";
    }
    std::vector<std::string> Captions(const foundation::ListModel& model) const {
        std::vector<std::string> captions;
        for (const auto& item : model.Items()) captions.push_back(item.caption);
        return captions;
    }
    std::vector<std::string> Column(const foundation::ListModel& model, size_t sub) const {
        std::vector<std::string> texts;
        for (const auto& item : model.Items()) texts.push_back(item.SubItem(sub));
        return texts;
    }
};

}  // namespace scourwell::inspect::test

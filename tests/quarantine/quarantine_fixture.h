#pragma once

// A machine view with a scripted window and an empty quarantine, shared by the quarantine
// tests.

#include <gtest/gtest.h>

#include <string>

#include "foundation/program_context.h"
#include "platform/files.h"
#include "quarantine/quarantine_store.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/test_machine.h"

namespace scourwell::quarantine::test {

// The scripted window's clock reads 6 Dec 2026, 14:30:05; the machine's pictures are
// dd.MM.yyyy and HH:mm:ss.
inline constexpr const char* kNowText = "06.12.2026 14:30:05";
inline const std::string kDataFolder = scourwell::testing::TestMachine::kDataFolder;
inline const std::string kQuarantine = kDataFolder + "Quarantine";
inline const std::string kIndexFile = kDataFolder + "quarantine.list";
inline const std::string kDeletedFile = kDataFolder + "d.list";

class QuarantineTest : public ::testing::Test {
  protected:
    scourwell::testing::TestMachine machine;
    scourwell::testing::ScriptedUi ui;
    foundation::ProgramContext context{ui};
    QuarantineStore store{context};

    std::string Stored(const std::string& storedName) const {
        return kQuarantine + "\\" + storedName;
    }
    std::string IndexFileText() const {
        return machine.Exists(kIndexFile) ? machine.ReadFile(kIndexFile) : "<missing>";
    }
    // Adds a registry value entry the way the quarantine actions of other pages do, with a
    // backup file of the given lines.
    void AddRegistryEntry(const std::string& rootIndex, const std::string& key,
                          const std::string& value, const std::string& backupText) {
        machine.WriteFile(Stored(value), backupText);
        store.AddEntryLine(std::string(kNowText) + ";1;;;" + rootIndex + ";" + key + ";" + value +
                           ";" + value + ";");
        store.RefreshQuarantineView();
    }
};

}  // namespace scourwell::quarantine::test

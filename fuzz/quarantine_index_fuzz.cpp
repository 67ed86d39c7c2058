// The quarantine index ("quarantine.list") and the deleted-threats list with their record
// lines, as a start-up reads them and the view is rebuilt from them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/data_folder.h"
#include "foundation/program_context.h"
#include "foundation/record_lines.h"
#include "fuzz/fuzz_machine.h"
#include "platform/files.h"
#include "quarantine/quarantine_store.h"
#include "tests/support/scripted_ui.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace scourwell;
    testing::TestMachine& machine = fuzz::Machine();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int field = 0; field < 9; ++field) foundation::ExtractField(text, field);
    foundation::CountFields(text);

    // Two stored copies that the seed entries name, so their rows survive the refresh.
    static const bool stored = [&machine] {
        const std::string quarantine = std::string(testing::TestMachine::kDataFolder) + "Quarantine\\";
        machine.WriteFile(quarantine + "CTempa.exe", "hello");
        machine.WriteFile(quarantine + "Cb.exe", "MZ b");
        return true;
    }();
    (void)stored;

    const std::string dataFolder = foundation::GetDataFolder();
    platform::WriteFileAtomic(dataFolder + std::string(quarantine::kQuarantineListFile), text);
    platform::WriteFileAtomic(dataFolder + std::string(quarantine::kDeletedListFile), text);
    testing::ScriptedUi ui;
    foundation::ProgramContext context(ui);
    quarantine::QuarantineStore store(context);
    try {
        store.LoadAtStartup();
    } catch (const foundation::IoError&) {
        return 0;  // refused with a message, the file left as it is
    }
    store.RefreshQuarantineView();
    store.ReloadDeletedView();
    store.StoredNameFor("C:\\Temp\\a.exe");
    store.StoredNameFor("C:\\b.exe");
    return 0;
}

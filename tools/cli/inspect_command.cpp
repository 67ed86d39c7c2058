#include "tools/cli/inspect_command.h"

#include <ostream>
#include <string>
#include <vector>

#include "inspect/inspection.h"
#include "quarantine/registry_backup.h"
#include "tools/cli/escaping.h"
#include "tools/cli/text_output.h"

namespace scourwell::cli {

namespace {

void PrintProcesses(inspect::ProcessManager& processes, bool json, std::ostream& out) {
    processes.Button7Click();
    std::vector<std::vector<std::string>> rows;
    for (const foundation::ListItem& item : processes.listView1.Items()) {
        if (json)
            WriteJsonLine(out, {{"task", item.caption}, {"first_seen", item.SubItem(0)}});
        else
            rows.push_back({item.caption, item.SubItem(0)});
    }
    if (!json) WriteTable(out, {{"Tasks"}, {"First startup"}}, rows);
}

void PrintStartup(inspect::StartupManager& startup, bool json, std::ostream& out) {
    startup.Button4Click();
    std::vector<std::vector<std::string>> rows;
    for (const inspect::StartupValueRow& row : startup.startupValues) {
        const std::string key = quarantine::RootKeyIndexName(row.rootIndex) + "\\" + row.keyPath;
        const std::string date = startup.FirstSeenDate(row.fileName);
        if (json)
            WriteJsonLine(out, {{"object", row.ProgramPath()},
                                {"created", date},
                                {"key", key},
                                {"value", row.valueName},
                                {"data", row.data}});
        else
            rows.push_back({row.ProgramPath(), date, key + "\\" + row.valueName});
    }
    if (!json) WriteTable(out, {{"Objects"}, {"Creation date"}, {"Value"}}, rows);
}

void PrintFileGuard(inspect::FileGuardReport& fileGuard, bool json, std::ostream& out) {
    fileGuard.Button9Click();
    std::vector<std::vector<std::string>> rows;
    for (const foundation::ListItem& item : fileGuard.listfg.Items()) {
        if (json)
            WriteJsonLine(out, {{"status", item.caption}, {"object", item.SubItem(0)}});
        else
            rows.push_back({item.caption, item.SubItem(0)});
    }
    if (!json) WriteTable(out, {{"Status"}, {"Object"}}, rows);
}

}  // namespace

int RunInspect(Session& session, const Options& options, std::ostream& out) {
    inspect::Inspection inspection(session.context, session.quarantine);
    session.quarantine.LoadAtStartup();
    switch (options.command) {
        case Command::Processes:
            PrintProcesses(inspection.processManager, options.json, out);
            return 0;
        case Command::Startup:
            PrintStartup(inspection.startupManager, options.json, out);
            return 0;
        case Command::FileGuard:
            PrintFileGuard(inspection.fileGuard, options.json, out);
            return inspection.fileGuard.listfg.Count() == 0 ? 0 : 1;
        case Command::Report:
            inspection.quickReport.Button12Click();
            // A failed build has already said so on standard error.
            if (!inspection.quickReport.saveEnabled.Get()) return 2;
            for (const std::string& line : inspection.quickReport.Memo2())
                out << EscapeForTerminal(line) << '\n';
            return 0;
        default:
            return 2;
    }
}

}  // namespace scourwell::cli

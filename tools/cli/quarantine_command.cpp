#include "tools/cli/quarantine_command.h"

#include <ostream>
#include <string>
#include <vector>

#include "tools/cli/text_output.h"

namespace scourwell::cli {

namespace {

using quarantine::kQColDetected;
using quarantine::kQColObject;
using quarantine::kQColStatus;

// Rows are numbered from 1 in the order of the Quarantine page's list.
void PrintRows(std::ostream& out, const foundation::ListModel& list,
               const std::vector<size_t>& rows, bool json) {
    if (json) {
        for (size_t row : rows) {
            const foundation::ListItem& item = list.Item(row);
            WriteJsonLine(out, {{"number", row + 1},
                                {"time", item.caption},
                                {"status", item.SubItem(kQColStatus)},
                                {"detected", item.SubItem(kQColDetected)},
                                {"object", item.SubItem(kQColObject)}});
        }
        return;
    }
    std::vector<std::vector<std::string>> cells;
    for (size_t row : rows) {
        const foundation::ListItem& item = list.Item(row);
        cells.push_back({std::to_string(row + 1), item.caption, item.SubItem(kQColStatus),
                         item.SubItem(kQColDetected), item.SubItem(kQColObject)});
    }
    WriteTable(out, {{"No", true}, {"Time"}, {"Status"}, {"Detected"}, {"Object"}}, cells);
}

std::vector<size_t> AllRows(const foundation::ListModel& list) {
    std::vector<size_t> rows;
    for (size_t i = 0; i < list.Count(); ++i) rows.push_back(i);
    return rows;
}

}  // namespace

int RunQuarantine(Session& session, const Options& options, std::ostream& out) {
    session.LoadQuarantine();
    foundation::ListModel& list = session.quarantine.cList1;

    switch (options.command) {
        case Command::QuarantineList:
            PrintRows(out, list, AllRows(list), options.json);
            return 0;

        case Command::QuarantineRestore: {
            std::vector<size_t> rows;
            for (size_t number : options.rows) {
                if (number > list.Count())
                    throw CommandError("no quarantined object number " + std::to_string(number) +
                                       " (quarantine list shows " + std::to_string(list.Count()) +
                                       ")");
                rows.push_back(number - 1);
            }
            // Restore acts on the marked rows: exactly the named ones.
            for (size_t i = 0; i < list.Count(); ++i) {
                list.SetSelected(i, false);
                list.SetChecked(i, false);
            }
            for (size_t row : rows) list.SetChecked(row, true);
            session.ui.answer = true;  // "Do you want to restore selected objects from quarantine?"
            session.quarantinePage.Button16Click();
            bool all = true;
            for (size_t row : rows)
                all = all && list.Item(row).SubItem(kQColStatus) == quarantine::kStatusRestored;
            PrintRows(out, list, rows, false);
            return all ? 0 : 1;
        }

        case Command::QuarantineClear:
            if (!options.yes) {
                PrintRows(out, list, AllRows(list), false);
                out << list.Count()
                    << " object(s) would be deleted from the quarantine; add --yes to delete them.\n";
                return 0;
            }
            session.ui.answer = true;  // "Do you want to clear all objects from quarantine?"
            session.quarantinePage.Button15Click();
            return 0;

        default:
            return 2;
    }
}

}  // namespace scourwell::cli

#include "tools/cli/quarantine_command.h"

#include <ostream>
#include <string>
#include <vector>

#include "database/signature_database.h"
#include "tools/cli/text_output.h"

namespace scourwell::cli {

namespace {

using quarantine::kQColDetected;
using quarantine::kQColObject;
using quarantine::kQColStatus;

constexpr size_t kIdDigits = 12;

struct Entry {
    size_t row = 0;  // in cList1; shown numbered from 1
    std::string id;
};

void PrintEntries(std::ostream& out, const foundation::ListModel& list,
                  const std::vector<Entry>& entries, bool json) {
    if (json) {
        for (const Entry& entry : entries) {
            const foundation::ListItem& item = list.Item(entry.row);
            WriteJsonLine(out, {{"number", entry.row + 1},
                                {"id", entry.id},
                                {"time", item.caption},
                                {"status", item.SubItem(kQColStatus)},
                                {"detected", item.SubItem(kQColDetected)},
                                {"object", item.SubItem(kQColObject)}});
        }
        return;
    }
    std::vector<std::vector<std::string>> cells;
    for (const Entry& entry : entries) {
        const foundation::ListItem& item = list.Item(entry.row);
        cells.push_back({std::to_string(entry.row + 1), entry.id, item.caption,
                         item.SubItem(kQColStatus), item.SubItem(kQColDetected),
                         item.SubItem(kQColObject)});
    }
    WriteTable(out, {{"No", true}, {"Id"}, {"Time"}, {"Status"}, {"Detected"}, {"Object"}},
               cells);
}

std::vector<Entry> AllEntries(const quarantine::QuarantineStore& store) {
    std::vector<Entry> entries;
    for (size_t row = 0; row < store.cList1.Count(); ++row)
        entries.push_back({row, EntryIdOfRow(store, row)});
    return entries;
}

// The entries with these ids, in the order given; an unknown id, or one that two entries
// share, is an error before anything is restored.
std::vector<Entry> EntriesWithIds(const quarantine::QuarantineStore& store,
                                  const std::vector<std::string>& ids) {
    const std::vector<Entry> all = AllEntries(store);
    std::vector<Entry> chosen;
    for (const std::string& id : ids) {
        std::vector<Entry> matches;
        for (const Entry& entry : all)
            if (entry.id == id) matches.push_back(entry);
        if (matches.empty())
            throw CommandError("no quarantined object has the id " + id +
                               " (quarantine list shows the ids)");
        if (matches.size() > 1)
            throw CommandError("the id " + id + " belongs to several quarantined objects");
        bool seen = false;
        for (const Entry& entry : chosen) seen = seen || entry.row == matches[0].row;
        if (!seen) chosen.push_back(matches[0]);
    }
    return chosen;
}

int Restore(Session& session, const Options& options, std::ostream& out) {
    foundation::ListModel& list = session.quarantine.cList1;
    const std::vector<Entry> entries = EntriesWithIds(session.quarantine, options.ids);
    if (!options.yes) {
        PrintEntries(out, list, entries, false);
        out << entries.size()
            << " object(s) would be restored; add --yes to restore them.\n";
        return 0;
    }
    // Restore acts on the marked rows: exactly the named ones.
    for (size_t i = 0; i < list.Count(); ++i) {
        list.SetSelected(i, false);
        list.SetChecked(i, false);
    }
    for (const Entry& entry : entries) list.SetChecked(entry.row, true);
    session.ui.answer = true;  // "Do you want to restore selected objects from quarantine?"
    session.quarantinePage.Button16Click();
    bool all = true;
    for (const Entry& entry : entries)
        all = all && list.Item(entry.row).SubItem(kQColStatus) == quarantine::kStatusRestored;
    PrintEntries(out, list, entries, false);
    return all ? 0 : 1;
}

}  // namespace

std::string EntryIdOfRow(const quarantine::QuarantineStore& store, size_t row) {
    const long line = store.LineOfRow(row);
    if (line < 0) return {};
    return database::TextDigest(store.index[static_cast<size_t>(line)]).substr(0, kIdDigits);
}

int RunQuarantine(Session& session, const Options& options, std::ostream& out) {
    session.LoadQuarantine();
    foundation::ListModel& list = session.quarantine.cList1;

    switch (options.command) {
        case Command::QuarantineList:
            PrintEntries(out, list, AllEntries(session.quarantine), options.json);
            return 0;

        case Command::QuarantineRestore: return Restore(session, options, out);

        case Command::QuarantineClear:
            if (!options.yes) {
                PrintEntries(out, list, AllEntries(session.quarantine), false);
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

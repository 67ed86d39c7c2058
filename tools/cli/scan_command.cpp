#include "tools/cli/scan_command.h"

#include <cctype>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "foundation/format_size.h"
#include "platform/files.h"
#include "quarantine/clean_up.h"
#include "scan/results_list.h"
#include "tools/cli/text_output.h"

namespace scourwell::cli {

namespace {

constexpr int kExitInterrupted = 130;

// A Windows path of the view for a --folder argument: "X:..." is taken as it is, anything else
// is a host path (relative to the working folder) mapped onto the view's drives.
std::string FolderOfView(const std::string& argument) {
    const bool windowsPath = argument.size() >= 2 && argument[1] == ':' &&
                             std::isalpha(static_cast<unsigned char>(argument[0]));
    std::string path = argument;
    if (!windowsPath) {
        const std::filesystem::path host = std::filesystem::absolute(argument).lexically_normal();
        const auto mapped = platform::ToWindowsPath(host.string());
        if (!mapped) throw CommandError(argument + " lies on no drive of this machine");
        path = *mapped;
    }
    if (!platform::DirectoryExists(path)) throw CommandError("no such folder: " + argument);
    return path;
}

void PrepareDrives(Session& session, const ScanTarget& target) {
    scan::CustomScanDialog& dialog = session.customScan;
    dialog.Button5Click();  // the fixed drives with their levels
    for (char letter : target.drives) {
        bool found = false;
        for (const foundation::ListItem& item : dialog.List1.Items())
            found = found || (!item.caption.empty() && item.caption[0] == letter);
        if (!found)
            throw CommandError(std::string("drive ") + letter + ": is not a fixed drive of this machine");
    }
    for (size_t i = 0; i < dialog.List1.Count(); ++i) {
        const std::string& caption = dialog.List1.Item(i).caption;
        bool wanted = false;
        for (char letter : target.drives) wanted = wanted || (!caption.empty() && caption[0] == letter);
        dialog.List1.SetChecked(i, wanted);
    }
}

void PrepareFolders(Session& session, const ScanTarget& target) {
    foundation::ListModel& folders = session.customScan.List2;
    folders.Clear();
    // Sizes and levels are what the dialog shows when a folder is added; the scan itself
    // walks only the checked folders, so they are left empty instead of walking twice.
    for (const std::string& argument : target.folders)
        folders.Add(foundation::ListItem{FolderOfView(argument), {"", ""}, true, false});
}

int KindOf(const ScanTarget& target) {
    switch (target.kind) {
        case ScanTarget::Kind::Drives: return 1;
        case ScanTarget::Kind::Folders: return 2;
        case ScanTarget::Kind::Quick: break;
    }
    return 0;
}

// Runs the scan and applies the filters; the results are then in session.scanPage.list1.
void Scan(Session& session, const Options& options) {
    const ScanTarget& target = options.target;
    if (target.kind == ScanTarget::Kind::Drives) PrepareDrives(session, target);
    if (target.kind == ScanTarget::Kind::Folders) PrepareFolders(session, target);
    scan::CustomScanDialog& dialog = session.customScan;
    dialog.c1.Set(target.junk);
    dialog.c2.Set(target.malware);
    dialog.c3.Set(target.systemFolders);

    session.context.progress = {};
    session.ui.describeProgress = WalkProgressText;
    session.driver.scan(KindOf(target));
    session.ui.ClearProgress();
    session.ui.describeProgress = nullptr;

    scan::ScanPage& page = session.scanPage;
    page.kindFilter.Set(options.kindFilter);
    page.severityFilter.Set(options.severityFilter);
}

bool IsPlaceholder(const foundation::ListItem& item) {
    return item.caption == scan::kScanningPlaceholder && item.subItems.empty();
}

// One row of the results list as printed.
struct ShownRow {
    size_t item = 0;
    std::string name, kind, location, size, status;
    std::optional<long long> bytes;
    bool checked = false;
};

std::vector<ShownRow> ShownRows(const scan::ScanPage& page) {
    std::vector<ShownRow> rows;
    for (size_t i = 0; i < page.list1.Count(); ++i) {
        const foundation::ListItem& item = page.list1.Item(i);
        if (IsPlaceholder(item)) continue;
        ShownRow row;
        row.item = i;
        row.name = item.caption;
        row.kind = item.SubItem(scan::kColKind);
        row.location = item.SubItem(scan::kColLocation);
        row.size = Trimmed(item.SubItem(scan::kColSize));
        row.status = item.SubItem(scan::kColStatus);
        row.checked = item.checked;
        const long result = scan::RowOfItem(page, i);
        if (result >= 0) row.bytes = page.results.Rows()[static_cast<size_t>(result)].DecimalSize();
        rows.push_back(std::move(row));
    }
    return rows;
}

void Print(std::ostream& out, const std::vector<ShownRow>& rows, bool json) {
    if (json) {
        for (const ShownRow& row : rows) {
            nlohmann::json object = {{"name", row.name},         {"kind", row.kind},
                                     {"location", row.location}, {"size", row.size},
                                     {"bytes", nullptr},         {"status", row.status},
                                     {"checked", row.checked}};
            if (row.bytes) object["bytes"] = *row.bytes;
            const auto host = platform::ToHostPath(row.location + row.name);
            object["host"] = host ? nlohmann::json(*host) : nlohmann::json(nullptr);
            WriteJsonLine(out, object);
        }
        return;
    }
    std::vector<std::vector<std::string>> cells;
    for (const ShownRow& row : rows)
        cells.push_back({row.name, row.kind, row.location, row.size, row.status});
    WriteTable(out,
               {{"Object"}, {"Kind"}, {"Location"}, {"Size", true}, {"Status"}},
               cells);
}

}  // namespace

int RunScan(Session& session, const Options& options, std::ostream& out) {
    session.LoadDatabase();
    Scan(session, options);
    const std::vector<ShownRow> rows = ShownRows(session.scanPage);
    Print(out, rows, options.json);
    out.flush();
    if (Interrupted()) return kExitInterrupted;
    return rows.empty() ? 0 : 1;
}

namespace {

// Without --kind and --severity, clean acts on the rows whose objects are clutter or a
// threat: junk and infected rows. The oversized folders and files (a user's videos, say) are
// cleaned only when a filter asks for them: no copy of them is kept.
bool CleanedByDefault(const ShownRow& row) {
    return row.status == "Junk" || row.status == "Infected";
}

// Messages are held while the scan runs and written once the command knows what it would
// clean, whatever way it ends.
class HeldMessages {
  public:
    explicit HeldMessages(CliPort& port) : port_(port) { port_.HoldMessages(); }
    ~HeldMessages() { Release(); }
    void Release(const std::function<std::string(std::string)>& rewrite = {}) {
        if (released_) return;
        released_ = true;
        port_.ReleaseMessages(rewrite);
    }

  private:
    CliPort& port_;
    bool released_ = false;
};

}  // namespace

int RunClean(Session& session, const Options& options, std::ostream& out) {
    session.LoadDatabase();
    // Infected objects are copied into the quarantine: its index must be the one on disk,
    // or the first new entry would replace the earlier ones.
    session.quarantine.LoadAtStartup();
    HeldMessages messages(session.ui);
    Scan(session, options);
    if (Interrupted()) return kExitInterrupted;

    scan::ScanPage& page = session.scanPage;
    std::vector<ShownRow> targets;
    long long total = 0;
    for (ShownRow& row : ShownRows(page)) {
        if (!row.checked) continue;
        if (!options.filterGiven && !CleanedByDefault(row)) {
            // Left alone by the clean-up below, which acts on the checked items.
            page.list1.SetChecked(row.item, false);
            continue;
        }
        if (page.excluded.IsExcluded(row.location + row.name, row.kind)) continue;
        if (row.bytes) total += *row.bytes;
        targets.push_back(std::move(row));
    }
    // The scan's summary speaks of the whole list; here it speaks of what this command cleans.
    const std::string whole = "free up to " + page.freedSpace.Get() + " of space";
    const std::string cleaned =
        "free up to " + foundation::FormatSize(static_cast<long double>(total), true) + " of space";
    messages.Release([&](std::string text) {
        const size_t at = text.find(whole);
        if (at != std::string::npos) text.replace(at, whole.size(), cleaned);
        return text;
    });

    if (!options.yes) {
        Print(out, targets, options.json);
        const std::string summary =
            "Total: " + Trimmed(foundation::FormatSize(static_cast<long double>(total), true)) +
            " in " + std::to_string(targets.size()) + " object(s). Nothing was deleted; add --yes to delete them.";
        if (options.json)
            session.ui.Tell(summary, foundation::kAppTitle, foundation::MessageIcon::Information);
        else
            out << summary << '\n';
        out.flush();
        return targets.empty() ? 0 : 1;
    }

    session.ui.answer = true;  // "Do you wish to delete selected objects?"
    session.ui.describeProgress = [](const foundation::ProgramContext& context) {
        return context.status.Text();
    };
    quarantine::Button3Click(page, session.quarantine);
    session.ui.ClearProgress();
    session.ui.describeProgress = nullptr;

    // The list still has the layout it had before the clean-up: nothing filtered it meanwhile.
    bool allDeleted = true;
    std::vector<ShownRow> outcomes;
    for (const ShownRow& target : targets) {
        ShownRow row = target;
        row.status = page.list1.Item(target.item).SubItem(scan::kColStatus);
        allDeleted = allDeleted && row.status == "Ok";
        outcomes.push_back(std::move(row));
    }
    Print(out, outcomes, options.json);
    out.flush();
    if (Interrupted()) return kExitInterrupted;
    return allDeleted ? 0 : 1;
}

}  // namespace scourwell::cli

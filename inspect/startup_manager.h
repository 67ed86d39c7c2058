#pragma once

// The Startup Manager page: every string value under the autorun keys that "RegBase.rgk" names
// becomes one start-up value row; the rows are listed in ListView2 ("Objects", "Creation date")
// with the date on which the program first saw a value for each file name, kept in "regk.dat"
// in the data folder. Item i of ListView2 always shows row i of the list.
//
// A row's text (and a "regk.dat" line without its date) is
//   FileName=;Folder;RootIndex;KeyPath;ValueName;str;Data;
// and a "regk.dat" line adds the first-seen date and ";" (empty on the first run).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "foundation/list_model.h"
#include "foundation/program_context.h"
#include "inspect/first_seen_list.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "quarantine/quarantine_store.h"

namespace scourwell::inspect {

inline constexpr std::string_view kStartupFirstSeenFile = "regk.dat";

struct StartupValueRow {
    std::string fileName;  // of the program path
    std::string folder;    // of the program path, with its trailing backslash (may be empty)
    long long rootIndex = 0;
    std::string keyPath;
    std::string valueName;
    std::string data;  // as read, unexpanded
    platform::ValueType type = platform::ValueType::String;  // a string or an expandable one
    // What the refresh found at the program path: the file the actions act on (none when it
    // found no file), and the last-write time of whatever stood there.
    std::optional<platform::FileIdentity> program;
    std::optional<int64_t> programWritten;

    std::string ProgramPath() const { return folder + fileName; }
    std::string Text() const;
};

// Whether a registry value is still as a listing saw it: present under that very name (spelled
// as stored), of that type, with that data. A value changed since starts another program, and
// is not the object the user marked.
bool RegistryValueAsListed(long long rootIndex, std::string_view keyPath,
                           std::string_view valueName, platform::ValueType type,
                           std::string_view data);
bool RegistryValueAsListed(const StartupValueRow& row);

class StartupManager {
  public:
    StartupManager(foundation::ProgramContext& context, quarantine::QuarantineStore& store);
    StartupManager(const StartupManager&) = delete;
    StartupManager& operator=(const StartupManager&) = delete;

    foundation::ProgramContext& context;
    quarantine::QuarantineStore& store;
    // Sorted by row text (case ignored), without duplicates. Other pages rebuild it through
    // RefreshStartupLists; the rows of listView2 keep their own copy (ListedRows).
    std::vector<StartupValueRow> startupValues;
    FirstSeenList firstSeen;
    foundation::ListModel listView2{{"Objects", "Creation date"}, true};

    // Rebuilds the start-up value list and the first-seen record and saves "regk.dat". Without
    // "RegBase.rgk" the list is empty and nothing is saved; a malformed one keeps the rows
    // found before the fault and saves nothing. Throws foundation::IoError when "regk.dat"
    // exists but cannot be read. Window messages run now and then; the lists change only at
    // the end.
    void RefreshStartupLists();
    std::string FirstSeenDate(std::string_view fileName) const;

    // "Refresh".
    void Button4Click();
    // "Delete value(s)": deletes the marked rows' values without a backup, then refreshes. A
    // value changed since the list was built is left alone.
    void Button6Click();
    // "Add to quarantine": quarantines and deletes the marked rows' programs and values. A
    // program is the file the refresh listed; one replaced since is left alone, and so is a
    // value changed since.
    void Button18Click();

    // The rows listView2 shows, item i showing row i: the start-up values as the page's own
    // refresh (Button4Click) found them, replaced together with the items.
    const std::vector<StartupValueRow>& ListedRows() const { return listedRows_; }

  private:
    // The listed rows of the marked items. Throws std::out_of_range when the items are no
    // longer the ones Button4Click put there.
    std::vector<StartupValueRow> MarkedRows() const;
    std::vector<StartupValueRow> listedRows_;
    uint64_t listedLayout_ = 0;  // listView2's layout when listedRows_ was taken
    std::unordered_set<std::string> recent_;  // lower-cased captions drawn highlighted
    bool refreshing_ = false;
};

}  // namespace scourwell::inspect

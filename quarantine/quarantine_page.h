#pragma once

// The "Quarantine" tab: cbx1 chooses the page of Note1 (0 "Quarantine" with cList1 and its
// buttons, 1 "DeletedFile" with dList1), and the buttons drive the quarantine store.

#include <string>
#include <string_view>
#include <vector>

#include "foundation/observable.h"
#include "quarantine/add_dialog.h"
#include "quarantine/quarantine_store.h"

namespace scourwell::quarantine {

inline const std::vector<std::string> kCbx1Items = {"Quarantined", "Deleted threats"};

inline constexpr std::string_view kClearAllQuestion =
    "Do you want to clear all objects from quarantine?";
inline constexpr std::string_view kClearAllDone = "Quarantine objects deleted!";
inline constexpr std::string_view kRestoreQuestion =
    "Do you want to restore selected objects from quarantine?";
inline constexpr std::string_view kRestoreDone = "Object(s) restored!";

class QuarantinePage {
  public:
    QuarantinePage(QuarantineStore& store, AddDialog& addDialog);
    QuarantinePage(const QuarantinePage&) = delete;
    QuarantinePage& operator=(const QuarantinePage&) = delete;

    QuarantineStore& store;
    AddDialog& addDialog;

    foundation::Observable<int> cbx1{0};   // selected item of cbx1
    foundation::Observable<int> note1{0};  // page index of Note1; a change runs Note1PageChanged
    foundation::Observable<bool> clearAllEnabled{false};   // Button15 "Clear All"
    foundation::Observable<bool> restoreEnabled{false};    // Button16 "Restore"
    foundation::Observable<bool> addFolderEnabled{false};  // Button13 "Add Folder" (layout: off)

    // The user picks an item of cbx1: sets it and runs cbx1Change.
    void SelectCbx1(int itemIndex);
    void cbx1Change();
    void Note1PageChanged();

    void Button15Click();  // "Clear All"
    void Button16Click();  // "Restore"
    void Button17Click();  // "Refresh"
    void Button19Click();  // "Clear List"
    void Button14Click();  // "Add File"
    void Button13Click();  // "Add Folder"
};

}  // namespace scourwell::quarantine

#pragma once

// The Add dialog (TForm3, caption "Add"): quarantines and deletes one file or one folder tree.
// The window owns the pickers ("..."): it puts the chosen path into Edit1 through SetEdit1.

#include <string>
#include <string_view>

#include "foundation/exclusion_set.h"
#include "foundation/observable.h"
#include "foundation/program_context.h"
#include "quarantine/quarantine_store.h"

namespace scourwell::quarantine {

enum class AddMode { File, Folder };

inline constexpr std::string_view kAddQuestion =
    "Do you want to add selected objects to quarantine?";
inline constexpr std::string_view kAddResultHead = "Objects processed!\r\rInfo:\r";
inline constexpr std::string_view kAddFileDone = "Quarantined and deleted successfully: ";
inline constexpr std::string_view kAddFileFailed = "Failed to delete file: ";
inline constexpr std::string_view kAddFolderDone = "Folder quarantined and deleted successfully: ";
inline constexpr std::string_view kAddFolderFailed = "Failed to delete folder: ";
// File-open dialog od1.
inline constexpr std::string_view kPickerTitle = "Select file";
inline constexpr std::string_view kPickerDefaultExt = "*.*";
inline constexpr std::string_view kPickerFilter = "All files|*.*";
// The folder chooser starts here.
inline constexpr std::string_view kFolderPickerStart = "C:";

class AddDialog {
  public:
    AddDialog(foundation::ProgramContext& context, QuarantineStore& store,
              const foundation::ExclusionSet& excluded);
    AddDialog(const AddDialog&) = delete;
    AddDialog& operator=(const AddDialog&) = delete;

    foundation::Observable<AddMode> mode{AddMode::File};
    foundation::Observable<std::string> edit1;      // Edit1
    foundation::Observable<bool> okEnabled{false};  // Button2 "Ok"
    foundation::Observable<bool> visible{false};    // shown without blocking the main window

    // Sets the mode and shows the dialog; Edit1 and the mode survive between openings.
    void Show(AddMode newMode);
    void Close() { visible.Set(false); }

    // Typing or a picker's result: sets Edit1 and runs Edit1Change.
    void SetEdit1(std::string text);
    // Disables "Ok", then enables it when Edit1 names an existing file (file mode) or folder
    // (folder mode).
    void Edit1Change();
    // "Ok": asks, quarantines and deletes, reports, closes. On No nothing happens.
    void xpButton2Click();

  private:
    foundation::ProgramContext& context_;
    QuarantineStore& store_;
    const foundation::ExclusionSet& excluded_;
};

}  // namespace scourwell::quarantine

#include "quarantine/add_dialog.h"

#include "foundation/file_helpers.h"
#include "foundation/text.h"
#include "platform/files.h"
#include "quarantine/clean_up.h"

namespace scourwell::quarantine {

AddDialog::AddDialog(foundation::ProgramContext& context, QuarantineStore& store,
                     const foundation::ExclusionSet& excluded)
    : context_(context), store_(store), excluded_(excluded) {}

void AddDialog::Show(AddMode newMode) {
    mode.Set(newMode);
    Edit1Change();  // the text may name a file in one mode and nothing in the other
    visible.Set(true);
}

void AddDialog::SetEdit1(std::string text) {
    edit1.Set(std::move(text));
    Edit1Change();
}

void AddDialog::Edit1Change() {
    okEnabled.Set(false);
    const std::string& path = edit1.Get();
    if (path.empty()) return;
    if (mode.Get() == AddMode::File) {
        okEnabled.Set(platform::FileExists(path));
    } else {
        okEnabled.Set(platform::DirectoryExists(path));
    }
}

void AddDialog::xpButton2Click() {
    if (!context_.ui.AskYesNo(kAddQuestion)) return;
    const std::string path = edit1.Get();
    // What the user typed is looked up once; the copy and the deletion then act on that object.
    const auto object = platform::IdentifyObject(
        mode.Get() == AddMode::File ? std::string_view(path)
                                    : std::string_view(foundation::WithoutTrailingBackslash(path)));
    std::string info;
    if (mode.Get() == AddMode::File) {
        // Without a quarantine copy the file is left alone and nothing is reported.
        if (object && store_.QuarantineFile(object->path, *object)) {
            info = foundation::ForceDeleteFile(context_, *object) ? std::string(kAddFileDone) + path
                                                                  : std::string(kAddFileFailed) + path;
        }
    } else {
        bool removed = false;
        if (object) {
            FolderCopyReport report;
            store_.QuarantineFolder(path, *object, "", "*.*", &report);
            // Files whose copy failed stay, so the folder is then reported as not deleted.
            removed = DeleteFolderTree(context_, excluded_, path, *object, "*.*",
                                       [&report](const platform::FileIdentity& file) {
                                           return report.WasCopied(file);
                                       });
        }
        info = removed ? std::string(kAddFolderDone) + path : std::string(kAddFolderFailed) + path;
    }
    context_.ui.Tell(std::string(kAddResultHead) + info, foundation::kAppTitle,
                     foundation::MessageIcon::Information);
    Close();
}

}  // namespace scourwell::quarantine

#include "quarantine/quarantine_page.h"

namespace scourwell::quarantine {

QuarantinePage::QuarantinePage(QuarantineStore& quarantineStore, AddDialog& dialog)
    : store(quarantineStore), addDialog(dialog) {
    // Note1 reports a page change only when the index really changes.
    note1.Watch([this](const int&) { Note1PageChanged(); });
}

void QuarantinePage::SelectCbx1(int itemIndex) {
    cbx1.Set(itemIndex);
    cbx1Change();
}

void QuarantinePage::cbx1Change() {
    note1.Set(cbx1.Get());
}

void QuarantinePage::Note1PageChanged() {
    store.ReloadDeletedView();
    const bool any = !store.cList1.Empty();
    restoreEnabled.Set(any);
    clearAllEnabled.Set(any);
}

void QuarantinePage::Button15Click() {
    if (!store.context.ui.AskYesNo(kClearAllQuestion)) return;
    if (store.ClearQuarantine()) {
        store.context.ui.Tell(kClearAllDone, foundation::kAppTitle,
                              foundation::MessageIcon::Information);
    }
}

void QuarantinePage::Button16Click() {
    if (!store.context.ui.AskYesNo(kRestoreQuestion)) return;
    if (store.RestoreQuarantined()) {
        store.context.ui.Tell(kRestoreDone, foundation::kAppTitle,
                              foundation::MessageIcon::Information);
    }
}

void QuarantinePage::Button17Click() {
    store.RefreshQuarantineView();
}

void QuarantinePage::Button19Click() {
    store.ClearDeletedList();
}

void QuarantinePage::Button14Click() {
    addDialog.Show(AddMode::File);
}

void QuarantinePage::Button13Click() {
    addDialog.Show(AddMode::Folder);
}

}  // namespace scourwell::quarantine

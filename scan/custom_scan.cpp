#include "scan/custom_scan.h"

#include "foundation/format_size.h"
#include "foundation/ui_port.h"
#include "scan/folder_scan.h"
#include "scan/scan_messages.h"

namespace scourwell::scan {

DriveLevel GradeFolderSize(long double size, const FullnessLevels& levels) {
    return GradeUsedSpace(size, levels);
}

CustomScanDialog::CustomScanDialog(foundation::ProgramContext& context)
    : List1({"Drive", "Free Space", "Total Space", "Status"}, true),
      List2({"Folder", "Size", "Status"}, true),
      context_(context) {
    List1.SetColourRule([](const foundation::ListItem& item) { return DriveListColour(item, 2); });
    List2.SetColourRule([](const foundation::ListItem& item) { return DriveListColour(item, 1); });
    rb1.Watch([this](const bool& chosen) { rb2.Set(!chosen); });
    rb2.Watch([this](const bool& chosen) { rb1.Set(!chosen); });
}

void CustomScanDialog::FormShow() {
    if (visible.Get()) {
        if (bringToFront) bringToFront();
        return;
    }
    visible.Set(true);
    Button5Click();
}

void CustomScanDialog::Button5Click() {
    List1.Clear();
    for (const std::string& root : SplitDriveList(ListDrives(-1, kFixedDrive))) {
        int64_t freeBytes = -1;
        int64_t totalBytes = -1;
        GetDriveSpace(root[0], freeBytes, totalBytes);
        const DriveLevel level = GradeUsedSpace(totalBytes - freeBytes, ComputeLevels(totalBytes));
        foundation::ListItem item;
        item.caption = root;
        item.subItems = {foundation::FormatSize(freeBytes, true),
                         foundation::FormatSize(totalBytes, true), DriveLevelName(level)};
        item.checked = level != DriveLevel::Ok;
        List1.Add(std::move(item));
    }
}

void CustomScanDialog::AddFolder(std::string_view path) {
    if (path.empty()) return;
    int64_t freeBytes = -1;
    int64_t totalBytes = -1;
    GetDriveSpace(path[0], freeBytes, totalBytes);
    const int64_t size = FolderSize(context_, path, "*.*", kAllAttributeKinds, true, pacing);
    const DriveLevel level =
        GradeFolderSize(static_cast<long double>(size), ComputeLevels(totalBytes));
    foundation::ListItem item;
    item.caption = std::string(path);
    item.subItems = {foundation::FormatSize(size, true), DriveLevelName(level)};
    item.checked = level != DriveLevel::Ok;
    List2.Add(std::move(item));
}

void CustomScanDialog::Button2Click() {
    // A running folder scan goes through List2 by position.
    if (RefuseScanWhileBusy(context_)) return;
    for (size_t i = List2.Count(); i-- > 0;)
        if (List2.Item(i).selected) List2.Remove(i);
}

void CustomScanDialog::Button3Click() {
    visible.Set(false);
    if (RefuseScanWhileBusy(context_)) return;
    if (!context_.ui.AskYesNo(kCustomScanQuestion)) return;
    if (startScan) startScan(rb1.Get() ? 1 : 2);
}

void CustomScanDialog::Button4Click() {
    visible.Set(false);
}

}  // namespace scourwell::scan

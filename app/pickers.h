#pragma once

// The file and folder pickers of the dialogs. They work on host paths and hand back Windows
// paths of the machine view; a host path outside every drive of the view is refused with a
// message. Tests answer the pickers through a hook instead of showing them.

#include <QString>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace scourwell::app {

struct PickerRequest {
    bool folder = false;  // a folder chooser (otherwise a file-open dialog)
    QString title;
    QString startHostDir;
    QString filter;  // file-open dialog only, Qt notation ("All files (*)")
};

// When set, pickers are not shown: the hook returns the chosen host path (empty: cancelled).
using PickerHook = std::function<QString(const PickerRequest&)>;
void SetPickerHook(PickerHook hook);

// Host folder of a Windows path of the view, or the empty text.
QString HostFolderOf(const std::string& windowsPath);

// Runs a picker; the chosen entry as a Windows path of the view. Nothing when the user
// cancelled, or when the choice lies outside the view (the user is told so).
std::optional<std::string> PickPath(QWidget* parent, const PickerRequest& request);

// Message shown when the chosen host path belongs to no drive of the view.
QString OutsideViewMessage(const QString& hostPath);

}  // namespace scourwell::app

#include "app/pickers.h"

#include <QFileDialog>
#include <QFileInfo>

#include "app/qt_ui_port.h"
#include "platform/files.h"

namespace scourwell::app {
namespace {

PickerHook& Hook() {
    static PickerHook hook;
    return hook;
}

}  // namespace

void SetPickerHook(PickerHook hook) {
    Hook() = std::move(hook);
}

QString HostFolderOf(const std::string& windowsPath) {
    if (windowsPath.empty()) return {};
    const auto host = platform::ToHostPath(windowsPath);
    if (!host) return {};
    const QString path = QString::fromStdString(*host);
    const QFileInfo info(path);
    if (info.isDir()) return path;
    if (info.exists()) return info.absolutePath();
    return {};
}

QString OutsideViewMessage(const QString& hostPath) {
    return QStringLiteral("\"%1\" is not on a drive of this machine.").arg(hostPath);
}

std::optional<std::string> PickPath(QWidget* parent, const PickerRequest& request) {
    QString chosen;
    if (Hook()) {
        chosen = Hook()(request);
    } else if (request.folder) {
        chosen = QFileDialog::getExistingDirectory(parent, request.title, request.startHostDir);
    } else {
        chosen = QFileDialog::getOpenFileName(parent, request.title, request.startHostDir,
                                              request.filter);
    }
    if (chosen.isEmpty()) return std::nullopt;
    const auto windowsPath =
        platform::ToWindowsPath(QFileInfo(chosen).absoluteFilePath().toStdString());
    if (!windowsPath) {
        const std::string text = OutsideViewMessage(chosen).toStdString();
        ShowMessageBox(parent, text, foundation::kAppTitle, foundation::MessageIcon::Warning,
                       false);
        return std::nullopt;
    }
    return windowsPath;
}

}  // namespace scourwell::app

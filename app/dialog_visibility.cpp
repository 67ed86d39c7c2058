#include "app/dialog_visibility.h"

#include <QShortcut>

namespace scourwell::app {

void FollowModelVisibility(QWidget* dialog, QWidget* owner, foundation::Observable<bool>& visible) {
    // Escape closes the dialog as its title bar's close button does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), dialog);
    QObject::connect(escape, &QShortcut::activated, dialog, [dialog] { dialog->close(); });
    visible.Watch([dialog, owner](const bool& on) {
        if (!on) {
            dialog->hide();
            return;
        }
        if (!dialog->isVisible() && owner) {
            dialog->adjustSize();
            dialog->move(owner->geometry().center() - dialog->rect().center());
        }
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    });
}

}  // namespace scourwell::app

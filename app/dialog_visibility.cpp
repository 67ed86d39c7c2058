#include "app/dialog_visibility.h"

namespace scourwell::app {

void FollowModelVisibility(QWidget* dialog, QWidget* owner, foundation::Observable<bool>& visible) {
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

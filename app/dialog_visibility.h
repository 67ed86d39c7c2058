#pragma once

// The dialogs are non-modal windows whose visibility belongs to their core model: the model
// shows and hides them, and a dialog opening for the first time (or again after hiding) is
// centred on its owner. Escape closes a dialog like its title bar's close button.

#include <QWidget>

#include "foundation/observable.h"

namespace scourwell::app {

void FollowModelVisibility(QWidget* dialog, QWidget* owner, foundation::Observable<bool>& visible);

}  // namespace scourwell::app

#pragma once

// The update row of the Welcome page: "Check for updates" (Button22) and the progress panel
// Panel10 ("Updating..." and the progress bar up1), shown from the update check's state.

class QLabel;
class QWidget;

namespace scourwell::update {
class UpdateCheck;
}

namespace scourwell::app {

// Builds the row and binds it, and Label6, to `check`. A started installer ends the program
// through the event loop with exit code 1.
QWidget* BuildUpdateBox(update::UpdateCheck& check, QLabel* label6);

}  // namespace scourwell::app

#pragma once

// The Custom Scan dialog TForm2: a non-modal, fixed-size window over scan::CustomScanDialog.
// Closing it only hides it, so the radio buttons, ticks and folder list stay for the next
// showing.

#include <QWidget>

namespace scourwell::scan {
class CustomScanDialog;
}

namespace scourwell::app {

class CustomScanWindow : public QWidget {
    Q_OBJECT
  public:
    explicit CustomScanWindow(scan::CustomScanDialog& model, QWidget* mainWindow = nullptr);

    // "Add": the folder picker, starting at the desktop; the chosen folder goes to the model.
    void Button1Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    scan::CustomScanDialog& model_;
    QWidget* mainWindow_;
};

}  // namespace scourwell::app

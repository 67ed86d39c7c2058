#pragma once

// The Add dialog TForm3: a fixed-size, non-modal window over quarantine::AddDialog, centred on
// the main window when it opens. Edit1 and the mode survive between openings.

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace scourwell::quarantine {
class AddDialog;
}

namespace scourwell::app {

class AddWindow : public QWidget {
    Q_OBJECT
  public:
    explicit AddWindow(quarantine::AddDialog& model, QWidget* mainWindow = nullptr);

    // "...": the file-open dialog (file mode) or the folder chooser (folder mode).
    void xpButton1Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    quarantine::AddDialog& model_;
    QWidget* mainWindow_;
    QLineEdit* edit1_ = nullptr;
};

}  // namespace scourwell::app

#pragma once

// The main window TForm1: the page control pc1 with its seven pages, the status log Memo1 and
// the status line Panel4. The window lays out the pages, shows the core models through the
// list adapter and observables, and runs the start-up steps when it is created.

#include <QMainWindow>
#include <QPixmap>
#include <array>

#include "scan/drive_status.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QTimer;

namespace scourwell::app {

struct Program;
class CustomScanWindow;
class AddWindow;
class DriveBarsRow;

// The window's size limit: a resize under 950 pixels wide or 816 high is refused, each
// dimension on its own.
inline constexpr int kMinimumWidth = 950;
inline constexpr int kMinimumHeight = 816;
bool FormCanResize(int width, int height);

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(Program& program, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The secondary windows, created after the main window.
    void SetCustomScanWindow(CustomScanWindow* window) { customScanWindow_ = window; }
    void SetAddWindow(AddWindow* window) { addWindow_ = window; }

    QTabWidget* pc1() const { return pc1_; }
    // Timer2: one tick, one second after creation, runs the start-up refreshes.
    bool Timer2Enabled() const;
    void Timer2Timer();
    // How many times the start-up refreshes ran (0 or 1).
    int StartupRefreshCount() const { return startupRefreshes_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* BuildWelcomePage();
    QWidget* BuildScanPage();
    QWidget* BuildQuarantinePage();
    void BindStatusLogAndLine();
    void FormCreate();
    void ShowStatusPicture(scan::StatusPicture picture);
    void Button2Click();  // "Custom Scan"

    Program& program_;
    QTabWidget* pc1_ = nullptr;
    QPlainTextEdit* memo1_ = nullptr;
    QLabel* panel4_ = nullptr;
    QLabel* label6_ = nullptr;
    QLabel* infpultImg_ = nullptr;
    QLabel* infoptext_ = nullptr;
    QComboBox* cb1_ = nullptr;
    QComboBox* cb2_ = nullptr;
    QComboBox* cbx1_ = nullptr;
    QStackedWidget* note1_ = nullptr;
    DriveBarsRow* driveBars_ = nullptr;
    QTimer* timer2_ = nullptr;
    QTimer* closeWhenIdle_ = nullptr;  // a close waits for a running scan or clean-up
    QTimer* statusSync_ = nullptr;
    CustomScanWindow* customScanWindow_ = nullptr;
    AddWindow* addWindow_ = nullptr;
    // img_error, img_warning, img_info, img_search, img_ok, img_person, img_err
    std::array<QPixmap, 7> statusPictures_;
    int startupRefreshes_ = 0;
};

}  // namespace scourwell::app

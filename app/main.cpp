// Program start: the application, the machine view, the program-wide objects, the main window
// and the two secondary windows, then the message loop.

#include <QApplication>
#include <exception>
#include <memory>

#include "app/add_window.h"
#include "app/custom_scan_window.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/qt_ui_port.h"
#include "platform/machine.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Scourwell"));

    try {
        scourwell::platform::UseMachineFromEnvironment();
    } catch (const std::exception& error) {
        scourwell::app::ShowMessageBox(nullptr, error.what(), scourwell::foundation::kAppTitle,
                                       scourwell::foundation::MessageIcon::Error, false);
        return 2;
    }

    // The program-wide objects outlive every window.
    auto program = std::make_unique<scourwell::app::Program>();
    int result = 0;
    {
        scourwell::app::MainWindow mainWindow(*program);
        scourwell::app::CustomScanWindow customScan(program->customScan, &mainWindow);
        scourwell::app::AddWindow add(program->addDialog, &mainWindow);
        mainWindow.SetCustomScanWindow(&customScan);
        mainWindow.SetAddWindow(&add);
        mainWindow.show();
        result = QApplication::exec();
    }
    return result;
}

// Program start: the application, the machine view, the program-wide objects, the main window
// and the two secondary windows, then the message loop.
//
// SCOURWELL_QUIT_AFTER_MS=N (a smoke test of an installation, never set by the program) ends
// the message loop N milliseconds after the window was shown; message boxes then go to
// standard error unanswered (as "No"), so no box can hold the run open.

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/add_window.h"
#include "app/custom_scan_window.h"
#include "app/jpeg_image.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/qt_ui_port.h"
#include "platform/machine.h"

namespace {

std::optional<int> QuitAfterMilliseconds() {
    const char* value = std::getenv("SCOURWELL_QUIT_AFTER_MS");
    if (value == nullptr || *value == '\0') return std::nullopt;
    char* end = nullptr;
    const long milliseconds = std::strtol(value, &end, 10);
    if (*end != '\0' || milliseconds < 0 || milliseconds > 3'600'000) return std::nullopt;
    return static_cast<int>(milliseconds);
}

void SendBoxesToStandardError() {
    scourwell::app::SetMessageBoxHook([](const scourwell::app::MessageBoxRequest& box) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(box.caption),
                     qPrintable(QString(box.text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
        return false;
    });
    scourwell::app::SetOpenDocumentHook([](const std::string& path) {
        std::fprintf(stderr, "open: %s\n", path.c_str());
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before the application exists: it needs no display.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--version") {
            std::printf("scourwell %s\n", SCOURWELL_VERSION);
            return 0;
        }
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Scourwell"));
    // The installed theme icon; the logo itself when the program runs from its build folder.
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral("scourwell"),
        QIcon(QPixmap::fromImage(scourwell::app::LoadAsset(QStringLiteral("product_logo.jpg"))))));
    const std::optional<int> quitAfter = QuitAfterMilliseconds();
    if (quitAfter) SendBoxesToStandardError();

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
        if (quitAfter) QTimer::singleShot(*quitAfter, &application, &QApplication::quit);
        result = QApplication::exec();
    }
    return result;
}

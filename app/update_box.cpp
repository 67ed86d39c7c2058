#include "app/update_box.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <climits>

#include "app/list_view_adapter.h"
#include "app/qt_ui_port.h"
#include "update/update_check.h"

namespace scourwell::app {
namespace {

constexpr uint32_t kPanel10Colour = 14604491;  // the product panel's blue-grey

// The bar counts in int; a download beyond that is shown in proportion.
void ShowProgress(QProgressBar* bar, int64_t max, int64_t position) {
    int64_t scale = 1;
    while (max / scale > INT_MAX) scale *= 2;
    bar->setMaximum(static_cast<int>(std::max<int64_t>(0, max / scale)));
    bar->setValue(static_cast<int>(std::clamp<int64_t>(position / scale, 0, bar->maximum())));
}

}  // namespace

QWidget* BuildUpdateBox(update::UpdateCheck& check, QLabel* label6) {
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* button22 = new QPushButton(QStringLiteral("Check for updates"));
    button22->setObjectName(QStringLiteral("Button22"));
    button22->setMinimumWidth(96);
    layout->addWidget(button22);

    auto* panel10 = new QFrame;
    panel10->setObjectName(QStringLiteral("Panel10"));
    QPalette palette = panel10->palette();
    palette.setColor(QPalette::Window, WindowsColour(kPanel10Colour));
    panel10->setPalette(palette);
    panel10->setAutoFillBackground(true);
    auto* panel10Layout = new QHBoxLayout(panel10);
    panel10Layout->setContentsMargins(6, 2, 6, 2);
    panel10Layout->addWidget(new QLabel(QStringLiteral("Updating...")));
    auto* up1 = new QProgressBar;
    up1->setObjectName(QStringLiteral("up1"));
    up1->setTextVisible(false);
    up1->setMinimum(0);
    panel10Layout->addWidget(up1, 1);
    layout->addWidget(panel10, 1);

    // The check outlives the window: its watchers hold guarded pointers.
    const QPointer<QFrame> panel(panel10);
    const QPointer<QPushButton> button(button22);
    const QPointer<QProgressBar> bar(up1);
    const QPointer<QLabel> version(label6);
    panel10->setVisible(check.panel10Visible.Get());
    check.panel10Visible.Watch([panel](const bool& visible) {
        if (panel) panel->setVisible(visible);
    });
    button22->setEnabled(check.button22Enabled.Get());
    check.button22Enabled.Watch([button](const bool& enabled) {
        if (button) button->setEnabled(enabled);
    });
    const auto progress = [bar, &check](const int64_t&) {
        if (bar) ShowProgress(bar, check.up1Max.Get(), check.up1Position.Get());
    };
    progress(0);
    check.up1Max.Watch(progress);
    check.up1Position.Watch(progress);
    check.label6.Watch([version](const std::string& line) {
        if (version) version->setText(QString::fromStdString(line));
    });
    check.exitProgram = [](int code) { QCoreApplication::exit(code); };
    OnClick(button22, [&check] { check.Button22Click(); });
    return box;
}

}  // namespace scourwell::app

#include "app/custom_scan_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/dialog_visibility.h"
#include "app/list_view_adapter.h"
#include "app/pickers.h"
#include "app/qt_ui_port.h"
#include "platform/shell.h"
#include "scan/custom_scan.h"

namespace scourwell::app {
namespace {

QPushButton* Button(const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption));
    button->setObjectName(QString::fromLatin1(name));
    button->setMinimumWidth(90);
    return button;
}

QCheckBox* CheckBox(const char* name, const char* caption, foundation::Observable<bool>& value) {
    auto* box = new QCheckBox(QString::fromUtf8(caption));
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(value.Get());
    QObject::connect(box, &QCheckBox::toggled, box, [&value](bool on) { value.Set(on); });
    value.Watch([box](const bool& on) {
        if (box->isChecked() != on) box->setChecked(on);
    });
    return box;
}

}  // namespace

CustomScanWindow::CustomScanWindow(scan::CustomScanDialog& model, QWidget* mainWindow)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      model_(model),
      mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QString::fromLatin1(scan::CustomScanDialog::kCaption));
    QFont font(QStringLiteral("Segoe UI"));
    font.setPointSize(10);
    setFont(font);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* rb1 = new QRadioButton(QStringLiteral("Drives Scan"));
    rb1->setObjectName(QStringLiteral("rb1"));
    auto* rb2 = new QRadioButton(QStringLiteral("Folders Scan"));
    rb2->setObjectName(QStringLiteral("rb2"));
    rb1->setChecked(model_.rb1.Get());
    rb2->setChecked(model_.rb2.Get());
    connect(rb1, &QRadioButton::toggled, this, [this](bool on) {
        if (on) model_.rb1.Set(true);
    });
    connect(rb2, &QRadioButton::toggled, this, [this](bool on) {
        if (on) model_.rb2.Set(true);
    });
    model_.rb1.Watch([rb1](const bool& on) {
        if (on && !rb1->isChecked()) rb1->setChecked(true);
    });
    model_.rb2.Watch([rb2](const bool& on) {
        if (on && !rb2->isChecked()) rb2->setChecked(true);
    });

    // Drives.
    layout->addWidget(rb1);
    auto* list1 = new ListView(model_.List1, ListViewSetup{false, {90, 120, 120, 90}, {}});
    list1->setObjectName(QStringLiteral("List1"));
    list1->setFixedSize(520, 130);
    layout->addWidget(list1);
    auto* driveButtons = new QHBoxLayout;
    auto* button5 = Button("Button5", "Refresh");
    driveButtons->addWidget(button5);
    driveButtons->addStretch();
    layout->addLayout(driveButtons);

    // Folders.
    layout->addSpacing(6);
    layout->addWidget(rb2);
    auto* list2 = new ListView(model_.List2, ListViewSetup{false, {300, 120, 80}, {}});
    list2->setObjectName(QStringLiteral("List2"));
    list2->setFixedSize(520, 130);
    layout->addWidget(list2);
    auto* folderButtons = new QHBoxLayout;
    auto* button1 = Button("Button1", "Add");
    auto* button2 = Button("Button2", "Delete");
    folderButtons->addWidget(button1);
    folderButtons->addWidget(button2);
    folderButtons->addStretch();
    layout->addLayout(folderButtons);

    // Optional steps.
    auto* options = new QGroupBox;
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->addWidget(CheckBox("c1", "Search for junk data", model_.c1));
    optionsLayout->addWidget(CheckBox("c2", "Search for malware files", model_.c2));
    optionsLayout->addWidget(CheckBox("c3", "System Scan", model_.c3));
    layout->addWidget(options);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    auto* button3 = Button("Button3", "Ok");
    auto* button4 = Button("Button4", "Cancel");
    button3->setDefault(true);
    bottom->addWidget(button3);
    bottom->addWidget(button4);
    layout->addLayout(bottom);

    OnClick(button5, [this] { model_.Button5Click(); });
    OnClick(button1, [this] { Button1Click(); });
    OnClick(button2, [this] { model_.Button2Click(); });
    OnClick(button3, [this] { model_.Button3Click(); });
    OnClick(button4, [this] { model_.Button4Click(); });

    FollowModelVisibility(this, mainWindow_, model_.visible);
    model_.bringToFront = [this] {
        showNormal();
        raise();
        activateWindow();
    };
}

void CustomScanWindow::Button1Click() {
    PickerRequest request;
    request.folder = true;
    request.startHostDir =
        HostFolderOf(platform::SpecialFolderPath(platform::kCsidlDesktopDirectory));
    if (const auto path = PickPath(this, request)) model_.AddFolder(*path);
}

void CustomScanWindow::closeEvent(QCloseEvent* event) {
    // The title bar's close button does what "Cancel" does: the dialog is only hidden.
    if (model_.visible.Get()) model_.Button4Click();
    event->accept();
}

}  // namespace scourwell::app

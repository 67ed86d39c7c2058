#include "app/add_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_visibility.h"
#include "app/pickers.h"
#include "app/qt_ui_port.h"
#include "quarantine/add_dialog.h"

namespace scourwell::app {

AddWindow::AddWindow(quarantine::AddDialog& model, QWidget* mainWindow)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      model_(model),
      mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Add"));
    QFont font(QStringLiteral("Segoe UI"));
    font.setPointSize(10);
    setFont(font);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* row = new QHBoxLayout;
    edit1_ = new QLineEdit(QString::fromStdString(model_.edit1.Get()));
    edit1_->setObjectName(QStringLiteral("Edit1"));
    edit1_->setMinimumWidth(420);
    auto* button1 = new QPushButton(QStringLiteral("..."));
    button1->setObjectName(QStringLiteral("Button1"));
    button1->setFixedWidth(36);
    row->addWidget(edit1_, 1);
    row->addWidget(button1);
    layout->addLayout(row);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    auto* button2 = new QPushButton(QStringLiteral("Ok"));
    button2->setObjectName(QStringLiteral("Button2"));
    button2->setMinimumWidth(90);
    button2->setEnabled(model_.okEnabled.Get());
    bottom->addWidget(button2);
    layout->addLayout(bottom);

    connect(edit1_, &QLineEdit::textEdited, this, [this](const QString& text) {
        RunReportingErrors(this, [this, text] { model_.SetEdit1(text.toStdString()); });
    });
    model_.edit1.Watch([this](const std::string& text) {
        const QString shown = QString::fromStdString(text);
        if (edit1_->text() != shown) edit1_->setText(shown);
    });
    model_.okEnabled.Watch([button2](const bool& on) { button2->setEnabled(on); });
    OnClick(button1, [this] { xpButton1Click(); });
    OnClick(button2, [this] { model_.xpButton2Click(); });

    FollowModelVisibility(this, mainWindow_, model_.visible);
}

void AddWindow::xpButton1Click() {
    PickerRequest request;
    if (model_.mode.Get() == quarantine::AddMode::File) {
        request.title =
            QString::fromLatin1(quarantine::kPickerTitle.data(),
                                static_cast<qsizetype>(quarantine::kPickerTitle.size()));
        request.filter = QStringLiteral("All files (*)");
        request.startHostDir = HostFolderOf(model_.edit1.Get());
    } else {
        request.folder = true;
        request.startHostDir = HostFolderOf(std::string(quarantine::kFolderPickerStart) + "\\");
    }
    if (request.startHostDir.isEmpty()) request.startHostDir = HostFolderOf("C:\\");
    if (const auto path = PickPath(this, request)) model_.SetEdit1(*path);
}

void AddWindow::closeEvent(QCloseEvent* event) {
    if (model_.visible.Get()) model_.Close();
    event->accept();
}

}  // namespace scourwell::app

#include "app/quick_report_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/page_parts.h"
#include "app/qt_ui_port.h"
#include "inspect/quick_report.h"

namespace scourwell::app {

QWidget* BuildQuickReportPage(inspect::QuickReport& report) {
    auto* widget = new QWidget;
    widget->setObjectName(QStringLiteral("TabQuickReport"));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(PageTitle(QStringLiteral("Quick report")));
    auto* memo2 = new QPlainTextEdit;
    memo2->setObjectName(QStringLiteral("Memo2"));
    memo2->setReadOnly(true);
    memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont memoFont(QStringLiteral("Segoe UI"));
    memoFont.setPixelSize(13);
    memo2->setFont(memoFont);
    layout->addWidget(memo2, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    auto* button12 = PageButton("Button12", "Build Report");
    auto* button11 = PageButton("Button11", "Save Report");
    bottom->addWidget(button12);
    bottom->addWidget(button11);
    layout->addLayout(bottom);

    for (const std::string& line : report.Memo2()) memo2->appendPlainText(QString::fromStdString(line));
    report.onMemoCleared = [memo2] { memo2->clear(); };
    report.onMemoLineAdded = [memo2](const std::string& line) {
        memo2->appendPlainText(QString::fromStdString(line));
    };
    // The report outlives the page: it stops writing into the memo when the page goes.
    QObject::connect(memo2, &QObject::destroyed, [&report] {
        report.onMemoCleared = nullptr;
        report.onMemoLineAdded = nullptr;
    });
    button11->setEnabled(report.saveEnabled.Get());
    report.saveEnabled.Watch([button = QPointer<QPushButton>(button11)](const bool& on) {
        if (button) button->setEnabled(on);
    });

    OnClick(button12, [&report] { report.Button12Click(); });
    OnClick(button11, [&report] { report.Button11Click(); });
    return widget;
}

}  // namespace scourwell::app

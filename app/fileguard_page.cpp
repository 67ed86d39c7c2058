#include "app/fileguard_page.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/list_view_adapter.h"
#include "app/page_parts.h"
#include "app/qt_ui_port.h"
#include "inspect/fileguard_report.h"

namespace scourwell::app {

QWidget* BuildFileGuardPage(inspect::FileGuardReport& report) {
    auto* widget = new QWidget;
    widget->setObjectName(QStringLiteral("TabFileGuard"));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(PageTitle(QStringLiteral("Fileguard report")));
    layout->addWidget(
        new QLabel(QStringLiteral("- Fileguard reports suspicous files on your computer, it can "
                                  "help to locate undetected threats.")));
    auto* listfg = new ListView(report.listfg, ListViewSetup{true, {150}, {}});
    listfg->setObjectName(QStringLiteral("listfg"));
    // 150 pixels hold the longest finding in the intended face; a wider substitute face
    // would cut it short.
    const int longest = listfg->fontMetrics().horizontalAdvance(
        QString::fromUtf8(inspect::kStatusRegistryValue));
    listfg->setColumnWidth(0, std::max(150, longest + 40));
    layout->addWidget(listfg, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    auto* button9 = PageButton("Button9", "Refresh");
    auto* button10 = PageButton("Button10", "Add to quarantine");
    bottom->addWidget(button9);
    bottom->addWidget(button10);
    layout->addLayout(bottom);

    OnClick(button9, [&report] { report.Button9Click(); });
    OnClick(button10, [&report] { report.Button10Click(); });
    return widget;
}

}  // namespace scourwell::app

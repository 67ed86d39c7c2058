#include "app/startup_manager_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/list_view_adapter.h"
#include "app/page_parts.h"
#include "app/qt_ui_port.h"
#include "inspect/startup_manager.h"

namespace scourwell::app {

QWidget* BuildStartupManagerPage(inspect::StartupManager& manager) {
    auto* widget = new QWidget;
    widget->setObjectName(QStringLiteral("TabStartupManager"));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(PageTitle(QStringLiteral("Registry startup list")));
    auto* listView2 = new ListView(manager.listView2, ListViewSetup{true, {800, 120}, {}});
    listView2->setObjectName(QStringLiteral("ListView2"));
    layout->addWidget(listView2, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(NewObjectsLegend(" - New object(s) created in last 10 days."), 1);
    auto* button4 = PageButton("Button4", "Refresh");
    auto* button6 = PageButton("Button6", "Delete value(s)");
    auto* button18 = PageButton("Button18", "Add to quarantine");
    for (auto* button : {button4, button6, button18}) bottom->addWidget(button);
    layout->addLayout(bottom);

    OnClick(button4, [&manager] { manager.Button4Click(); });
    OnClick(button6, [&manager] { manager.Button6Click(); });
    OnClick(button18, [&manager] { manager.Button18Click(); });
    return widget;
}

}  // namespace scourwell::app

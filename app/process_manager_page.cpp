#include "app/process_manager_page.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/list_view_adapter.h"
#include "app/page_parts.h"
#include "app/qt_ui_port.h"
#include "inspect/process_manager.h"

namespace scourwell::app {

QWidget* BuildProcessManagerPage(inspect::ProcessManager& manager) {
    auto* widget = new QWidget;
    widget->setObjectName(QStringLiteral("TabProcessManager"));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* listView1 = new ListView(manager.listView1, ListViewSetup{true, {850, 120}, {}});
    listView1->setObjectName(QStringLiteral("ListView1"));
    layout->addWidget(listView1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(NewObjectsLegend(" - New task(s) created in last 10 days."), 1);
    auto* button7 = PageButton("Button7", "Refresh");
    auto* button8 = PageButton("Button8", "End Task");
    auto* button20 = PageButton("Button20", "Add to quarantine");
    for (auto* button : {button7, button8, button20}) bottom->addWidget(button);
    layout->addLayout(bottom);

    OnClick(button7, [&manager] { manager.Button7Click(); });
    OnClick(button8, [&manager] { manager.Button8Click(); });
    OnClick(button20, [&manager] { manager.Button20Click(); });
    return widget;
}

}  // namespace scourwell::app

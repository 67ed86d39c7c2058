#include "app/page_parts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/list_view_adapter.h"
#include "foundation/list_model.h"

namespace scourwell::app {

QPushButton* PageButton(const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption));
    button->setObjectName(QString::fromLatin1(name));
    button->setMinimumWidth(96);
    return button;
}

QLabel* PageTitle(const QString& text) {
    auto* title = new QLabel(text);
    QFont font = title->font();
    font.setBold(true);
    title->setFont(font);
    return title;
}

QWidget* NewObjectsLegend(const char* caption) {
    auto* legend = new QWidget;
    auto* layout = new QHBoxLayout(legend);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* box = new QFrame;
    box->setFixedSize(16, 16);
    box->setFrameShape(QFrame::Box);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Window, WindowsColour(foundation::kColourInfoBackground));
    box->setPalette(palette);
    box->setAutoFillBackground(true);
    layout->addWidget(box);
    layout->addWidget(new QLabel(QString::fromUtf8(caption)));
    layout->addStretch();
    return legend;
}

}  // namespace scourwell::app

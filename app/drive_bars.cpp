#include "app/drive_bars.h"

#include <QFrame>
#include <QLabel>
#include <algorithm>

#include "app/list_view_adapter.h"

namespace scourwell::app {
namespace {

// Panel16 shares the product panel's colour; Panel12 is a lighter blue-grey.
constexpr uint32_t kFrameColour = 14604491;
constexpr uint32_t kInnerColour = 14604460;

void Colour(QWidget* widget, uint32_t windowsColour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, WindowsColour(windowsColour));
    palette.setColor(QPalette::WindowText, QColor(Qt::black));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QString Text(const std::string& text) {
    return QString::fromStdString(text).trimmed();
}

}  // namespace

DriveBarsRow::DriveBarsRow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("driveBars"));
    setFixedHeight(kFrameHeight);
}

QSize DriveBarsRow::sizeHint() const {
    return {static_cast<int>(bars_.size()) * kFrameWidth, kFrameHeight};
}

DriveBarsRow::Bar DriveBarsRow::MakeBar(int position) {
    Bar bar;
    bar.frame = new QFrame(this);
    bar.frame->setObjectName(QStringLiteral("driveBar%1").arg(position + 1));
    bar.frame->setProperty("tag", position + 1);
    bar.frame->setFrameShape(QFrame::NoFrame);
    bar.frame->setGeometry(position * kFrameWidth, 0, kFrameWidth, kFrameHeight);
    Colour(bar.frame, kFrameColour);

    bar.caption = new QLabel(bar.frame);
    bar.caption->setAlignment(Qt::AlignCenter);
    bar.caption->setGeometry(0, 0, kFrameWidth, kCaptionHeight);
    QFont captionFont = bar.caption->font();
    captionFont.setBold(true);
    captionFont.setPointSizeF(captionFont.pointSizeF() * 0.9);
    bar.caption->setFont(captionFont);

    bar.inner = new QFrame(bar.frame);
    bar.inner->setFrameShape(QFrame::Box);
    bar.inner->setFrameShadow(QFrame::Plain);
    bar.inner->setLineWidth(1);
    bar.inner->setGeometry((kFrameWidth - kInnerWidth) / 2, kCaptionHeight + 4, kInnerWidth,
                           kInnerHeight);
    Colour(bar.inner, kInnerColour);

    QFont small = bar.caption->font();
    small.setBold(false);
    small.setPointSizeF(small.pointSizeF() * 0.85);

    bar.total = new QLabel(bar.inner);
    bar.total->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    bar.total->setGeometry(1, 3, kInnerWidth - 2, kInnerHeight - 4);
    bar.total->setFont(small);

    bar.bar = new QLabel(bar.inner);
    bar.bar->setObjectName(QStringLiteral("driveBarFree%1").arg(position + 1));
    bar.bar->setAlignment(Qt::AlignCenter);
    bar.bar->setFrameShape(QFrame::Box);
    bar.bar->setFrameShadow(QFrame::Plain);
    bar.bar->setFont(small);
    bar.frame->show();
    return bar;
}

void DriveBarsRow::Fill(Bar& bar, const scan::DriveBar& data) {
    bar.caption->setText(QString::fromStdString(data.caption));
    bar.total->setText(Text(data.totalText));
    bar.bar->setText(Text(data.freeText));
    bar.bar->setToolTip(QStringLiteral("Free: %1").arg(Text(data.freeText)));
    Colour(bar.bar, data.colour);
    const int height = std::clamp(data.Height(kInnerHeight), 0, kInnerHeight - 2);
    // Rests on the bottom of the inner panel, 1 pixel from its left edge.
    bar.bar->setGeometry(1, kInnerHeight - 1 - height, kInnerWidth - 2, height);
    bar.bar->setVisible(height > 0);
}

void DriveBarsRow::Show(const std::vector<scan::DriveBar>& bars) {
    while (bars_.size() < bars.size()) bars_.push_back(MakeBar(static_cast<int>(bars_.size())));
    for (size_t i = 0; i < bars.size(); ++i) Fill(bars_[i], bars[i]);
    updateGeometry();
}

}  // namespace scourwell::app

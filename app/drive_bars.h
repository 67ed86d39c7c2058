#pragma once

// The row of drive bars on the Welcome page's product panel: one bar per fixed drive, side by
// side from the left, each with its caption, the drive's total size, and a bar whose height
// shows the free space, coloured by how full the drive is.

#include <QWidget>
#include <vector>

#include "scan/drive_status.h"

class QFrame;
class QLabel;

namespace scourwell::app {

class DriveBarsRow : public QWidget {
    Q_OBJECT
  public:
    // Sizes of the template panel (Panel16) and its inner panel (Panel12).
    static constexpr int kFrameWidth = 86;
    static constexpr int kFrameHeight = 132;
    static constexpr int kCaptionHeight = 20;
    static constexpr int kInnerWidth = 76;
    static constexpr int kInnerHeight = 104;

    explicit DriveBarsRow(QWidget* parent = nullptr);

    // Makes missing bars and updates the others; a bar is never removed.
    void Show(const std::vector<scan::DriveBar>& bars);

    QSize sizeHint() const override;
    // Bars past the panel's edge are clipped; they never widen the window.
    QSize minimumSizeHint() const override { return {0, kFrameHeight}; }

  private:
    struct Bar {
        QFrame* frame = nullptr;    // Panel16's copy
        QLabel* caption = nullptr;  // Label4's copy: "Drive C:\"
        QFrame* inner = nullptr;    // Panel12's copy
        QLabel* total = nullptr;    // Label7's copy: total size
        QLabel* bar = nullptr;      // Panel13's copy: free size, height by free space
    };
    Bar MakeBar(int position);
    static void Fill(Bar& bar, const scan::DriveBar& data);

    std::vector<Bar> bars_;
};

}  // namespace scourwell::app

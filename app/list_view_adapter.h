#pragma once

// Every list view of the program is a foundation::ListModel shown through these pieces:
//  - ListModelAdapter, a table model over the core model that follows it through its observer
//    interface (captions, sub-items, check boxes, row colours);
//  - ListRowDelegate, the one delegate that paints the rows and knows where a check box lies;
//  - ListView, a report-style, read-only tree view that turns the user's gestures into the
//    core model's UserToggleCheck / UserSelect / UserDoubleClick and keeps the selection of
//    both sides in step.

#include <QAbstractTableModel>
#include <QColor>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <cstdint>
#include <map>
#include <vector>

#include "foundation/list_model.h"

namespace scourwell::app {

// A Windows colour value (blue-green-red order) as a QColor; kColourInfoBackground gives the
// palette's tooltip background.
QColor WindowsColour(uint32_t value);

class ListModelAdapter : public QAbstractTableModel, private foundation::ListModelObserver {
    Q_OBJECT
  public:
    explicit ListModelAdapter(foundation::ListModel& model, QObject* parent = nullptr);
    ~ListModelAdapter() override;

    foundation::ListModel& Model() const { return model_; }
    // Text alignment of one column (left and vertically centred otherwise).
    void SetColumnAlignment(int column, Qt::Alignment alignment);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    void OnReset() override;
    void OnInserted(size_t index) override;
    void OnChanged(size_t index) override;
    void OnRemoved(size_t index) override;

    foundation::ListModel& model_;
    int rows_ = 0;  // the row count Qt has been told about
    std::map<int, Qt::Alignment> alignment_;
};

class ListRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // Where the check box of `index` is drawn inside `option.rect`; empty when it has none.
    QRect CheckBoxRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;
};

struct ListViewSetup {
    bool multiSelect = false;
    std::vector<int> columnWidths;           // pixels; 0 or missing: sized to the header
    std::map<int, Qt::Alignment> alignment;  // column -> alignment
};

class ListView : public QTreeView {
    Q_OBJECT
  public:
    ListView(foundation::ListModel& model, const ListViewSetup& setup, QWidget* parent = nullptr);

    foundation::ListModel& Model() const { return adapter_->Model(); }
    ListModelAdapter* Adapter() const { return adapter_; }

    // The screen rectangle of a row's check box, for tests that click it.
    QRect CheckBoxRect(int row) const;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool HitsCheckBox(const QModelIndex& index, const QPoint& pos) const;
    void PullSelection(int first, int last);  // core -> view
    void PushSelection(const QItemSelection& selected,
                       const QItemSelection& deselected);  // view -> core

    ListModelAdapter* adapter_;
    ListRowDelegate* delegate_;
    int pressedCheckRow_ = -1;
    bool syncing_ = false;
};

}  // namespace scourwell::app

#include "app/list_view_adapter.h"

#include <QApplication>
#include <QBrush>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QSet>
#include <algorithm>

#include "app/qt_ui_port.h"

namespace scourwell::app {

QColor WindowsColour(uint32_t value) {
    if (value == foundation::kColourInfoBackground)
        return QApplication::palette().color(QPalette::ToolTipBase);
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

// --- ListModelAdapter ----------------------------------------------------------------------

ListModelAdapter::ListModelAdapter(foundation::ListModel& model, QObject* parent)
    : QAbstractTableModel(parent), model_(model), rows_(static_cast<int>(model.Count())) {
    model_.AddObserver(this);
}

ListModelAdapter::~ListModelAdapter() {
    model_.RemoveObserver(this);
}

void ListModelAdapter::SetColumnAlignment(int column, Qt::Alignment alignment) {
    alignment_[column] = alignment;
}

int ListModelAdapter::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int ListModelAdapter::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(model_.Columns().size());
}

QVariant ListModelAdapter::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0) return {};
    const auto row = static_cast<size_t>(index.row());
    // Between a core change and Qt's notification the counts may differ for a moment.
    if (row >= model_.Count()) return {};
    const foundation::ListItem& item = model_.Item(row);
    const int column = index.column();

    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole: {
            const std::string& text =
                column == 0 ? item.caption : item.SubItem(static_cast<size_t>(column - 1));
            return QString::fromStdString(text);
        }
        case Qt::CheckStateRole:
            if (column == 0 && model_.HasCheckBoxes())
                return item.checked ? Qt::Checked : Qt::Unchecked;
            return {};
        case Qt::BackgroundRole: {
            const auto colour = model_.Colour(row);
            if (!colour) return {};
            return QBrush(WindowsColour(*colour));
        }
        case Qt::TextAlignmentRole: {
            const auto it = alignment_.find(column);
            const Qt::Alignment horizontal = it == alignment_.end() ? Qt::AlignLeft : it->second;
            return static_cast<int>(horizontal | Qt::AlignVCenter);
        }
        default:
            return {};
    }
}

QVariant ListModelAdapter::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(model_.Columns().size()))
        return {};
    if (role == Qt::DisplayRole) return QString::fromStdString(model_.Columns()[section]);
    if (role == Qt::TextAlignmentRole) {
        const auto it = alignment_.find(section);
        const Qt::Alignment horizontal = it == alignment_.end() ? Qt::AlignLeft : it->second;
        return static_cast<int>(horizontal | Qt::AlignVCenter);
    }
    return {};
}

Qt::ItemFlags ListModelAdapter::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0 && model_.HasCheckBoxes()) f |= Qt::ItemIsUserCheckable;
    return f;
}

void ListModelAdapter::OnReset() {
    beginResetModel();
    rows_ = static_cast<int>(model_.Count());
    endResetModel();
}

void ListModelAdapter::OnInserted(size_t index) {
    const int row = static_cast<int>(index);
    beginInsertRows({}, row, row);
    ++rows_;
    endInsertRows();
}

void ListModelAdapter::OnChanged(size_t index) {
    const int row = static_cast<int>(index);
    if (row >= rows_) return;
    emit dataChanged(this->index(row, 0), this->index(row, columnCount() - 1));
}

void ListModelAdapter::OnRemoved(size_t index) {
    const int row = static_cast<int>(index);
    if (row >= rows_) return;
    beginRemoveRows({}, row, row);
    --rows_;
    endRemoveRows();
}

// --- ListRowDelegate -----------------------------------------------------------------------

void ListRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // Row colours are light (yellow, light blue, the tooltip colour): keep their text dark
    // whatever the palette, so a dark theme does not write white on yellow.
    if (opt.backgroundBrush.style() != Qt::NoBrush && !(opt.state & QStyle::State_Selected)) {
        const QColor background = opt.backgroundBrush.color();
        if (background.lightness() > 160) opt.palette.setColor(QPalette::Text, QColor(Qt::black));
    }
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
}

QRect ListRowDelegate::CheckBoxRect(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    if (!(opt.features & QStyleOptionViewItem::HasCheckIndicator)) return {};
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    return style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, widget);
}

// --- ListView -------------------------------------------------------------------------------

ListView::ListView(foundation::ListModel& model, const ListViewSetup& setup, QWidget* parent)
    : QTreeView(parent),
      adapter_(new ListModelAdapter(model, this)),
      delegate_(new ListRowDelegate(this)) {
    for (const auto& [column, alignment] : setup.alignment)
        adapter_->SetColumnAlignment(column, alignment);
    setModel(adapter_);
    setItemDelegate(delegate_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(setup.multiSelect ? QAbstractItemView::ExtendedSelection
                                       : QAbstractItemView::SingleSelection);
    header()->setStretchLastSection(true);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (size_t i = 0; i < setup.columnWidths.size(); ++i)
        if (setup.columnWidths[i] > 0) setColumnWidth(static_cast<int>(i), setup.columnWidths[i]);

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ListView::PushSelection);
    connect(adapter_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& top, const QModelIndex& bottom) {
                PullSelection(top.row(), bottom.row());
            });
    connect(adapter_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { PullSelection(first, last); });
    connect(adapter_, &QAbstractItemModel::modelReset, this,
            [this] { PullSelection(0, adapter_->rowCount() - 1); });
    PullSelection(0, adapter_->rowCount() - 1);
}

QRect ListView::CheckBoxRect(int row) const {
    const QModelIndex index = adapter_->index(row, 0);
    if (!index.isValid()) return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return delegate_->CheckBoxRect(option, index);
}

bool ListView::HitsCheckBox(const QModelIndex& index, const QPoint& pos) const {
    if (!index.isValid() || index.column() != 0 || !Model().HasCheckBoxes()) return false;
    return CheckBoxRect(index.row()).contains(pos);
}

void ListView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && HitsCheckBox(index, event->position().toPoint())) {
        // A click on a check box toggles it and leaves the selection alone.
        pressedCheckRow_ = index.row();
        event->accept();
        return;
    }
    pressedCheckRow_ = -1;
    QTreeView::mousePressEvent(event);
}

void ListView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    if (pressedCheckRow_ >= 0) {
        const int row = pressedCheckRow_;
        pressedCheckRow_ = -1;
        if (index.isValid() && index.row() == row && HitsCheckBox(index, pos))
            RunReportingErrors(window(),
                               [this, row] { Model().UserToggleCheck(static_cast<size_t>(row)); });
        event->accept();
        return;
    }
    QTreeView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !index.isValid()) return;
    const auto row = static_cast<size_t>(index.row());
    if (row >= Model().Count()) return;
    const bool selected = selectionModel()->isRowSelected(index.row(), {});
    RunReportingErrors(window(), [this, row, selected] {
        if (selected) {
            Model().UserSelect(row);
        } else if (Model().onMouseUp) {
            // A ctrl-click that took the row out of the selection.
            Model().onMouseUp(row);
        }
    });
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    if (event->button() == Qt::LeftButton && HitsCheckBox(index, pos)) {
        // The second click of a quick double click on a check box toggles it again.
        pressedCheckRow_ = index.row();
        event->accept();
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && index.isValid() &&
        static_cast<size_t>(index.row()) < Model().Count())
        RunReportingErrors(window(), [this, row = static_cast<size_t>(index.row())] {
            Model().UserDoubleClick(row);
        });
}

void ListView::keyPressEvent(QKeyEvent* event) {
    const QModelIndex current = currentIndex();
    if (event->key() == Qt::Key_Space && Model().HasCheckBoxes() && current.isValid() &&
        event->modifiers() == Qt::NoModifier) {
        RunReportingErrors(window(), [this, row = static_cast<size_t>(current.row())] {
            Model().UserToggleCheck(row);
        });
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
    const QModelIndex now = currentIndex();
    if (now.isValid() && now.row() != current.row() &&
        selectionModel()->isRowSelected(now.row(), {}) &&
        static_cast<size_t>(now.row()) < Model().Count() && Model().onSelect) {
        RunReportingErrors(window(),
                           [this, row = static_cast<size_t>(now.row())] { Model().onSelect(row); });
    }
}

void ListView::PullSelection(int first, int last) {
    if (syncing_ || first < 0) return;
    syncing_ = true;
    const int count = std::min<int>(adapter_->rowCount(), static_cast<int>(Model().Count()));
    for (int row = first; row <= last && row < count; ++row) {
        const bool wanted = Model().Item(static_cast<size_t>(row)).selected;
        if (wanted == selectionModel()->isRowSelected(row, {})) continue;
        selectionModel()->select(adapter_->index(row, 0), (wanted ? QItemSelectionModel::Select
                                                                  : QItemSelectionModel::Deselect) |
                                                              QItemSelectionModel::Rows);
    }
    syncing_ = false;
}

void ListView::PushSelection(const QItemSelection& selected, const QItemSelection& deselected) {
    if (syncing_) return;
    syncing_ = true;
    QSet<int> rows;
    for (const QModelIndex& index : deselected.indexes()) rows.insert(index.row());
    for (const QModelIndex& index : selected.indexes()) rows.insert(index.row());
    for (int row : rows) {
        if (row < 0 || static_cast<size_t>(row) >= Model().Count()) continue;
        Model().SetSelected(static_cast<size_t>(row), selectionModel()->isRowSelected(row, {}));
    }
    syncing_ = false;
}

}  // namespace scourwell::app

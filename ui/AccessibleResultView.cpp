#include "ui/AccessibleResultView.h"

#include "search/ResultOrdering.h"
#include "ui/ResultView.h"

#include <QAccessibleWidget>
#include <QHeaderView>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <map>
#include <utility>

namespace jumelix {
namespace {

constexpr int kColumns = ColumnCount;
// The row number of a header cell.
constexpr int kHeaderRow = -1;
// Cells kept before they are all dropped; a screen reader asks for a few at a time.
constexpr std::size_t kCachedCells = 1024;

int AccessibleRows(const ResultView* view)
{
    return static_cast<int>(std::min<std::uint64_t>(view->RowCount(), INT_MAX));
}

// One cell of a result list, or one of its column headers. It reads the list
// every time it is asked, so it holds its row and column only.
class Cell final : public QAccessibleInterface,
                   public QAccessibleTableCellInterface,
                   public QAccessibleActionInterface {
public:
    Cell(ResultView* view, int row, int column) : view_(view), row_(row), column_(column) {}

    bool isValid() const override
    {
        return view_ != nullptr && (row_ == kHeaderRow || row_ < AccessibleRows(view_));
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_->window()->windowHandle(); }
    QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }
    QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(view_);
    }
    QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }

    // A row's cells describe it as its tooltip does.
    QString text(QAccessible::Text t) const override
    {
        if (row_ == kHeaderRow)
            return t == QAccessible::Name
                       ? view_->Header()->model()->headerData(column_, Qt::Horizontal).toString()
                       : QString();
        const auto row = static_cast<std::uint64_t>(row_);
        if (t == QAccessible::Name)
            return view_->CellText(row, column_);
        return t == QAccessible::Description ? view_->Description(row) : QString();
    }
    void setText(QAccessible::Text /*t*/, const QString& /*text*/) override {}

    QRect rect() const override
    {
        if (row_ == kHeaderRow) {
            const QHeaderView* header = view_->Header();
            return {header->mapToGlobal(QPoint(header->sectionViewportPosition(column_), 0)),
                    QSize(header->sectionSize(column_), header->height())};
        }
        const QRect cell = view_->CellRect(static_cast<std::uint64_t>(row_), column_);
        return cell.isValid() ? QRect(view_->viewport()->mapToGlobal(cell.topLeft()), cell.size())
                              : QRect();
    }
    QAccessible::Role role() const override
    {
        return row_ == kHeaderRow ? QAccessible::ColumnHeader : QAccessible::Cell;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = rect().isEmpty();
        state.offscreen = state.invisible;
        if (row_ != kHeaderRow) {
            state.selectable = true;
            state.focusable = true;
            state.selected = isSelected();
            state.focused = state.selected && view_->hasFocus();
        }
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableCellInterface && row_ != kHeaderRow)
            return static_cast<QAccessibleTableCellInterface*>(this);
        if (type == QAccessible::ActionInterface && row_ == kHeaderRow)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    // The selection is one row, marked on its first column.
    bool isSelected() const override
    {
        return column_ == FolderColumn &&
               view_->CurrentRow() == static_cast<std::uint64_t>(row_);
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override
    {
        return {parent()->child(column_)};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    // A column header is pressed as it is clicked.
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction())
            view_->ClickColumn(column_);
    }
    QStringList keyBindingsForAction(const QString& /*actionName*/) const override { return {}; }

private:
    QPointer<ResultView> view_;
    int row_;
    int column_;
};

// The list itself: its children are the column headers, then the cells row
// after row, as item views show them.
class Table final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit Table(ResultView* view) : QAccessibleWidget(view, QAccessible::Table) {}
    ~Table() override { dropCells(); }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    int childCount() const override
    {
        const std::uint64_t cells = (std::uint64_t{view()->RowCount()} + 1) * kColumns;
        return static_cast<int>(std::min<std::uint64_t>(cells, INT_MAX));
    }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        return cell(index / kColumns - 1, index % kColumns);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const auto* cell = dynamic_cast<const Cell*>(child);
        if (cell == nullptr || cell->table() != this)
            return -1;
        const std::int64_t index =
            (std::int64_t{cell->rowIndex()} + 1) * kColumns + cell->columnIndex();
        return index < childCount() ? static_cast<int>(index) : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QHeaderView* header = view()->Header();
        const QPoint inHeader = header->mapFromGlobal(QPoint(x, y));
        if (header->rect().contains(inHeader))
            return cell(kHeaderRow, header->logicalIndexAt(inHeader));
        const QPoint inRows = view()->viewport()->mapFromGlobal(QPoint(x, y));
        if (!view()->viewport()->rect().contains(inRows))
            return nullptr;
        const std::uint64_t row =
            view()->FirstRow() + static_cast<std::uint64_t>(inRows.y() / rowHeight());
        return row < static_cast<std::uint64_t>(AccessibleRows(view()))
                   ? cell(static_cast<int>(row), header->logicalIndexAt(inRows.x()))
                   : nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        if (!view()->hasFocus())
            return QAccessibleWidget::focusChild();
        return selectedCells().value(0);
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override
    {
        if (row < 0 || row >= AccessibleRows(view()) || column < 0 || column >= kColumns)
            return nullptr;
        return cell(row, column);
    }
    int selectedCellCount() const override { return static_cast<int>(selectedCells().size()); }
    QList<QAccessibleInterface*> selectedCells() const override
    {
        const QList<int> rows = selectedRows();
        if (rows.isEmpty())
            return {};
        return {cell(rows[0], FolderColumn)};
    }
    QString columnDescription(int column) const override
    {
        return view()->Header()->model()->headerData(column, Qt::Horizontal).toString();
    }
    QString rowDescription(int /*row*/) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return static_cast<int>(selectedRows().size()); }
    int columnCount() const override { return kColumns; }
    int rowCount() const override { return AccessibleRows(view()); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override
    {
        const std::uint64_t current = view()->CurrentRow();
        if (current >= static_cast<std::uint64_t>(AccessibleRows(view())))
            return {};
        return {static_cast<int>(current)};
    }
    bool isColumnSelected(int /*column*/) const override { return false; }
    bool isRowSelected(int row) const override { return selectedRows().value(0, -1) == row; }
    bool selectRow(int row) override
    {
        if (row < 0 || row >= AccessibleRows(view()))
            return false;
        view()->SetCurrentRow(static_cast<std::uint64_t>(row));
        return true;
    }
    bool selectColumn(int /*column*/) override { return false; }
    bool unselectRow(int /*row*/) override { return false; }
    bool unselectColumn(int /*column*/) override { return false; }

    // Cells stand for rows by number: a new order or new rows make them stale.
    void modelChange(QAccessibleTableModelChangeEvent* event) override
    {
        if (event->modelChangeType() == QAccessibleTableModelChangeEvent::ModelReset)
            dropCells();
    }

private:
    ResultView* view() const { return static_cast<ResultView*>(widget()); }
    int rowHeight() const
    {
        return std::max(1, view()->CellRect(view()->FirstRow(), 0).height());
    }

    // A full cache is emptied at the next pass of the event loop, not now: a
    // screen reader's request may still hold the cells it was handed.
    QAccessibleInterface* cell(int row, int column) const
    {
        const auto key = std::pair(row, column);
        if (const auto known = cells_.find(key); known != cells_.end())
            return QAccessible::accessibleInterface(known->second);
        if (cells_.size() >= kCachedCells && !dropPending_) {
            dropPending_ = true;
            QTimer::singleShot(0, view(), [this] { dropCells(); });
        }
        auto* made = new Cell(view(), row, column);
        cells_.emplace(key, QAccessible::registerAccessibleInterface(made));
        return made;
    }
    void dropCells() const
    {
        for (const auto& [key, id] : std::exchange(cells_, {}))
            QAccessible::deleteAccessibleInterface(id);
        dropPending_ = false;
    }

    mutable std::map<std::pair<int, int>, QAccessible::Id> cells_;
    mutable bool dropPending_ = false;
};

QAccessibleInterface* MakeTable(const QString& className, QObject* object)
{
    if (className == QLatin1String(ResultView::staticMetaObject.className()))
        return new Table(static_cast<ResultView*>(object));
    return nullptr;
}

}  // namespace

void InstallAccessibleResultView()
{
    [[maybe_unused]] static const bool installed = [] {
        QAccessible::installFactory(MakeTable);
        return true;
    }();
}

}  // namespace jumelix

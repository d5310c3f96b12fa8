#pragma once

#include "search/ResultList.h"
#include "ui/RowMenu.h"

#include <QAbstractScrollArea>
#include <QPointer>

#include <cstdint>
#include <functional>

class QHeaderView;
class QLineEdit;
class QStyleOptionViewItem;

namespace jumelix {

class FolderEditor;
class ResultModel;

// A result list on screen: three columns under a clickable header, and only
// the rows in sight painted, straight from the model. Row numbers are 64-bit
// and the vertical scroll bar is mapped onto them (ScrollMapping), so every
// row of a list of any length can be reached. One row is selected at a time;
// it is marked on the first column only, and only while the list has the
// focus. The first column is edited in place (FolderEditor): double-click, F2,
// or a click on the selected row. No column gets narrower than its title, the
// size column fills what is left, and wider columns scroll sideways. A row's
// tooltip gives its whole path and its double's. What its menu (RowMenu) or
// the copy key does to its files is left to the window.
class ResultView final : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit ResultView(QWidget* parent = nullptr);

    void SetModel(ResultModel* model);
    QHeaderView* Header() const { return header_; }

    // The model's rows and texts; none once the model is gone.
    std::uint64_t RowCount() const;
    QString CellText(std::uint64_t row, int column) const;
    // The row's whole path and its double's, as its tooltip shows them.
    QString Description(std::uint64_t row) const;

    std::uint64_t FirstRow() const { return firstRow_; }
    // Rows wholly in sight, at least one.
    std::uint64_t PageRows() const;
    std::uint64_t CurrentRow() const { return currentRow_; }
    void SetCurrentRow(std::uint64_t row);
    // The cell's rectangle in the viewport; empty when the row is out of sight.
    QRect CellRect(std::uint64_t row, int column) const;
    // The open in-place editor, or none.
    QLineEdit* Editor() const;
    void EditCurrentRow();

    // What a click on that column's header does.
    void ClickColumn(int column);
    // Sorts on the column; the selection follows its row.
    void SortByColumn(int column);
    // Asked as the row menu opens: whether it may offer to compare now.
    void SetCompareAllowed(std::function<bool()> allowed);

signals:
    void ColumnClicked(int column);
    // An item of the row menu taken, or the copy key pressed on the row.
    void RowActionChosen(RowAction action, quint64 row);

protected:
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::uint64_t rowAt(int y) const;
    // The row under `at` when `at` is on its folder, else kNoRow.
    std::uint64_t folderAt(QPoint at) const;
    QStyleOptionViewItem itemOption() const;
    void measureRows();
    void layOutHeader();
    void fitColumns();
    void scrollTo(std::uint64_t firstRow);
    void ensureVisible(std::uint64_t row);
    void syncScrollBar();
    void scrollBarAction(int action);
    void rowsGrown(quint64 previousRows);
    void rowsReset();
    void rowsReordered();
    void showRowCount();
    QRect editorCell(std::uint64_t row) const;
    void placeEditor();
    void announceCurrentRow();
    void showFocus();
    void openMenu(std::uint64_t row, QPoint at);

    QPointer<ResultModel> model_;
    QHeaderView* header_;
    FolderEditor* editor_;
    RowMenu* menu_;
    std::uint64_t firstRow_ = 0;
    std::uint64_t currentRow_ = ResultList::kNoRow;
    int rowHeight_ = 1;
    // The bar is being set from firstRow_, not by the user.
    bool syncing_ = false;
    // The columns are being fitted to the list, not resized by the user.
    bool fitting_ = false;
    // The focus came with the last mouse press, which selects and no more.
    bool focusByClick_ = false;
    // A left press on the folder of the row that was already selected.
    bool pressOnSelected_ = false;
    // Wheel turns too small for a whole row yet.
    int wheelRemainder_ = 0;
};

}  // namespace jumelix

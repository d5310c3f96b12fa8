#include "ui/ResultView.h"

#include "ui/FolderEditor.h"
#include "ui/ResultModel.h"
#include "ui/ScrollMapping.h"
#include "ui/Texts.h"

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>
#include <QToolTip>

#include <algorithm>
#include <climits>
#include <utility>

namespace jumelix {
namespace {

constexpr std::uint64_t kNoRow = ResultList::kNoRow;
// Pixels a step of the horizontal bar's arrows moves the columns.
constexpr int kSidewaysStep = 20;

void SendTableChange(ResultView* view, QAccessibleTableModelChangeEvent::ModelChangeType change,
                     int firstRow = -1, int lastRow = -1)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleTableModelChangeEvent event(view, change);
    event.setFirstRow(firstRow);
    event.setLastRow(lastRow);
    QAccessible::updateAccessibility(&event);
}

}  // namespace

ResultView::ResultView(QWidget* parent)
    : QAbstractScrollArea(parent),
      header_(new QHeaderView(Qt::Horizontal, this)),
      editor_(new FolderEditor(this)),
      menu_(new RowMenu(this))
{
    setFocusPolicy(Qt::StrongFocus);
    horizontalScrollBar()->setSingleStep(kSidewaysStep);
    auto* titles = new QStandardItemModel(0, ColumnCount, header_);
    titles->setHorizontalHeaderLabels(text::ColumnTitles);
    titles->setHeaderData(SizeColumn, Qt::Horizontal,
                          QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter),
                          Qt::TextAlignmentRole);
    header_->setModel(titles);
    header_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header_->setSectionsClickable(true);
    header_->resizeSection(FolderColumn, 240);
    header_->resizeSection(NameColumn, 239);
    // The size column is sized to fill the list (150 in the first layout).
    header_->setStretchLastSection(false);
    header_->setSectionResizeMode(SizeColumn, QHeaderView::Fixed);
    header_->setSortIndicatorShown(true);
    header_->setSortIndicator(-1, Qt::AscendingOrder);
    connect(header_, &QHeaderView::sectionClicked, this, &ResultView::ClickColumn);
    connect(header_, &QHeaderView::sectionResized, this, [this] {
        fitColumns();
        viewport()->update();
        placeEditor();
    });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            &ResultView::scrollBarAction);
    connect(editor_, &FolderEditor::Committed, this,
            [this](quint64 row, const QString& folder) { model_->SetFolder(row, folder); });
    connect(menu_, &RowMenu::Chosen, this, &ResultView::RowActionChosen);
    measureRows();
    showRowCount();
}

void ResultView::SetModel(ResultModel* model)
{
    model_ = model;
    connect(model, &ResultModel::Grown, this, &ResultView::rowsGrown);
    connect(model, &ResultModel::Reset, this, &ResultView::rowsReset);
    connect(model, &ResultModel::Reordered, this, &ResultView::rowsReordered);
    rowsReset();
}

std::uint64_t ResultView::RowCount() const
{
    return model_ != nullptr ? model_->RowCount() : 0;
}

QString ResultView::CellText(std::uint64_t row, int column) const
{
    return model_ != nullptr ? model_->Text(row, static_cast<Column>(column)) : QString();
}

QString ResultView::Description(std::uint64_t row) const
{
    return model_ != nullptr ? model_->Description(row) : QString();
}

std::uint64_t ResultView::PageRows() const
{
    return static_cast<std::uint64_t>(std::max(1, viewport()->height() / rowHeight_));
}

std::uint64_t ResultView::rowAt(int y) const
{
    if (y < 0)
        return kNoRow;
    const std::uint64_t row = firstRow_ + static_cast<std::uint64_t>(y / rowHeight_);
    return row < RowCount() ? row : kNoRow;
}

std::uint64_t ResultView::folderAt(QPoint at) const
{
    return header_->logicalIndexAt(at.x()) == FolderColumn ? rowAt(at.y()) : kNoRow;
}

QRect ResultView::CellRect(std::uint64_t row, int column) const
{
    const auto rowsInSight = static_cast<std::uint64_t>(viewport()->height() / rowHeight_);
    if (row < firstRow_ || row - firstRow_ > rowsInSight)
        return {};
    return {header_->sectionViewportPosition(column),
            static_cast<int>(row - firstRow_) * rowHeight_, header_->sectionSize(column),
            rowHeight_};
}

QStyleOptionViewItem ResultView::itemOption() const
{
    QStyleOptionViewItem option;
    option.initFrom(this);
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    option.font = font();
    option.fontMetrics = fontMetrics();
    option.features = QStyleOptionViewItem::HasDisplay;
    option.textElideMode = Qt::ElideRight;
    option.viewItemPosition = QStyleOptionViewItem::OnlyOne;
    option.showDecorationSelected =
        style()->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, nullptr, this) != 0;
    option.widget = this;
    return option;
}

// Every row is as high as the style makes a line of text in an item view.
void ResultView::measureRows()
{
    QStyleOptionViewItem option = itemOption();
    option.text = QStringLiteral("Ag");
    rowHeight_ = std::max(
        1, style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height());
    setViewportMargins(0, header_->sizeHint().height(), 0, 0);
    layOutHeader();
    syncScrollBar();
}

void ResultView::layOutHeader()
{
    const QRect rows = viewport()->geometry();
    const int height = header_->sizeHint().height();
    header_->setGeometry(rows.left(), rows.top() - height, rows.width(), height);
}

// Each column keeps at least the width of its title; the size column takes
// what the others leave of the list, and the horizontal bar what is over.
void ResultView::fitColumns()
{
    if (std::exchange(fitting_, true))
        return;
    int used = 0;
    for (int column = 0; column < ColumnCount; ++column) {
        const int least = header_->sectionSizeHint(column);
        const int room = viewport()->width() - used;
        const int width = column == SizeColumn ? std::max(least, room)
                                                             : std::max(least, header_->sectionSize(column));
        if (width != header_->sectionSize(column))
            header_->resizeSection(column, width);
        used += width;
    }
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, std::max(0, used - viewport()->width()));
    bar->setPageStep(viewport()->width());
    header_->setOffset(bar->value());
    fitting_ = false;
}

void ResultView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(viewport());
    QStyleOptionViewItem option = itemOption();
    const bool focused = hasFocus();
    const std::uint64_t end = std::min(RowCount(), firstRow_ + PageRows() + 1);
    for (std::uint64_t row = firstRow_; row < end; ++row) {
        for (int column = 0; column < ColumnCount; ++column) {
            option.rect = CellRect(row, column);
            option.text = CellText(row, column);
            option.displayAlignment =
                (column == SizeColumn ? Qt::AlignRight : Qt::AlignLeft) |
                Qt::AlignVCenter;
            const bool marked =
                focused && row == currentRow_ && column == FolderColumn;
            option.state.setFlag(QStyle::State_Selected, marked);
            option.state.setFlag(QStyle::State_HasFocus, marked);
            style()->drawControl(QStyle::CE_ItemViewItem, &option, &painter, this);
        }
    }
}

// The bar moved by the user (a drag, a click in its groove) sets the first
// row through the mapping; a position that already stands for the first row
// leaves it as it is, so keys and the wheel keep their exact row.
void ResultView::scrollContentsBy(int dx, int /*dy*/)
{
    if (dx != 0) {
        header_->setOffset(horizontalScrollBar()->value());
        placeEditor();
    } else if (!syncing_) {
        const ScrollMapping mapping(RowCount(), PageRows());
        const int position = verticalScrollBar()->value();
        if (position != mapping.PositionOf(firstRow_))
            firstRow_ = mapping.FirstRowAt(position);
        placeEditor();
    }
    viewport()->update();
}

void ResultView::syncScrollBar()
{
    const ScrollMapping mapping(RowCount(), PageRows());
    firstRow_ = std::min(firstRow_, mapping.LastFirstRow());
    QScrollBar* bar = verticalScrollBar();
    syncing_ = true;
    bar->setRange(0, mapping.Maximum());
    bar->setPageStep(mapping.PageStep());
    bar->setValue(mapping.PositionOf(firstRow_));
    syncing_ = false;
    placeEditor();
    viewport()->update();
}

void ResultView::scrollTo(std::uint64_t firstRow)
{
    firstRow_ = firstRow;
    syncScrollBar();
}

void ResultView::ensureVisible(std::uint64_t row)
{
    const std::uint64_t page = PageRows();
    if (row < firstRow_)
        scrollTo(row);
    else if (row - firstRow_ >= page)
        scrollTo(row - page + 1);
}

// Steps of the bar's arrows and groove count in rows, whatever a position
// stands for.
void ResultView::scrollBarAction(int action)
{
    const std::uint64_t page = PageRows();
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        scrollTo(firstRow_ + 1);
        break;
    case QAbstractSlider::SliderSingleStepSub:
        scrollTo(firstRow_ - std::min<std::uint64_t>(firstRow_, 1));
        break;
    case QAbstractSlider::SliderPageStepAdd:
        scrollTo(firstRow_ + page);
        break;
    case QAbstractSlider::SliderPageStepSub:
        scrollTo(firstRow_ - std::min(firstRow_, page));
        break;
    case QAbstractSlider::SliderToMinimum:
        scrollTo(0);
        break;
    case QAbstractSlider::SliderToMaximum:
        scrollTo(kNoRow);
        break;
    default:
        break;
    }
}

void ResultView::wheelEvent(QWheelEvent* event)
{
    // A sideways wheel, or the wheel with Shift, moves the columns.
    const QPoint delta = event->angleDelta();
    const bool sideways = delta.x() != 0 || event->modifiers() & Qt::ShiftModifier;
    if (sideways) {
        const int turn = delta.x() != 0 ? delta.x() : delta.y();
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() - turn * QApplication::wheelScrollLines() * bar->singleStep() /
                                         QWheelEvent::DefaultDeltasPerStep);
        event->accept();
        return;
    }
    wheelRemainder_ += delta.y();
    const int steps = wheelRemainder_ / QWheelEvent::DefaultDeltasPerStep;
    wheelRemainder_ -= steps * QWheelEvent::DefaultDeltasPerStep;
    const auto rows = static_cast<std::uint64_t>(std::abs(steps)) *
                      static_cast<std::uint64_t>(QApplication::wheelScrollLines());
    // Turning the wheel away from the user goes up the list.
    scrollTo(steps > 0 ? firstRow_ - std::min(firstRow_, rows) : firstRow_ + rows);
    event->accept();
}

void ResultView::SetCurrentRow(std::uint64_t row)
{
    if (row >= RowCount())
        return;
    if (std::exchange(currentRow_, row) != row)
        announceCurrentRow();
    ensureVisible(row);
    viewport()->update();
}

void ResultView::keyPressEvent(QKeyEvent* event)
{
    const std::uint64_t rows = RowCount();
    const std::uint64_t page = PageRows();
    // A list with the focus and rows has a selected row (see showFocus).
    const std::uint64_t current = std::min(currentRow_, rows - std::min<std::uint64_t>(rows, 1));
    std::uint64_t target = 0;
    switch (event->key()) {
    case Qt::Key_Up:
        target = current - std::min<std::uint64_t>(current, 1);
        break;
    case Qt::Key_Down:
        target = current + 1;
        break;
    case Qt::Key_PageUp:
        target = current - std::min(current, page);
        break;
    case Qt::Key_PageDown:
        target = current + page;
        break;
    case Qt::Key_Home:
        break;
    case Qt::Key_End:
        target = kNoRow;
        break;
    case Qt::Key_F2:
        EditCurrentRow();
        return;
    case Qt::Key_Menu:
        openMenu(currentRow_, {});
        return;
    case Qt::Key_F10:
        if (event->modifiers() == Qt::ShiftModifier) {
            openMenu(currentRow_, {});
            return;
        }
        [[fallthrough]];
    default:
        if (event->matches(QKeySequence::Copy))
            emit RowActionChosen(RowAction::CopyPath, currentRow_);
        else
            QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (rows > 0)
        SetCurrentRow(std::min(target, rows - 1));
    event->accept();
}

void ResultView::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const std::uint64_t row = rowAt(at.y());
    pressOnSelected_ = event->button() == Qt::LeftButton && !std::exchange(focusByClick_, false) &&
                       row != kNoRow && folderAt(at) == currentRow_;
    SetCurrentRow(row);
    event->accept();
}

void ResultView::mouseReleaseEvent(QMouseEvent* event)
{
    if (std::exchange(pressOnSelected_, false) && folderAt(event->position().toPoint()) == currentRow_)
        EditCurrentRow();
    event->accept();
}

void ResultView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const std::uint64_t row = folderAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && row != kNoRow) {
        SetCurrentRow(row);
        EditCurrentRow();
    }
    event->accept();
}

// The right button has selected the row under it already; the menu keys open
// the menu on the selected row.
void ResultView::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() == QContextMenuEvent::Mouse)
        openMenu(rowAt(viewport()->mapFromGlobal(event->globalPos()).y()), event->globalPos());
    else
        openMenu(currentRow_, {});
    event->accept();
}

void ResultView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    focusByClick_ = event->reason() == Qt::MouseFocusReason;
    showFocus();
    viewport()->update();
    announceCurrentRow();
}

// A list with the focus shows it on a selected row, the first in sight when
// none was selected, as it takes the focus or as its first rows come.
void ResultView::showFocus()
{
    if (hasFocus() && currentRow_ >= RowCount() && RowCount() > 0)
        SetCurrentRow(firstRow_);
}

void ResultView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void ResultView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        measureRows();
}

bool ResultView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        layOutHeader();
        fitColumns();
        syncScrollBar();
    } else if (event->type() == QEvent::ToolTip) {
        // Away from the rows the list's own tooltip, its length, shows.
        const auto* help = static_cast<QHelpEvent*>(event);
        const std::uint64_t row = rowAt(help->pos().y());
        if (row != kNoRow) {
            const QRect line(0, CellRect(row, 0).top(), viewport()->width(), rowHeight_);
            QToolTip::showText(help->globalPos(), Description(row), viewport(), line);
            return true;
        }
    }
    return QAbstractScrollArea::viewportEvent(event);
}

QLineEdit* ResultView::Editor() const
{
    return editor_->Line();
}

void ResultView::EditCurrentRow()
{
    if (currentRow_ >= RowCount())
        return;
    ensureVisible(currentRow_);
    editor_->Open(currentRow_, CellText(currentRow_, FolderColumn), editorCell(currentRow_));
}

// The editor goes with its row, and out of sight above the list with it.
QRect ResultView::editorCell(std::uint64_t row) const
{
    const QRect cell = CellRect(row, FolderColumn);
    return cell.isValid() ? cell : QRect(0, -rowHeight_, header_->sectionSize(FolderColumn), rowHeight_);
}

void ResultView::placeEditor()
{
    if (editor_->Row() != kNoRow)
        editor_->Place(editorCell(editor_->Row()));
}

void ResultView::ClickColumn(int column)
{
    emit ColumnClicked(column);
}

void ResultView::SortByColumn(int column)
{
    editor_->Commit();
    const auto sorted = static_cast<Column>(column);
    currentRow_ = model_->SortByColumn(sorted, currentRow_);
    header_->setSortIndicator(column, model_->SortedDecreasing(sorted) ? Qt::DescendingOrder
                                                                         : Qt::AscendingOrder);
    viewport()->update();
}

void ResultView::rowsGrown(quint64 previousRows)
{
    syncScrollBar();
    showRowCount();
    showFocus();
    if (previousRows < INT_MAX) {
        SendTableChange(this, QAccessibleTableModelChangeEvent::RowsInserted,
                        static_cast<int>(previousRows),
                        static_cast<int>(std::min<std::uint64_t>(RowCount(), INT_MAX) - 1));
    }
}

void ResultView::rowsReset()
{
    editor_->Cancel();
    menu_->close();
    header_->setSortIndicator(-1, Qt::AscendingOrder);
    firstRow_ = 0;
    currentRow_ = kNoRow;
    syncScrollBar();
    showRowCount();
    SendTableChange(this, QAccessibleTableModelChangeEvent::ModelReset);
}

void ResultView::rowsReordered()
{
    menu_->close();
    viewport()->update();
    SendTableChange(this, QAccessibleTableModelChangeEvent::ModelReset);
}

void ResultView::showRowCount()
{
    const QString length = LengthText(RowCount());
    setToolTip(length);
    setAccessibleDescription(length);
}

// Screen readers hear of the row the user moves to.
void ResultView::announceCurrentRow()
{
    if (!QAccessible::isActive() || !hasFocus() || currentRow_ >= INT_MAX)
        return;
    // A list is a table, with cells to tell of, once the program has installed
    // its accessibility (InstallAccessibleResultView).
    QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(this)->tableInterface();
    if (table == nullptr)
        return;
    QAccessibleInterface* cell = table->cellAt(static_cast<int>(currentRow_), FolderColumn);
    QAccessibleEvent event(cell, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

void ResultView::SetCompareAllowed(std::function<bool()> allowed)
{
    menu_->SetCompareAllowed(std::move(allowed));
}

// At the pointer, or under the row's folder for the keyboard.
void ResultView::openMenu(std::uint64_t row, QPoint at)
{
    if (row >= RowCount())
        return;
    SetCurrentRow(row);
    const QRect cell = CellRect(row, FolderColumn);
    menu_->Open(row, model_->MirrorOf(row) != kNoRow,
                at.isNull() ? viewport()->mapToGlobal(cell.bottomLeft()) : at);
}

}  // namespace jumelix

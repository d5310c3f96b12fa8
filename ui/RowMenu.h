#pragma once

#include "search/ResultList.h"

#include <QMenu>

#include <cstdint>
#include <functional>
#include <utility>

namespace jumelix {

// What can be done to the files behind a result row.
enum class RowAction { OpenFile, ShowInFolder, CopyPath, GoToDouble, CompareWithDouble };

// A result row's menu. It does nothing to the files itself: each item taken
// comes out as Chosen, with the row the menu was opened on.
class RowMenu final : public QMenu {
    Q_OBJECT

public:
    explicit RowMenu(QWidget* parent);

    // Asked as the menu opens: whether it may offer to compare now.
    void SetCompareAllowed(std::function<bool()> allowed) { compareAllowed_ = std::move(allowed); }
    // Pops up at `at`, in global coordinates; going to the double is offered
    // only when the row's double is listed.
    void Open(std::uint64_t row, bool doubleListed, QPoint at);

signals:
    void Chosen(RowAction action, quint64 row);

private:
    QAction* addChoice(const QString& text, RowAction action);

    QAction* goToDouble_ = nullptr;
    QAction* compare_ = nullptr;
    // The row the open menu acts on.
    std::uint64_t row_ = ResultList::kNoRow;
    std::function<bool()> compareAllowed_ = [] { return true; };
};

}  // namespace jumelix

#pragma once

#include "search/ResultList.h"

#include <QObject>
#include <QRect>

#include <cstdint>

class QAbstractScrollArea;
class QLineEdit;

namespace jumelix {

// The in-place editor of a row's folder: a line over the folder cell of a
// list. Enter or leaving the line keeps the text, Escape drops it; either way
// the list gets the focus back if the line had it.
class FolderEditor final : public QObject {
    Q_OBJECT

public:
    explicit FolderEditor(QAbstractScrollArea* list);

    // The line while a row is edited, else none.
    QLineEdit* Line() const;
    // The row edited, or kNoRow.
    std::uint64_t Row() const { return row_; }
    // Edits `folder`, the text of that row's folder, over `cell`.
    void Open(std::uint64_t row, const QString& folder, const QRect& cell);
    // Moves the open line over `cell`.
    void Place(const QRect& cell);
    void Commit();
    void Cancel();

signals:
    void Committed(quint64 row, const QString& folder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void close();

    QAbstractScrollArea* list_;
    // Made at the first edit.
    QLineEdit* line_ = nullptr;
    std::uint64_t row_ = ResultList::kNoRow;
};

}  // namespace jumelix

#include "ui/FolderDialog.h"

#include "ui/Texts.h"
#include "ui/WindowPlacement.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace jumelix {

FolderDialog::FolderDialog(const QString& start, QWidget* parent)
    : QDialog(parent),
      model_(new QFileSystemModel(this)),
      tree_(new QTreeView(this)),
      path_(new QLabel(this))
{
    setWindowTitle(text::FolderDialogTitle);
    setFixedSize(424, 255);

    model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model_->setRootPath(QDir::rootPath());
    tree_->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        tree_->hideColumn(column);
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);
    tree_->installEventFilter(this);
    connect(tree_, &QTreeView::activated, this,
            [this](const QModelIndex& index) { Open(model_->filePath(index)); });
    // Folders are listed and sorted in the background: the open folder is
    // scrolled to again as the tree grows or is reordered, until the user
    // takes over.
    const auto followOpenFolder = [this] {
        if (!userMoved_)
            QTimer::singleShot(0, this, &FolderDialog::showOpenFolder);
    };
    connect(tree_->verticalScrollBar(), &QScrollBar::rangeChanged, this, followOpenFolder);
    connect(model_, &QFileSystemModel::layoutChanged, this, followOpenFolder);
    tree_->viewport()->installEventFilter(this);

    auto* nameLabel = new QLabel(text::FolderName, this);
    nameLabel->setBuddy(tree_);
    auto* treeLabel = new QLabel(text::Folders, this);
    treeLabel->setBuddy(tree_);
    path_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(text::Ok, QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(text::Cancel, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nameLabel);
    layout->addWidget(path_);
    layout->addWidget(treeLabel);
    layout->addWidget(tree_, 1);
    layout->addWidget(buttons);

    Open(start);
}

void FolderDialog::Open(const QString& folder)
{
    open_ = QDir::cleanPath(folder);
    showOpenFolder();
    const QString shown = QDir::toNativeSeparators(open_);
    path_->setText(path_->fontMetrics().elidedText(shown, Qt::ElideMiddle, width() - 24));
    path_->setToolTip(shown);
}

void FolderDialog::showOpenFolder()
{
    const QModelIndex index = model_->index(open_);
    tree_->expand(index);
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

// The tree scrolls to the open folder once it has its size.
void FolderDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, &FolderDialog::showOpenFolder);
}

// Enter opens the current folder and goes no further: it does not also press "OK".
bool FolderDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress)
        userMoved_ = true;
    if (watched == tree_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (tree_->currentIndex().isValid())
                Open(model_->filePath(tree_->currentIndex()));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString BrowseFolder(QWidget* parent, const QString& start, bool& accepted)
{
    FolderDialog dialog(start, parent);
    accepted = ExecModal(dialog) == QDialog::Accepted;
    return accepted ? dialog.OpenFolder() : start;
}

}  // namespace jumelix

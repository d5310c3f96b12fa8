#pragma once

#include <QDialog>

class QFileSystemModel;
class QLabel;
class QTreeView;

namespace jumelix {

// "Sélection du répertoire": a folder tree in which a double click or Enter
// opens a folder. Unlike the toolkit's file dialog it saves no state anywhere.
class FolderDialog final : public QDialog {
    Q_OBJECT

public:
    FolderDialog(const QString& start, QWidget* parent = nullptr);

    // The folder open in the dialog.
    QString OpenFolder() const { return open_; }
    void Open(const QString& folder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void showOpenFolder();

    QFileSystemModel* model_;
    QTreeView* tree_;
    QLabel* path_;
    QString open_;
    bool userMoved_ = false;
};

// Runs the dialog; the folder open in it on "OK", start otherwise.
QString BrowseFolder(QWidget* parent, const QString& start, bool& accepted);

}  // namespace jumelix

#pragma once

#include <QLineEdit>

namespace jumelix {

// A one-line folder field with a browse button at its right end; Alt+Down
// browses too.
class DirectoryEdit final : public QLineEdit {
    Q_OBJECT

public:
    explicit DirectoryEdit(QWidget* parent = nullptr);

    // The folder the browse dialog falls back to when the field is empty.
    void SetInitialFolder(const QString& folder) { initialFolder_ = folder; }

    void Browse();

signals:
    // After every browse dialog, with its result and whether it was confirmed.
    void AfterDialog(const QString& name, bool accepted);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString startFolder() const;

    QString initialFolder_;
};

}  // namespace jumelix

#pragma once

#include "ui/ApplicationCursor.h"
#include "ui/WindowPlacement.h"

#include <QDialog>

#include <memory>
#include <optional>

namespace Ui {
class TForm2;
}

// The about box: the program's name, its version and a mail link to the author.
// Its controls keep their layout names (Label1, Label2, Label10, Image1, Button1).
class TForm2 : public jumelix::Centred<QDialog> {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

public slots:
    void Button1Click();
    void Label2MouseMove();
    void Label2MouseLeave();
    void Label2Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::unique_ptr<Ui::TForm2> ui_;
    std::optional<jumelix::ModalCursorScope> cursorScope_;
};

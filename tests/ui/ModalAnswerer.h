#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <vector>

namespace jumelix {

// Answers the program's modal windows as a user would: every message box
// is noted and closed with its "OK" button; any other modal window goes to
// a handler (or is rejected when there is none).
class ModalAnswerer final : public QObject {
public:
    struct Message {
        QString caption;
        QString text;
        QMessageBox::Icon icon;
        int buttons;
        // The application cursor while the box was open, or -1 for none.
        int cursor;
    };

    ModalAnswerer();

    std::function<void(QWidget*)> OnDialog;
    std::vector<Message> Messages;
    // Texts of the messages seen so far.
    QStringList Texts() const;

private:
    void answer();

    QTimer timer_;
};

}  // namespace jumelix

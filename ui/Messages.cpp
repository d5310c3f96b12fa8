#include "ui/Messages.h"

#include "ui/Texts.h"
#include "ui/WindowPlacement.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSpacerItem>

#include <exception>

namespace jumelix {
namespace {

// Room a title bar takes besides its caption: the window's icon and buttons.
constexpr int kTitleBarRoom = 120;

}  // namespace

void ShowMessage(QWidget* parent, MessageKind kind, const QString& text)
{
    QString caption = QGuiApplication::applicationDisplayName();
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (kind) {
    case MessageKind::Information:
        caption = text::InformationCaption;
        icon = QMessageBox::Information;
        break;
    case MessageKind::Warning:
        caption = text::WarningCaption;
        icon = QMessageBox::Warning;
        break;
    case MessageKind::Plain:
        break;
    case MessageKind::Error:
        icon = QMessageBox::Critical;
        break;
    }
    // A box shown before its window (at start-up) has none to stay above.
    Centred<QMessageBox> box(icon, caption, text, QMessageBox::Ok,
                   parent != nullptr && parent->isVisible() ? parent : nullptr);
    box.setWindowModality(Qt::ApplicationModal);
    // A box sizes itself to its layout: wide enough there for a window manager
    // to show the whole caption, in a bold title face.
    QFont title = box.font();
    title.setBold(true);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int width = QFontMetrics(title).horizontalAdvance(caption) + kTitleBarRoom;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    ExecModal(box);
}

void RunHandler(QWidget* window, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        ShowMessage(window, MessageKind::Error, ErrorBoxText(QString::fromLocal8Bit(error.what())));
    }
}

}  // namespace jumelix

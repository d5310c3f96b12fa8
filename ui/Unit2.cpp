#include "ui/Unit2.h"

#include "JumelixVersion.h"
#include "ui/Messages.h"
#include "ui/ProgramIcon.h"
#include "ui/WindowFont.h"
#include "ui_Unit2.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QUrl>

TForm2::TForm2(QWidget* parent) : Centred(parent), ui_(std::make_unique<Ui::TForm2>())
{
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowIcon(jumelix::ProgramIcon());
    setFont(jumelix::WindowFont(11, false));
    ui_->Label10->setFont(jumelix::WindowFont(16, true));
    ui_->Label1->setFont(jumelix::WindowFont(13, true));
    QFont link = jumelix::WindowFont(11, false);
    link.setUnderline(true);
    ui_->Label2->setFont(link);

    ui_->Label1->setText(QStringLiteral("Version " JUMELIX_PRODUCT_VERSION));
    ui_->Label2->setText(QStringLiteral(JUMELIX_CONTACT));
    ui_->Label2->setMouseTracking(true);
    ui_->Label2->installEventFilter(this);
    connect(ui_->Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
}

TForm2::~TForm2() = default;

void TForm2::Button1Click()
{
    close();
}

void TForm2::Label2MouseMove()
{
    jumelix::SetApplicationCursor(Qt::PointingHandCursor);
}

void TForm2::Label2MouseLeave()
{
    jumelix::SetDefaultApplicationCursor();
}

void TForm2::Label2Click()
{
    jumelix::RunHandler(this, [] {
        QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:" JUMELIX_CONTACT "?subject=A propos de Jumelix ")));
    });
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_->Label2) {
        switch (event->type()) {
        case QEvent::MouseMove:
            Label2MouseMove();
            break;
        case QEvent::Leave:
            Label2MouseLeave();
            break;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && ui_->Label2->rect().contains(mouse->position().toPoint())) {
                Label2Click();
            }
            break;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Button1 is neither the default nor the cancel button: Enter acts on the
// focused button (Space does so by itself) and Escape does nothing. The close
// box of the title bar still closes the box, through reject().
void TForm2::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (auto* button = qobject_cast<QPushButton*>(focusWidget()); enter && button) {
        button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm2::showEvent(QShowEvent* event)
{
    Centred::showEvent(event);
    if (!event->spontaneous() && !cursorScope_)
        cursorScope_.emplace();
}

void TForm2::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous()) {
        cursorScope_.reset();
    }
}

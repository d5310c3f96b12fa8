#include "ApplicationCursor.h"
#include "JumelixVersion.h"
#include "Unit2.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrlQuery>

#include <optional>

namespace {

using jumelix::SetApplicationCursor;
using jumelix::SetDefaultApplicationCursor;

// The application cursor's shape; nothing when the default cursor is in force.
std::optional<Qt::CursorShape> ApplicationCursor()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor ? std::optional(cursor->shape()) : std::nullopt;
}

// Stands in for the user's mail program.
class MailCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

}  // namespace

Q_DECLARE_METATYPE(std::optional<Qt::CursorShape>)

class Unit2Test : public QObject {
    Q_OBJECT

private:
    // Shows the box as the main window does and waits until it has the keyboard.
    static void ShowActive(TForm2& form)
    {
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }
    static QLabel* Label(TForm2& form, const char* name) { return form.findChild<QLabel*>(name); }

private slots:
    void cleanup() { SetDefaultApplicationCursor(); }

    void showsNameVersionAndLinkWithinTheirLabels()
    {
        TForm2 form;
        QCOMPARE(form.windowTitle(), QStringLiteral("A propos de Jumelix"));
        QCOMPARE(form.minimumSize(), QSize(256, 146));
        QCOMPARE(form.maximumSize(), QSize(256, 146));
        QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::white));

        QLabel* title = Label(form, "Label10");
        QLabel* version = Label(form, "Label1");
        QLabel* link = Label(form, "Label2");
        QCOMPARE(title->text(), QStringLiteral("Jumelix"));
        QCOMPARE(version->text(), QStringLiteral("Version 1.02"));
        QCOMPARE(link->text(), QStringLiteral("jumelix@example.org"));
        QCOMPARE(link->toolTip(), QStringLiteral("Clic'n'Mail"));
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QVERIFY(link->font().underline());
        QCOMPARE(title->font().pixelSize(), 16);
        QVERIFY(title->font().bold());
        QCOMPARE(version->font().pixelSize(), 13);
        QVERIFY(version->font().bold());
        QCOMPARE(link->font().pixelSize(), 11);

        const QPixmap icon = Label(form, "Image1")->pixmap();
        QCOMPARE(icon.size(), QSize(32, 32));
        QCOMPARE(icon.toImage().pixelColor(8, 16), QColor(0xd6, 0xe6, 0xfb));
        const QList<QSize> sizes = form.windowIcon().availableSizes();
        for (int side : {16, 32, 48, 64, 128, 256}) {
            QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
        }

        for (QLabel* label : {title, version, link}) {
            const QRect needed = label->fontMetrics().boundingRect(label->text());
            QVERIFY2(needed.width() <= label->width() && label->fontMetrics().height() <= label->height() + 2,
                     qPrintable(label->objectName()));
            QCOMPARE(label->geometry().center().x(), form.width() / 2 - 1);
        }
    }

    void keysThatClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Enter") << int(Qt::Key_Return) << true;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << true;
        QTest::newRow("Space") << int(Qt::Key_Space) << true;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
    }

    void keysThatClose()
    {
        QFETCH(int, key);
        QFETCH(bool, closes);
        TForm2 form;
        ShowActive(form);
        auto* button = form.findChild<QPushButton*>("Button1");
        QVERIFY(button->hasFocus());
        QVERIFY(!button->isDefault());

        QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key(key));
        QCOMPARE(form.isVisible(), !closes);
        // The title bar's close box closes it whatever the key did.
        form.close();
        QVERIFY(!form.isVisible());
    }

    void modalCursorRule_data()
    {
        QTest::addColumn<std::optional<Qt::CursorShape>>("before");
        QTest::addColumn<int>("linkMoves");  // 0: link untouched, 1: mouse rests on it, 2: mouse left it
        QTest::addColumn<std::optional<Qt::CursorShape>>("whileOpen");
        QTest::addColumn<std::optional<Qt::CursorShape>>("afterClose");
        const std::optional<Qt::CursorShape> none;
        QTest::newRow("default, untouched") << none << 0 << std::optional(Qt::ArrowCursor) << none;
        QTest::newRow("hourglass, untouched")
            << std::optional(Qt::WaitCursor) << 0 << std::optional(Qt::ArrowCursor) << std::optional(Qt::WaitCursor);
        QTest::newRow("hourglass, closed on the link")
            << std::optional(Qt::WaitCursor) << 1 << std::optional(Qt::PointingHandCursor) << none;
        QTest::newRow("hourglass, link left") << std::optional(Qt::WaitCursor) << 2 << none << none;
    }

    void modalCursorRule()
    {
        QFETCH(std::optional<Qt::CursorShape>, before);
        QFETCH(int, linkMoves);
        QFETCH(std::optional<Qt::CursorShape>, whileOpen);
        QFETCH(std::optional<Qt::CursorShape>, afterClose);
        if (before) {
            SetApplicationCursor(*before);
        }
        TForm2 form;
        ShowActive(form);
        QLabel* link = Label(form, "Label2");
        if (linkMoves >= 1) {
            QTest::mouseMove(link, link->rect().center());
        }
        if (linkMoves >= 2) {
            // QTest moves the mouse without telling the label it has left.
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(link, &leave);
        }
        QCOMPARE(ApplicationCursor(), whileOpen);
        form.close();
        QCOMPARE(ApplicationCursor(), afterClose);
    }

    void linkOpensTheMailWithTheSubject()
    {
        MailCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "Open");
        TForm2 form;
        ShowActive(form);
        QLabel* link = Label(form, "Label2");

        QTest::mousePress(link, Qt::LeftButton, {}, link->rect().center());
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-20, -20));
        QVERIFY(catcher.opened.isEmpty());

        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QCOMPARE(catcher.opened.size(), 1);
        const QUrl url = catcher.opened.front();
        QCOMPARE(url.scheme(), QStringLiteral("mailto"));
        QCOMPARE(url.path(), QStringLiteral(JUMELIX_CONTACT));
        QCOMPARE(QUrlQuery(url).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
                 QStringLiteral("A propos de Jumelix "));
        QVERIFY(form.isVisible());
    }
};

QTEST_MAIN(Unit2Test)
#include "Unit2Test.moc"

#include "ApplicationCursor.h"
#include "JumelixVersion.h"
#include "ModalAnswerer.h"
#include "Unit2.h"

#include <QDesktopServices>
#include <QLabel>
#include <QTest>
#include <QUrlQuery>

using jumelix::ModalAnswerer;

namespace {

// Stands in for the user's mail program.
class MailCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

// Shows the box as the main window does and gives its mail link once the box has the keyboard.
QLabel* ShowActive(TForm2& form)
{
    form.show();
    return QTest::qWaitForWindowActive(&form) ? form.findChild<QLabel*>("Label2") : nullptr;
}

}  // namespace

class Unit2Test : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { jumelix::SetDefaultApplicationCursor(); }

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
        QVERIFY(ShowActive(form));
        QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key(key));
        QCOMPARE(form.isVisible(), !closes);
    }

    // The box shows the default cursor over whatever was in force, and gives that back on
    // closing unless the cursor was changed meanwhile (by the link).
    void modalCursorRule_data()
    {
        QTest::addColumn<int>("before");     // -1: the default cursor
        QTest::addColumn<int>("linkMoves");  // 0: link untouched, 1: mouse rests on it, 2: mouse left it
        QTest::addColumn<int>("whileOpen");
        QTest::addColumn<int>("afterClose");
        const int wait = Qt::WaitCursor;
        QTest::newRow("default, untouched") << -1 << 0 << int(Qt::ArrowCursor) << -1;
        QTest::newRow("hourglass, untouched") << wait << 0 << int(Qt::ArrowCursor) << wait;
        QTest::newRow("hourglass, closed on the link") << wait << 1 << int(Qt::PointingHandCursor) << -1;
        QTest::newRow("hourglass, link left") << wait << 2 << -1 << -1;
    }

    void modalCursorRule()
    {
        QFETCH(int, before);
        QFETCH(int, linkMoves);
        QFETCH(int, whileOpen);
        QFETCH(int, afterClose);
        if (before >= 0)
            jumelix::SetApplicationCursor(Qt::CursorShape(before));
        TForm2 form;
        QLabel* link = ShowActive(form);
        QVERIFY(link);
        if (linkMoves >= 1)
            QTest::mouseMove(link, link->rect().center());
        if (linkMoves >= 2) {
            QEvent leave(QEvent::Leave);  // QTest moves the mouse without telling the label
            QCoreApplication::sendEvent(link, &leave);
        }
        QCOMPARE(ModalAnswerer::CursorShape(), whileOpen);
        form.close();
        QCOMPARE(ModalAnswerer::CursorShape(), afterClose);
    }

    void linkOpensTheMailWithTheSubject()
    {
        MailCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "Open");
        TForm2 form;
        QLabel* link = ShowActive(form);
        QVERIFY(link);
        // A press released outside the link is no click.
        QTest::mousePress(link, Qt::LeftButton, {}, link->rect().center());
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-20, -20));
        QVERIFY(catcher.opened.isEmpty());
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QCOMPARE(catcher.opened.size(), 1);
        const QUrl url = catcher.opened.front();
        QCOMPARE(url.scheme() + ':' + url.path(), "mailto:" JUMELIX_CONTACT);
        QCOMPARE(QUrlQuery(url).queryItemValue("subject", QUrl::FullyDecoded), "A propos de Jumelix ");
    }
};

QTEST_MAIN(Unit2Test)
#include "Unit2Test.moc"

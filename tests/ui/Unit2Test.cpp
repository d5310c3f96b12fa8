#include "ApplicationCursor.h"
#include "ModalAnswerer.h"
#include "Unit2.h"

#include <QtTest>
#include <QtWidgets>

using jumelix::ModalAnswerer;

class Unit2Test : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { jumelix::SetDefaultApplicationCursor(); }

    // Enter and Space close the box, Escape does not. While it is open the default cursor shows,
    // or the hand while the mouse rests on the link; closing gives back the cursor in force
    // before, unless the link changed it meanwhile.
    void keysAndCursor_data()
    {
        QTest::addColumn<int>("before");     // -1: the default cursor
        QTest::addColumn<int>("linkMoves");  // 0: link untouched, 1: mouse rests on it, 2: mouse left it
        QTest::addColumn<int>("key");
        QTest::addColumn<QList<int>>("cursors");  // while the box is open, then after the key
        const int wait = Qt::WaitCursor;
        const int arrow = Qt::ArrowCursor;
        QTest::newRow("Enter") << wait << 0 << int(Qt::Key_Return) << QList{arrow, wait};
        QTest::newRow("keypad Enter on the link") << wait << 1 << int(Qt::Key_Enter) << QList{int(Qt::PointingHandCursor), -1};
        QTest::newRow("Space, link left") << wait << 2 << int(Qt::Key_Space) << QList{-1, -1};
        QTest::newRow("Escape") << -1 << 0 << int(Qt::Key_Escape) << QList{arrow, arrow};
    }

    void keysAndCursor()
    {
        QFETCH(int, before);
        QFETCH(int, linkMoves);
        QFETCH(int, key);
        QFETCH(QList<int>, cursors);
        if (before >= 0)
            jumelix::SetApplicationCursor(Qt::CursorShape(before));
        TForm2 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* link = form.findChild<QLabel*>("Label2");
        if (linkMoves >= 1)
            QTest::mouseMove(link, link->rect().center());
        QEvent leave(QEvent::Leave);  // QTest moves the mouse without telling the label
        if (linkMoves >= 2)
            QCoreApplication::sendEvent(link, &leave);
        QList<int> seen{ModalAnswerer::CursorShape()};
        QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key(key));
        QCOMPARE(seen << ModalAnswerer::CursorShape(), cursors);
        QCOMPARE(form.isVisible(), key == Qt::Key_Escape);
    }
};

QTEST_MAIN(Unit2Test)
#include "Unit2Test.moc"

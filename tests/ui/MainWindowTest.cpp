#include "JumelixVersion.h"
#include "files/PosixFileEnumeration.h"
#include "tests/ui/ModalAnswerer.h"
#include "ui/ApplicationCursor.h"
#include "ui/Collation.h"
#include "ui/FolderDialog.h"
#include "ui/ResultView.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/WindowFont.h"

#include <QtTest>
#include <QtWidgets>

#include <unistd.h>

#include <functional>

using namespace jumelix;

namespace {

// Equal sizes across folders make the upper list (900: 2+2 rows, 10: 2, 5000: 2);
// equal sizes within folder A the lower one (a1 and a2).
const std::pair<const char*, qint64> kTree[] = {{"r.txt", 1}, {"A/a1", 900}, {"A/a2", 900}, {"B/b1", 900},
                                                {"C/c", 10}, {"C/e", 5000}, {"D/d", 10}, {"D/f", 5000}};

// The real file system, with something done before each size read: a pause, an error.
struct TestFiles final : FileEnumeration {
    std::function<void()> beforeSize;
    PosixFileEnumeration real_;

    FolderCheck CheckFolder(std::string_view path) override { return real_.CheckFolder(path); }
    bool EnterRoot(std::string_view path) override { return real_.EnterRoot(path); }
    bool EnterChild(std::string_view name) override { return real_.EnterChild(name); }
    void Leave() override { real_.Leave(); }
    void List(const Wildcard& filter, FolderListing& listing) override { real_.List(filter, listing); }
    std::optional<std::uint64_t> FileSize(std::string_view name) override
    {
        if (beforeSize)
            beforeSize();
        return real_.FileSize(name);
    }
    void BeginWalk(WalkObserver& observer, const RunFlags& flags) override { real_.BeginWalk(observer, flags); }
    void EndWalk() override { real_.EndWalk(); }
};

// What the window shows, a control an entry so that a failure names the one that is wrong: the
// counters, the bar's value over its maximum, the rows of both lists, what is greyed out, which
// of the steps' extras show, whether a cursor of the program's own is in force, and the focus.
QStringList Seen(const QString& label5, const QString& label6, const QString& bar, qsizetype rows,
                 const QString& greyed, const QString& focus, const QString& shown = {}, bool cursor = false)
{
    return {"Label5 " + label5, "Label6 " + label6, "bar " + bar, "rows " + QString::number(rows), "greyed " + greyed,
            "shown " + shown, QString("cursor ") + (cursor ? "yes" : "no"), "focus " + focus};
}

QMenu* OpenMenu()
{
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

// Takes an item of the open menu with the keyboard.
void Choose(const QString& item)
{
    for (QAction* action : OpenMenu()->actions())
        if (action->text().remove('&') == item)
            return OpenMenu()->setActiveAction(action), QTest::keyClick(OpenMenu(), Qt::Key_Return);
    QFAIL(qPrintable("no menu item " + item));
}

// The main window as the user meets it, with its message boxes answered.
struct Window {
    ModalAnswerer answerer;  // first, for the boxes the window shows as it is made
    TestFiles* files = new TestFiles;  // the window's own
    TForm1 form{std::unique_ptr<FileEnumeration>(files)};

    Window() { form.show(); }

    template <typename T = QWidget>
    T* child(const char* name) { return form.findChild<T*>(QString::fromLatin1(name)); }
    QLineEdit* field() { return child<QLineEdit>("DirectoryEdit1"); }
    QStringList column(const char* list, int column)
    {
        QStringList texts;
        for (std::uint64_t row = 0; row < child<ResultView>(list)->RowCount(); ++row)
            texts << child<ResultView>(list)->CellText(row, column);
        return texts;
    }
    void click(const char* button) { QTest::mouseClick(child(button), Qt::LeftButton); }
    // Step 1 as the keyboard runs it: Enter on the focused button.
    void walk(const QString& folder)
    {
        field()->setText(folder);
        child("Button1")->setFocus();
        QTest::keyClick(child("Button1"), Qt::Key_Return);
    }
    // The first row of a list whose name cell is `name`.
    std::uint64_t rowNamed(const char* list, const QString& name)
    {
        return std::uint64_t(column(list, 1).indexOf(name));
    }
    void clickHeader(const char* list, int section)
    {
        QHeaderView* header = child<ResultView>(list)->Header();
        const QPoint at(header->sectionViewportPosition(section) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    // Label5, Label6, and the bar's value over its maximum.
    QString counters() { return state().mid(0, 3).join(", "); }
    QStringList state()
    {
        auto* bar = child<QProgressBar>("ProgressBar1");
        QStringList greyed, shown;
        for (const char* name : {"Label6", "Label8", "Button1", "Button2"})
            if (!child(name)->isEnabled())
                greyed << name;
        for (const char* name : {"ProgressBar1", "Label9", "Label11"})
            if (child(name)->isVisible())
                shown << name;
        return Seen(child<QLabel>("Label5")->text(), child<QLabel>("Label6")->text(),
                    QString("%1/%2").arg(bar->value()).arg(bar->maximum()),
                    column("ListView3", 0).size() + column("ListView4", 0).size(), greyed.join(','),
                    form.focusWidget() != nullptr ? form.focusWidget()->objectName() : QString(), shown.join(','),
                    ModalAnswerer::CursorShape() != -1);
    }
};

// The upper list of a tree, searched, in an active window.
ResultView* Searched(Window& w, const QString& tree)
{
    w.walk(tree);
    w.click("Button2");
    w.form.activateWindow();
    return QTest::qWaitForWindowActive(&w.form) ? w.child<ResultView>("ListView3") : nullptr;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    QTemporaryDir tree_;
    QTemporaryDir bin_;  // a recording xdg-open, first on PATH
    QList<QUrl> mails_;

    // What the recording xdg-open was given, one line a call.
    QStringList opened()
    {
        QFile record(bin_.filePath("opened"));
        return record.open(QIODevice::ReadOnly) ? QString::fromUtf8(record.readAll()).split('\n', Qt::SkipEmptyParts)
                                                : QStringList();
    }

public slots:
    // Stands in for the user's mail program.
    void Open(const QUrl& url) { mails_ << url; }

private slots:
    void initTestCase()
    {
        // The offscreen platform notes each window feature it lacks; those notes are no fault of ours.
        static const QtMessageHandler tests = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (!message.startsWith("This plugin does not support"))
                    tests(type, context, message);
            });
        QCoreApplication::setApplicationName("Jumelix");
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toUtf8());
        // Without a user-dirs file the start folder is the home folder.
        QVERIFY(QDir(home_.path()).mkpath(".config"));
        for (const auto& [path, size] : kTree) {
            QFile file(tree_.filePath(QString::fromUtf8(path)));
            QVERIFY(QDir().mkpath(QFileInfo(file).path()));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
        }
        // A link to itself, which no walk lists and none can open.
        QVERIFY(QFile::link("loop", tree_.filePath("loop")));
        QFile opener(bin_.filePath("xdg-open"));
        QVERIFY(opener.open(QIODevice::WriteOnly) &&
                opener.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened\"\nexit \"${XDG_OPEN_EXIT:-0}\"\n") > 0);
        opener.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        qputenv("PATH", bin_.path().toUtf8() + ":" + qgetenv("PATH"));
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");  // no file manager answers
    }

    void init() { SetDefaultApplicationCursor(); }  // the about box's rows set the hourglass
    void cleanup() { QFile::remove(home_.filePath(".config/user-dirs.dirs")); }

    // Without a documents folder a box says why, and the window opens with an empty field.
    void startFolderFailures_data()
    {
        QTest::addColumn<QByteArray>("userDirs");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QByteArray("XDG_DOCUMENTS_DIR=\"/nowhere\"\n") << "Jumelix: Erreur Mes documents";
        QTest::newRow("another type") << QByteArray("XDG_DOCUMENTS_DIR=$HOME/Docs\n")
                                      << "Jumelix critical: Type de données incorrect pour 'XDG_DOCUMENTS_DIR'";
    }

    void startFolderFailures()
    {
        QFETCH(QByteArray, userDirs);
        QFETCH(QString, message);
        QFile file(home_.filePath(".config/user-dirs.dirs"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(userDirs) == userDirs.size());
        Window w;
        QCOMPARE(w.answerer.Messages, QStringList{message});
        QVERIFY(w.field()->text().isEmpty() && w.form.isVisible());
    }

    // How a step ends, once a walk and a search have filled the window: on its own; stopped by
    // Escape in its first event pass (a later key does not undo the stop); cut short there by a
    // step button or by closing the window, silently (a step asked for before closing does not
    // run); failed; or, for a folder step 1 cannot walk, refused with nothing else changed. The
    // walk shows the hourglass. Once a step is over, Escape changes no flag.
    void stepEnds_data()
    {
        QTest::addColumn<QString>("step");     // "search", or "walk" and its folder in the tree
        QTest::addColumn<QString>("actions");  // in the step's first event pass
        // Each message with the counters as it opens; %1 stands for the folder.
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("after");  // the window once the step is over
        const QStringList noWalk = Seen("0", "0", "0/1", 0, "Label6,Label8,Button2", "Button1");
        const QStringList walked = Seen("8", "0", "0/8", 0, "Label6,Label8", "Button2");
        const QStringList searched = Seen("8", "8", "0/8", 10, "", "Button2");
        const QStringList searchStopped = Seen("8", "0", "0/8", 0, "", "Button2");
        const QStringList refusal = Seen("8", "8", "0/8", 10, "", "Button1");
        const QStringList walkStopped{"Avertissement warning: Parcours interrompu. | Label5 0, Label6 0, bar 0/1"};
        const QStringList walkEnd{"Information information: Parcours terminé. | Label5 8, Label6 0, bar 0/8"};
        const auto refused = [](const QString& why) { return QStringList{"Jumelix critical: " + why + " | Label5 8, Label6 8, bar 0/8"}; };
        const QString named = "Le dossier «\u00a0%1\u00a0» ";
        QTest::newRow("walk: Escape") << "walk ." << "Escape" << walkStopped << noWalk;
        QTest::newRow("walk: Escape, A") << "walk ." << "Escape A" << walkStopped << noWalk;
        QTest::newRow("walk: A") << "walk ." << "A" << walkEnd << walked;
        QTest::newRow("walk: closed") << "walk ." << "close" << QStringList() << noWalk;
        QTest::newRow("walk: error") << "walk ." << "fail" << QStringList{"Jumelix critical: Panne simulée. | Label5 0, Label6 0, bar 0/1"}
                                     << noWalk;
        QTest::newRow("walk: no folder") << "walk" << "" << refused("Aucun dossier à parcourir\u00a0: indiquez un dossier.") << refusal;
        QTest::newRow("walk: typo") << "walk r.txt/A" << "" << refused(named + "n'existe pas.") << refusal;
        QTest::newRow("walk: a file") << "walk r.txt" << "" << refused("«\u00a0%1\u00a0» n'est pas un dossier.") << refusal;
        QTest::newRow("walk: missing") << "walk nowhere" << "" << refused(named + "n'existe pas.") << refusal;
        QTest::newRow("walk: a loop") << "walk loop" << "" << refused(named + "ne peut pas être ouvert\u00a0: trop de liens symboliques.") << refusal;
        const QStringList searchStop{"Avertissement warning: Recherche interrompue. | Label5 8, Label6 0, bar 1/8"};
        const QStringList searchEnd{"Information information: Recherche terminée. | Label5 8, Label6 8, bar 0/8"};
        QTest::newRow("search: Escape") << "search" << "Escape" << searchStop << searchStopped;
        QTest::newRow("search: Escape, A") << "search" << "Escape A" << searchStop << searchStopped;
        QTest::newRow("search: A") << "search" << "A" << searchEnd << searched;
        QTest::newRow("search: step 2") << "search" << "Button2" << searchEnd << searched;
        QTest::newRow("search: step 1") << "search" << "Button1" << walkEnd << walked;
        QTest::newRow("search: closed") << "search" << "close" << QStringList() << searchStopped;
        QTest::newRow("search: step 1, closed") << "search" << "Button1 close" << QStringList()
                                                << Seen("8", "0", "0/8", 0, "", "Button1");
        // By contents, the bar counts thousandths of the reading until the search is over.
        const QStringList contentsEnd{"Information information: Recherche terminée. 7 fichiers ont un double au contenu "
                                      "identique. 6\u202f810 octets sont en double. | Label5 8, Label6 8, bar 0/8"};
        QTest::newRow("contents: Escape") << "contents" << "Escape"
                                          << QStringList{"Avertissement warning: Recherche interrompue. | Label5 8, Label6 0, bar 0/1000"}
                                          << searchStopped;
        QTest::newRow("contents: A") << "contents" << "A" << contentsEnd << searched;
        QTest::newRow("contents: step 1") << "contents" << "Button1" << walkEnd << walked;
        QTest::newRow("contents: closed") << "contents" << "close" << QStringList() << searchStopped;
    }

    void stepEnds()
    {
        QFETCH(QString, step);
        QFETCH(QString, actions);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, after);
        const bool search = step == "search" || step == "contents";
        Window w;
        w.form.move(0, 0);  // the boxes go to the middle of the screen, not of the window
        w.walk(tree_.path());
        w.click("Button2");
        if (step == "contents")
            w.click("CheckBox9");
        w.answerer.Messages.clear();
        w.answerer.Snapshot = [&w] { return w.counters(); };
        // The actions wait for the step's hint, which shows from its first event pass on.
        QTimer firstPass;
        QObject::connect(&firstPass, &QTimer::timeout, [&w, &firstPass, search, step, actions] {
            if (!w.child(search ? "Label9" : "Label11")->isVisible())
                return;
            firstPass.stop();
            QCOMPARE(w.counters(), !search ? "Label5 0, Label6 0, bar 0/8"
                                   : step == "contents" ? "Label5 8, Label6 0, bar 0/1000"
                                                        : "Label5 8, Label6 0, bar 0/8");
            QCOMPARE(ModalAnswerer::CursorShape(), search ? -1 : int(Qt::WaitCursor));
            for (const QString& action : actions.split(' ')) {
                if (action == "close")
                    w.form.close();
                else if (action == "fail")
                    w.files->beforeSize = [] { throw std::runtime_error("Panne simulée"); };
                else if (action.startsWith("Button"))
                    w.click(qPrintable(action));
                else
                    QTest::keyClick(w.form.focusWidget(), QKeySequence(action)[0].key());
            }
        });
        firstPass.start(0);
        const QString folder = step.section(' ', 1);
        const QString path = folder.isEmpty() ? folder : QDir::cleanPath(tree_.filePath(folder));
        search ? w.click("Button2") : w.walk(path);
        QCOMPARE(w.answerer.Messages, messages.replaceInStrings("%1", path));
        QCOMPARE(w.state(), after);
        QCOMPARE(w.form.isVisible(), !actions.endsWith("close"));

        const RunFlags before = w.form.Flags;
        QTest::keyClick(w.form.focusWidget(), Qt::Key_Escape);
        QVERIFY(!w.form.Flags.WalkRunning && w.form.Flags.WalkStop == before.WalkStop &&
                w.form.Flags.SearchStop == before.SearchStop);
    }

    // The lists after a walk, whose counter moves as it goes, and a search. A header click sorts
    // its own list, with the direction both lists share for its column index; the selection
    // follows its row; a folder edited in place lands on its row (Escape drops the text), and a sort
    // on the folders uses it. The selection is marked on its folder only; a new search selects
    // nothing and shows no sort.
    void resultLists()
    {
        Window w;
        QString live;
        w.files->beforeSize = [&w, &live] {
            QTest::qSleep(4);  // slow enough for the walk to take several event passes
            live = w.child<QLabel>("Label5")->text();
        };
        w.walk(tree_.path());
        QVERIFY(live.toInt() > 0);  // as the last file was read
        w.click("Button2");
        w.clickHeader("ListView3", 1);
        w.clickHeader("ListView4", 1);  // the same column index, the other way round
        QCOMPARE(w.column("ListView4", 1), (QStringList{"a2", "a1"}));

        auto* upper = w.child<ResultView>("ListView3");
        w.form.activateWindow();  // back from the boxes: a list marks its selection only with the focus
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        w.clickHeader("ListView3", 2);
        QStringList folders = w.column("ListView3", 0);
        QTest::mouseClick(upper->viewport(), Qt::LeftButton, {}, upper->CellRect(3, 0).center());
        QTest::keyClick(upper, Qt::Key_F2);
        QCOMPARE(upper->Editor() != nullptr ? upper->Editor()->text() : "(no editor)", folders[3]);
        QTest::keyClicks(upper->Editor(), "/ailleurs/");
        QTest::keyClick(upper->Editor(), Qt::Key_Return);
        folders[3] = "/ailleurs/";
        QTest::keyClick(upper, Qt::Key_F2);
        QTest::keyClicks(upper->Editor(), "/abandon/");
        QTest::keyClick(upper->Editor(), Qt::Key_Escape);  // drops the text
        QVERIFY(upper->Editor() == nullptr);
        QCOMPARE(w.column("ListView3", 0), folders);
        w.clickHeader("ListView3", 0);
        QCOMPARE(upper->CurrentRow(), 0u);
        QCOMPARE(w.column("ListView3", 0)[0], "/ailleurs/");
        QCOMPARE(upper->verticalScrollBar()->pageStep(), int(upper->PageRows()));  // the thumb spans a page
        const QImage shot = upper->viewport()->grab().toImage();
        const auto at = [upper, &shot](int row, int column) {
            return shot.pixel(upper->CellRect(row, column).topRight() + QPoint(-2, 1));
        };
        QVERIFY(at(0, 0) != at(1, 0) && at(0, 1) == at(1, 1));
        w.click("Button2");
        QCOMPARE(upper->CurrentRow(), ResultList::kNoRow);
        QCOMPARE(upper->Header()->sortIndicatorSection(), -1);
    }

    // A row tells its whole path and its double's, in its tooltip and to screen readers, from the
    // catalogue even once its folder is edited; away from the rows the list tells its length.
    void rowDescriptions()
    {
        Window w;
        auto* upper = Searched(w, tree_.path());
        QVERIFY(upper != nullptr);
        w.child("Button3")->setFocus();
        QTest::keyClick(w.child("Button3"), Qt::Key_Tab);
        QCOMPARE(upper->CurrentRow(), 0u);  // the focus shows on a row as the list takes it
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(upper);
        QCOMPARE(table->childCount(), (8 + 1) * 3);  // the headers, then the cells
        table->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(upper->Header()->sortIndicatorSection(), 2);
        QCOMPARE(upper->Header()->sortIndicatorOrder(), Qt::DescendingOrder);  // the largest first

        const std::uint64_t c = w.rowNamed("ListView3", "c");
        const QString path = tree_.filePath("C/c"), described = path + "\nMême taille que\u00a0: " + tree_.filePath("D/d");
        upper->SetCurrentRow(c);
        QTest::keyClick(upper, Qt::Key_F2);
        QTest::keyClicks(upper->Editor(), "/ailleurs/");
        QTest::keyClick(upper->Editor(), Qt::Key_Return);
        const auto tooltipAt = [upper](QPoint at) {
            QHelpEvent help(QEvent::ToolTip, at, upper->viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(upper->viewport(), &help);
            return QToolTip::text();
        };
        upper->SetCurrentRow(c == 0 ? 1 : 0);  // the tooltip is the row's under the pointer
        QCOMPARE(tooltipAt(upper->CellRect(c, 1).center()), described);
        QCOMPARE(tooltipAt(QPoint(5, upper->viewport()->height() - 2)), "8 lignes");
        QCOMPARE(table->text(QAccessible::Description), "8 lignes");
        QCOMPARE(table->tableInterface()->cellAt(int(c), 2)->text(QAccessible::Description), described);
    }

    // A row's menu opens by the keyboard and the right button (not below the rows), copies the path,
    // goes to the row that lists its double for it, and hands files to the desktop: xdg-open, as no
    // file manager answers, or an error box when it fails or the file is gone.
    void rowMenu()
    {
        Window w;
        auto* upper = Searched(w, tree_.path());
        QVERIFY(upper != nullptr);
        const std::uint64_t c = w.rowNamed("ListView3", "c");
        const QString path = tree_.filePath("C/c");
        upper->setFocus();
        upper->SetCurrentRow(c);
        QTest::keyClick(upper, Qt::Key_Menu);
        QVERIFY(OpenMenu() != nullptr);
        Choose("Copier le chemin");
        QCOMPARE(QApplication::clipboard()->mimeData()->text(), path);
        QCOMPARE(QApplication::clipboard()->mimeData()->urls(), QList<QUrl>{QUrl::fromLocalFile(path)});
        QApplication::clipboard()->clear();
        QTest::keyClick(upper, Qt::Key_C, Qt::ControlModifier);  // the same, from the list
        QCOMPARE(QApplication::clipboard()->text(), path);
        QTest::keyClick(upper, Qt::Key_F10, Qt::ShiftModifier);
        Choose("Aller à son double");
        QCOMPARE(w.column("ListView3", 1).value(int(upper->CurrentRow())), "d");
        QCOMPARE(upper->Description(upper->CurrentRow()), tree_.filePath("D/d") + "\nMême taille que\u00a0: " + path);

        const auto rightClick = [upper](QPoint at) {
            QTest::mousePress(upper->viewport(), Qt::RightButton, {}, at);
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, upper->viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(upper->viewport(), &event);
            QTest::mouseRelease(upper->viewport(), Qt::RightButton, {}, at);
        };
        rightClick(QPoint(5, upper->viewport()->height() - 2));
        QVERIFY(OpenMenu() == nullptr);
        rightClick(upper->CellRect(c, 0).center());
        Choose("Ouvrir le fichier");
        QTRY_COMPARE(opened(), QStringList{path});
        rightClick(upper->CellRect(c, 0).center());
        Choose("Ouvrir le dossier");
        QTRY_COMPARE(opened(), (QStringList{path, tree_.filePath("C")}));
        w.answerer.Messages.clear();
        qputenv("XDG_OPEN_EXIT", "4");
        QTest::keyClick(upper, Qt::Key_Menu);
        Choose("Ouvrir le fichier");
        QTRY_COMPARE(w.answerer.Messages.value(0), "Jumelix critical: «\u00a0" + path + "\u00a0» ne peut pas être ouvert\u00a0: xdg-open a échoué (code 4).");
        qunsetenv("XDG_OPEN_EXIT");
        QFile::rename(path, path + ".bak");
        QTest::keyClick(upper, Qt::Key_Menu);
        Choose("Ouvrir le fichier");
        QFile::rename(path + ".bak", path);
        QCOMPARE(w.answerer.Messages.value(1), "Jumelix critical: «\u00a0" + path + "\u00a0» n'existe plus.");
    }

    // No column gets narrower than its title, and the size column fills what the others leave;
    // wider columns scroll sideways with Shift and the wheel, and keep their widths for the next
    // search.
    void columnWidths()
    {
        Window w;
        auto* upper = Searched(w, tree_.path());
        QVERIFY(upper != nullptr);
        QHeaderView* header = upper->Header();
        const auto drag = [header](int section, int by) {
            const QPoint from(header->sectionViewportPosition(section) + header->sectionSize(section) - 1, header->height() / 2);
            QTest::mousePress(header->viewport(), Qt::LeftButton, {}, from);
            QTest::mouseMove(header->viewport(), from + QPoint(by, 0));
            QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, from + QPoint(by, 0));
        };
        const auto titleFits = [header](int section) {
            return header->sectionSize(section) > header->fontMetrics().horizontalAdvance(
                                                      header->model()->headerData(section, Qt::Horizontal).toString());
        };
        drag(0, -400);
        QVERIFY(titleFits(0));
        QCOMPARE(header->length(), upper->viewport()->width());
        drag(0, 540);
        QVERIFY(titleFits(2));
        QWheelEvent turn({}, {}, {}, {0, -10 * QWheelEvent::DefaultDeltasPerStep}, {}, Qt::ShiftModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(upper->viewport(), &turn);
        QCOMPARE(header->sectionViewportPosition(2) + header->sectionSize(2), upper->viewport()->width());  // in sight again
        const int folders = header->sectionSize(0);
        w.click("Button2");
        QCOMPARE(header->sectionSize(0), folders);
    }

    // "Comparer avec son double" from the row menu: one file reached twice is told as such. A long
    // comparison shows its share and its hint, stops on Escape, and leaves the bar, the hint and the
    // cursor as they were.
    void comparison()
    {
        QTemporaryDir pair;
        for (const char* file : {"x/same", "big1/big", "big2/big"}) {  // the big ones sparse: quick to make, long to read
            QFile made(pair.filePath(file));
            QVERIFY(QDir().mkpath(QFileInfo(made).path()) && made.open(QIODevice::WriteOnly) &&
                    made.resize(QString(file).startsWith("big") ? qint64{1} << 34 : 900));
        }
        QVERIFY(QDir(pair.path()).mkdir("y"));
        QCOMPARE(::link(QFile::encodeName(pair.filePath("x/same")), QFile::encodeName(pair.filePath("y/same"))), 0);
        Window w;
        w.walk(pair.path());
        w.click("Button2");
        w.answerer.Messages.clear();
        auto* upper = w.child<ResultView>("ListView3");
        upper->SetCurrentRow(w.rowNamed("ListView3", "same"));
        QTest::keyClick(upper, Qt::Key_Menu);
        Choose("Comparer avec son double");
        const QString first = upper->Description(upper->CurrentRow()).section('\n', 0, 0);
        const QString other = first.contains("/x/") ? pair.filePath("y/same") : pair.filePath("x/same");
        QCOMPARE(w.answerer.Messages, QStringList{"Avertissement warning: «\u00a0" + first + "\u00a0» et «\u00a0" + other +
                                                  "\u00a0» sont le même fichier\u00a0: supprimer l'un supprime l'autre."});

        // The long comparison, interrupted by `act` once it shows its share.
        const auto interrupt = [&w, upper](const std::function<void()>& act) {
            w.answerer.Messages.clear();
            QTimer reading;
            QObject::connect(&reading, &QTimer::timeout, [&w, &reading, &act] {
                auto* bar = w.child<QProgressBar>("ProgressBar1");
                if (!w.child("Label12")->isVisible() || !bar->isVisible())
                    return;
                reading.stop();
                QCOMPARE(bar->maximum(), 1000);
                QCOMPARE(ModalAnswerer::CursorShape(), int(Qt::WaitCursor));
                QTest::keyClick(w.child("ListView3"), Qt::Key_Menu);
                for (QAction* action : OpenMenu()->actions())  // one comparison at a time
                    QCOMPARE(action->isEnabled(), action->text().remove('&') != "Comparer avec son double");
                OpenMenu()->close();
                act();
            });
            reading.start(0);
            upper->SetCurrentRow(w.rowNamed("ListView3", "big"));
            QTest::keyClick(upper, Qt::Key_Menu);
            Choose("Comparer avec son double");
        };
        const QStringList before = w.state();
        interrupt([&w] { QTest::keyClick(w.form.focusWidget(), Qt::Key_Escape); });
        QCOMPARE(w.answerer.Messages, QStringList{"Avertissement warning: Comparaison interrompue."});
        QCOMPARE(w.state(), before);
        QVERIFY(!w.child("Label12")->isVisible());
        // A step button ends it without its box, and its step runs; closing the window ends it,
        // and the window closes.
        interrupt([&w] { w.click("Button1"); });
        QCOMPARE(w.answerer.Messages, QStringList{"Information information: Parcours terminé."});
        w.click("Button2");
        // The next comparison has its box again: a file gone meanwhile is told.
        QVERIFY(QFile::remove(pair.filePath("y/same")));
        w.answerer.Messages.clear();
        upper->SetCurrentRow(w.rowNamed("ListView3", "same"));
        QTest::keyClick(upper, Qt::Key_Menu);
        Choose("Comparer avec son double");
        QCOMPARE(w.answerer.Messages, QStringList{"Jumelix critical: «\u00a0" + pair.filePath("y/same") + "\u00a0» n'existe plus."});
        interrupt([&w] { w.form.close(); });
        QCOMPARE(w.answerer.Messages, QStringList{});
        QVERIFY(!w.form.isVisible());
    }

    // Ticked, step 2 lists only files whose bytes are the same, and the rows say so; its box says
    // what it found and left out. A long reading shows its share and stops on Escape with only the
    // rows of pairs it compared, and the bar's range is put back.
    void contents()
    {
        QTemporaryDir tree;
        const QByteArray bytes(900, 'j');
        for (const auto& [path, made] : {std::pair("x/a", bytes), std::pair("y/a", bytes), std::pair("x/b", bytes),
                                         std::pair("z/c", bytes.left(899) + 'k'), std::pair("e1", QByteArray()),
                                         std::pair("e2", QByteArray())}) {
            QFile file(tree.filePath(path));
            QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(made), made.size());
        }
        Window w;
        w.click("CheckBox9");
        w.walk(tree.path());
        w.answerer.Messages.clear();
        w.click("Button2");
        QCOMPARE(w.answerer.Messages, QStringList{"Information information: Recherche terminée. 3 fichiers ont un double au "
                                                  "contenu identique. 1\u202f800 octets sont en double. 2 fichiers vides ne "
                                                  "sont pas comparés."});
        QStringList upper = w.column("ListView3", 1), lower = w.column("ListView4", 1);
        upper.sort();
        lower.sort();
        QCOMPARE(upper, (QStringList{"a", "a", "a", "b"}));
        QCOMPARE(lower, (QStringList{"a", "b"}));
        QVERIFY(w.child<ResultView>("ListView4")->Description(0).contains("\nMême contenu que\u00a0: " + tree.path() + "/x/"));
        QCOMPARE(w.state()[2], "bar 0/6");

        for (const char* big : {"big1/big", "big2/big"}) {  // sparse: quick to make, long to read
            QFile made(tree.filePath(big));
            QVERIFY(QDir().mkpath(QFileInfo(made).path()) && made.open(QIODevice::WriteOnly) && made.resize(qint64{1} << 34));
        }
        w.walk(tree.path());
        w.answerer.Messages.clear();
        QTimer reading;
        QObject::connect(&reading, &QTimer::timeout, [&w, &reading] {
            auto* bar = w.child<QProgressBar>("ProgressBar1");
            if (!w.child("Label9")->isVisible() || bar->value() == 0)
                return;
            reading.stop();
            QCOMPARE(bar->maximum(), 1000);
            QTest::keyClick(w.form.focusWidget(), Qt::Key_Escape);
        });
        reading.start(0);
        w.click("Button2");
        QCOMPARE(w.answerer.Messages, QStringList{"Avertissement warning: Recherche interrompue."});
        QVERIFY(!w.column("ListView3", 1).contains("big") && !w.column("ListView4", 1).contains("big"));
        QCOMPARE(w.state()[2], "bar 0/8");
    }

    // Under a C locale (as the tests run) texts still sort by the Unicode rules, not by code points.
    void collation()
    {
        QStringList folders{"f", "é", "B", "a"};
        std::sort(folders.begin(), folders.end(), TextCollator());
        QCOMPARE(folders, (QStringList{"a", "B", "é", "f"}));
    }

    // The folder field opens on the start folder. "?" opens the about box, whose link hands the
    // mail to the platform. Alt+Down in the field opens the browse dialog, at the root for a folder
    // that does not exist, and it changes the field only on "OK". Enter in the field starts
    // nothing. Every text of both windows fits its control, in the windows' face.
    void dialogsAndTexts()
    {
        Window w;
        TForm2 about(&w.form);  // the main window's child, as in the program
        w.form.SetAboutBox(&about);
        QCOMPARE(w.field()->text(), home_.path());  // the start folder, as no user-dirs file names one
        const QString nowhere = tree_.filePath("nowhere");
        w.field()->setText(nowhere);
        QTest::keyClick(w.field(), Qt::Key_Return);
        QStringList opened;
        w.answerer.OnDialog = [&opened](QWidget* dialog) {
            auto* folders = qobject_cast<FolderDialog*>(dialog);
            opened << (folders != nullptr ? folders->OpenFolder() : dialog->windowTitle());
            if (auto* link = dialog->findChild<QLabel*>("Label2"))
                QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
            static_cast<QDialog*>(dialog)->reject();
        };
        QDesktopServices::setUrlHandler("mailto", this, "Open");
        w.click("Button3");
        QDesktopServices::unsetUrlHandler("mailto");
        QCOMPARE(mails_, QList<QUrl>{QUrl("mailto:" JUMELIX_CONTACT "?subject=A propos de Jumelix ")});
        QTest::keyClick(w.field(), Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(w.answerer.Messages + opened, (QStringList{"A propos de Jumelix", "/"}));
        QCOMPARE(w.field()->text(), nowhere);
        w.answerer.OnDialog = [d = tree_.filePath("D")](QWidget* dialog) {
            static_cast<FolderDialog*>(dialog)->Open(d);  // as Enter or a double click in its tree does
            static_cast<QDialog*>(dialog)->accept();
        };
        QTest::keyClick(w.field(), Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(w.field()->text(), tree_.filePath("D"));

        const QString face = QFontInfo(WindowFont(11, false)).family();
        QStringList misfits;
        const auto check = [&misfits, &face](QWidget* control, const QString& text, int room) {
            // A trailing blank that does not fit hides nothing. The unnamed parts are Qt's own,
            // such as the folder field's browse button, which shows only its icon.
            const int width = QFontMetrics(control->font()).horizontalAdvance(text.trimmed());
            const bool shown = !text.isEmpty() && !control->objectName().isEmpty();
            if (shown && (QFontInfo(control->font()).family() != face || width > room))
                misfits << control->objectName();
        };
        for (QLabel* label : w.form.findChildren<QLabel*>())
            check(label, label->text(), label->contentsRect().width());
        for (QAbstractButton* button : w.form.findChildren<QAbstractButton*>()) {
            QStyleOptionButton option;
            option.initFrom(button);
            const bool box = qobject_cast<QCheckBox*>(button) != nullptr;
            const auto contents = box ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents;
            check(button, button->text(), button->style()->subElementRect(contents, &option, button).width());
            if (box && !button->rect().contains(button->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, button)))
                misfits << button->objectName() + " (its box)";
        }
        QCOMPARE(misfits, QStringList());
    }

    // Opened during a walk, the about box shows the default cursor over the hourglass, or the
    // hand while the mouse rests on its link. Enter and Space close it, Escape does not; closing
    // gives the hourglass back, unless the link changed the cursor meanwhile.
    void aboutBoxKeysAndCursor_data()
    {
        QTest::addColumn<int>("linkMoves");  // 0: link untouched, 1: mouse rests on it, 2: mouse left it
        QTest::addColumn<int>("key");
        QTest::addColumn<QList<int>>("cursors");  // while the box is open, then after the key
        QTest::newRow("Enter") << 0 << int(Qt::Key_Return) << QList{int(Qt::ArrowCursor), int(Qt::WaitCursor)};
        QTest::newRow("keypad Enter on the link") << 1 << int(Qt::Key_Enter) << QList{int(Qt::PointingHandCursor), -1};
        QTest::newRow("Space, link left") << 2 << int(Qt::Key_Space) << QList{-1, -1};
        QTest::newRow("Escape") << 0 << int(Qt::Key_Escape) << QList{int(Qt::ArrowCursor), int(Qt::ArrowCursor)};
    }

    void aboutBoxKeysAndCursor()
    {
        QFETCH(int, linkMoves);
        QFETCH(int, key);
        QFETCH(QList<int>, cursors);
        SetApplicationCursor(Qt::WaitCursor);
        TForm2 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* link = form.findChild<QLabel*>("Label2");
        if (linkMoves >= 1)
            QTest::mouseMove(link, link->rect().center());
        if (QEvent leave(QEvent::Leave); linkMoves >= 2)
            QCoreApplication::sendEvent(link, &leave);  // QTest moves the mouse without telling the label
        QList<int> seen{ModalAnswerer::CursorShape()};
        QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key(key));
        QCOMPARE(seen << ModalAnswerer::CursorShape(), cursors);
        QCOMPARE(form.isVisible(), key == Qt::Key_Escape);
    }

    // A list longer than 2^31 rows: keys and the wheel reach every part of it, screen readers as far
    // as they count.
    void longList()
    {
        Window w;
        Catalogue& catalogue = w.form.FileCatalogue();
        constexpr std::uint64_t kEntries = 400000;  // kEntries * (kEntries - 1) upper rows > 2^31, in a search of some passes
        for (std::uint64_t i = 0; i < kEntries; ++i)
            catalogue.Append(catalogue.AddFolder("/e/" + std::to_string(i) + "/"), "same.bin", 7);
        auto* upper = w.child<ResultView>("ListView3");
        // Stopped as soon as rows show: the mirrors of the last rows were never appended. Tabbed
        // into once scrolled to its end, the list selects the first row in sight.
        QTimer rowsShown;
        QObject::connect(&rowsShown, &QTimer::timeout, [&w, &rowsShown, upper] {
            if (upper->RowCount() > 0)
                rowsShown.stop(), QTest::keyClick(w.form.focusWidget(), Qt::Key_Escape);
        });
        rowsShown.start(0);
        w.form.Button2Click();
        QCOMPARE(w.answerer.Messages, QStringList{"Avertissement warning: Recherche interrompue."});
        upper->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
        w.form.activateWindow();  // back from the box
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        w.child("Button3")->setFocus();
        QTest::keyClick(w.child("Button3"), Qt::Key_Tab);
        QCOMPARE(upper->CurrentRow(), upper->FirstRow());
        QTest::keyClick(upper, Qt::Key_Menu);
        for (QAction* action : OpenMenu()->actions())
            QCOMPARE(action->isEnabled(), action->text().remove('&') != "Aller à son double");
        OpenMenu()->close();
        w.form.Button2Click();
        const std::uint64_t rows = kEntries * (kEntries - 1);
        const std::uint64_t page = upper->PageRows();
        const int end = upper->verticalScrollBar()->maximum();
        struct Step { Qt::Key key; std::uint64_t current, first; int bar; };
        for (const Step& step : {Step{Qt::Key_End, rows - 1, rows - page, end},
                                 Step{Qt::Key_PageUp, rows - 1 - page, rows - 1 - page, end - 1},
                                 Step{Qt::Key_Home, 0, 0, 0}, Step{Qt::Key_PageDown, page, 1, 0}}) {
            QTest::keyClick(upper, step.key);
            QCOMPARE(upper->CurrentRow(), step.current);
            QCOMPARE(upper->FirstRow(), step.first);
            QCOMPARE(upper->verticalScrollBar()->value(), step.bar);
        }
        // A turn of the wheel towards the user goes down the list; turns away stop at its top.
        const auto turn = [upper](int steps) {
            QWheelEvent event({}, {}, {}, {0, steps * QWheelEvent::DefaultDeltasPerStep}, {}, {}, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(upper->viewport(), &event);
        };
        turn(-1);
        QCOMPARE(upper->FirstRow(), 1u + QApplication::wheelScrollLines());
        turn(3);
        QCOMPARE(upper->FirstRow(), 0u);
        turn(-1);
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(upper);
        QCOMPARE(table->tableInterface()->rowCount(), INT_MAX);
        QCOMPARE(table->tableInterface()->cellAt(INT_MAX - 1, 0)->text(QAccessible::Name), upper->CellText(INT_MAX - 1, 0));
        QCOMPARE(table->child(0)->text(QAccessible::Name), "Dossiers");
        QCOMPARE(table->child(0)->role(), QAccessible::ColumnHeader);
        QVERIFY(!table->tableInterface()->cellAt(int(page), 1)->tableCellInterface()->isSelected());
        // Under the pointer, once scrolled, is the row in sight there; a row partly in sight shows.
        const std::uint64_t first = upper->FirstRow();
        const QPoint at = upper->viewport()->mapToGlobal(upper->CellRect(first + 2, 1).center());
        QAccessibleTableCellInterface* under = table->childAt(at.x(), at.y())->tableCellInterface();
        QCOMPARE(QPoint(under->rowIndex(), under->columnIndex()), QPoint(int(first) + 2, 1));
        const int rowHeight = upper->CellRect(first, 0).height();
        const bool partly = upper->viewport()->height() % rowHeight != 0;
        QCOMPARE(table->tableInterface()->cellAt(int(first + page), 0)->state().invisible, !partly);
        upper->resize(upper->width(), upper->height() - upper->viewport()->height() % rowHeight - rowHeight / 2);
        const QImage shot = upper->viewport()->grab().toImage();
        int inked = 0;  // dark pixels of the folder texts in the half row at the bottom
        for (int y = shot.height() - rowHeight / 2; y < shot.height(); ++y)
            for (int x = 0; x < upper->CellRect(first, 0).width(); ++x)
                inked += qGray(shot.pixel(x, y)) < 128;
        QVERIFY(inked > 0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"

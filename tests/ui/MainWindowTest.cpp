#include "Collation.h"
#include "FolderDialog.h"
#include "ModalAnswerer.h"
#include "PosixFileEnumeration.h"
#include "ResultView.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WindowFont.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <algorithm>

using namespace jumelix;

namespace {

struct TreeFile {
    const char* path;
    qint64 size;
};

// Equal sizes across folders make the upper list (900: 2+2 rows, 10: 2, 5000: 2);
// equal sizes within folder A the lower one (a1 and a2).
const TreeFile kTree[] = {{"r.txt", 1}, {"A/a1", 900}, {"A/a2", 900}, {"B/b1", 900},
                          {"C/c", 10},  {"C/e", 5000}, {"D/d", 10},   {"D/f", 5000}};
constexpr int kFiles = 8;
constexpr int kUpperRows = 8;
constexpr int kLowerRows = 2;

// The real file system, with what a test puts in its place: the answer to the
// folder check, and something done before each listing and each size read.
class TestFiles final : public FileEnumeration {
public:
    std::optional<FolderCheck> check;
    std::function<void()> beforeList, beforeSize;

    FolderCheck CheckFolder(std::string_view path) override
    {
        return check.value_or(real_.CheckFolder(path));
    }
    bool EnterRoot(std::string_view path) override { return real_.EnterRoot(path); }
    bool EnterChild(std::string_view name) override { return real_.EnterChild(name); }
    void Leave() override { real_.Leave(); }
    void List(const Wildcard& filter, FolderListing& listing) override
    {
        if (beforeList)
            beforeList();
        real_.List(filter, listing);
    }
    std::optional<std::uint64_t> FileSize(std::string_view name) override
    {
        if (beforeSize)
            beforeSize();
        return real_.FileSize(name);
    }

private:
    PosixFileEnumeration real_;
};

// The main window as the user meets it, with its message boxes answered.
struct Window {
    TestFiles* files = new TestFiles;  // the window's own
    TForm1 form{std::unique_ptr<FileEnumeration>(files)};
    ModalAnswerer answerer;

    Window()
    {
        form.show();
        [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(&form);
    }

    template <typename T = QWidget>
    T* child(const char* name) { return form.findChild<T*>(QString::fromLatin1(name)); }
    QString text(const char* label) { return child<QLabel>(label)->text(); }
    bool enabled(const char* name) { return child(name)->isEnabled(); }
    ResultView* view(const char* name) { return child<ResultView>(name); }
    QLineEdit* field() { return child<QLineEdit>("DirectoryEdit1"); }
    int rows(const char* list) { return int(view(list)->RowCount()); }
    QStringList column(const char* list, int column)
    {
        QStringList texts;
        for (int row = 0; row < rows(list); ++row)
            texts << view(list)->CellText(row, column);
        return texts;
    }
    void click(const char* button) { QTest::mouseClick(child(button), Qt::LeftButton); }
    void walk(const QString& folder)
    {
        field()->setText(folder);
        click("Button1");
    }
    void browse() { QTest::keyClick(field(), Qt::Key_Down, Qt::AltModifier); }
    void clickRow(const char* list, int row)
    {
        const QPoint at = view(list)->CellRect(row, 0).center();
        QTest::mouseClick(view(list)->viewport(), Qt::LeftButton, {}, at);
    }
    void clickHeader(const char* list, int section)
    {
        QHeaderView* header = view(list)->Header();
        const QPoint at(header->sectionViewportPosition(section) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    // Runs step 1 on `folder`, or step 2 after a walk and a search, doing `action` once in
    // the step's first event pass, as soon as its hint shows; only that step's messages are kept.
    void runStep(bool search, const QString& folder, std::function<void()> action)
    {
        if (search) {
            walk(folder);
            click("Button2");
        }
        answerer.Messages.clear();
        auto* timer = new QTimer(&form);
        QObject::connect(timer, &QTimer::timeout, [this, timer, search, action] {
            if (child(search ? "Label9" : "Label11")->isVisible()) {
                timer->stop();
                timer->deleteLater();
                action();
            }
        });
        timer->start(0);
        search ? click("Button2") : walk(folder);
    }
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    QTemporaryDir tree_;

    void writeUserDirs(const QByteArray& line)
    {
        QFile file(home_.path() + "/.config/user-dirs.dirs");
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(line);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(home_.isValid() && tree_.isValid());
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toUtf8());
        QVERIFY(QDir().mkpath(home_.path() + "/Docs") && QDir().mkpath(home_.path() + "/.config"));
        for (const TreeFile& entry : kTree) {
            QFile file(tree_.filePath(QString::fromUtf8(entry.path)));
            QVERIFY(QDir().mkpath(QFileInfo(file).path()));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(entry.size));
        }
    }

    void init() { writeUserDirs("XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n"); }

    // Without a documents folder a box says why, and the window opens with an empty field.
    void startFolderFailures_data()
    {
        QTest::addColumn<QByteArray>("userDirs");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("icon");
        QTest::newRow("no such folder") << QByteArray("XDG_DOCUMENTS_DIR=\"/nowhere/at/all\"\n")
                                        << "Erreur Mes documents" << int(QMessageBox::NoIcon);
        QTest::newRow("another type") << QByteArray("XDG_DOCUMENTS_DIR=$HOME/Docs\n")
                                      << "Type de données incorrect pour 'XDG_DOCUMENTS_DIR'"
                                      << int(QMessageBox::Critical);
    }

    void startFolderFailures()
    {
        QFETCH(QByteArray, userDirs);
        QFETCH(QString, message);
        QFETCH(int, icon);
        writeUserDirs(userDirs);
        ModalAnswerer early;  // the box comes while the window is being created
        Window w;
        QCOMPARE(early.Texts(), QStringList{message});
        QCOMPARE(int(early.Messages[0].icon), icon);
        QVERIFY(w.field()->text().isEmpty() && w.form.ScanFolderPath.empty() && w.form.isVisible());
    }

    // What the stop key cases do not see of the two steps.
    void walkThenSearch()
    {
        Window w;
        QCOMPARE(w.field()->text(), home_.path() + "/Docs");
        QVERIFY(!w.enabled("Button2"));
        int walkCursor = -1;
        // Files read slowly enough for the walk to take several passes: its counter moves.
        w.files->beforeSize = [] { QTest::qSleep(4); };
        QStringList counts;
        w.form.move(0, 0);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&w, &counts] { counts << w.text("Label5"); });
        watch.start(0);
        w.runStep(false, tree_.path(), [&walkCursor] { walkCursor = ModalAnswerer::CursorShape(); });
        watch.stop();
        QVERIFY(std::any_of(counts.begin(), counts.end(),
                            [](const QString& n) { return n.toInt() > 0 && n.toInt() < kFiles; }));
        // Hourglass during the walk, the default cursor over its message, none after. The
        // message stands at the centre of the screen, wherever the window is.
        QCOMPARE(walkCursor, int(Qt::WaitCursor));
        QCOMPARE(w.answerer.Messages[0].centre, w.form.screen()->availableGeometry().center());
        QCOMPARE(w.answerer.Messages[0].cursor, int(Qt::ArrowCursor));
        QCOMPARE(ModalAnswerer::CursorShape(), -1);
        QVERIFY(!w.enabled("Label6") && !w.enabled("Label8"));
        QCOMPARE(w.text("Label6"), QString("0"));

        w.click("Button2");
        QStringList lowerNames = w.column("ListView4", 1);
        lowerNames.sort();
        QCOMPARE(lowerNames, (QStringList{"a1", "a2"}));
        QCOMPARE(w.column("ListView4", 0)[0], tree_.path() + "/A/");
        QCOMPARE(w.text("Label6"), QString::number(kFiles));
        QVERIFY(w.enabled("Label6") && w.enabled("Label8"));

        // Sorted, then a folder edited in place: the edit lands on that row of that list.
        w.clickHeader("ListView3", 2);
        w.clickRow("ListView3", 3);
        const QStringList folders = w.column("ListView3", 0);
        const QString name = w.column("ListView3", 1)[3];
        QTest::keyClick(w.view("ListView3"), Qt::Key_F2);
        QLineEdit* editor = w.view("ListView3")->Editor();
        QCOMPARE(editor->text(), folders[3]);
        QTest::keyClicks(editor, "/ailleurs/");
        QTest::keyClick(editor, Qt::Key_Return);
        QStringList edited = folders;
        edited[3] = "/ailleurs/";
        QCOMPARE(w.column("ListView3", 0), edited);
        // A sort on the folders takes the edit, and the selection follows its row.
        w.clickHeader("ListView3", 0);
        QCOMPARE(w.view("ListView3")->CurrentRow(), 0u);
        QCOMPARE(w.column("ListView3", 0)[0], "/ailleurs/");
        QCOMPARE(w.column("ListView3", 1)[0], name);

        w.walk(tree_.filePath("A"));  // a new walk clears both lists
        QCOMPARE(w.rows("ListView3") + w.rows("ListView4"), 0);
    }

    // Keys pressed while a step runs: only Escape stops it, and a stop sticks.
    void stopKey_data()
    {
        QTest::addColumn<bool>("search");
        QTest::addColumn<QList<int>>("keys");
        for (bool search : {false, true}) {
            const char* step = search ? "search" : "walk";
            QTest::addRow("%s: Escape", step) << search << QList<int>{Qt::Key_Escape};
            QTest::addRow("%s: Escape then A", step) << search << QList<int>{Qt::Key_Escape, Qt::Key_A};
            QTest::addRow("%s: A", step) << search << QList<int>{Qt::Key_A};
        }
    }

    void stopKey()
    {
        QFETCH(bool, search);
        QFETCH(QList<int>, keys);
        const bool stopped = keys.first() == Qt::Key_Escape;
        Window w;
        const auto pressKeys = [&w, keys] {
            for (int key : keys)
                QTest::keyClick(w.form.focusWidget(), Qt::Key(key));
        };
        auto* bar = w.child<QProgressBar>("ProgressBar1");
        w.answerer.Snapshot = [&w, bar] {
            return QStringList{w.text("Label5"), w.text("Label6"), QString::number(bar->value()),
                               QString::number(bar->maximum())}.join(' ');
        };
        w.runStep(search, tree_.path(), pressKeys);
        const char* messages[2][2] = {{"Parcours terminé.", "Parcours interrompu."},
                                      {"Recherche terminée.", "Recherche interrompue."}};
        QCOMPARE(w.answerer.Texts(), QStringList{messages[search][stopped]});
        QCOMPARE(w.answerer.Messages[0].caption, stopped ? "Avertissement" : "Information");
        const int entries = int(w.form.FileCatalogue().size());
        const int done = search ? w.rows("ListView3") + w.rows("ListView4") : entries;
        const int all = search ? kUpperRows + kLowerRows : kFiles;
        QVERIFY(stopped ? done == 0 : done == all);
        // Under the message, the counters and the bar already show their final values: a stop in
        // the first pass completes nothing, and leaves the bar on the first entry of a search. The
        // bar's range is never empty, or it would show busy.
        const int completed = search && !stopped ? entries : 0;
        QCOMPARE(w.answerer.Messages[0].shown, QString("%1 %2 %3 %4").arg(entries).arg(completed)
                                                   .arg(search && stopped ? 1 : 0).arg(std::max(entries, 1)));
        QCOMPARE(w.enabled("Button2"), search || !stopped);
        QVERIFY(w.enabled("Button1") && w.child("ProgressBar1")->isHidden());

        // Once the step is over, no key changes a flag.
        const auto stops = [&w] { return std::pair(w.form.Flags.WalkStop, w.form.Flags.SearchStop); };
        const auto before = stops();
        pressKeys();
        QVERIFY(stops() == before && !w.form.Flags.WalkRunning);
    }

    // Each column index alternates its direction across both lists.
    void columnSorts()
    {
        Window w;
        w.walk(tree_.path());
        w.click("Button2");
        w.clickHeader("ListView3", 2);
        QCOMPARE(w.column("ListView3", 2), (QStringList{"5000", "5000", "900", "900", "900", "900", "10", "10"}));
        w.clickHeader("ListView3", 2);
        QCOMPARE(w.column("ListView3", 2), (QStringList{"10", "10", "900", "900", "900", "900", "5000", "5000"}));
        w.clickHeader("ListView3", 1);
        const QStringList names = w.column("ListView3", 1);
        QVERIFY(std::is_sorted(names.begin(), names.end()));
        w.clickHeader("ListView4", 1);
        QCOMPARE(w.column("ListView4", 1), (QStringList{"a2", "a1"}));
        w.clickHeader("ListView4", 1);
        QCOMPARE(w.column("ListView4", 1), (QStringList{"a1", "a2"}));
    }

    // Enter presses the focused button, as Space does; in a field it starts nothing.
    void enterKey_data()
    {
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("opened");  // the boxes that open: their text, or a dialog's caption
        const int enter = Qt::Key_Return;
        const int keypadEnter = Qt::Key_Enter;
        QTest::newRow("step 1") << QByteArray("Button1") << enter << QStringList{"Parcours terminé."};
        QTest::newRow("?") << QByteArray("Button3") << keypadEnter << QStringList{"A propos de Jumelix"};
        QTest::newRow("folder field") << QByteArray("DirectoryEdit1") << enter << QStringList();
        QTest::newRow("filter field") << QByteArray("Edit2") << keypadEnter << QStringList();
    }

    void enterKey()
    {
        QFETCH(QByteArray, control);
        QFETCH(int, key);
        QFETCH(QStringList, opened);
        Window w;
        TForm2 about(&w.form);
        w.form.SetAboutBox(&about);
        QStringList dialogs;
        w.answerer.OnDialog = [&dialogs](QWidget* dialog) {
            dialogs << dialog->windowTitle();
            static_cast<QDialog*>(dialog)->reject();
        };
        w.field()->setText(tree_.path());
        w.child(control)->setFocus();
        QTest::keyClick(w.child(control), Qt::Key(key));
        QCOMPARE(w.answerer.Texts() + dialogs, opened);
    }

    // Under a C locale (as the tests run) texts still sort by the Unicode rules, not by code points.
    void collation()
    {
        QStringList folders{"f", "é", "B", "a"};
        std::sort(folders.begin(), folders.end(), TextCollator());
        QCOMPARE(folders, (QStringList{"a", "B", "é", "f"}));
    }

    // The walk takes the folder the field shows; the browse dialog changes it only on "OK".
    void folderField()
    {
        Window w;
        const QString b = tree_.filePath("B");
        const QString d = tree_.filePath("D");
        const QString nowhere = tree_.filePath("nowhere");
        w.walk(b);
        QCOMPARE(w.form.FileCatalogue().size(), 1u);

        // Cancelled: nothing changes. A folder that does not exist opens the dialog at the root.
        QString opened;
        w.answerer.OnDialog = [&opened](QWidget* dialog) {
            opened = static_cast<FolderDialog*>(dialog)->OpenFolder();
            QTest::keyClick(dialog, Qt::Key_Escape);
        };
        w.field()->setText(nowhere);
        w.browse();
        QCOMPARE(opened, "/");
        QCOMPARE(w.field()->text(), nowhere);
        QCOMPARE(w.form.ScanFolderPath, b.toStdString());

        // Enter in the tree opens a folder without closing the dialog; "OK" gives it back.
        w.answerer.OnDialog = [&opened, d](QWidget* widget) {
            auto* dialog = static_cast<FolderDialog*>(widget);
            opened = dialog->OpenFolder();
            auto* tree = dialog->findChild<QTreeView*>();
            tree->setCurrentIndex(static_cast<QFileSystemModel*>(tree->model())->index(d));
            QTest::keyClick(tree, Qt::Key_Return);
            QVERIFY(dialog->isVisible());
            dialog->accept();
        };
        w.field()->setText(b);
        w.browse();
        QCOMPARE(opened, b);
        QCOMPARE(w.field()->text(), d);
        QCOMPARE(w.form.ScanFolderPath, d.toStdString());
    }

    // Every text of both windows fits its control, in the windows' face.
    void textsFit()
    {
        Window w;
        TForm2 about(&w.form);  // the main window's child, as in the program
        const QString face = QFontInfo(WindowFont(11, false)).family();
        QStringList misfits;
        for (QWidget* control : w.form.findChildren<QWidget*>()) {
            QString text;
            int room = 0;
            if (auto* label = qobject_cast<QLabel*>(control)) {
                text = label->text();
                room = label->contentsRect().width();
            } else if (qobject_cast<QPushButton*>(control) || qobject_cast<QCheckBox*>(control)) {
                auto* button = static_cast<QAbstractButton*>(control);
                QStyleOptionButton option;
                option.initFrom(button);
                const bool box = qobject_cast<QCheckBox*>(button) != nullptr;
                text = button->text();
                const auto contents = box ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents;
                room = button->style()->subElementRect(contents, &option, button).width();
            }
            // A trailing blank that does not fit hides nothing.
            const QFont font = control->font();
            const int width = QFontMetrics(font).horizontalAdvance(text.trimmed());
            if (!text.isEmpty() && (QFontInfo(font).family() != face || width > room))
                misfits << control->objectName();
        }
        QCOMPARE(misfits, QStringList());
    }

    // Step 1 refuses a folder it cannot walk and changes nothing else; an error inside the
    // walk ends it as a stop would. Either way the error box is all that shows.
    void walkErrors_data()
    {
        QTest::addColumn<QString>("folder");   // in the tree
        QTest::addColumn<QByteArray>("files");  // what the file system does: denies the folder, fails
        QTest::addColumn<QString>("message");
        QTest::newRow("empty field") << QString() << QByteArray()
                                     << "Aucun dossier à parcourir\u00a0: indiquez un dossier.";
        QTest::newRow("typo") << "r.txt/A" << QByteArray() << "Le dossier «\u00a0%1\u00a0» n'existe pas.";
        QTest::newRow("a file") << "r.txt" << QByteArray() << "«\u00a0%1\u00a0» n'est pas un dossier.";
        QTest::newRow("missing") << "nowhere" << QByteArray()
                                 << "Le dossier «\u00a0%1\u00a0» n'existe pas.";
        QTest::newRow("cannot be opened")
            << "A" << QByteArray("denies")
            << "Le dossier «\u00a0%1\u00a0» ne peut pas être ouvert\u00a0: accès refusé.";
        QTest::newRow("error in the walk") << "A" << QByteArray("fails") << "Panne simulée.";
    }

    void walkErrors()
    {
        QFETCH(QString, folder);
        QFETCH(QByteArray, files);
        QFETCH(QString, message);
        Window w;
        w.walk(tree_.path());
        w.click("Button2");
        const auto state = [&w] {
            return QStringList{QString::number(w.form.FileCatalogue().size()), w.text("Label5"),
                               w.text("Label6"), QString::number(w.rows("ListView3") + w.rows("ListView4")),
                               w.enabled("Button2") ? "step 2 on" : "step 2 off"};
        };
        const QStringList before = state();
        w.answerer.Messages.clear();
        if (files == "denies")
            w.files->check = FolderCheck::AccessDenied;
        if (files == "fails")
            w.files->beforeList = [] { throw std::runtime_error("Panne simulée"); };
        const QString path = folder.isEmpty() ? folder : tree_.filePath(folder);
        w.walk(path);
        QCOMPARE(w.answerer.Texts(), QStringList{message.arg(path)});
        QCOMPARE(w.answerer.Messages[0].icon, QMessageBox::Critical);
        QCOMPARE(state(), files == "fails" ? QStringList({"0", "0", "0", "0", "step 2 off"}) : before);
        QVERIFY(w.enabled("Button1") && w.child("Label11")->isHidden());
        QVERIFY(!w.form.Flags.WalkRunning && !w.form.Flags.WalkStop);
        QCOMPARE(ModalAnswerer::CursorShape(), -1);
    }

    // A step button clicked during a search, or the window closed during a step, stops
    // that step without its message; the clicked step then runs, the closed window goes.
    void interruptedStep_data()
    {
        QTest::addColumn<bool>("search");
        QTest::addColumn<QByteArray>("button");  // none: the window is closed
        QTest::addColumn<QString>("message");
        QTest::newRow("step 2 during search") << true << QByteArray("Button2") << "Recherche terminée.";
        QTest::newRow("step 1 during search") << true << QByteArray("Button1") << "Parcours terminé.";
        QTest::newRow("close during walk") << false << QByteArray() << QString();
        QTest::newRow("close during search") << true << QByteArray() << QString();
    }

    void interruptedStep()
    {
        QFETCH(bool, search);
        QFETCH(QByteArray, button);
        QFETCH(QString, message);
        Window w;
        w.runStep(search, tree_.path(), [&w, button] {
            button.isEmpty() ? void(w.form.close()) : w.click(button.constData());
        });
        QCOMPARE(w.answerer.Texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(w.form.isVisible(), !button.isEmpty());
        const int rows = w.rows("ListView3");
        const int entries = int(w.form.FileCatalogue().size());
        if (button.isEmpty()) {
            QVERIFY(search ? rows < kUpperRows : entries < kFiles);
        } else {
            QCOMPARE(rows, button == "Button2" ? kUpperRows : 0);
            QCOMPARE(entries, kFiles);
        }
    }

    // A list longer than 2^31 rows: keys reach its last row, screen readers as far as they count.
    void longList()
    {
        Window w;
        Catalogue& catalogue = w.form.FileCatalogue();
        constexpr std::uint64_t kEntries = 46342;  // kEntries * (kEntries - 1) upper rows > 2^31
        for (std::uint64_t i = 0; i < kEntries; ++i)
            catalogue.Append(catalogue.AddFolder("/e/" + std::to_string(i) + "/"), "same.bin", 7);
        w.form.Button2Click();
        ResultView* upper = w.view("ListView3");
        const std::uint64_t rows = kEntries * (kEntries - 1);
        const std::uint64_t page = upper->PageRows();
        QScrollBar* bar = upper->verticalScrollBar();
        QCOMPARE(upper->RowCount(), rows);
        struct Step {
            Qt::Key key;
            std::uint64_t current, first;
            int bar;
        };
        for (const Step& step : {Step{Qt::Key_End, rows - 1, rows - page, bar->maximum()},
                                 Step{Qt::Key_Home, 0, 0, 0}, Step{Qt::Key_PageDown, page, 1, 0}}) {
            QTest::keyClick(upper, step.key);
            QCOMPARE(upper->CurrentRow(), step.current);
            QCOMPARE(upper->FirstRow(), step.first);
            QCOMPARE(bar->value(), step.bar);
        }
        // Row r lists partner r % (n-1) of outer entry r / (n-1), the outer entry itself left out.
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(upper);
        QCOMPARE(table->tableInterface()->rowCount(), INT_MAX);
        const std::uint64_t far = INT_MAX - 1, outer = far / (kEntries - 1), rank = far % (kEntries - 1);
        QCOMPARE(table->tableInterface()->cellAt(int(far), 0)->text(QAccessible::Name),
                 QString("/e/%1/").arg(rank < outer ? rank : rank + 1));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"

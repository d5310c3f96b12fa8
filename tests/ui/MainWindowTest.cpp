#include "ModalAnswerer.h"
#include "FolderDialog.h"
#include "ResultModel.h"
#include "Unit1.h"
#include "Unit2.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <functional>
#include <memory>

using namespace jumelix;

namespace {

struct FileSpec {
    const char* path;
    qint64 size;
};

// Eight files: equal sizes across folders (upper list) and within folder A (lower list).
const FileSpec kTree[] = {
    {"r.txt", 1}, {"A/a1", 900}, {"A/a2", 900}, {"B/b1", 900},
    {"C/c", 10},  {"C/e", 5000}, {"D/d", 10},   {"D/f", 5000},
};
constexpr int kTreeFiles = 8;
constexpr int kUpperRows = 8;  // 900: 2+2, 10: 2, 5000: 2
constexpr int kLowerRows = 2;  // a1 and a2

void MakeTree(const QString& root)
{
    for (const FileSpec& spec : kTree) {
        const QString path = root + u'/' + QString::fromUtf8(spec.path);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(spec.size));
    }
}

// Runs `action` once, in the first event pass where `ready` holds: used to act
// inside the pumps of a running step.
void DoWhen(std::function<bool()> ready, std::function<void()> action)
{
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, ready, action] {
        if (!ready())
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start();
}

// The main window as the user meets it, with its message boxes answered.
struct Window {
    TForm1 form;
    ModalAnswerer answerer;
    QAbstractItemModelTester upperTester{view("ListView3")->model(),
                                         QAbstractItemModelTester::FailureReportingMode::QtTest};
    QAbstractItemModelTester lowerTester{view("ListView4")->model(),
                                         QAbstractItemModelTester::FailureReportingMode::QtTest};

    Window()
    {
        form.show();
        form.activateWindow();
        [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(&form);
    }

    template <typename T = QWidget>
    T* child(const char* name)
    {
        return form.findChild<T*>(QString::fromLatin1(name));
    }
    QLabel* label(const char* name) { return child<QLabel>(name); }
    QPushButton* button(const char* name) { return child<QPushButton>(name); }
    QTreeView* view(const char* name) { return child<QTreeView>(name); }
    QLineEdit* folderField() { return child<QLineEdit>("DirectoryEdit1"); }
    int rows(const char* list) { return view(list)->model()->rowCount(); }
    QString cell(const char* list, int row, int column)
    {
        QAbstractItemModel* model = view(list)->model();
        return model->data(model->index(row, column)).toString();
    }
    QStringList column(const char* list, int column)
    {
        QStringList texts;
        for (int row = 0; row < rows(list); ++row)
            texts << cell(list, row, column);
        return texts;
    }
    void press(int key)
    {
        QWidget* target = form.focusWidget() != nullptr ? form.focusWidget() : &form;
        QTest::keyClick(target, static_cast<Qt::Key>(key));
    }
    void walk(const QString& folder)
    {
        folderField()->setText(folder);
        QTest::mouseClick(button("Button1"), Qt::LeftButton);
    }
    void clickHeader(const char* list, int section)
    {
        QHeaderView* header = view(list)->header();
        const QPoint at(header->sectionViewportPosition(section) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
};

bool SizesOrdered(const QStringList& sizes, bool largestFirst)
{
    for (int i = 1; i < sizes.size(); ++i) {
        const qint64 previous = sizes[i - 1].toLongLong();
        const qint64 current = sizes[i].toLongLong();
        if (largestFirst ? previous < current : previous > current)
            return false;
    }
    return true;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;
    QTemporaryDir tree_;
    QString documents_;

    void writeUserDirs(const QByteArray& line)
    {
        QDir().mkpath(home_.path() + "/.config");
        QFile file(home_.path() + "/.config/user-dirs.dirs");
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(line);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(home_.isValid() && tree_.isValid());
        QCoreApplication::setApplicationName(QStringLiteral("Jumelix"));
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toUtf8());
        documents_ = home_.path() + "/Docs";
        QVERIFY(QDir().mkpath(documents_));
        MakeTree(tree_.path());
    }

    void init() { writeUserDirs("XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n"); }

    void startState()
    {
        Window w;
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Jumelix"));
        QCOMPARE(w.form.size(), QSize(648, 550));
        QCOMPARE(w.form.minimumSize(), w.form.maximumSize());
        QVERIFY(!(w.form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.folderField()->text(), documents_);
        QCOMPARE(w.form.ScanFolderPath, documents_.toStdString());
        QCOMPARE(w.form.focusWidget(), w.folderField());
        QVERIFY(w.button("Button1")->isEnabled());
        QVERIFY(!w.button("Button2")->isEnabled());
        QCOMPARE(w.label("Label5")->text(), QStringLiteral(" "));
        QCOMPARE(w.label("Label6")->text(), QStringLiteral(" "));
        QVERIFY(!w.label("Label6")->isEnabled() && !w.label("Label8")->isEnabled());
        for (const char* hidden : {"Label9", "Label11", "ProgressBar1"})
            QVERIFY2(w.child(hidden)->isHidden(), hidden);
        QCOMPARE(w.child<QLineEdit>("Edit2")->text(), QStringLiteral("*.*"));
        QVERIFY(w.child<QCheckBox>("CheckBox8")->isChecked());
        QCOMPARE(w.rows("ListView3") + w.rows("ListView4"), 0);
        QVERIFY(w.answerer.Messages.empty());

        const auto accessibleName = [](QWidget* widget) {
            return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
        };
        QCOMPARE(accessibleName(w.folderField()), QStringLiteral("Dossier :"));
        QCOMPARE(accessibleName(w.child("Edit2")), QStringLiteral("Filtre :"));
        QCOMPARE(accessibleName(w.view("ListView3")), QStringLiteral("Noms identiques"));
        QCOMPARE(accessibleName(w.view("ListView4")), QStringLiteral("Tailles identiques"));
        QCOMPARE(accessibleName(w.label("Label7")), QStringLiteral("Nombre de fichiers trouvés : "));
    }

    // The documents setting decides the start folder, or a box tells why there is none.
    void startFolderFailures_data()
    {
        QTest::addColumn<QByteArray>("userDirs");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");
        QTest::newRow("setting naming no folder") << QByteArray("XDG_DOCUMENTS_DIR=\"/nowhere/at/all\"\n")
                                    << QStringLiteral("Erreur Mes documents")
                                    << int(QMessageBox::NoIcon);
        QTest::newRow("setting of another type")
            << QByteArray("XDG_DOCUMENTS_DIR=$HOME/Docs\n")
            << QStringLiteral("Type de données incorrect pour 'XDG_DOCUMENTS_DIR'")
            << int(QMessageBox::Critical);
    }

    void startFolderFailures()
    {
        QFETCH(QByteArray, userDirs);
        QFETCH(QString, text);
        QFETCH(int, icon);
        writeUserDirs(userDirs);
        ModalAnswerer early;  // the box comes while the window is being created
        Window w;
        QCOMPARE(early.Messages.size(), 1u);
        QCOMPARE(early.Messages[0].caption, QStringLiteral("Jumelix"));
        QCOMPARE(early.Messages[0].text, text);
        QCOMPARE(int(early.Messages[0].icon), icon);
        QCOMPARE(early.Messages[0].buttons, 1);
        QCOMPARE(w.folderField()->text(), QString());
        QVERIFY(w.form.ScanFolderPath.empty());
        QVERIFY(w.form.isVisible());
    }

    void walkThenSearch()
    {
        Window w;
        int cursorDuringWalk = -1;
        DoWhen([&w] { return w.form.Flags.WalkRunning; }, [&cursorDuringWalk] {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            cursorDuringWalk = cursor != nullptr ? int(cursor->shape()) : -1;
        });
        w.walk(tree_.path());
        // Hourglass during the walk, the default cursor over its message, none after.
        QCOMPARE(cursorDuringWalk, int(Qt::WaitCursor));
        QCOMPARE(w.answerer.Messages[0].cursor, int(Qt::ArrowCursor));
        QCOMPARE(w.answerer.Texts(), QStringList{QStringLiteral("Parcours terminé.")});
        QCOMPARE(w.answerer.Messages[0].caption, QStringLiteral("Information"));
        QCOMPARE(int(w.answerer.Messages[0].icon), int(QMessageBox::Information));
        QCOMPARE(w.label("Label5")->text(), QString::number(kTreeFiles));
        QCOMPARE(w.form.FilesAdded, kTreeFiles);
        QCOMPARE(w.child<QProgressBar>("ProgressBar1")->maximum(), kTreeFiles);
        QVERIFY(w.button("Button1")->isEnabled() && w.button("Button2")->isEnabled());
        QVERIFY(w.label("Label11")->isHidden());
        QVERIFY(!w.label("Label6")->isEnabled());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

        QTest::mouseClick(w.button("Button2"), Qt::LeftButton);
        QCOMPARE(w.answerer.Texts().last(), QStringLiteral("Recherche terminée."));
        QCOMPARE(w.rows("ListView3"), kUpperRows);
        QCOMPARE(w.rows("ListView4"), kLowerRows);
        const QStringList lowerNames = w.column("ListView4", 1);
        QCOMPARE(QSet<QString>(lowerNames.begin(), lowerNames.end()), (QSet<QString>{"a1", "a2"}));
        QCOMPARE(w.cell("ListView4", 0, 0), tree_.path() + "/A/");
        QCOMPARE(w.label("Label6")->text(), QString::number(kTreeFiles));
        QVERIFY(w.label("Label6")->isEnabled() && w.label("Label8")->isEnabled());
        QVERIFY(w.label("Label9")->isHidden() && w.child("ProgressBar1")->isHidden());

        // The folder column is edited in place, in that list only.
        QAbstractItemModel* lower = w.view("ListView4")->model();
        QVERIFY(lower->flags(lower->index(0, 0)) & Qt::ItemIsEditable);
        QVERIFY(!(lower->flags(lower->index(0, 1)) & Qt::ItemIsEditable));
        QVERIFY(lower->setData(lower->index(0, 0), QStringLiteral("/ailleurs/")));
        QCOMPARE(w.cell("ListView4", 0, 0), QStringLiteral("/ailleurs/"));
        QCOMPARE(w.form.LowerList().Row(0).Folder, std::string("/ailleurs/"));

        // A new walk clears both lists.
        w.walk(tree_.path() + "/A");
        QCOMPARE(w.rows("ListView3") + w.rows("ListView4"), 0);
        QCOMPARE(w.label("Label5")->text(), QStringLiteral("2"));
        QVERIFY(!w.label("Label6")->isEnabled());
    }

    // Keys pressed while a step runs: only Escape stops it, and a stop sticks.
    void stopKey_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<bool>("stopped");
        QTest::newRow("Escape") << QList<int>{Qt::Key_Escape} << true;
        QTest::newRow("Escape then A") << QList<int>{Qt::Key_Escape, Qt::Key_A} << true;
        QTest::newRow("A only") << QList<int>{Qt::Key_A} << false;
    }

    void stopKey()
    {
        QFETCH(QList<int>, keys);
        QFETCH(bool, stopped);
        Window w;
        const auto pressKeys = [&w, keys] {
            for (int key : keys)
                w.press(key);
        };
        DoWhen([&w] { return w.form.Flags.WalkRunning; }, pressKeys);
        w.walk(tree_.path());
        QCOMPARE(w.answerer.Texts(), QStringList{stopped ? QStringLiteral("Parcours interrompu.")
                                                         : QStringLiteral("Parcours terminé.")});
        QCOMPARE(w.answerer.Messages[0].caption,
                 stopped ? QStringLiteral("Avertissement") : QStringLiteral("Information"));
        const int entries = int(w.form.FileCatalogue().size());
        QCOMPARE(entries < kTreeFiles, stopped);
        QCOMPARE(w.label("Label5")->text(), QString::number(entries));
        QCOMPARE(w.form.FilesAdded, entries);
        QCOMPARE(w.child<QProgressBar>("ProgressBar1")->maximum(), entries);
        QCOMPARE(w.button("Button2")->isEnabled(), !stopped);
        QVERIFY(!w.form.Flags.WalkRunning && !w.form.Flags.WalkStop);
        if (stopped)
            return;

        DoWhen([&w] { return w.form.Flags.SearchRunning; }, pressKeys);
        QTest::mouseClick(w.button("Button2"), Qt::LeftButton);
        QCOMPARE(w.answerer.Texts().last(), QStringLiteral("Recherche terminée."));
        QCOMPARE(w.rows("ListView3"), kUpperRows);
    }

    void stopKeyDuringSearch_data() { stopKey_data(); }

    void stopKeyDuringSearch()
    {
        QFETCH(QList<int>, keys);
        QFETCH(bool, stopped);
        Window w;
        w.walk(tree_.path());
        DoWhen([&w] { return w.form.Flags.SearchRunning; }, [&w, keys] {
            for (int key : keys)
                w.press(key);
        });
        QTest::mouseClick(w.button("Button2"), Qt::LeftButton);
        QCOMPARE(w.answerer.Texts().last(), stopped ? QStringLiteral("Recherche interrompue.")
                                                    : QStringLiteral("Recherche terminée."));
        QCOMPARE(w.answerer.Messages.back().caption,
                 stopped ? QStringLiteral("Avertissement") : QStringLiteral("Information"));
        const int rows = w.rows("ListView3") + w.rows("ListView4");
        QCOMPARE(rows < kUpperRows + kLowerRows, stopped);
        QCOMPARE(quint64(w.rows("ListView3")), w.form.UpperList().RowCount());
        QVERIFY(w.label("Label9")->isHidden() && w.child("ProgressBar1")->isHidden());
        QVERIFY(w.button("Button1")->isEnabled() && w.button("Button2")->isEnabled());
    }

    void escapeWithoutStepChangesNothing()
    {
        Window w;
        w.press(Qt::Key_Escape);
        w.walk(tree_.path());
        w.press(Qt::Key_Escape);
        QCOMPARE(w.answerer.Texts(), QStringList{QStringLiteral("Parcours terminé.")});
        const RunFlags& flags = w.form.Flags;
        QVERIFY(!flags.WalkRunning && !flags.WalkStop && !flags.SearchRunning && !flags.SearchStop);
        QVERIFY(w.button("Button2")->isEnabled());
    }

    // Each column index alternates its direction across both lists.
    void columnSorts()
    {
        Window w;
        w.walk(tree_.path());
        QTest::mouseClick(w.button("Button2"), Qt::LeftButton);
        QCOMPARE(w.rows("ListView3"), kUpperRows);

        w.clickHeader("ListView3", 2);
        QVERIFY(SizesOrdered(w.column("ListView3", 2), true));
        QCOMPARE(w.cell("ListView3", 0, 2), QStringLiteral("5000"));
        w.clickHeader("ListView3", 2);
        QVERIFY(SizesOrdered(w.column("ListView3", 2), false));
        QCOMPARE(w.cell("ListView3", 0, 2), QStringLiteral("10"));

        w.clickHeader("ListView3", 1);
        QStringList names = w.column("ListView3", 1);
        QCOMPARE(names.first(), QStringLiteral("a1"));
        // The same column index of the other list goes on alternating: decreasing now.
        w.clickHeader("ListView4", 1);
        QCOMPARE(w.column("ListView4", 1), (QStringList{"a2", "a1"}));
        w.clickHeader("ListView4", 1);
        QCOMPARE(w.column("ListView4", 1), (QStringList{"a1", "a2"}));

        w.clickHeader("ListView3", 0);
        const QStringList folders = w.column("ListView3", 0);
        QCOMPARE(folders.first(), tree_.path() + "/A/");
        QCOMPARE(folders.last(), tree_.path() + "/D/");
    }

    // The walk takes the folder the field shows; the browse dialog changes it only on "OK".
    void folderField()
    {
        Window w;
        const QString a = tree_.path() + "/A";
        const QString b = tree_.path() + "/B";

        // Typed and walked without browsing.
        w.walk(b);
        QCOMPARE(w.form.ScanFolderPath, b.toStdString());
        QCOMPARE(w.form.FileCatalogue().size(), 1u);

        // Cancelled: nothing changes.
        w.folderField()->setText(a);
        w.answerer.OnDialog = [](QWidget* dialog) {
            static_cast<FolderDialog*>(dialog)->Open(QStringLiteral("/"));
            QTest::keyClick(dialog, Qt::Key_Escape);
        };
        QTest::keyClick(w.folderField(), Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(w.folderField()->text(), a);
        QCOMPARE(w.form.ScanFolderPath, b.toStdString());

        // Enter in the tree opens a folder without closing the dialog; "OK" gives it back.
        QString openedBeforeOk;
        w.answerer.OnDialog = [&](QWidget* widget) {
            auto* dialog = static_cast<FolderDialog*>(widget);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Sélection du répertoire"));
            QCOMPARE(dialog->OpenFolder(), a);
            auto* tree = dialog->findChild<QTreeView*>();
            auto* model = static_cast<QFileSystemModel*>(tree->model());
            tree->setCurrentIndex(model->index(tree_.path() + "/D"));
            QTest::keyClick(tree, Qt::Key_Return);
            QVERIFY(dialog->isVisible());
            openedBeforeOk = dialog->OpenFolder();
            const auto buttons = dialog->findChildren<QPushButton*>();
            for (QPushButton* button : buttons) {
                if (button->text() == QStringLiteral("OK"))
                    button->click();
            }
        };
        QTest::keyClick(w.folderField(), Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(openedBeforeOk, tree_.path() + "/D");
        QCOMPARE(w.folderField()->text(), tree_.path() + "/D");
        QCOMPARE(w.form.ScanFolderPath, (tree_.path() + "/D").toStdString());

        // A folder that does not exist opens the dialog at the root.
        w.folderField()->setText(tree_.path() + "/nowhere");
        QString opened;
        w.answerer.OnDialog = [&opened](QWidget* dialog) {
            opened = static_cast<FolderDialog*>(dialog)->OpenFolder();
            static_cast<QDialog*>(dialog)->reject();
        };
        QTest::keyClick(w.folderField(), Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(opened, QStringLiteral("/"));
        QCOMPARE(w.folderField()->text(), tree_.path() + "/nowhere");
    }

    // A step button clicked during a search stops it silently and then runs.
    void stepButtonDuringSearch_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("rows");
        QTest::newRow("step 2 again") << "Button2" << "Recherche terminée." << kUpperRows;
        QTest::newRow("step 1") << "Button1" << "Parcours terminé." << 0;
    }

    void stepButtonDuringSearch()
    {
        QFETCH(QString, button);
        QFETCH(QString, message);
        QFETCH(int, rows);
        Window w;
        w.walk(tree_.path());
        w.answerer.Messages.clear();
        QPushButton* clicked = w.button(button.toLatin1().constData());
        DoWhen([&w] { return w.form.Flags.SearchRunning; },
               [clicked] { QTest::mouseClick(clicked, Qt::LeftButton); });
        QTest::mouseClick(w.button("Button2"), Qt::LeftButton);
        QCOMPARE(w.answerer.Texts(), QStringList{message});
        QCOMPARE(w.rows("ListView3"), rows);
        QCOMPARE(w.form.FileCatalogue().size(), size_t(kTreeFiles));
    }

    // A list longer than a view can count: shown a page at a time, and said so.
    void longLists()
    {
        Window w;
        Catalogue& catalogue = w.form.FileCatalogue();
        constexpr int kFiles = 46342;  // kFiles * (kFiles - 1) upper rows > INT_MAX
        for (int i = 0; i < kFiles; ++i)
            catalogue.Append(catalogue.AddFolder("/e/" + std::to_string(i) + "/"), "same.bin", 7);
        w.form.Button2Click();
        QCOMPARE(w.answerer.Texts(), QStringList{QStringLiteral("Recherche terminée.")});
        QVERIFY(w.form.UpperList().RowCount() > quint64(INT_MAX));
        // Whole pages only (the model tester fetches too), far fewer than the list's rows.
        const int shown = w.rows("ListView3");
        QVERIFY(shown >= ResultModel::kPageRows && shown % ResultModel::kPageRows == 0);
        QVERIFY(shown <= 4 * ResultModel::kPageRows);
        QVERIFY(!w.view("ListView3")->toolTip().isEmpty());
        QCOMPARE(w.view("ListView3")->accessibleDescription(), w.view("ListView3")->toolTip());
        QVERIFY(w.view("ListView4")->toolTip().isEmpty());

        // Scrolled to its end, the view fetches the next page.
        w.view("ListView3")->scrollToBottom();
        QTRY_VERIFY(w.rows("ListView3") > shown);
        const int fetched = w.rows("ListView3");
        QCOMPARE(w.cell("ListView3", fetched - 1, 1), QStringLiteral("same.bin"));

        // The whole list is sorted, not only the rows shown; the next step empties it.
        w.clickHeader("ListView3", 0);
        QVERIFY(w.rows("ListView3") >= fetched);
        QCOMPARE(w.cell("ListView3", 0, 0), QStringLiteral("/e/0/"));
        w.walk(tree_.path());
        QCOMPARE(w.rows("ListView3"), 0);
        QVERIFY(w.view("ListView3")->toolTip().isEmpty());
    }

    // Closing the window stops the running step; the window goes once it has
    // returned, without the step's message.
    void closeDuringStep_data()
    {
        QTest::addColumn<bool>("search");
        QTest::newRow("walk") << false;
        QTest::newRow("search") << true;
    }

    void closeDuringStep()
    {
        QFETCH(bool, search);
        Window w;
        if (search)
            w.walk(tree_.path());
        w.answerer.Messages.clear();
        DoWhen([&w, search] { return search ? w.form.Flags.SearchRunning : w.form.Flags.WalkRunning; },
               [&w] { w.form.close(); });
        if (search)
            QTest::mouseClick(w.button("Button2"), Qt::LeftButton);
        else
            w.walk(tree_.path());
        QVERIFY(w.answerer.Messages.empty());
        QVERIFY(!w.form.isVisible());
        if (search)
            QVERIFY(w.rows("ListView3") < kUpperRows);
        else
            QVERIFY(w.form.FileCatalogue().size() < size_t(kTreeFiles));
    }

    void aboutBox()
    {
        Window w;
        TForm2 about(&w.form);
        w.form.SetAboutBox(&about);
        QString caption;
        w.answerer.OnDialog = [&caption](QWidget* dialog) {
            caption = dialog->windowTitle();
            static_cast<QDialog*>(dialog)->reject();
        };
        QTest::mouseClick(w.button("Button3"), Qt::LeftButton);
        QCOMPARE(caption, QStringLiteral("A propos de Jumelix"));
        QCOMPARE(w.button("Button3")->toolTip(), QStringLiteral("A propos..."));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"

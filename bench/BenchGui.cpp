// jumelix-bench gui-walk / gui-search: a step run by the real window, offscreen.
#include "bench/Bench.h"

#include "catalogue/Catalogue.h"
#include "ui/ResultView.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <QKeyEvent>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QProgressBar>
#include <QScrollBar>
#include <QTimer>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>

namespace jumelix::bench {
namespace {

using Clock = std::chrono::steady_clock;

// The longest wait between two passes of the event loop: a 1 ms timer can
// only tick in such a pass, so the longest time between ticks is it (to 1 ms).
class GapMeter {
public:
    GapMeter()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            if (ticked_)
                longest_ = std::max(longest_, now - last_);
            last_ = now;
            ticked_ = true;
        });
        timer_.start();
    }
    double LongestMs() const { return std::chrono::duration<double, std::milli>(longest_).count(); }

private:
    QTimer timer_;
    Clock::time_point last_;
    Clock::duration longest_{};
    bool ticked_ = false;
};

// Closes each message box with its "OK" button as soon as it shows, as a
// user would, and prints its text.
class BoxCloser {
public:
    BoxCloser()
    {
        QObject::connect(&timer_, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                std::fprintf(stderr, "message: %s\n", qPrintable(box->text()));
                box->button(QMessageBox::Ok)->click();
            }
        });
        timer_.start(1);
    }

private:
    QTimer timer_;
};

struct StepRun {
    double seconds;
    double longestGapMs;
};

// Shows the window, lets it paint once, then times `step` (its closing
// message answered as soon as it shows) and the gaps between event passes;
// `after` runs once that is measured, with the window still up.
StepRun RunStep(char* program, const std::function<void(TForm1&)>& prepare,
                const std::function<void(TForm1&)>& step,
                const std::function<void(TForm1&)>& after = [](TForm1&) {})
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char* argv[] = {program, nullptr};
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Jumelix"));
    TForm1 form;
    const BoxCloser boxes;
    prepare(form);
    form.show();
    QCoreApplication::processEvents();

    GapMeter gaps;
    const auto start = Clock::now();
    step(form);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double longestGapMs = gaps.LongestMs();
    after(form);
    return {seconds, longestGapMs};
}

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct ScrollRun {
    double longestMs = 0;
    bool reachedEnds = true;
};

// Drags the upper list's scroll bar to 100 positions spread over it, the last
// one at the bottom, then presses End and Home; each move is timed to the end
// of its paint. The bottom, End and Home must show the list's ends.
ScrollRun ScrollUpperList(TForm1& form)
{
    auto* view = form.findChild<ResultView*>(QStringLiteral("ListView3"));
    QScrollBar* bar = view->verticalScrollBar();
    const std::uint64_t rows = view->RowCount();
    const auto lastRowShown = [view, rows] {
        return rows == 0 || view->FirstRow() + view->PageRows() >= rows;
    };
    ScrollRun run;
    const auto timed = [view, &run](const std::function<void()>& move) {
        const auto start = Clock::now();
        move();
        view->viewport()->repaint();
        run.longestMs = std::max(run.longestMs, MsSince(start));
    };
    bar->setSliderDown(true);
    for (int step = 1; step <= 100; ++step) {
        timed([bar, step] {
            bar->setSliderPosition(static_cast<int>(std::int64_t{bar->maximum()} * step / 100));
        });
    }
    bar->setSliderDown(false);
    run.reachedEnds = lastRowShown();
    for (const Qt::Key key : {Qt::Key_End, Qt::Key_Home}) {
        timed([view, key] {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(view, &press);
        });
        run.reachedEnds = run.reachedEnds &&
                          view->CurrentRow() == (key == Qt::Key_End ? rows - 1 : 0) &&
                          (key == Qt::Key_End ? lastRowShown() : view->FirstRow() == 0);
    }
    return run;
}

// Closes the open menu and takes its item, as a click on it does.
void TakeMenuItem(const QString& item)
{
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    menu->close();
    for (QAction* action : menu->actions()) {
        if (action->text().remove(QLatin1Char('&')) == item)
            action->trigger();
    }
}

// After a sort by folder, takes "Aller à son double" from the menu of 100
// random rows, opened with the menu key; each must land on the row whose
// paths are the other way round. Returns the slowest, or -1 on a wrong row.
double GoToDoubles(TForm1& form)
{
    auto* view = form.findChild<ResultView*>(QStringLiteral("ListView3"));
    if (view->RowCount() == 0)
        return 0;
    view->ClickColumn(0);
    std::mt19937_64 random(5);
    double longestMs = 0;
    for (int k = 0; k < 100; ++k) {
        view->SetCurrentRow(random() % view->RowCount());
        const QStringList paths = view->Description(view->CurrentRow()).split(QLatin1Char('\n'));
        const auto start = Clock::now();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Menu, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &press);
        TakeMenuItem(QStringLiteral("Aller à son double"));
        view->viewport()->repaint();
        longestMs = std::max(longestMs, MsSince(start));
        const QStringList landed = view->Description(view->CurrentRow()).split(QLatin1Char('\n'));
        if (paths.size() != 2 || landed.size() != 2 || !paths[1].endsWith(landed[0]) ||
            !landed[1].endsWith(paths[0]))
            return -1;
    }
    return longestMs;
}

}  // namespace

// Step 1 on DIR, and with `byContents` step 2 by contents after it.
int GuiSteps(int argc, char** argv, bool byContents)
{
    const bool cold = argc == 3 && std::strcmp(argv[1], "--cold") == 0;
    if (argc != 2 && !cold) {
        std::fprintf(stderr, "usage: jumelix-bench %s [--cold] DIR\n", byContents ? "gui-contents" : "gui-walk");
        return 2;
    }
    std::size_t entries = 0;
    std::uint64_t rows = 0;
    const StepRun run = RunStep(
        argv[0],
        [folder = QString::fromLocal8Bit(argv[argc - 1]), cold, byContents](TForm1& form) {
            form.findChild<QLineEdit*>(QStringLiteral("DirectoryEdit1"))->setText(folder);
            form.findChild<QCheckBox*>(QStringLiteral("CheckBox9"))->setChecked(byContents);
            if (cold)
                DropPageCache();  // once the window is made, as a user would start the step
        },
        [&entries, &rows, byContents](TForm1& form) {
            form.Button1Click();
            entries = form.FileCatalogue().size();
            if (byContents)
                form.Button2Click();
            rows = form.UpperList().RowCount();
        });
    if (byContents)
        std::printf("rows %llu seconds %.3f longest_gap_ms %.1f\n", static_cast<unsigned long long>(rows),
                    run.seconds, run.longestGapMs);
    else
        std::printf("entries %zu seconds %.3f longest_gap_ms %.1f\n", entries, run.seconds, run.longestGapMs);
    return 0;
}

int GuiWalk(int argc, char** argv)
{
    return GuiSteps(argc, argv, false);
}

int GuiContents(int argc, char** argv)
{
    return GuiSteps(argc, argv, true);
}

int GuiSearch(int argc, char** argv)
{
    if (MakeCatalogue(argc, argv, nullptr) == Made::None) {
        std::fprintf(stderr, "usage: jumelix-bench gui-search --synthetic N [--seed S]\n"
                             "       jumelix-bench gui-search --equal N\n");
        return 2;
    }
    std::uint64_t upper = 0;
    ScrollRun scroll;
    double doubleMs = 0;
    const StepRun run = RunStep(
        argv[0],
        [argc, argv](TForm1& form) {
            // As a walk would leave it.
            MakeCatalogue(argc, argv, &form.FileCatalogue());
            form.FilesAdded = static_cast<std::int32_t>(form.FileCatalogue().size());
            form.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))
                ->setMaximum(form.FilesAdded);
        },
        [&upper](TForm1& form) {
            form.Button2Click();
            upper = form.UpperList().RowCount();
        },
        [&scroll, &doubleMs](TForm1& form) {
            scroll = ScrollUpperList(form);
            doubleMs = GoToDoubles(form);
        });
    std::printf("rows %llu seconds %.3f longest_gap_ms %.1f scroll_ms_max %.1f double_ms_max %.1f "
                "peak_rss_kb %lld\n",
                static_cast<unsigned long long>(upper), run.seconds, run.longestGapMs,
                scroll.longestMs, doubleMs, static_cast<long long>(PeakRssKb()));
    if (!scroll.reachedEnds)
        std::fprintf(stderr, "the scroll bar, End or Home did not reach the end of the list\n");
    if (doubleMs < 0)
        std::fprintf(stderr, "\"Aller à son double\" landed on a wrong row\n");
    return scroll.reachedEnds && doubleMs >= 0 ? 0 : 1;
}

// Two files of one size, listed as doubles of each other: in two folders, or
// under two names in one.
int GuiCompare(int argc, char** argv)
{
    const bool cold = argc == 4 && std::strcmp(argv[1], "--cold") == 0;
    if (argc != 3 && !cold) {
        std::fprintf(stderr, "usage: jumelix-bench gui-compare [--cold] A B\n");
        return 2;
    }
    const std::string paths[] = {argv[argc - 2], argv[argc - 1]};
    struct stat st {};
    const std::uint64_t size = stat(paths[0].c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    const StepRun run = RunStep(
        argv[0],
        [&paths, size, cold](TForm1& form) {
            Catalogue& catalogue = form.FileCatalogue();
            for (const std::string& path : paths) {
                const std::size_t slash = path.rfind('/') + 1;
                catalogue.Append(catalogue.AddFolder(path.substr(0, slash)), path.substr(slash), size);
            }
            form.Button2Click();
            if (cold)
                DropPageCache();
        },
        [](TForm1& form) {
            auto* view = form.findChild<ResultView*>(QStringLiteral("ListView3"));
            if (view->RowCount() == 0)
                view = form.findChild<ResultView*>(QStringLiteral("ListView4"));
            view->SetCurrentRow(0);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Menu, Qt::NoModifier);
            QCoreApplication::sendEvent(view, &press);
            TakeMenuItem(QStringLiteral("Comparer avec son double"));
        });
    std::printf("bytes %llu seconds %.3f longest_gap_ms %.1f\n", static_cast<unsigned long long>(size),
                run.seconds, run.longestGapMs);
    return 0;
}

}  // namespace jumelix::bench

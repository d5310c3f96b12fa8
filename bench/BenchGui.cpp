// jumelix-bench gui-walk / gui-search: a step run by the real window, offscreen.
#include "Bench.h"

#include "ModalAnswerer.h"
#include "Unit1.h"

#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
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

struct StepRun {
    double seconds;
    double longestGapMs;
};

// Shows the window, lets it paint once, then times `step` (its closing
// message answered as soon as it shows) and the gaps between event passes.
StepRun RunStep(char* program, const std::function<void(TForm1&)>& prepare,
                const std::function<void(TForm1&)>& step)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char* argv[] = {program, nullptr};
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Jumelix"));
    TForm1 form;
    ModalAnswerer answerer;
    prepare(form);
    form.show();
    QCoreApplication::processEvents();

    GapMeter gaps;
    const auto start = Clock::now();
    step(form);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (const QString& text : answerer.Texts())
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    return {seconds, gaps.LongestMs()};
}

}  // namespace

int GuiWalk(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: jumelix-bench gui-walk DIR\n");
        return 2;
    }
    std::size_t entries = 0;
    const StepRun run = RunStep(
        argv[0],
        [folder = QString::fromLocal8Bit(argv[1])](TForm1& form) {
            form.findChild<QLineEdit*>(QStringLiteral("DirectoryEdit1"))->setText(folder);
        },
        [&entries](TForm1& form) {
            form.Button1Click();
            entries = form.FileCatalogue().size();
        });
    std::printf("entries %zu seconds %.3f longest_gap_ms %.1f\n", entries, run.seconds,
                run.longestGapMs);
    return 0;
}

int GuiSearch(int argc, char** argv)
{
    if ((argc != 3 && argc != 5) || std::strcmp(argv[1], "--synthetic") != 0 ||
        (argc == 5 && std::strcmp(argv[3], "--seed") != 0)) {
        std::fprintf(stderr, "usage: jumelix-bench gui-search --synthetic N [--seed S]\n");
        return 2;
    }
    const auto n = static_cast<std::uint32_t>(std::stoul(argv[2]));
    const std::uint64_t seed = argc == 5 ? std::stoull(argv[4]) : 1;
    std::uint64_t upper = 0;
    std::uint64_t lower = 0;
    const StepRun run = RunStep(
        argv[0],
        [n, seed](TForm1& form) {
            // As a walk of n files would leave it.
            BuildSynthetic(form.FileCatalogue(), n, seed);
            form.FilesAdded = static_cast<std::int32_t>(n);
            form.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))
                ->setMaximum(form.FilesAdded);
        },
        [&upper, &lower](TForm1& form) {
            form.Button2Click();
            upper = form.UpperList().RowCount();
            lower = form.LowerList().RowCount();
        });
    std::printf("entries %u upper %llu lower %llu seconds %.3f longest_gap_ms %.1f\n", n,
                static_cast<unsigned long long>(upper), static_cast<unsigned long long>(lower),
                run.seconds, run.longestGapMs);
    return 0;
}

}  // namespace jumelix::bench

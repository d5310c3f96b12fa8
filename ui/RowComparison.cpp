#include "ui/RowComparison.h"

#include "ui/ApplicationCursor.h"
#include "ui/Messages.h"
#include "ui/Texts.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <optional>

namespace jumelix {
namespace {

// Well within the 20 ms a user may wait for the window.
constexpr int kPollMs = 10;
constexpr int kThousandths = 1000;

MessageKind KindOf(ComparisonVerdict verdict)
{
    switch (verdict) {
    case ComparisonVerdict::Identical:
    case ComparisonVerdict::Different:
        return MessageKind::Information;
    case ComparisonVerdict::Unreadable:
        return MessageKind::Error;
    default:
        return MessageKind::Warning;
    }
}

// The bar, the hint and the cursor as they stood, put back when it goes.
class SavedLook {
public:
    SavedLook(QProgressBar& bar, QLabel& hint)
        : bar_(bar), hint_(hint), minimum_(bar.minimum()), maximum_(bar.maximum()), value_(bar.value()),
          barShown_(bar.isVisibleTo(bar.parentWidget())), hintShown_(hint.isVisibleTo(hint.parentWidget()))
    {
        if (const QCursor* cursor = QApplication::overrideCursor())
            cursor_ = cursor->shape();
    }
    ~SavedLook()
    {
        bar_.setRange(minimum_, maximum_);
        bar_.setValue(value_);
        bar_.setVisible(barShown_);
        hint_.setVisible(hintShown_);
        if (cursor_)
            SetApplicationCursor(*cursor_);
        else
            SetDefaultApplicationCursor();
    }
    SavedLook(const SavedLook&) = delete;
    SavedLook& operator=(const SavedLook&) = delete;

private:
    QProgressBar& bar_;
    QLabel& hint_;
    int minimum_, maximum_, value_;
    bool barShown_, hintShown_;
    std::optional<Qt::CursorShape> cursor_;
};

}  // namespace

RowComparison::RowComparison(RunState& run, QProgressBar& bar, QLabel& hint, QWidget* window)
    : QObject(window), run_(run), bar_(bar), hint_(hint), window_(window)
{
}

void RowComparison::Run(const std::string& first, const std::string& second, std::uint64_t size)
{
    run_.Begin(Work::Comparing);
    cancelled_ = false;
    {
        const SavedLook look(bar_, hint_);
        SetApplicationCursor(Qt::WaitCursor);
        bar_.setRange(0, kThousandths);
        bar_.setValue(0);
        bar_.show();
        hint_.show();
        reading_.Start(first, second, size);
        // The window's events go on in this loop until the reading is done.
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [this, &loop] {
            showProgress();
            if (reading_.Done())
                loop.quit();
        });
        poll.start(kPollMs);
        loop.exec();
    }
    run_.End();
    const ComparisonResult result = reading_.Result();
    if (!cancelled_)
        ShowMessage(window_, KindOf(result.Verdict), ComparisonText(result, first, second));
}

void RowComparison::Stop()
{
    reading_.RequestStop();
}

void RowComparison::Cancel()
{
    cancelled_ = true;
    reading_.RequestStop();
}

void RowComparison::showProgress()
{
    const std::uint64_t total = reading_.Total();
    const double share = total == 0 ? 1 : static_cast<double>(reading_.BytesCompared()) / static_cast<double>(total);
    bar_.setValue(static_cast<int>(share * kThousandths));
}

}  // namespace jumelix

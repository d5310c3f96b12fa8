#pragma once

#include "files/FileComparison.h"
#include "ui/RunState.h"

#include <QObject>

#include <cstdint>
#include <string>

class QLabel;
class QProgressBar;

namespace jumelix {

// Compares a row's file with its double, byte for byte, on a worker thread,
// and tells the user in a box what they are. While it reads, the window
// stays live and shows the hourglass, its share compared on the progress bar
// (in thousandths) and how to stop it; once it ends they are as they were.
class RowComparison final : public QObject {
    Q_OBJECT

public:
    // The comparison is the window's work in `run` while it reads.
    RowComparison(RunState& run, QProgressBar& bar, QLabel& hint, QWidget* window);

    // Returns once the comparison has ended and its box is closed.
    void Run(const std::string& first, const std::string& second, std::uint64_t size);
    // Escape: the comparison ends at its next block and says so.
    void Stop();
    // A new step or the window closed: it ends without its box.
    void Cancel();

private:
    void showProgress();

    FileComparisonRun reading_;
    RunState& run_;
    QProgressBar& bar_;
    QLabel& hint_;
    QWidget* window_;
    bool cancelled_ = false;
};

}  // namespace jumelix

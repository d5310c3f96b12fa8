#pragma once

#include "catalogue/Catalogue.h"
#include "catalogue/FileEnumeration.h"
#include "catalogue/RunFlags.h"
#include "catalogue/Walk.h"
#include "files/PosixFileEnumeration.h"
#include "search/ContentSearch.h"
#include "search/DuplicateSearch.h"
#include "search/ResultList.h"
#include "search/ResultOrdering.h"
#include "ui/ResultModel.h"
#include "ui/RunState.h"
#include "ui/WindowPlacement.h"

#include <QCollator>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QDialog;

namespace Ui {
class TForm1;
}

namespace jumelix {

class Desktop;
class ResultView;
class RowComparison;
enum class RowAction;

// The main window. The walk and the search run on its thread and reach it
// through the observer calls, which keep the window live by pumping events.
class TForm1 final : public Centred<QWidget>, public WalkObserver, public SearchObserver {
    Q_OBJECT

public:
    // The walk reads the file system through `files`.
    explicit TForm1(std::unique_ptr<FileEnumeration> files = std::make_unique<PosixFileEnumeration>(),
                    QWidget* parent = nullptr);
    ~TForm1() override;

    void SetAboutBox(QDialog* aboutBox) { aboutBox_ = aboutBox; }

    // Program state, for the whole life of the window.
    std::string ScanFolderPath;
    RunFlags Flags;
    std::int32_t FilesAdded = 0;
    std::vector<std::string> FolderLog;

    Catalogue& FileCatalogue() { return catalogue_; }
    ResultList& UpperList() { return upper_; }

    void FormCreate();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void FormKeyDown(int key);
    void ListView3ColumnClick(int column);
    void ListView4ColumnClick(int column);
    void DirectoryEdit1AfterDialog(const QString& name, bool accepted);

    // Observer calls of the walk and the search.
    void EntryAdded(std::int32_t filesAdded) override;
    void FolderEntered(std::string_view folder) override;
    void Progress(std::int32_t position) override;
    void OuterCompleted(std::int32_t completed) override;
    void PumpEvents() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class StepEnd { Completed, Stopped, Failed };

    void applyFonts();
    void runCommands(Command command);
    void resolveScanFolder();
    void runWalk();
    void endWalk(std::int32_t filesAdded, StepEnd end);
    void runSearch();
    void endSearch(StepEnd end, const std::optional<ContentSummary>& summary);
    void stopWork(Stop stop);
    void clearResults();
    void rowActionChosen(ResultView& view, const ResultModel& model, RowAction action, std::uint64_t row);
    void compareWithDouble(const ResultModel::Files& files);
    void showResultRows();
    bool isOwnKeyPress(QObject* watched, QEvent* event) const;

    std::unique_ptr<Ui::TForm1> ui_;
    std::unique_ptr<FileEnumeration> files_;
    Catalogue catalogue_;
    ResultList upper_;
    ResultList lower_;
    QCollator collator_;
    ResultOrdering ordering_;
    ResultModel* upperModel_;
    ResultModel* lowerModel_;
    QDialog* aboutBox_ = nullptr;
    RowComparison* comparison_;
    Desktop* desktop_;

    // The work on the stack, the step asked for meanwhile and whether the
    // window closes once it returns (SearchRunning stays set after a stop).
    RunState run_;

    // Latest values, shown at the next pump.
    std::int32_t shownFiles_ = 0;
    std::int32_t progress_ = 0;
    std::int32_t completed_ = 0;
    std::chrono::steady_clock::time_point lastPump_{};
};

}  // namespace jumelix

#include "ui/Unit1.h"

#include "catalogue/StartFolder.h"
#include "search/ContentSearch.h"
#include "ui/AccessibleResultView.h"
#include "ui/ApplicationCursor.h"
#include "ui/Collation.h"
#include "ui/Desktop.h"
#include "ui/DirectoryEdit.h"
#include "ui/Messages.h"
#include "ui/ResultModel.h"
#include "ui/ResultView.h"
#include "ui/RowComparison.h"
#include "ui/Texts.h"
#include "ui/WindowFont.h"
#include "ui_Unit1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>

#include <algorithm>
#include <utility>

namespace jumelix {
namespace {

constexpr auto kPumpInterval = std::chrono::milliseconds(5);
// The bar's range while the search by contents reads.
constexpr int kThousandths = 1000;

// Why step 1 cannot walk `folder`, as the user is told; empty when it can.
QString WalkRefusal(FileEnumeration& files, const QString& folder)
{
    return folder.isEmpty() ? WalkRefusalText() : WalkRefusalText(folder, files.CheckFolder(folder.toStdString()));
}

}  // namespace

TForm1::TForm1(std::unique_ptr<FileEnumeration> files, QWidget* parent)
    : Centred(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::TForm1>()),
      files_(std::move(files)),
      collator_(TextCollator()),
      ordering_([this](std::string_view a, std::string_view b) {
          return collator_.compare(FromBytes(a), FromBytes(b));
      }),
      upperModel_(new ResultModel(upper_, ordering_, this)),
      lowerModel_(new ResultModel(lower_, ordering_, this)),
      desktop_(new Desktop(this))
{
    InstallAccessibleResultView();
    ui_->setupUi(this);
    // The counters start as one blank, which the layout file cannot hold.
    ui_->Label5->setText(QStringLiteral(" "));
    ui_->Label6->setText(QStringLiteral(" "));
    setFixedSize(648, 550);
    applyFonts();
    ui_->ListView3->SetModel(upperModel_);
    ui_->ListView4->SetModel(lowerModel_);
    connect(ui_->ListView3, &ResultView::ColumnClicked, this, &TForm1::ListView3ColumnClick);
    connect(ui_->ListView4, &ResultView::ColumnClicked, this, &TForm1::ListView4ColumnClick);
    comparison_ = new RowComparison(run_, *ui_->ProgressBar1, *ui_->Label12, this);
    for (auto [view, model] : {std::pair(ui_->ListView3, upperModel_), std::pair(ui_->ListView4, lowerModel_)}) {
        view->SetCompareAllowed([this] { return !run_.Busy(); });
        connect(view, &ResultView::RowActionChosen, this,
                [this, view = view, model = model](RowAction action, quint64 row) {
                    rowActionChosen(*view, *model, action, row);
                });
    }
    connect(ui_->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(ui_->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(ui_->Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(ui_->DirectoryEdit1, &DirectoryEdit::AfterDialog, this,
            &TForm1::DirectoryEdit1AfterDialog);
    // Key preview: the window sees every key before the focused control.
    qApp->installEventFilter(this);
    FormCreate();
    ui_->DirectoryEdit1->setFocus();
}

// The models read lists that are members of this class: they go first, before
// the base class hides the views while the lists are already gone.
TForm1::~TForm1()
{
    delete upperModel_;
    delete lowerModel_;
}

void TForm1::applyFonts()
{
    setFont(WindowFont(11, false));
    ui_->Label10->setFont(WindowFont(16, true));
    // The stop hint is bold and red, in the window's face.
    ui_->Label11->setFont(WindowFont(11, true));
    QPalette red = ui_->Label11->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    ui_->Label11->setPalette(red);
}

void TForm1::FormCreate()
{
    RunHandler(this, [this] { resolveScanFolder(); });
}

void TForm1::resolveScanFolder()
{
    const PosixEnvironment environment;
    const UserDirsSettings settings(environment);
    const PosixDirectoryTest directories;
    const DocumentsResolution resolution =
        ResolveDocumentsFolder(environment, settings, directories);
    if (resolution.ShowDocumentsError)
        ShowMessage(this, MessageKind::Plain, text::DocumentsError);
    if (resolution.WrongTypeSetting) {
        ShowMessage(this, MessageKind::Error, ErrorBoxText(WrongTypeText(*resolution.WrongTypeSetting)));
        return;
    }
    ScanFolderPath = resolution.DocumentsFolder;
    ui_->DirectoryEdit1->SetInitialFolder(FromBytes(ScanFolderPath));
    ui_->DirectoryEdit1->setText(FromBytes(ScanFolderPath));
    Flags = RunFlags{};
}

void TForm1::Button1Click()
{
    runCommands(Command::Walk);
}

void TForm1::Button2Click()
{
    runCommands(Command::Search);
}

void TForm1::Button3Click()
{
    // The about box keeps the cursor rule of modal windows itself.
    if (aboutBox_ != nullptr)
        aboutBox_->exec();
}

// A stop request sticks: no other key clears it, and Escape sets it only while
// a step runs. (A step button clicked during a search stops it too.)
void TForm1::FormKeyDown(int key)
{
    if (key == Qt::Key_Escape)
        stopWork(run_.EscapePressed());
}

void TForm1::stopWork(Stop stop)
{
    switch (stop) {
    case Stop::None:
        break;
    case Stop::Walk:
        Flags.WalkStop = true;
        break;
    case Stop::Search:
        Flags.SearchStop = true;
        break;
    case Stop::Comparison:
        comparison_->Stop();
        break;
    case Stop::ComparisonSilently:
        comparison_->Cancel();
        break;
    }
}

void TForm1::ListView3ColumnClick(int column)
{
    RunHandler(this, [this, column] { ui_->ListView3->SortByColumn(column); });
}

void TForm1::ListView4ColumnClick(int column)
{
    RunHandler(this, [this, column] { ui_->ListView4->SortByColumn(column); });
}

void TForm1::DirectoryEdit1AfterDialog(const QString& name, bool accepted)
{
    if (accepted)
        ScanFolderPath = name.toStdString();
}

// A step button clicked during a search or a comparison stops it; the clicked
// command runs once it has returned, so nothing reads the catalogue or the
// result lists while they are cleared under it.
void TForm1::runCommands(Command command)
{
    if (const Stop stop = run_.StepAsked(command); stop != Stop::None) {
        stopWork(stop);
        return;
    }
    while (command != Command::None && !run_.Closing()) {
        RunHandler(this, [this, command] { command == Command::Walk ? runWalk() : runSearch(); });
        command = run_.TakePending();
    }
    if (run_.Closing())
        close();
}

void TForm1::runWalk()
{
    // A folder that cannot be walked changes nothing: the last catalogue and results stay.
    const QString folder = ui_->DirectoryEdit1->text();
    if (const QString refusal = WalkRefusal(*files_, folder); !refusal.isEmpty()) {
        ShowMessage(this, MessageKind::Error, refusal);
        return;
    }
    ScanFolderPath = folder.toStdString();
    ui_->Label5->setText(QStringLiteral("0"));
    ui_->Label6->setText(QStringLiteral("0"));
    ui_->Label11->show();
    FilesAdded = 0;
    shownFiles_ = 0;
    lastPump_ = {};
    run_.Begin(Work::Walking);
    Flags.WalkRunning = true;
    Flags.WalkStop = false;
    for (QWidget* control : std::initializer_list<QWidget*>{ui_->Button1, ui_->Label8,
                                                            ui_->Label6, ui_->Button2})
        control->setEnabled(false);
    clearResults();
    catalogue_.Clear();
    FolderLog.clear();
    SetApplicationCursor(Qt::WaitCursor);
    const bool recurse = ui_->CheckBox8->isChecked();
    const std::string filter = ui_->Edit2->text().toStdString();

    FolderWalk walk(*files_, catalogue_, Flags, *this);
    try {
        walk.ScanFolder(ScanFolderPath, filter, 0, recurse);
    } catch (...) {
        endWalk(walk.FilesAdded(), StepEnd::Failed);
        throw;
    }
    endWalk(walk.FilesAdded(), Flags.WalkStop ? StepEnd::Stopped : StepEnd::Completed);
}

// A failed walk ends as a stopped one, without its message: the error box tells.
void TForm1::endWalk(std::int32_t filesAdded, StepEnd end)
{
    FilesAdded = filesAdded;
    SetDefaultApplicationCursor();
    ui_->Label11->hide();
    // The counter and the bar's range are final before the message opens. An
    // empty range would make the bar busy instead of empty.
    ui_->Label5->setText(QString::number(catalogue_.size()));
    ui_->ProgressBar1->setMaximum(std::max(FilesAdded, 1));
    if (!run_.EndsSilently() && end != StepEnd::Failed) {
        if (end == StepEnd::Stopped)
            ShowMessage(this, MessageKind::Warning, text::WalkStopped);
        else
            ShowMessage(this, MessageKind::Information, text::WalkCompleted);
    }
    ui_->Button2->setEnabled(end == StepEnd::Completed);
    ui_->Button1->setEnabled(true);
    // The focus left the disabled button for the next control: it goes to the step that follows.
    (end == StepEnd::Completed ? ui_->Button2 : ui_->Button1)->setFocus();
    Flags.WalkRunning = false;
    Flags.WalkStop = false;
    run_.End();
}

void TForm1::runSearch()
{
    const bool byContents = ui_->CheckBox9->isChecked();
    run_.Begin(byContents ? Work::SearchingByContents : Work::Searching);
    ui_->Label6->setText(QStringLiteral("0"));
    ui_->Label8->setEnabled(true);
    ui_->Label6->setEnabled(true);
    clearResults();
    ui_->Label9->show();
    if (byContents)
        ui_->ProgressBar1->setRange(0, kThousandths);
    ui_->ProgressBar1->setValue(0);
    ui_->ProgressBar1->show();
    // The hint shows from this first pass on: a stop asked in it counts, as does a
    // step button clicked or the window closed.
    Flags.SearchStop = false;
    QCoreApplication::processEvents();
    Flags.SearchRunning = true;
    clearResults();
    progress_ = 0;
    completed_ = 0;
    lastPump_ = {};

    SearchOutcome outcome{};
    std::optional<ContentSummary> summary;
    try {
        if (byContents)
            outcome = RunContentSearch(catalogue_, Flags, *this, upper_, lower_, summary.emplace());
        else
            outcome = RunDuplicateSearch(catalogue_, Flags, *this, upper_, lower_);
    } catch (...) {
        endSearch(StepEnd::Failed, {});
        throw;
    }
    endSearch(outcome == SearchOutcome::Completed ? StepEnd::Completed : StepEnd::Stopped, summary);
}

// A search stopped for another command, or by closing the window, ends without
// its message; a failed one ends as a stopped one, but with its flags cleared.
// A search by contents ends with what it found and left out.
void TForm1::endSearch(StepEnd end, const std::optional<ContentSummary>& summary)
{
    run_.End();
    // The counter, the lists and the bar are final before the message opens.
    ui_->Label6->setText(QString::number(completed_));
    ui_->ProgressBar1->setValue(progress_);
    showResultRows();
    const bool silent = end == StepEnd::Failed || run_.EndsSilently();
    const auto hideExtras = [this] {
        ui_->Label9->hide();
        ui_->ProgressBar1->setValue(0);
        ui_->ProgressBar1->hide();
        ui_->ProgressBar1->setRange(0, std::max(FilesAdded, 1));
    };
    // A stopped search leaves its bar and hint in sight under its message, as
    // they stood at the stop; a completed one clears them before its message.
    if (end == StepEnd::Stopped) {
        if (!silent)
            ShowMessage(this, MessageKind::Warning, text::SearchStopped);
        hideExtras();
    } else {
        hideExtras();
        QString text = text::SearchCompleted;
        if (summary)
            text += u' ' + ContentSearchText(*summary);
        if (!silent)
            ShowMessage(this, MessageKind::Information, text);
    }
    if (end == StepEnd::Failed) {
        Flags.SearchRunning = false;
        Flags.SearchStop = false;
    }
}

// What a list's row menu, or its copy key, does to the files behind the row.
void TForm1::rowActionChosen(ResultView& view, const ResultModel& model, RowAction action, std::uint64_t row)
{
    const std::optional<ResultModel::Files> files = model.FilesOf(row);
    if (!files)
        return;
    switch (action) {
    case RowAction::OpenFile:
        return desktop_->OpenFile(files->Path);
    case RowAction::ShowInFolder:
        return desktop_->ShowInFolder(files->Path);
    case RowAction::CopyPath:
        return desktop_->CopyPath(files->Path);
    case RowAction::GoToDouble:
        return view.SetCurrentRow(model.MirrorOf(row));
    case RowAction::CompareWithDouble:
        return compareWithDouble(*files);
    }
}

// "Comparer avec son double". A step button clicked meanwhile, or the window
// closed, ends the comparison without its box and then takes effect.
void TForm1::compareWithDouble(const ResultModel::Files& files)
{
    if (run_.Busy())
        return;
    RunHandler(this, [this, &files] { comparison_->Run(files.Path, files.DoublePath, files.Size); });
    runCommands(run_.TakePending());
}

// The result lists hold views into the catalogue: they are always cleared first.
void TForm1::clearResults()
{
    upperModel_->Clear();
    lowerModel_->Clear();
}

void TForm1::showResultRows()
{
    upperModel_->Grow();
    lowerModel_->Grow();
}

void TForm1::EntryAdded(std::int32_t filesAdded)
{
    shownFiles_ = filesAdded;
}

void TForm1::FolderEntered(std::string_view folder)
{
    FolderLog.emplace_back(folder);
}

void TForm1::Progress(std::int32_t position)
{
    progress_ = position;
}

void TForm1::OuterCompleted(std::int32_t completed)
{
    completed_ = completed;
}

// Events wait at most about 5 ms, and a busy machine adds to that; the counters
// are set once per pump, not per entry.
void TForm1::PumpEvents()
{
    if (std::chrono::steady_clock::now() - lastPump_ < kPumpInterval)
        return;
    if (run_.Current() == Work::Walking)
        ui_->Label5->setText(QString::number(shownFiles_));
    if (run_.Searching()) {
        ui_->ProgressBar1->setValue(progress_);
        ui_->Label6->setText(QString::number(completed_));
        showResultRows();
    }
    QCoreApplication::processEvents();
    lastPump_ = std::chrono::steady_clock::now();
}

bool TForm1::isOwnKeyPress(QObject* watched, QEvent* event) const
{
    if (event->type() != QEvent::KeyPress)
        return false;
    // A key ignored by a control travels on to its parents: count only its first stop.
    QWidget* focus = focusWidget();
    return watched == (focus != nullptr ? focus : this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (isOwnKeyPress(watched, event))
        FormKeyDown(static_cast<QKeyEvent*>(event)->key());
    return QWidget::eventFilter(watched, event);
}

// Closing during a step stops it as Escape would; the window closes once it has returned.
void TForm1::closeEvent(QCloseEvent* event)
{
    if (const Stop stop = run_.CloseAsked(); stop != Stop::None) {
        stopWork(stop);
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace jumelix

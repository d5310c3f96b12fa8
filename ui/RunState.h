#pragma once

namespace jumelix {

// The window's long work: one at a time, each run inside a handler.
enum class Work { Idle, Walking, Searching, SearchingByContents, Comparing };
// A step asked for with its button.
enum class Command { None, Walk, Search };
// What the window does to the running work.
enum class Stop {
    None,
    Walk,                // sets the walk's stop flag
    Search,              // sets the search's stop flag
    Comparison,          // the comparison ends at its next block and says so
    ComparisonSilently,  // the comparison ends at its next block without its box
};

// What a step button, Escape and closing the window do during each kind of
// work, in one table (RunState.cpp). A work that is stopped returns from its
// handler first; a step asked for meanwhile then runs, or the window closes.
class RunState {
public:
    Work Current() const { return work_; }
    bool Busy() const { return work_ != Work::Idle; }
    bool Searching() const { return work_ == Work::Searching || work_ == Work::SearchingByContents; }
    void Begin(Work work) { work_ = work; }
    void End() { work_ = Work::Idle; }

    // A step button. Stop::None when the step may run now; otherwise it runs
    // once the work that is told to stop has returned.
    Stop StepAsked(Command command);
    Stop EscapePressed() const;
    // Stop::None when the window may close now; otherwise it closes once the
    // work that is told to stop has returned.
    Stop CloseAsked();

    // The step asked for during the work that has returned, once.
    Command TakePending();
    bool Closing() const { return closing_; }
    // A work that returns for a step or for closing gives no closing message.
    bool EndsSilently() const { return pending_ != Command::None || closing_; }

private:
    Work work_ = Work::Idle;
    Command pending_ = Command::None;
    bool closing_ = false;
};

}  // namespace jumelix

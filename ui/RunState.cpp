#include "ui/RunState.h"

#include <array>
#include <cstddef>
#include <utility>

namespace jumelix {
namespace {

struct Reactions {
    Stop step;
    Stop escape;
    Stop close;
};

// By work, in the order of Work. The step buttons are disabled during a walk.
constexpr std::array<Reactions, 5> kTable{{
    /* Idle */ {Stop::None, Stop::None, Stop::None},
    /* Walking */ {Stop::Walk, Stop::Walk, Stop::Walk},
    /* Searching */ {Stop::Search, Stop::Search, Stop::Search},
    /* SearchingByContents */ {Stop::Search, Stop::Search, Stop::Search},
    /* Comparing */ {Stop::ComparisonSilently, Stop::Comparison, Stop::ComparisonSilently},
}};

const Reactions& During(Work work)
{
    return kTable[static_cast<std::size_t>(work)];
}

}  // namespace

Stop RunState::StepAsked(Command command)
{
    const Stop stop = During(work_).step;
    if (stop != Stop::None)
        pending_ = command;
    return stop;
}

Stop RunState::EscapePressed() const
{
    return During(work_).escape;
}

Stop RunState::CloseAsked()
{
    const Stop stop = During(work_).close;
    if (stop != Stop::None)
        closing_ = true;
    return stop;
}

Command RunState::TakePending()
{
    return std::exchange(pending_, Command::None);
}

}  // namespace jumelix

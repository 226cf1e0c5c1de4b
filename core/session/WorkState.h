// What the tool is doing, which decides where received data go and whether commands may run.
#pragma once

enum class WorkState {
    Idle = 0,         // passive receiver: late pair-test frames are still counted
    Command = 1,      // answers go to the answer dispatcher
    CommandOther = 2, // command mode no sender sets
    PairTest = 3,     // pair test: send after return, or the receiving side
    PairTimed = 4,    // pair test with timed sending
    Terminal = 5,     // data terminal receiving
};

inline bool PairTestRunning(WorkState s)
{
    return s == WorkState::PairTest || s == WorkState::PairTimed;
}

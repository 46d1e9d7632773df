#pragma once
// Independent steps run side by side, their printed lines and error texts given out in the
// order of the steps, as if they had run one after the other.

#include <functional>

struct OrderedSteps {
    // Runs step(k) on worker threads; what a step prints (Print, error texts) is held until the
    // steps before it have ended, then given out.
    std::function<void(unsigned k)> step;
    // On the calling thread, in order, once step k has ended; false ends the run there.
    std::function<bool(unsigned k)> commit;
    // Asked before a worker starts a step; true: no further step starts.
    std::function<bool()> stopStarting;
    // For each step after the last committed one that ran anyway: puts back what it changed.
    // Their output is dropped.
    std::function<void(unsigned k)> undo;

    // Steps [0, count) on `threads` workers. A step's exception is rethrown when its turn comes,
    // once the later steps running have ended and been undone. Returns the number committed.
    // With one thread (or one step) the steps run on the calling thread, their output straight out.
    unsigned Run(unsigned count, unsigned threads) const;
};
